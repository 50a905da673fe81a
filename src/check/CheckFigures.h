#pragma once
// Each figure the check gives, described once: the window's table, the text report, the JSON and
// the HTML report all iterate these lists, so that a figure is added in one place. A figure that
// is a warning is marked so here, never recognised by its caption.

#include <optional>
#include <span>
#include <string_view>

#include "check/Check.h"
#include "check/CheckTerms.h"
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
  };
  Kind kind = Kind::Number;
  double number = 0;
  Term term{};
  int strands = 1;  // a Number shown as "2 × 1,800" when more than one
  // A judged value (Verdict.h) at Level::Warn or Level::Bad is an alert, orange at Warn whatever
  // the figure's severity.
  bool alert = false;    // this value, not the figure, is a warning
  bool caution = false;  // an alert shown orange whatever the figure's severity
  std::span<const ChamberBuild> chambers;
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
};

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
};

// Every per-winding figure, in the order of the window's lines and of the JSON keys.
std::span<const WindingFigure> WindingFigures();
// Every overall figure, in the order of the JSON keys.
std::span<const OverallFigure> OverallFigures();

bool IsShown(Shown shown, const WindingCheck& winding);
// Whether the JSON object of a winding has the figure's key (null when it is not shown): every
// figure but the remark, and the secondaries' figures for the primary.
bool HasKey(Shown shown, const WindingCheck& winding);

// "Fil (mm)", "Spires": a caption with its unit.
std::string CaptionWithUnit(std::string_view caption, std::string_view unit);

}  // namespace kel
