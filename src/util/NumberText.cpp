#include "util/NumberText.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <string>
#include <system_error>

#include "util/Text.h"

namespace kel {

namespace {

// Decimal digits of a positive finite value: value = d0.d1d2... × 10^exponent. The digits have
// no leading zero; trailing zeros are kept as produced.
struct DecimalDigits {
  std::string digits;
  int exponent = 0;
};

// Splits the scientific text of std::to_chars ("1.98e+01", "2e+01") into digits and exponent.
// std::to_chars is used rather than snprintf because it ignores the C locale, which the window
// toolkit switches to the user's locale (and so to a decimal comma) at start-up.
DecimalDigits SplitScientific(const char* first, const char* last) {
  DecimalDigits result;
  const char* p = first;
  for (; p != last && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') result.digits.push_back(*p);
  }
  if (p != last) ++p;  // 'e'
  if (p != last && *p == '+') ++p;
  std::from_chars(p, last, result.exponent);
  return result;
}

// The value's decimal text with 15 significant digits, the precision at which a double's text
// is taken for display so that 0.435 counts as 0.435 and not as 0.43499999999999999778.
DecimalDigits FifteenDigits(double magnitude) {
  std::array<char, 64> buf{};
  auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                 std::chars_format::scientific, 14);
  if (ec != std::errc{}) return {"0", 0};
  return SplitScientific(buf.data(), end);
}

// The shortest digits that read back as exactly this float.
DecimalDigits ShortestDigits(float magnitude) {
  std::array<char, 64> buf{};
  auto [end, ec] =
      std::to_chars(buf.data(), buf.data() + buf.size(), magnitude, std::chars_format::scientific);
  if (ec != std::errc{}) return {"0", 0};
  return SplitScientific(buf.data(), end);
}

std::string NonFiniteText(double /*value*/) {
  // A field showing "Inf" would be read back as 0 by the next step and look like a result; the
  // chain refuses such values before they are shown, and nothing else may show them either.
  return "";
}

// Lays out significant digits as ordinary decimal text: fixed notation for everyday sizes, an
// exponent only for values so large or small that fixed text would be unreadable.
std::string PlainFromDigits(DecimalDigits d, bool negative, char decimal_separator) {
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty() || d.digits == "0") return "0";

  std::string text = negative ? "-" : "";
  const int e = d.exponent;
  if (e >= -5 && e < 15) {
    if (e >= 0) {
      const auto int_len = static_cast<std::size_t>(e) + 1;
      if (d.digits.size() <= int_len) {
        text += d.digits;
        text.append(int_len - d.digits.size(), '0');
      } else {
        text += d.digits.substr(0, int_len);
        text += decimal_separator;
        text += d.digits.substr(int_len);
      }
    } else {
      text += '0';
      text += decimal_separator;
      text.append(static_cast<std::size_t>(-e - 1), '0');
      text += d.digits;
    }
    return text;
  }

  text += d.digits[0];
  if (d.digits.size() > 1) {
    text += decimal_separator;
    text += d.digits.substr(1);
  }
  text += e < 0 ? "E-" : "E+";
  const std::string exponent_digits = std::to_string(std::abs(e));
  if (exponent_digits.size() < 2) text += '0';
  text += exponent_digits;
  return text;
}

bool IsSkippedBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Languages whose usual decimal separator is a comma. Consulted only when the user's locale is
// not installed, so that a French user on a minimal system still sees commas.
constexpr std::string_view kCommaLanguages[] = {
    "af", "az", "be", "bg", "bs", "ca", "cs", "da", "de", "el", "es", "et", "eu", "fi", "fo", "fr",
    "gl", "hr", "hu", "hy", "id", "is", "it", "ka", "kk", "ky", "lb", "lt", "lv", "mk", "nb", "nl",
    "nn", "no", "oc", "pl", "pt", "ro", "ru", "sk", "sl", "sq", "sr", "sv", "tr", "uk", "vi"};

char SeparatorForLanguage(std::string_view locale_name) {
  const auto end = locale_name.find_first_of("_.@");
  const std::string language = AsciiLower(locale_name.substr(0, end));
  const bool comma = std::find(std::begin(kCommaLanguages), std::end(kCommaLanguages), language) !=
                     std::end(kCommaLanguages);
  return comma ? ',' : '.';
}

}  // namespace

