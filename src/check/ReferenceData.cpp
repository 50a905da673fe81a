#include "check/ReferenceData.h"

#include <utility>

#include "util/Text.h"

namespace kel {

namespace {

#include "kelvanor/ReferenceTables.inc"

}  // namespace

std::span<const WireSize> WireSizes() {
  return kWireRows;
}

const WireSize* WireFor(double diameter_mm) {
  const float wanted = static_cast<float>(diameter_mm);
  for (const WireSize& size : kWireRows) {
    if (static_cast<float>(size.nominal_mm) >= wanted) return &size;
  }
  return nullptr;
}

std::span<const SteelGrade> SteelGrades() {
  return kSteelRows;
}

const SteelGrade* FindSteelGrade(std::string_view name) {
  for (const SteelGrade& grade : kSteelRows) {
    if (EqualNoCase(grade.name, name)) return &grade;
  }
  return nullptr;
}

SteelCurve CurveFor(std::string_view steel_grade) {
  // The grades the measurements leave out, each with the measured one nearest in loss and
  // thickness.
  static constexpr std::pair<std::string_view, std::string_view> kNearest[] = {
      {"M270-35A", "M270-50A"}, {"M330-50A", "M400-50A"}, {"M1000-65A", "M800-50A"}};
  SteelCurve curve;
  std::string_view wanted = steel_grade;
  for (const auto& [grade, nearest] : kNearest) {
    if (EqualNoCase(grade, steel_grade)) {
      wanted = nearest;
      curve.approximated = true;
    }
  }
  // An unknown grade (the options never give one) falls back on the default steel's curve.
  const auto find = [](std::string_view name) -> const CurveGrade* {
    for (const CurveGrade& grade : kCurveGrades) {
      if (EqualNoCase(grade.name, name)) return &grade;
    }
    return nullptr;
  };
  const CurveGrade* found = find(wanted);
  if (!found) found = find("M400-50A");
  if (!found) found = &kCurveGrades[0];
  if (!EqualNoCase(found->name, wanted)) curve.approximated = true;
  curve.grade = found->name;
  curve.nodes =
      std::span<const CurveNode>(kCurveNodes)
          .subspan(static_cast<std::size_t>(found->first), static_cast<std::size_t>(found->count));
  return curve;
}

}  // namespace kel
