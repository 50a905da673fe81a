#pragma once
// CSV as the catalogue tool reads and writes it: RFC 4180 quoting, a point as decimal separator
// whatever the user's locale, so that a catalogue file reads the same on every machine.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/Text.h"

namespace kel {

struct CsvRecord {
  int line = 0;  // line of the file on which the record starts, from 1
  std::vector<std::string> fields;
};

// Splits text into records. Accepts LF, CRLF and CR line ends and a leading UTF-8 byte-order
// mark; skips blank lines. Throws CatalogueError naming the line on broken quoting.
std::vector<CsvRecord> ParseCsv(std::string_view text);

// The field as it must stand in a CSV line: in double quotes, inner quotes doubled, when it
// holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);

// Value of a decimal number such as "12", "-0.5", "1.25e3" (blanks around it allowed); nothing
// when the text is anything else, including a decimal comma, "inf" or an out-of-range value.
std::optional<double> ParseDecimal(std::string_view text);

// Up to 15 significant digits, no trailing zeros, a point as separator: 1.209, 13, 0.044.
std::string FormatNumber(double value);

// text made fit for a one-line message: control characters become blanks, long texts are cut.
std::string Quoted(std::string_view text);

}  // namespace kel
