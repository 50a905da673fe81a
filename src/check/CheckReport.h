#pragma once
// The check as the command-line calculator prints it: a "Vérification" section of the text
// report, or the "analysis" object of the JSON report.

#include <string>

#include "check/DesignCheck.h"

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

// Where the wire sizes come from, for the reports.
inline constexpr const char* kWireSource =
    "Fils : IEC 60317-0-1, valeurs du jeu de données OpenMagnetics MAS (licence Apache 2.0)";

}  // namespace kel
