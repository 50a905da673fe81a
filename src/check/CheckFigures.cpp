#include "check/CheckFigures.h"

#include <string>

#include "check/NoLoadFigures.h"

namespace kel {

namespace {

using Kind = FigureValue::Kind;

FigureValue Of(Kind kind, double number = 0) {
  FigureValue value;
  value.kind = kind;
  value.number = number;
  return value;
}
FigureValue Number(double value) {
  return Of(Kind::Number, value);
}
FigureValue Whole(double value) {
  return Of(Kind::Whole, value);
}
FigureValue Unset() {
  return Of(Kind::Unset);
}
FigureValue Incomplete() {
  return Of(Kind::Incomplete);
}
// A figure known only when every winding it needs is laid out.
FigureValue Needing(const std::optional<double>& value) {
  return value ? Number(*value) : Incomplete();
}
FigureValue YesNo(bool value) {
  return Of(Kind::YesNo, value ? 1 : 0);
}
FigureValue Words(const Term& term) {
  FigureValue value = Of(Kind::Words);
  value.term = term;
  return value;
}
FigureValue NotComputed() {
  return Of(Kind::NotComputed);
}
// A value as its judgement stands.
FigureValue Judged(FigureValue value, Level level) {
  value.alert = level == Level::Warn || level == Level::Bad;
  value.caution = level == Level::Warn;
  return value;
}
// An idle figure: none without a primary, not computed without its copper.
template <typename Get>
FigureValue Idle(const CheckResult& r, Get get) {
  if (!r.no_load) return r.complete ? Unset() : Incomplete();
  const std::optional<double> value = get(*r.no_load);
  return value ? Number(*value) : NotComputed();
}
FigureValue NoLoadVerdictOf(const CheckResult& r) {
  if (!r.no_load) return r.complete ? Unset() : Incomplete();
  return Judged(Words(TermOf(r.no_load->verdict)), LevelOf(r.no_load->verdict));
}
FigureValue PrimaryFuseOf(const CheckResult& r) {
  if (!r.fuses.primary) return r.no_load ? NotComputed() : Incomplete();
  const PrimaryFuse& fuse = *r.fuses.primary;
  return Judged(fuse.rating_a ? Of(Kind::Fuse, *fuse.rating_a) : Words(TermOf(fuse.status)),
                LevelOf(fuse.status));
}
template <typename Enum>
FigureValue WordsOr(const std::optional<Enum>& value) {
  return value ? Words(TermOf(*value)) : Incomplete();
}
FigureValue Wire(const WindingCheck& w) {
  FigureValue value = Number(w.wire_mm);
  value.strands = w.strands;
  return value;
}
// A figure of a winding's copper, which needs every winding under it in its chamber.
template <typename Get>
FigureValue Copper(const WindingCheck& w, Get get) {
  return w.copper ? Number(get(*w.copper)) : Incomplete();
}
// A secondary's volts, which need the primary and the temperature.
template <typename Get>
FigureValue Volts(const WindingCheck& w, Get get) {
  return w.volts ? Number(get(*w.volts)) : Incomplete();
}
// The turns to wind: unset when the volts are out of reach or the turns do not settle, also
// once wound: a number there would read as one to wind.
FigureValue ToWind(const WindingCheck& w, FigureValue known) {
  return w.turns_to_wind && !w.turns_unsettled ? known : w.volts ? Unset() : Incomplete();
}

using W = const WindingCheck&;
using R = const CheckResult&;
using C = const WindingCopper&;
using V = const WindingVolts&;
constexpr FigureTable kWire = FigureTable::Wire, kLayout = FigureTable::Layout,
                      kCopper = FigureTable::Copper, kVolts = FigureTable::Voltages;

constexpr WindingFigure kWindingFigures[] = {
    {"turns", "Spires", "", "Spires", "turns", 0, kWire, Shown::Always, false,
     [](W w) { return Whole(WoundTurns(w.input)); }},
    {"diameter", "Diamètre demandé", "mm", "Demandé", "diameter_mm", 3, kWire, Shown::Always, false,
     [](W w) { return Number(w.input.diameter_mm); }},
    {"imposed", "Imposé", "", "Imposé", "imposed", 0, kWire, Shown::Always, false,
     [](W w) { return YesNo(w.input.imposed); }},
    {"strands", "Brins", "", "Brins", "strands", 0, kWire, Shown::WithWire, false,
     [](W w) { return Whole(w.strands); }},
    {"wire", "Fil", "mm", "Fil (mm)", "wire_mm", 3, kWire, Shown::WithWire, false,
     [](W w) { return Wire(w); }},
    {"overall", "Hors tout", "mm", "Hors tout", "overall_mm", 3, kWire, Shown::WithWire, false,
     [](W w) { return Number(w.overall_mm); }},
    {"chamber", "Compartiment", "", "Compart.", "chamber", 0, kLayout, Shown::Always, false,
     [](W w) { return Whole(w.chamber); }},
    {"usable_width", "Largeur utile", "mm", "Larg (mm)", "usable_width_mm", 2, kLayout,
     Shown::Always, false, [](W w) { return Number(w.usable_width_mm); }},
    {"turns_per_layer", "Spires/couche", "", "Sp/couche", "turns_per_layer", 0, kLayout,
     Shown::LaidOut, false, [](W w) { return Whole(w.turns_per_layer); }},
    {"layers", "Couches", "", "Couches", "layers", 0, kLayout, Shown::LaidOut, false,
     [](W w) { return Whole(w.layers); }},
    {"build", "Hauteur", "mm", "Haut (mm)", "build_mm", 2, kLayout, Shown::LaidOut, false,
     [](W w) { return Number(w.build_mm); }},
    {"mean_turn", "Spire moyenne", "mm", "Spire moy", "mean_turn_mm", 1, kLayout, Shown::LaidOut,
     false, [](W w) { return Copper(w, [](C c) { return c.mean_turn_mm; }); }},
    {"section", "Section cuivre", "mm²", "S (mm²)", "section_mm2", 3, kCopper, Shown::WithWire,
     false, [](W w) { return Number(w.section_mm2); }},
    {"current_density", "Densité", "A/mm²", "A/mm²", "current_density", 2, kCopper, Shown::WithWire,
     false, [](W w) { return Number(w.current_density); }},
    {"length", "Longueur", "m", "Long (m)", "length_m", 1, kCopper, Shown::LaidOut, false,
     [](W w) { return Copper(w, [](C c) { return c.length_m; }); }},
    {"r20", "R à 20 °C", "Ω", "R20 (Ω)", "r20_ohm", 3, kCopper, Shown::LaidOut, false,
     [](W w) { return Copper(w, [](C c) { return c.r20_ohm; }); }},
    {"r_hot", "R chaud", "Ω", "R chaud (Ω)", "r_hot_ohm", 3, kCopper, Shown::LaidOut, false,
     [](W w) { return Needing(w.r_hot_ohm); }},
    {"copper_loss", "Pertes", "W", "Pertes (W)", "copper_loss_w", 2, kCopper, Shown::LaidOut, false,
     [](W w) { return Needing(w.copper_loss_w); }},
    {"copper_mass", "Cuivre", "kg", "Cu (kg)", "copper_mass_kg", 3, kCopper, Shown::LaidOut, false,
     [](W w) { return Copper(w, [](C c) { return c.copper_mass_kg; }); }},
    {"no_load", "À vide", "V", "À vide (V)", "no_load_v", 1, kVolts, Shown::Secondary, false,
     [](W w) { return Volts(w, [](V v) { return v.no_load_v; }); }},
    {"loaded", "En charge", "V", "En charge", "loaded_v", 1, kVolts, Shown::Secondary, false,
     [](W w) { return Volts(w, [](V v) { return v.loaded_v; }); }},
    {"regulation", "Régulation", "%", "Régul. (%)", "regulation_pct", 1, kVolts, Shown::Secondary,
     false, [](W w) { return Volts(w, [](V v) { return v.regulation_pct; }); }},
    {"loaded_at_90pct_mains", "En charge, secteur à 90 %", "V", "Ch. 90 %",
     "loaded_v_at_90pct_mains", 1, kVolts, Shown::Secondary, false,
     [](W w) { return Volts(w, [](V v) { return v.loaded_v_at_90pct_mains; }); }},
    {"loaded_at_110pct_mains", "En charge, secteur à 110 %", "V", "Ch. 110 %",
     "loaded_v_at_110pct_mains", 1, kVolts, Shown::Secondary, false,
     [](W w) { return Volts(w, [](V v) { return v.loaded_v_at_110pct_mains; }); }},
    {"no_load_at_110pct_mains", "À vide, secteur à 110 %", "V", "Vide 110 %",
     "no_load_v_at_110pct_mains", 1, kVolts, Shown::Secondary, false,
     [](W w) { return Volts(w, [](V v) { return v.no_load_v_at_110pct_mains; }); }},
    {"turns_to_wind", "Spires à bobiner", "", "À bobiner", "turns_to_wind", 0, kVolts,
     Shown::Secondary, false,
     [](W w) { return ToWind(w, Whole(WoundTurns(w.input, w.turns_to_wind.value_or(0)))); }},
    {"loaded_at_turns_to_wind", "En charge ainsi", "V", "En charge", "loaded_v_at_turns_to_wind", 1,
     kVolts, Shown::Secondary, false,
     [](W w) { return ToWind(w, Number(w.loaded_v_at_turns_to_wind.value_or(0))); }},
    // Last in the window; in the text report it ends the wire row of the winding it names.
    {"flag", "Remarque", "", "", "flag", 0, kWire, Shown::Flagged, true,
     [](W w) {
       return Words(w.unreachable       ? kUnreachable
                    : w.turns_unsettled ? kTurnsUnsettled
                                        : TermOf(w.flag));
     }},
};

constexpr OverallFigure kOverallFigures[] = {
    {"complete", "Vérification complète", "", "Complète", "complete", 0, false, true,
     [](R r) { return Judged(YesNo(r.complete), CompleteLevel(r.complete)); }},
    {"tape", "Isolement primaire/secondaires", "mm", "Isolement (mm)", "tape_mm", 2, false, true,
     [](R r) { return Number(r.tape_mm); }},
    {"chambers", "Compartiments", "", "Compartiments", "chambers", 0, false, true,
     [](R r) {
       FigureValue value = Of(Kind::Chambers);
       value.chambers = std::span(r.chambers).first(static_cast<std::size_t>(r.chamber_count));
       return value;
     }},
    {"build", "Hauteur bobinée", "mm", "Hauteur bobinée (mm)", "build_mm", 2, false, false,
     [](R r) { return Needing(r.build_mm); }},
    {"fill", "Remplissage", "%", "Remplissage (%)", "fill_pct", 1, false, false,
     [](R r) { return Needing(r.fill_pct); }},
    {"fill_status", "Remplissage", "", "Remplissage", "fill_status", 0, true, false,
     [](R r) { return WordsOr(r.fill_status); }},
    {"induction_real", "Induction réelle", "T", "Induction réelle (T)", "induction_real_t", 3,
     false, true, [](R r) { return Number(r.induction_real_t); }},
    {"induction_real_at_110pct_mains", "Induction réelle, secteur à 110 %", "T",
     "Induction à 110 % (T)", "induction_real_at_110pct_mains_t", 3, false, true,
     [](R r) {
       return Judged(Number(r.induction_real_at_110pct_mains_t),
                     InductionLevel(r.induction_real_at_110pct_mains_t));
     },
     Severity::Caution},
    {"iron_loss", "Pertes fer", "W", "Pertes fer (W)", "iron_loss_w", 2, false, true,
     [](R r) { return Number(r.iron_loss_w); }},
    {"primary_current", "Courant primaire", "A", "Courant primaire (A)", "primary_current_a", 3,
     false, true, [](R r) { return Number(r.primary_current_a); }},
    {"load_current", "Courant de charge", "A", "Courant de charge (A)", "load_current_a", 3, false,
     true, [](R r) { return Number(r.load_current_a); }},
    {"copper_loss", "Pertes cuivre", "W", "Pertes cuivre (W)", "copper_loss_w", 2, false, true,
     [](R r) { return Needing(r.copper_loss_w); }},
    {"surface", "Surface de refroidissement", "cm²", "Surface (cm²)", "surface_cm2", 1, false, true,
     [](R r) { return Number(r.surface_cm2); }},
    {"rise", "Échauffement", "K", "Échauffement (K)", "temperature_rise_k", 1, false, true,
     [](R r) { return Needing(r.temperature_rise_k); }},
    {"temperature", "Température du cuivre", "°C", "Température (°C)", "copper_temperature_c", 1,
     false, false, [](R r) { return Needing(r.copper_temperature_c); }},
    {"thermal_limit", "Limite de la classe", "°C", "Limite (°C)", "thermal_limit_c", 0, false,
     false, [](R r) { return Number(r.thermal_limit_c); }},
    {"thermal_verdict", "Température", "", "Température", "thermal_verdict", 0, true, false,
     [](R r) { return WordsOr(r.thermal_verdict); }},
    {"required_class", "Classe requise", "", "Classe requise", "required_class", 0, false, false,
     [](R r) { return WordsOr(r.required_class); }},
    {"efficiency", "Rendement", "%", "Rendement (%)", "efficiency_pct", 1, false, true,
     [](R r) {
       return r.efficiency_pct ? Number(*r.efficiency_pct)
              : r.output_w     ? Unset()  // the outputs deliver nothing under load
                               : Incomplete();
     }},
    // Said in analysis.no_load, switch_on and fuses, not as keys of their own.
    {"no_load_current", "Courant à vide", "A", "Courant à vide (A)", "", 4, false, true,
     [](R r) {
       return Idle(
           r, [](const NoLoadResult& n) -> std::optional<double> { return n.at[0].current_a; });
     }},
    {"no_load_power", "Puissance à vide", "W", "Puissance à vide (W)", "", 2, false, true,
     [](R r) { return Idle(r, [](const NoLoadResult& n) { return n.at[0].power_w; }); }},
    {"no_load_verdict", "À vide, secteur à 110 %", "", "À vide à 110 %", "", 0, false, true,
     [](R r) { return NoLoadVerdictOf(r); }},
    {"advised_induction", "Induction conseillée", "T", "Induction conseillée (T)", "", 2, false,
     true,
     [](R r) {
       if (!r.no_load) return r.complete ? Unset() : Incomplete();
       return r.no_load->advised_induction_t ? Number(*r.no_load->advised_induction_t) : Unset();
     }},
    {"switch_on_peak", "Courant de mise sous tension", "A", "Mise sous tension (A)", "", 1, false,
     true,
     [](R r) {
       if (!r.switch_on) return r.no_load ? NotComputed() : Incomplete();
       return r.switch_on->figures.peak_a ? Number(*r.switch_on->figures.peak_a) : NotComputed();
     }},
    {"primary_fuse", "Fusible primaire", "", "Fusible primaire", "", 0, false, true,
     [](R r) { return PrimaryFuseOf(r); }},
    {"rounds", "Itérations", "", "Itérations", "rounds", 0, false, true,
     [](R r) { return r.copper_temperature_c ? Whole(r.rounds) : Incomplete(); }},
    {"turns_rounds", "Itérations des spires", "", "Itérations des spires", "turns_to_wind_rounds",
     0, false, true, [](R r) { return r.turns_rounds > 0 ? Whole(r.turns_rounds) : Incomplete(); }},
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
    case Shown::Secondary:
      return w.input.row != 0 && w.flag == WindingFlag::None;
    case Shown::Flagged:
      return w.flag != WindingFlag::None || w.unreachable || w.turns_unsettled;
  }
  return false;
}

bool HasKey(Shown shown, const WindingCheck& w) {
  switch (shown) {
    case Shown::Secondary:
      return w.input.row != 0;
    case Shown::Flagged:
      return IsShown(shown, w);
    default:
      return true;
  }
}

std::string CaptionWithUnit(std::string_view caption, std::string_view unit) {
  std::string text(caption);
  if (!unit.empty()) text += " (" + std::string(unit) + ")";
  return text;
}

}  // namespace kel
