#pragma once
// The check as the "Vérification" window and the HTML report show it: captions and figures with
// the user's decimal separator, lines in the order of the figures' description.

#include <string>
#include <vector>

#include "check/CheckFigures.h"
#include "check/DesignCheck.h"
#include "check/Verdict.h"

namespace kel {

struct CheckView {
  std::string none;  // not empty: there is no check, and this says why
  // Option texts that could not be used, then the windings asked for that the check left out.
  std::vector<std::string> problems;
  std::vector<std::string> windings;  // column captions: "Pri", "Sec 1" ...
  struct Line {
    std::string caption;             // with its unit: "Fil (mm)"
    std::vector<std::string> cells;  // one per winding, "" where it has no such figure
    Level level = Level::Plain;      // Warn for a caution, Bad for a fault
  };
  std::vector<Line> lines;    // per-winding figures
  std::vector<Line> overall;  // one cell each
  std::string fill;           // "7,66 mm sur 12 mm : 63,8 % (ok)"
  Level fill_level = Level::Plain;
  std::string thermal;  // "76,8 °C : ok en classe B (limite 120 °C), classe requise A"
  Level thermal_level = Level::Plain;
  // Idle and switch-on: a line per figure of a mains factor, a cell per factor (none without a
  // primary); then the curve, the verdict, the switch-on and the fuses as the text report says
  // them.
  std::vector<std::string> idle_columns;  // "100 %", "106 %", "110 %"
  std::vector<Line> idle;
  std::string idle_notes;
};

// How a figure's value stands: red or orange when it is a warning or an alert (orange for a
// caution), green when it is a verdict that passes, else plain.
Level FigureLevel(const FigureValue& value, bool warning, Severity severity);

// The view of a check: wire, layout, copper, voltages per winding; then the totals.
CheckView MakeCheckView(const DesignCheck& check, char decimal_separator);

// The check whose result is the design as wound (WoundResult), as page 1 and the window show it.
DesignCheck WoundCheck(const DesignCheck& check);

// What the figures of WoundCheck are, when they are not the calculation's turns: "Chiffres tels
// que bobinés : Sec 1 704 spires (calcul : 670)."; that the turns to wind do not stand; or "".
std::string WoundNote(const DesignCheck& check);

// The main window's line below its frames when the design as wound is not the calculation's:
// "À bobiner : 778 spires au secondaire 1 — voir Vérification"; "" when they agree.
std::string WindLine(const DesignCheck& check);

}  // namespace kel