std::string FieldOf(std::string_view text, int n, std::string_view separator) {
  if (n < 1) return {};
  // An empty separator would find itself at every position; the text is then one field.
  if (separator.empty()) return n == 1 ? std::string(text) : std::string();

  std::size_t start = 0;
  for (int i = 1;; ++i) {
    std::size_t pos = text.find(separator, start);
    if (pos == std::string_view::npos) pos = text.size();
    if (i == n) return std::string(text.substr(start, pos - start));
    start = pos + separator.size();
    if (start >= text.size()) return {};
  }
}

std::string NormalizeNumber(std::string_view text) {
  if (text.find(',') == std::string_view::npos) return std::string(text);
  return FieldOf(text, 1, ",") + "." + FieldOf(text, 2, ",");
}

double NumberValue(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto skip_blanks = [&] {
    while (i < n && IsSkippedBlank(text[i])) ++i;
  };

  skip_blanks();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }

  std::string int_digits;
  std::string frac_digits;
  bool seen_point = false;
  for (;;) {
    skip_blanks();
    if (i >= n) break;
    const char c = text[i];
    if (IsDigit(c)) {
      (seen_point ? frac_digits : int_digits).push_back(c);
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
    ++i;
  }
  if (int_digits.empty() && frac_digits.empty()) return 0.0;

  // The exponent counts only when digits follow its letter; "5E" is just 5. Its value saturates
  // far beyond any double so that a run of digits cannot overflow the counter.
  long long exponent = 0;
  skip_blanks();
  if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    ++i;
    skip_blanks();
    bool exponent_negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      exponent_negative = text[i] == '-';
      ++i;
    }
    long long value = 0;
    for (;;) {
      skip_blanks();
      if (i >= n || !IsDigit(text[i])) break;
      value = std::min(value * 10 + (text[i] - '0'), 1'000'000LL);
      ++i;
    }
    exponent = exponent_negative ? -value : value;
  }

  // Order of magnitude of the number, to settle overflow and underflow before converting.
  const auto int_first = int_digits.find_first_not_of('0');
  long long magnitude = 0;
  if (int_first != std::string::npos) {
    magnitude = static_cast<long long>(int_digits.size() - int_first) + exponent;
  } else {
    const auto frac_first = frac_digits.find_first_not_of('0');
    if (frac_first == std::string::npos) return 0.0;
    magnitude = exponent - static_cast<long long>(frac_first);
  }
  const double infinity = std::numeric_limits<double>::infinity();
  if (magnitude > 310) return negative ? -infinity : infinity;
  if (magnitude < -330) return 0.0;

  std::string number = int_digits.empty() ? "0" : int_digits;
  if (!frac_digits.empty()) number += "." + frac_digits;
  number += "e" + std::to_string(exponent);
  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    value = magnitude > 0 ? infinity : 0.0;
  } else if (ec != std::errc{}) {
    value = 0.0;
  }
  if (value == 0.0) return 0.0;
  return negative ? -value : value;
}

