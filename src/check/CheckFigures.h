#pragma once
// Each figure the check gives, described once: the window's table, the text report, the JSON and
// the HTML report all iterate these lists, so that a figure is added in one place. A figure that
// is a warning is marked so here, never recognised by its caption.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "check/Check.h"
#include "check/CheckTerms.h"
#include "check/DesignCheck.h"
#include "check/Verdict.h"

namespace kel {

// What a figure's warning means: a fault fails the design (shown red), a caution asks the
// designer to look at a value that may yet be right (shown orange).
enum class Severity { Fault, Caution };

// What a figure holds for one winding or for the whole.
struct FigureValue {
  enum class Kind {
    Number,       // number, shown with the figure's decimals
    Whole,        // number, a whole count
    Unset,        // a figure that has no value here: "–", null in the JSON
    Incomplete,   // a figure that needs a winding left out: "incomplet", null in the JSON
    Words,        // term
    YesNo,        // number 1 or 0: "oui" or "non", true or false in the JSON
    Chambers,     // the build and fill of each chamber of the bobbin
    NotComputed,  // a figure the flagged primary or a runaway leaves out: "non calculé", null
    Fuse,         // number: a fuse's rating, shown as "T 315 mA"
    Text,         // text, written whole by the description (the winding sheet's compound cells)
  };
  Kind kind = Kind::Number;
  double number = 0;
  Term term{};
  int strands = 1;  // a Number shown as "2 × 1,800" when more than one
  // A judged value (Verdict.h) at Level::Warn or Level::Bad is an alert, orange at Warn whatever
  // the figure's severity.
  bool alert = false;    // this value, not the figure, is a warning
  bool caution = false;  // an alert shown orange whatever the figure's severity
  // A verdict: shown green when it is no alert.
  bool judged = false;
  // A Number's own decimals where they follow its size ("12,50 A", "125,0 A"); else the figure's.
  int places = -1;
  std::span<const ChamberBuild> chambers;
  std::string text;  // Text
};

// For which windings a figure is shown. Within a table of the text report each level holds for
// fewer windings than the one before, so the figures shown for a winding are always its first.
enum class Shown {
  Always,
  WithWire,   // the wire is in the table (not "hors table")
  LaidOut,    // the winding fits the layer width
  Secondary,  // a secondary laid out; the primary has no such figure
  Flagged,    // a winding left out of the figures, whose volts no turns reach, or whose turns
              // to wind do not stand
};

// The tables of the text report.
enum class FigureTable { Wire, Layout, Copper, Voltages };

struct WindingFigure {
  std::string_view id;
  std::string_view caption;   // French, without its unit: "Fil"
  std::string_view unit;      // "mm", "" for none
  std::string_view heading;   // the text report's narrow column heading: "Fil (mm)"
  std::string_view json_key;  // "wire_mm"
  int decimals = 0;
  FigureTable table = FigureTable::Wire;
  Shown shown = Shown::Always;
  bool warning = false;
  FigureValue (*value)(const WindingCheck&) = nullptr;
  // A key the JSON gives right after this figure's, true or false.
  std::string_view then_key = {};
  bool (*then_value)(const WindingCheck&) = nullptr;
};

// Where an overall figure is shown besides the JSON, which has each figure with a key.
enum Outputs : unsigned { kWindow = 1, kText = 2, kWindowAndText = kWindow | kText };

struct OverallFigure {
  std::string_view id;
  std::string_view caption;   // French, without its unit, as the window and the HTML show it
  std::string_view unit;      // "W", "" for none
  std::string_view heading;   // the text report's caption, with its unit
  std::string_view json_key;  // "iron_loss_w"; empty: not a key of its own (said in an object)
  int decimals = 0;
  bool warning = false;
  // Shown among the overall lines; false for the figures the fill and temperature lines tell.
  bool listed = true;
  FigureValue (*value)(const CheckResult&) = nullptr;
  Severity severity = Severity::Fault;  // of the warning, or of a value's alert
  unsigned outputs = kWindowAndText;    // of a listed figure
  // Said after the value in the window and the text report: " (sans convergence)".
  std::string (*note)(const CheckResult&, char decimal_separator) = nullptr;
};

// Every per-winding figure, in the order of the window's lines and of the JSON keys.
std::span<const WindingFigure> WindingFigures();
// Every overall figure, in the order of the JSON keys.
std::span<const OverallFigure> OverallFigures();
// Whether the window or the text report lists the figure.
inline bool ListedIn(const OverallFigure& figure, Outputs output) {
  return figure.listed && (figure.outputs & output) != 0;
}

bool IsShown(Shown shown, const WindingCheck& winding);
// Whether the JSON object of a winding has the figure's key (null when it is not shown): every
// figure but the remark, and the secondaries' figures for the primary.
bool HasKey(Shown shown, const WindingCheck& winding);

// The winding sheet, page 1 of the printed report: the workshop's table, a column per winding,
// then its lines on the whole. It shows fewer figures than the JSON, some as the workshop reads
// them ("0,40" for a wire bought so, "2 × 0,05 mm" of tape), in its own order; a row or a line
// that is a figure of the lists above names it by id and takes its caption, decimals and level.
struct SheetContext {
  const DesignCheck& check;                // the rectifiers
  const CheckResult& result;               // the design as wound
  std::array<std::string, 5> asked_volts;  // as the design's fields hold them: "230", "12.6"
  std::string frequency;                   // likewise
  char separator = ',';
};

struct SheetRow {
  std::string_view id;  // a WindingFigures() id when value is null
  std::string_view caption = {};
  std::string_view unit = {};
  int decimals = 0;
  bool (*present)(const SheetContext&) = nullptr;  // null: always
  // "" for a winding the row says nothing of; Unset ("–") for one it cannot say.
  FigureValue (*value)(const SheetContext&, const WindingCheck&) = nullptr;
};

// Fields in the order a line is written in the table, not packed: a dozen lines.
struct SheetLine {      // NOLINT(clang-analyzer-optin.performance.Padding)
  std::string_view id;  // an OverallFigures() id when value is null
  std::string_view caption = {};
  std::string_view unit = {};  // after the value: "40 °C"
  int decimals = 0;
  bool (*present)(const SheetContext&) = nullptr;
  FigureValue (*value)(const SheetContext&) = nullptr;
  Severity severity = Severity::Fault;
};

// The sheet's rows and lines, in its order.
std::span<const SheetRow> SheetRows();
std::span<const SheetLine> SheetLines();
// The cell of a row or the value of a line, from the figure it names or its own.
FigureValue SheetCell(const SheetRow& row, const SheetContext& context, const WindingCheck& w);
FigureValue SheetValue(const SheetLine& line, const SheetContext& context);
// The caption, unit and decimals a row or a line shows: its figure's when it names one.
const WindingFigure* FigureOf(const SheetRow& row);
const OverallFigure* FigureOf(const SheetLine& line);

// The fill and the copper temperature judged: green when ok, orange when "juste", red beyond or
// when incomplete (or when the temperature does not settle).
FigureValue FillVerdict(const CheckResult& result);
FigureValue ThermalVerdictOf(const CheckResult& result);

// A wire as it is bought: "0,40", "0,355", "2 × 1,80".
FigureValue WireBought(const WindingCheck& w);

// The copper to buy for a winding of length_m: 5 % over, and two leads of 150 mm, in whole
// metres rounded up.
int CopperToBuyM(double length_m);

// A figure that needs a winding the check had to leave out reads so, never as a number.
inline constexpr const char* kIncomplete = "incomplet";

// "7,66 mm sur 12,0 mm : 63,8 % (ok)"; kIncomplete.
std::string FillText(const CheckResult& result, char decimal_separator);

// "76,8 °C : ok en classe B (limite 120 °C), classe requise A"; kIncomplete.
std::string ThermalText(const CheckResult& result, char decimal_separator);

// A figure's value with its note, as the window and the text report show it.
std::string FigureNote(const OverallFigure& figure, const CheckResult& result, char separator);

// "Fil (mm)", "Spires": a caption with its unit.
std::string CaptionWithUnit(std::string_view caption, std::string_view unit);

}  // namespace kel
