#pragma once
// The idle and switch-on figures, described once as the check's other figures are
// (CheckFigures.h): the figures of each mains factor, and the words of the verdicts.

#include <span>
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
struct NoLoadPointFigure {
  std::string_view id;
  std::string_view caption;  // French, without its unit
  std::string_view unit;
  std::string_view json_key;  // in analysis.no_load.at[]
  int decimals = 0;
  FigureValue (*value)(const NoLoadPoint&) = nullptr;
};
std::span<const NoLoadPointFigure> NoLoadPointFigures();

}  // namespace kel
