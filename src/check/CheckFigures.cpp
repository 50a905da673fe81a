#include "check/CheckFigures.h"

#include <string>

namespace kel {

namespace {

using Kind = FigureValue::Kind;

FigureValue Number(double value) {
  return {Kind::Number, value, {}};
}
FigureValue Whole(double value) {
  return {Kind::Whole, value, {}};
}
FigureValue WholeOrUnset(const std::optional<int>& value) {
  return value ? Whole(*value) : FigureValue{Kind::Unset, 0, {}};
}
FigureValue NumberOrUnset(bool set, double value) {
  return set ? Number(value) : FigureValue{Kind::Unset, 0, {}};
}
FigureValue Words(Term term) {
  return {Kind::Words, 0, term};
}

using W = const WindingCheck&;
using R = const CheckResult&;
constexpr FigureTable kWire = FigureTable::Wire, kCopper = FigureTable::Copper,
                      kVolts = FigureTable::Voltages;

constexpr WindingFigure kWindingFigures[] = {
    {"turns", "Spires", "", "Spires", "turns", 0, kWire, Shown::Always, false,
     [](W w) { return Whole(w.input.turns); }},
    {"wire", "Fil", "mm", "Fil (mm)", "wire_mm", 3, kWire, Shown::WithWire, false,
     [](W w) { return Number(w.wire_mm); }},
    {"overall", "Hors tout", "mm", "Hors tout", "overall_mm", 3, kWire, Shown::WithWire, false,
     [](W w) { return Number(w.overall_mm); }},
    {"turns_per_layer", "Spires/couche", "", "Sp/couche", "turns_per_layer", 0, kWire,
     Shown::LaidOut, false, [](W w) { return Whole(w.turns_per_layer); }},
    {"layers", "Couches", "", "Couches", "layers", 0, kWire, Shown::LaidOut, false,
     [](W w) { return Whole(w.layers); }},
    {"build", "Hauteur", "mm", "Haut (mm)", "build_mm", 2, kWire, Shown::LaidOut, false,
     [](W w) { return Number(w.build_mm); }},
    {"section", "Section cuivre", "mm²", "S (mm²)", "section_mm2", 3, kCopper, Shown::LaidOut,
     false, [](W w) { return Number(w.section_mm2); }},
    {"current_density", "Densité", "A/mm²", "A/mm²", "current_density", 2, kCopper, Shown::LaidOut,
     false, [](W w) { return Number(w.current_density); }},
    {"length", "Longueur", "m", "Long (m)", "length_m", 1, kCopper, Shown::LaidOut, false,
     [](W w) { return Number(w.length_m); }},
    {"r20", "R à 20 °C", "Ω", "R20 (Ω)", "r20_ohm", 3, kCopper, Shown::LaidOut, false,
     [](W w) { return Number(w.r20_ohm); }},
    {"r_hot", "R chaud", "Ω", "R chaud (Ω)", "r_hot_ohm", 3, kCopper, Shown::LaidOut, false,
     [](W w) { return Number(w.r_hot_ohm); }},
    {"copper_loss", "Pertes", "W", "Pertes (W)", "copper_loss_w", 2, kCopper, Shown::LaidOut, false,
     [](W w) { return Number(w.copper_loss_w); }},
    {"copper_mass", "Cuivre", "kg", "Cu (kg)", "copper_mass_kg", 3, kCopper, Shown::LaidOut, false,
     [](W w) { return Number(w.copper_mass_kg); }},
    {"no_load", "À vide", "V", "À vide (V)", "no_load_v", 1, kVolts, Shown::WithVoltages, false,
     [](W w) { return Number(w.no_load_v); }},
    {"loaded", "En charge", "V", "En charge", "loaded_v", 1, kVolts, Shown::WithVoltages, false,
     [](W w) { return Number(w.loaded_v); }},
    {"regulation", "Régulation", "%", "Régul. (%)", "regulation_pct", 1, kVolts,
     Shown::WithVoltages, false, [](W w) { return Number(w.regulation_pct); }},
    {"turns_to_wind", "Spires à bobiner", "", "À bobiner", "turns_to_wind", 0, kVolts,
     Shown::WithVoltages, false, [](W w) { return WholeOrUnset(w.turns_to_wind); }},
    {"loaded_at_turns_to_wind", "En charge ainsi", "V", "En charge", "loaded_v_at_turns_to_wind", 1,
     kVolts, Shown::WithVoltages, false,
     [](W w) { return NumberOrUnset(w.turns_to_wind.has_value(), w.loaded_v_at_turns_to_wind); }},
    // Last in the window; in the text report it ends the wire row of the winding it names.
    {"flag", "Remarque", "", "", "flag", 0, kWire, Shown::Flagged, true,
     [](W w) { return Words(TermOf(w.flag)); }},
};

constexpr OverallFigure kOverallFigures[] = {
    {"build", "Hauteur bobinée", "mm", "Hauteur bobinée (mm)", "build_mm", 2, false, false,
     [](R r) { return Number(r.build_mm); }},
    {"fill", "Remplissage", "%", "Remplissage (%)", "fill_pct", 1, false, false,
     [](R r) { return Number(r.fill_pct); }},
    {"fill_status", "Remplissage", "", "Remplissage", "fill_status", 0, true, false,
     [](R r) { return Words(TermOf(r.fill_status)); }},
    {"iron_loss", "Pertes fer", "W", "Pertes fer (W)", "iron_loss_w", 2, false, true,
     [](R r) { return Number(r.iron_loss_w); }},
    {"copper_loss", "Pertes cuivre", "W", "Pertes cuivre (W)", "copper_loss_w", 2, false, true,
     [](R r) { return Number(r.copper_loss_w); }},
    {"surface", "Surface de refroidissement", "cm²", "Surface (cm²)", "surface_cm2", 1, false, true,
     [](R r) { return Number(r.surface_cm2); }},
    {"rise", "Échauffement", "K", "Échauffement (K)", "temperature_rise_k", 1, false, true,
     [](R r) { return Number(r.temperature_rise_k); }},
    {"temperature", "Température du cuivre", "°C", "Température (°C)", "copper_temperature_c", 1,
     false, false, [](R r) { return Number(r.copper_temperature_c); }},
    {"thermal_class", "Classe thermique", "", "Classe", "thermal_class", 0, true, false,
     [](R r) { return Words(TermOf(r.thermal_class)); }},
    {"efficiency", "Rendement", "%", "Rendement (%)", "efficiency_pct", 1, false, true,
     [](R r) { return Number(r.efficiency_pct); }},
    {"rounds", "Itérations", "", "Itérations", "rounds", 0, false, true,
     [](R r) { return Whole(r.rounds); }},
};

}  // namespace

std::span<const WindingFigure> WindingFigures() {
  return kWindingFigures;
}

std::span<const OverallFigure> OverallFigures() {
  return kOverallFigures;
}

bool IsShown(Shown shown, const WindingCheck& w) {
  switch (shown) {
    case Shown::Always:
      return true;
    case Shown::WithWire:
      return w.flag != WindingFlag::OffTable;
    case Shown::LaidOut:
      return w.flag == WindingFlag::None;
    case Shown::WithVoltages:
      return w.has_voltages;
    case Shown::Flagged:
      return w.flag != WindingFlag::None;
  }
  return false;
}

std::string CaptionWithUnit(std::string_view caption, std::string_view unit) {
  std::string text(caption);
  if (!unit.empty()) text += " (" + std::string(unit) + ")";
  return text;
}

}  // namespace kel
