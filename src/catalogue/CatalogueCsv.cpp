#include "catalogue/CatalogueCsv.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "catalogue/EngineErrors.h"

namespace kel {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Consumes a line end at pos (CR, LF or CRLF) and returns true when there was one.
bool SkipLineEnd(std::string_view text, std::size_t& pos) {
  if (pos >= text.size()) return false;
  if (text[pos] == '\r') {
    ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    return true;
  }
  if (text[pos] == '\n') {
    ++pos;
    return true;
  }
  return false;
}

std::string LineError(int line, const std::string& what) {
  return "ligne " + std::to_string(line) + " : " + what;
}

}  // namespace

std::vector<CsvRecord> ParseCsv(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());

  std::vector<CsvRecord> records;
  std::size_t pos = 0;
  int line = 1;
  while (pos < text.size()) {
    CsvRecord record;
    record.line = line;
    bool record_done = false;
    while (!record_done) {
      std::string field;
      if (pos < text.size() && text[pos] == '"') {
        const int quote_line = line;
        ++pos;
        for (;;) {
          if (pos >= text.size())
            throw CatalogueError(LineError(quote_line, "guillemet non fermé"));
          const char c = text[pos];
          if (c == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
              field += '"';
              pos += 2;
              continue;
            }
            ++pos;
            break;
          }
          // Line breaks inside quotes belong to the field but still move the line count on.
          if (c == '\n' || (c == '\r' && (pos + 1 >= text.size() || text[pos + 1] != '\n'))) {
            ++line;
          }
          field += c;
          ++pos;
        }
        if (pos < text.size() && text[pos] != ',' && text[pos] != '\r' && text[pos] != '\n') {
          throw CatalogueError(LineError(line, "texte après un guillemet fermant"));
        }
      } else {
        while (pos < text.size() && text[pos] != ',' && text[pos] != '\r' && text[pos] != '\n') {
          if (text[pos] == '"') {
            throw CatalogueError(
                LineError(line, "guillemet dans un champ qui ne commence pas par un"));
          }
          field += text[pos++];
        }
      }
      record.fields.push_back(std::move(field));
      if (pos < text.size() && text[pos] == ',') {
        ++pos;
      } else {
        if (SkipLineEnd(text, pos)) ++line;
        record_done = true;
      }
    }
    const bool blank_line = record.fields.size() == 1 && Trim(record.fields[0]).empty();
    if (!blank_line) records.push_back(std::move(record));
  }
  return records;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::optional<double> ParseDecimal(std::string_view text) {
  text = Trim(text);
  // from_chars alone would also take "inf", "nan" and hexadecimal forms, which no catalogue
  // should hold, so the shape is checked first: sign, digits with at most one point, exponent.
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t mantissa_start = i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponent_digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  double value = 0;
  const char* first = text.data() + mantissa_start;
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  return text[0] == '-' ? -value : value;
}

std::string FormatNumber(double value) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return std::string(buffer, result.ptr);
}

std::string Quoted(std::string_view text) {
  constexpr std::size_t kMaxShown = 40;
  std::size_t cut = std::min(text.size(), kMaxShown);
  // Never cut a UTF-8 sequence in two.
  while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  std::string shown;
  for (const char c : text.substr(0, cut)) {
    shown += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
  }
  if (cut < text.size()) shown += "…";
  return "« " + shown + " »";
}

}  // namespace kel