std::optional<double> PartlyReadNumber(std::string_view text) {
  // NormalizeNumber drops a second comma and all after it.
  const bool dropped = std::count(text.begin(), text.end(), ',') > 1;
  const std::string number = NormalizeNumber(text);
  const std::size_t n = number.size();
  std::size_t i = 0;
  const auto skip_blanks = [&] {
    while (i < n && IsSkippedBlank(number[i])) ++i;
  };
  // The same steps as NumberValue, to find where its reading stops.
  skip_blanks();
  if (i < n && (number[i] == '+' || number[i] == '-')) ++i;
  bool digits = false, point = false;
  for (;;) {
    skip_blanks();
    if (i >= n) break;
    if (IsDigit(number[i])) {
      digits = true;
    } else if (number[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
    ++i;
  }
  if (!digits) return std::nullopt;
  if (i < n && (number[i] == 'E' || number[i] == 'e' || number[i] == 'D' || number[i] == 'd')) {
    // The exponent's letter counts only with digits after it.
    std::size_t j = i + 1;
    while (j < n && IsSkippedBlank(number[j])) ++j;
    if (j < n && (number[j] == '+' || number[j] == '-')) ++j;
    while (j < n && IsSkippedBlank(number[j])) ++j;
    if (j < n && IsDigit(number[j])) {
      i = j;
      while (i < n && (IsDigit(number[i]) || IsSkippedBlank(number[i]))) ++i;
    }
  }
  skip_blanks();
  if (i == n && !dropped) return std::nullopt;
  return ReadNumber(text);
}

std::string PartlyReadNote(std::string_view text, char decimal_separator) {
  const std::optional<double> value = PartlyReadNumber(text);
  if (!value) return "";
  return "« " + std::string(text) + " » est lu " + PlainNumber(*value, decimal_separator);
}

std::string FormatMask(double value, std::string_view mask, char decimal_separator) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (mask.empty()) return PlainNumber(value, decimal_separator);

  // '0' places are always written, '#' places only when significant; a second point or any
  // other character is ignored.
  int min_int_digits = 0;
  int decimals = 0;
  int min_decimals = 0;
  bool has_point = false;
  for (const char c : mask) {
    if (c == '.' && !has_point) {
      has_point = true;
    } else if (c == '0') {
      if (has_point) {
        min_decimals = ++decimals;
      } else {
        ++min_int_digits;
      }
    } else if (c == '#' && has_point) {
      ++decimals;
    }
  }

  // scaled: the digits of |value| × 10^decimals rounded half away from zero, computed on the
  // 15-digit text so that the rounding sees the decimal value the user would write.
  std::string scaled;
  if (value == 0.0) {
    scaled = "0";
  } else {
    const DecimalDigits d = FifteenDigits(std::fabs(value));
    const long long keep = static_cast<long long>(d.exponent) + 1 + decimals;
    const auto total = static_cast<long long>(d.digits.size());
    if (keep < 0) {
      scaled = "0";
    } else if (keep >= total) {
      scaled = d.digits;
      scaled.append(static_cast<std::size_t>(keep - total), '0');
    } else {
      scaled = d.digits.substr(0, static_cast<std::size_t>(keep));
      if (d.digits[static_cast<std::size_t>(keep)] >= '5') {
        auto pos = scaled.size();
        while (pos > 0 && scaled[pos - 1] == '9') scaled[--pos] = '0';
        if (pos == 0) {
          scaled.insert(scaled.begin(), '1');
        } else {
          ++scaled[pos - 1];
        }
      }
      if (scaled.empty()) scaled = "0";
    }
  }

  const auto decimals_size = static_cast<std::size_t>(decimals);
  if (scaled.size() < decimals_size + 1) {
    scaled.insert(0, decimals_size + 1 - scaled.size(), '0');
  }
  std::string int_part = scaled.substr(0, scaled.size() - decimals_size);
  std::string frac_part = scaled.substr(scaled.size() - decimals_size);
  const bool is_zero = scaled.find_first_not_of('0') == std::string::npos;

  int_part.erase(0, std::min(int_part.find_first_not_of('0'), int_part.size()));
  if (int_part.size() < static_cast<std::size_t>(min_int_digits)) {
    int_part.insert(0, static_cast<std::size_t>(min_int_digits) - int_part.size(), '0');
  }
  while (frac_part.size() > static_cast<std::size_t>(min_decimals) && frac_part.back() == '0') {
    frac_part.pop_back();
  }

  std::string text = (value < 0 && !is_zero) ? "-" : "";
  text += int_part;
  if (has_point) {
    text += decimal_separator;
    text += frac_part;
  }
  return text;
}

std::string PlainNumber(double value, char decimal_separator) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (value == 0.0) return "0";
  return PlainFromDigits(FifteenDigits(std::fabs(value)), value < 0, decimal_separator);
}

std::string PlainSingle(float value, char decimal_separator) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (value == 0.0f) return "0";
  return PlainFromDigits(ShortestDigits(std::fabs(value)), value < 0, decimal_separator);
}

char DecimalSeparatorForLocaleName(std::string_view locale_name) {
  if (locale_name.empty() || locale_name == "C" || locale_name == "POSIX") return '.';
  // The C locale in any encoding ("C.UTF-8", the default of containers and services) writes a
  // point; asking the C library would read its locale files at every start for nothing.
  if (locale_name.starts_with("C.") || locale_name.starts_with("POSIX.")) return '.';

  const std::string name(locale_name);
  if (locale_t loc = newlocale(LC_NUMERIC_MASK, name.c_str(), static_cast<locale_t>(nullptr))) {
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    // A radix of several bytes (a non-ASCII character) cannot be a char; the language decides.
    const bool single_byte = radix != nullptr && radix[0] != '\0' && radix[1] == '\0';
    const char separator = single_byte ? radix[0] : '\0';
    freelocale(loc);
    if (separator != '\0') return separator;
  }
  return SeparatorForLanguage(locale_name);
}

char LocaleDecimalSeparator() {
  // The first of these that is set and not empty names the numeric locale, as under POSIX.
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') return DecimalSeparatorForLocaleName(value);
  }
  return '.';
}

}  // namespace kel
