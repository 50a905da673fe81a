// Any text a field may hold, read as the chain reads it and written back through every display
// mask the program uses and through the plain number texts.

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "util/NumberText.h"

namespace {

using kel::fuzz::Shown;

constexpr std::string_view kMasks[] = {"####",  "###.#", "###.##", "##.#", "##0",
                                       "#0.##", "#0.00", "0.##",   "#.##", "#0.#"};

struct MaskShape {
  int min_int_digits = 0;
  int decimals = 0;
  int min_decimals = 0;
  bool has_point = false;
};

MaskShape ShapeOf(std::string_view mask) {
  MaskShape shape;
  for (const char c : mask) {
    if (c == '.') {
      shape.has_point = true;
    } else if (shape.has_point) {
      ++shape.decimals;
      if (c == '0') shape.min_decimals = shape.decimals;
    } else if (c == '0') {
      ++shape.min_int_digits;
    }
  }
  return shape;
}

bool AllDigits(std::string_view text) {
  return text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string Context(std::string_view input, double value, std::string_view mask, char separator,
                    std::string_view shown) {
  char number[64];
  std::snprintf(number, sizeof number, "%.17g", value);
  return "input " + Shown(input) + " value " + number + " mask " + std::string(mask) +
         " separator '" + separator + "' shown " + Shown(shown);
}

void CheckNormalize(std::string_view text, const std::string& normalized) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    FUZZ_CHECK(normalized == text, "a text without comma changed: " + Shown(text));
    return;
  }
  FUZZ_CHECK(normalized.find(',') == std::string::npos,
             "a comma survived in " + Shown(normalized) + " from " + Shown(text));
  FUZZ_CHECK(normalized.size() <= text.size(), "normalising made " + Shown(text) + " longer");
  FUZZ_CHECK(normalized.compare(0, comma, text.substr(0, comma)) == 0 &&
                 normalized.size() > comma && normalized[comma] == '.',
             "the first comma of " + Shown(text) + " is not a point in " + Shown(normalized));
}

void CheckMask(std::string_view input, double value, std::string_view mask, char separator) {
  const std::string shown = kel::FormatMask(value, mask, separator);
  const std::string context = Context(input, value, mask, separator, shown);
  const MaskShape shape = ShapeOf(mask);

  // Shape: [-] digits [separator digits], the separator exactly when the mask has a point.
  std::string_view body = shown;
  const bool negative = !body.empty() && body.front() == '-';
  if (negative) body.remove_prefix(1);
  const std::size_t sep = body.find(separator);
  FUZZ_CHECK((sep != std::string_view::npos) == shape.has_point, "separator: " + context);
  const std::string_view int_part = body.substr(0, sep);
  const std::string_view frac_part =
      sep == std::string_view::npos ? std::string_view() : body.substr(sep + 1);
  FUZZ_CHECK(AllDigits(int_part) && AllDigits(frac_part), "not a number text: " + context);
  FUZZ_CHECK(static_cast<int>(int_part.size()) >= shape.min_int_digits,
             "missing a compulsory digit: " + context);
  FUZZ_CHECK(static_cast<int>(int_part.size()) == shape.min_int_digits || int_part.empty() ||
                 int_part.front() != '0',
             "a leading zero the mask does not ask for: " + context);
  FUZZ_CHECK(static_cast<int>(frac_part.size()) <= shape.decimals &&
                 static_cast<int>(frac_part.size()) >= shape.min_decimals,
             "wrong number of decimals: " + context);
  FUZZ_CHECK(static_cast<int>(frac_part.size()) == shape.min_decimals || frac_part.empty() ||
                 frac_part.back() != '0',
             "a trailing zero in an optional place: " + context);
  FUZZ_CHECK(!negative || value < 0, "a minus sign on a positive value: " + context);
  FUZZ_CHECK(!negative || (std::string(int_part) + std::string(frac_part)).find_first_not_of('0') !=
                              std::string::npos,
             "a negative zero shown: " + context);

  // Value: the text reads back as the value rounded to the mask's places.
  const double back = kel::ReadNumber(shown);
  const double tolerance =
      0.5 * std::pow(10.0, -shape.decimals) * (1 + 1e-9) + std::fabs(value) * 1e-14;
  FUZZ_CHECK(std::fabs(back - value) <= tolerance, "reads back too far from the value: " + context);

  // A shown text that fits the 15 digits the display works with shows itself again, as the
  // chain relies on when it reads rounded results back.
  if (int_part.size() + frac_part.size() <= 15) {
    FUZZ_CHECK(kel::FormatMask(back, mask, separator) == shown,
               "showing the shown value again changes it: " + context);
  }
}

void CheckPlain(std::string_view input, double value, char separator) {
  const std::string plain = kel::PlainNumber(value, separator);
  const double back = kel::ReadNumber(plain);
  const std::string context = Context(input, value, "(plain)", separator, plain);
  FUZZ_CHECK(std::fabs(back - value) <= std::fabs(value) * 1e-14, "plain text: " + context);
  if (std::fabs(value) >= DBL_MIN) {
    FUZZ_CHECK(kel::PlainNumber(back, separator) == plain, "plain text not stable: " + context);
  }
  if (std::fabs(value) <= FLT_MAX) {
    const auto single = static_cast<float>(value);
    const std::string shortest = kel::PlainSingle(single, separator);
    FUZZ_CHECK(static_cast<float>(kel::ReadNumber(shortest)) == single,
               "single text does not give the single back: " +
                   Context(input, static_cast<double>(single), "(single)", separator, shortest));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string normalized = kel::NormalizeNumber(text);
  CheckNormalize(text, normalized);

  const double value = kel::NumberValue(normalized);
  FUZZ_CHECK(!std::isnan(value), "NaN read from " + Shown(text));
  FUZZ_CHECK(!std::isnan(kel::NumberValue(text)), "NaN read from " + Shown(text));
  if (normalized.find_first_of("0123456789") == std::string::npos) {
    FUZZ_CHECK(value == 0, "a value without any digit in " + Shown(text));
  }
  if (!std::isfinite(value)) return 0;

  for (const char separator : {',', '.'}) {
    for (const std::string_view mask : kMasks) CheckMask(text, value, mask, separator);
    CheckPlain(text, value, separator);
  }
  return 0;
}
