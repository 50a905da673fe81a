#pragma once
// The check as the command-line calculator prints it: a "Vérification" section of the text
// report, or the "analysis" object of the JSON report.

#include <optional>
#include <string>

#include "analysis/DesignCheck.h"

namespace kel {

// The "Vérification" section, figures with decimal_separator, starting with its title line.
std::string CheckTextSection(const DesignCheck& check, char decimal_separator);

// The JSON object, its keys in a fixed order, with plain JSON numbers at full precision (the
// shortest text that reads back as the same double), or {"none": REASON}.
std::string CheckJson(const DesignCheck& check);

// value with exactly decimals decimals and the given separator ("0,439"); "–" when it is not a
// finite number.
std::string Fixed(double value, int decimals, char decimal_separator);

// A JSON number: the shortest text that reads back as value; null when it is not finite.
std::string JsonNumber(double value);

// A figure that needs a winding the check had to leave out reads so, never as a number.
inline constexpr const char* kIncomplete = "incomplet";
// The same for a figure that may be unknown: kIncomplete, or null in the JSON.
std::string Fixed(const std::optional<double>& value, int decimals, char decimal_separator);
std::string JsonNumber(const std::optional<double>& value);

// The wire of a winding as the reports show it: "0,400", "2 × 1,800" for strands, the diameter
// asked for when the table has no wire for it.
std::string WireText(const WindingCheck& winding, char decimal_separator);

// "A", ..., "H", "hors classe" for a required class; kIncomplete when it is unknown.
std::string ClassText(const std::optional<InsulationClass>& required_class);

// Where the wire sizes come from, for the reports.
inline constexpr const char* kWireSource =
    "Fils : IEC 60317-0-1, valeurs du jeu de données OpenMagnetics MAS (licence Apache 2.0)";

}  // namespace kel
