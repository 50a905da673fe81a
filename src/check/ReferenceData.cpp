#include "check/ReferenceData.h"

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

}  // namespace kel
