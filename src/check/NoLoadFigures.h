#pragma once
// The idle and switch-on figures, described once as the check's other figures are
// (CheckFigures.h): the figures of each mains factor, and the words of the verdicts.

#include <span>
#include <string>
#include <string_view>

#include "check/CheckFigures.h"
#include "check/NoLoad.h"

namespace kel {

Term TermOf(NoLoadVerdict verdict);  // "ok", "juste", "saturé", "sans charge"
Term TermOf(FuseStatus status);      // "ok", "ne protège plus …", "aucun fusible T …"

// Said of a figure the flagged primary, or a switch-on that ran away, leaves without a value.
inline constexpr std::string_view kNotComputed = "non calculé";
// Said of the fuses' melting I²t and of a primary fuse chosen without the switch-on.
inline constexpr std::string_view kFuseI2tNote =
    "I²t de fusion typique d'un fusible T (6,7 × In²), à confirmer sur la fiche du fabricant";
inline constexpr std::string_view kFuseWithoutSwitchOn =
    "choisi sur 1,5 × I1n seul, la mise sous tension n'étant pas calculée";
inline constexpr std::string_view kCurveApproximated = "courbe approchée";

// One figure of the idle transformer at one mains factor.
// Fields in the order a figure is written in the table, not packed: a dozen figures.
struct NoLoadPointFigure {  // NOLINT(clang-analyzer-optin.performance.Padding)
  std::string_view id;
  std::string_view caption;  // French, without its unit
  std::string_view unit;
  std::string_view json_key;  // in analysis.no_load.at[]
  int decimals = 0;
  FigureValue (*value)(const NoLoadPoint&) = nullptr;
  // The window's columns are headed by it rather than given a line of it.
  bool heads_columns = false;
};
std::span<const NoLoadPointFigure> NoLoadPointFigures();

// The winding sheet's lines: "I0 1,187 A, P0 26,42 W au secteur nominal ; saturé à 110 %
// (induction conseillée 1,35 T)" and "primaire T 2 A ; Sec 1 T 1,25 A"; kNotComputed parts
// where the flagged primary leaves them out, "" without a primary.
std::string IdleSummary(const CheckResult& result, char decimal_separator);
std::string FuseSummary(const CheckResult& result, char decimal_separator);

// "T 1,25 A", or the words of FuseStatus::None.
std::string SecondaryFuseText(const SecondaryFuse& fuse, char decimal_separator);

}  // namespace kel
