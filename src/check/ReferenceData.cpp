#include "check/ReferenceData.h"

#include <cctype>

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
    if (grade.name.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i) {
      same = std::toupper(static_cast<unsigned char>(name[i])) ==
             std::toupper(static_cast<unsigned char>(grade.name[i]));
    }
    if (same) return &grade;
  }
  return nullptr;
}

}  // namespace kel
