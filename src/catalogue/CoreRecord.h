#pragma once
// A core of the catalogue as numbers, and the columns of table EI the program reads. Plain data
// without the engine, so that the design sheet can hold the chosen core and the check can work on
// it without a catalogue.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kel {

// The columns that the program reads, spelled as the program spells them, in this order.
inline constexpr std::array<std::string_view, 6> kCatalogueColumns = {
    "Ref", "SectionFer", "MasseFer", "hautcu", "LargCu", "longspire"};
enum class CoreColumn : std::size_t { Ref, SectionFer, MasseFer, hautcu, LargCu, longspire };

// "Ref, SectionFer, MasseFer, hautcu, LargCu, longspire": the select list of every query that
// reads whole cores.
inline std::string CoreColumnList() {
  std::string list;
  for (const std::string_view column : kCatalogueColumns) {
    list += (list.empty() ? "" : ", ") + std::string(column);
  }
  return list;
}

struct CoreRecord {
  std::string ref;              // Ref, with a decimal point where it is a number
  double section_cm2 = 0;       // SectionFer
  double mass_kg = 0;           // MasseFer
  double window_height_mm = 0;  // hautcu: the room for the build, across the layers
  double window_width_mm = 0;   // LargCu: the length of one layer
  double mean_turn_cm = 0;      // longspire

  bool operator==(const CoreRecord&) const = default;
};

}  // namespace kel
