#pragma once
// The check as the command-line calculator prints it: a "Vérification" section of the text
// report, or the "analysis" object of the JSON report; and the texts of its figures that every
// presentation shares.

#include <string>

#include "check/CheckFigures.h"
#include "check/DesignCheck.h"

namespace kel {

// The "Vérification" section, figures with decimal_separator, starting with its title line: the
// check on the calculation's turns, then the design as wound ("Vérification telle que bobinée").
std::string CheckTextSection(const DesignCheck& check, char decimal_separator);

// The JSON object, its keys in the order of the figures' description, with plain JSON numbers at
// full precision (the shortest text that reads back as the same double) and each state as
// {"code": ..., "text": ...}; or {"none": {"code": ..., "text": ...}}. Every winding has every key
// (the secondaries' figures on the secondaries, the remark only when there is one); a figure
// that is not known is null, and "complete" is false when a winding was left out. "as_wound"
// holds the design as page 1 winds it, its windings and figures keyed alike (with each winding's
// copper to buy), and "settled": false when its turns to wind do not stand, its figures then
// being the calculation's as page 1 says.
std::string CheckJson(const DesignCheck& check);

// "Sec 2 laissé de côté : moins d'une spire": a winding asked for that the check has not.
std::string LeftOutText(const LeftOut& left_out);

// The design as wound could not be worked out: wound so, the copper added by the turns to wind
// lowers the volts again and again. Page 1's alarm and the text report say it alike.
inline constexpr const char* kTurnsDoNotStand =
    "Les spires à bobiner ne se stabilisent pas : bobinées, leur cuivre en plus fait encore"
    " chuter la tension. Les chiffres sont ceux des spires du calcul.";

// A figure's value as a table shows it: its decimals ("2 × 1,800" for strands), "–" when unset,
// kIncomplete, the text of a state.
std::string FigureText(const FigureValue& value, int decimals, char decimal_separator);

// Where the wire sizes come from, for the reports.
inline constexpr const char* kWireSource =
    "Fils : IEC 60317-0-1, valeurs du jeu de données OpenMagnetics MAS (licence Apache 2.0)";

}  // namespace kel
