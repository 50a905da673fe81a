#include "util/OutputText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "util/NumberText.h"
#include "util/Text.h"

namespace kel {

std::size_t DisplayWidth(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string PadLeft(const std::string& text, std::size_t width) {
  const std::size_t w = DisplayWidth(text);
  return w >= width ? text : std::string(width - w, ' ') + text;
}

std::string PadRight(const std::string& text, std::size_t width) {
  const std::size_t w = DisplayWidth(text);
  return w >= width ? text : text + std::string(width - w, ' ');
}

std::string Fixed(double value, int decimals, char decimal_separator) {
  if (!std::isfinite(value)) return "–";
  static constexpr double kScales[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  decimals = std::clamp(decimals, 0, 6);
  const double scaled = std::round(std::fabs(value) * kScales[decimals]);
  char buffer[400];
  if (scaled < 1e15) {
    // Whole numbers print several times faster than fixed-point ones, and a check shows dozens.
    // At least one digit before the separator: 5 with two decimals is 0,05.
    char digits[32] = "0000000";
    char* first = digits + 7;
    char* last = std::to_chars(first, digits + sizeof digits, static_cast<long long>(scaled)).ptr;
    first = std::min(first, last - decimals - 1);
    char* out = buffer;
    if (value < 0 && scaled != 0) *out++ = '-';
    out = std::copy(first, last - decimals, out);
    if (decimals > 0) {
      *out++ = decimal_separator;
      out = std::copy(last - decimals, last, out);
    }
    return std::string(buffer, out);
  }
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (error != std::errc()) return "–";
  std::string text(buffer, end);
  for (char& c : text) {
    if (c == '.') c = decimal_separator;
  }
  return text;
}

std::string WrittenNumber(std::string_view text, char decimal_separator) {
  const auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return std::string(text);
  const std::size_t start = i;
  if (text[i] == '-' || text[i] == '+') ++i;
  std::size_t digits = 0;
  while (i < text.size() && is_digit(text[i])) ++i, ++digits;
  int decimals = 0;
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    ++i;
    while (i < text.size() && is_digit(text[i])) ++i, ++decimals;
  }
  if (digits + decimals == 0) return std::string(text);
  return Fixed(ReadNumber(text.substr(start, i - start)), decimals, decimal_separator) +
         std::string(text.substr(i));
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  // A stray byte of a catalogue or a document would make the whole output unreadable.
  for (const char c : ValidUtf8(text)) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : "null";
}

std::string TerminalText(std::string_view text, bool keep_line_breaks) {
  std::string out;
  out.reserve(text.size());
  char escape[8];
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8Length(text, i);
    const auto byte = static_cast<unsigned char>(text[i]);
    if (length == 0 ||
        (length == 1 && (byte < 0x20 || byte == 0x7F) && !(keep_line_breaks && byte == '\n'))) {
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
      ++i;
      continue;
    }
    const char32_t code = Utf8CodePoint(text, i, length);
    if (code >= 0x80 && code <= 0x9F) {
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(code));
      out += escape;
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

std::string XmlEscaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8Length(text, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD for a byte that starts no UTF-8 character
      ++i;
      continue;
    }
    const char c = text[i];
    if (length == 1) {
      switch (c) {
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '&':
          out += "&amp;";
          break;
        case '"':
          out += "&quot;";
          break;
        default:
          // XML 1.0 holds no control character but tab and the line ends.
          if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            out += "\xEF\xBF\xBD";
          } else {
            out += c;
          }
      }
    } else {
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out;
}

}  // namespace kel
