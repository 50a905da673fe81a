#include "check/CheckFigures.h"

#include <cmath>
#include <string>

#include "check/NoLoadFigures.h"
#include "util/OutputText.h"

namespace kel {

namespace {

using Kind = FigureValue::Kind;

FigureValue Of(Kind kind, double number = 0) {
  FigureValue value;
  value.kind = kind;
  value.number = number;
  return value;
}
FigureValue Text(std::string text) {
  FigureValue value = Of(Kind::Text);
  value.text = std::move(text);
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
// A judged value said in a sentence: the verdict's colour, the sentence's words.
FigureValue Said(FigureValue judged, std::string text) {
  judged.kind = Kind::Text;
  judged.text = std::move(text);
  return judged;
}
// A verdict's own words, as its judgement stands: green when it passes.
FigureValue Judgement(FigureValue value, Level level) {
  value = Judged(std::move(value), level);
  value.judged = level == Level::Good;
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
  return Judgement(Words(TermOf(r.no_load->verdict)), LevelOf(r.no_load->verdict));
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
FigureValue ToWind(const WindingCheck& w, const FigureValue& known) {
  return w.turns_to_wind && !w.turns_unsettled ? known : w.volts ? Unset() : Incomplete();
}

// The induction at mains 10 % high saturates common steels above kInductionAlertT: value so
// marked, whatever it shows.
FigureValue InductionAt110(const CheckResult& r, FigureValue value) {
  return Judged(std::move(value), InductionLevel(r.induction_real_at_110pct_mains_t));
}

using W = const WindingCheck&;
using R = const CheckResult&;

std::string Unsettled(bool converged) {
  return converged ? "" : " (sans convergence)";
}
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
     [](W w) { return ToWind(w, Number(w.loaded_v_at_turns_to_wind.value_or(0))); },
     // Whether the turns to wind are a number to wind: false too where there is none.
     "turns_to_wind_settled", [](W w) { return w.turns_to_wind && !w.turns_unsettled; }},
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
     [](R r) { return InductionAt110(r, Number(r.induction_real_at_110pct_mains_t)); },
     Severity::Caution},
    {"iron_loss", "Pertes fer", "W", "Pertes fer (W)", "iron_loss_w", 2, false, true,
     [](R r) { return Number(r.iron_loss_w); }, Severity::Fault, kWindowAndText,
     [](R r, char sep) {
       return " (" + r.options.steel + ", " + Fixed(r.steel_loss_w_per_kg, 2, sep) + " W/kg)";
     }},
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
    // The temperature's line of the text report, with its verdict and how it was found: the
    // window has it above its tabs.
    {"thermal", "Température", "", "Température", "", 0, false, true, [](R) { return Text(""); },
     Severity::Fault, kText,
     [](R r, char sep) {
       return ThermalText(r, sep) +
              (r.copper_temperature_c ? " (" + std::to_string(r.rounds) +
                                            (r.converged ? " tours)" : " tours, sans convergence)")
                                      : std::string());
     }},
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
     },
     Severity::Fault, kWindow},
    {"no_load_power", "Puissance à vide", "W", "Puissance à vide (W)", "", 2, false, true,
     [](R r) { return Idle(r, [](const NoLoadResult& n) { return n.at[0].power_w; }); },
     Severity::Fault, kWindow},
    {"no_load_verdict", "À vide, secteur à 110 %", "", "À vide à 110 %", "", 0, false, true,
     [](R r) { return NoLoadVerdictOf(r); }, Severity::Fault, kWindow},
    {"advised_induction", "Induction conseillée", "T", "Induction conseillée (T)", "", 2, false,
     true,
     [](R r) {
       if (!r.no_load) return r.complete ? Unset() : Incomplete();
       return r.no_load->advised_induction_t ? Number(*r.no_load->advised_induction_t) : Unset();
     },
     Severity::Fault, kWindow},
    {"switch_on_peak", "Courant de mise sous tension", "A", "Mise sous tension (A)", "", 1, false,
     true,
     [](R r) {
       if (!r.switch_on) return r.no_load ? NotComputed() : Incomplete();
       return r.switch_on->figures.peak_a ? Number(*r.switch_on->figures.peak_a) : NotComputed();
     },
     Severity::Fault, kWindow},
    {"primary_fuse", "Fusible primaire", "", "Fusible primaire", "", 0, false, true,
     [](R r) { return PrimaryFuseOf(r); }, Severity::Fault, kWindow},
    // In the text report, said on the temperature's line.
    {"rounds", "Itérations", "", "Itérations", "rounds", 0, false, true,
     [](R r) { return r.copper_temperature_c ? Whole(r.rounds) : Incomplete(); }, Severity::Fault,
     kWindow, [](R r, char) { return Unsettled(r.converged); }},
    {"turns_rounds", "Itérations des spires", "", "Itérations des spires", "turns_to_wind_rounds",
     0, false, true, [](R r) { return r.turns_rounds > 0 ? Whole(r.turns_rounds) : Incomplete(); },
     Severity::Fault, kWindowAndText, [](R r, char) { return Unsettled(r.turns_converged); }},
};

// The winding sheet's own figures, and its choice and order of the others.
using S = const SheetContext&;

// What a row says of a winding it is not about: nothing, not even "–".
FigureValue Blank() {
  return Text("");
}
FigureValue Places(double number, int places) {
  FigureValue value = Number(number);
  value.places = places;
  return value;
}
bool LaidOut(W w) {
  return w.flag == WindingFlag::None && w.layers > 0;
}
// A secondary whose turns to wind are not its turns: wound with the calculation's.
bool NotAsWound(W w) {
  return w.input.row != 0 && w.turns_to_wind && *w.turns_to_wind != w.input.turns;
}
const RectifierRow* RectifierOf(S s, W w) {
  for (const RectifierRow& row : s.check.rectifiers) {
    if (row.setting.row == w.input.row && w.input.row != 0) return &row;
  }
  return nullptr;
}
bool Rectified(S s) {
  return !s.check.rectifiers.empty();
}
bool TwoChambers(S s) {
  return s.result.chamber_count == 2;
}
bool TapedOnly(S s) {
  return s.result.tape_mm > 0 && !TwoChambers(s);
}
bool Idle(S s) {
  return s.result.no_load.has_value();
}
// The secondaries' volts, measured on reception; the primary's cell is blank.
template <typename Get>
FigureValue Measured(W w, Get get) {
  if (w.input.row == 0) return Blank();
  return w.volts ? get(*w.volts) : Unset();
}

// The stack as the workshop builds it: its height from the core's gross section and mass
// (scrapless EI: mass = 6 a² b × 7,65 g/cm³ × 0,96, section = a b) to the tenth of a mm, the
// whole laminations of 0,5 mm it holds at the stacking factor chosen, interleaved one by one.
// Nothing when the record gives no stack.
std::string LaminationText(const CoreRecord& core, double stacking_factor, char sep) {
  constexpr double kIronGPerCm3 = 7.65, kCatalogueStacking = 0.96, kLaminationMm = 0.5;
  const double tongue_cm =
      core.mass_kg * 1000 / (6 * core.section_cm2 * kIronGPerCm3 * kCatalogueStacking);
  const double stack_mm = std::round(core.section_cm2 / tongue_cm * 100) / 10;
  // The rounding of the factor's last bit never takes a lamination off a stack that holds it.
  const double laminations = std::floor(stack_mm * stacking_factor / kLaminationMm + 1e-9);
  if (!std::isfinite(laminations) || !(laminations >= 1 && laminations < 1e5)) return "";
  const std::string count = std::to_string(static_cast<long>(laminations));
  const bool whole = stack_mm == std::round(stack_mm);
  return " ; empilage " + Fixed(stack_mm, whole ? 0 : 1, sep) + " mm : " + count + " E et " +
         count + " I de " + Fixed(kLaminationMm, 1, sep) + " mm, alternés un à un";
}

// In the order of the sheet, from what the workshop winds to what it measures on reception.
// Rows with an id alone are the figures of that id.
constexpr SheetRow kSheetRows[] = {
    {"asked_volts", "Tension", "V", 0, nullptr,
     [](S s, W w) { return Text(WrittenNumber(s.asked_volts[w.input.row], s.separator)); }},
    {"current", "Courant", "A", 2, nullptr,
     [](S, W w) { return Places(w.current_a, w.current_a < 10 ? 2 : 1); }},
    // A secondary that feeds a rectifier: the DC it gives and the capacitor to buy beside it.
    {"dc_output", "Sortie continue", "", 0, Rectified,
     [](S s, W w) {
       const RectifierRow* k = RectifierOf(s, w);
       if (!k) return Blank();
       const RectifierRequest& q = k->setting.request;
       return Text(Fixed(q.dc_v, 1, s.separator) + " V " + Fixed(q.dc_a, 2, s.separator) + " A, " +
                   (q.type == RectifierType::Bridge ? "pont" : "point milieu"));
     }},
    {"capacitor", "Condensateur", "", 0, Rectified,
     [](S s, W w) {
       const RectifierRow* k = RectifierOf(s, w);
       if (!k) return Blank();
       const RectifierSolution& q = k->solution;
       if (!q.Solved()) return Text(std::string(TermOf(q.status).text));
       return Text(Fixed(q.capacitor_uf, 0, s.separator) + " µF, " +
                   (q.capacitor_rating_v ? Fixed(*q.capacitor_rating_v, 0, s.separator) + " V"
                                         : std::string("plus de 500 V")));
     }},
    // A secondary whose turns to wind could not be worked out is wound with the calculation's.
    {"turns_wound", "Spires à bobiner", "", 0, nullptr,
     [](S, W w) {
       return Text((w.input.halves == 2
                        ? "2 × " + std::to_string(w.input.turns) + " spires, point milieu"
                        : std::to_string(w.input.turns)) +
                   (w.input.row != 0 && (!w.turns_to_wind || NotAsWound(w)) ? " (calcul)" : ""));
     }},
    // A wire as it is bought: "0,40", "0,355", "2 × 1,80".
    {"wire_bought", "Fil", "mm", 2, nullptr,
     [](S, W w) {
       return w.flag == WindingFlag::OffTable ? Words(TermOf(w.flag)) : WireBought(w);
     }},
    {"enamel", "Émail", "", 0, nullptr,
     [](S s, W) { return Text("grade " + std::to_string(s.result.options.grade)); }},
    {"overall"},
    {"turns_per_layer_or_flag", "Spires/couche", "", 0, nullptr,
     [](S, W w) { return LaidOut(w) ? Whole(w.turns_per_layer) : Words(TermOf(w.flag)); }},
    {"layers"},
    {"interlayer", "Entre couches", "mm", 2, nullptr,
     [](S s, W w) {
       return LaidOut(w) && w.layers > 1 ? Number(s.result.options.interlayer_mm) : Unset();
     }},
    {"wrap", "Enveloppe", "mm", 2, nullptr,
     [](S s, W) { return Number(s.result.options.wrap_mm); }},
    {"tape", "Puis ruban", "", 0, TapedOnly,
     [](S s, W w) {
       const CheckOptions& o = s.result.options;
       return w.input.row != 0 ? Blank()
                               : Text(std::to_string(o.tape_layers) + " × " +
                                      Fixed(o.tape_thickness_mm, 2, s.separator) + " mm");
     }},
    {"partition", "Cloison", "", 0, TwoChambers,
     [](S s, W w) {
       return w.input.row != 0 ? Blank()
                               : Text(Fixed(s.result.options.partition_mm, 1, s.separator) + " mm");
     }},
    {"chamber", {}, {}, 0, TwoChambers},
    {"build"},
    {"length"},
    {"copper_to_buy", "À acheter", "m", 0, nullptr,
     [](S, W w) { return w.copper ? Whole(CopperToBuyM(w.copper->length_m)) : Unset(); }},
    {"copper_mass_to_buy", "Masse", "kg", 3, nullptr,
     [](S, W w) {
       return w.copper && w.copper->length_m > 0
                  ? Number(w.copper->copper_mass_kg / w.copper->length_m *
                           CopperToBuyM(w.copper->length_m))
                  : Unset();
     }},
    // What the workshop measures on the finished transformer to accept it.
    {"r20_measured", "R à 20 °C", "Ω", 3, nullptr,
     [](S s, W w) {
       if (!w.copper) return Unset();
       const double ohm = w.copper->r20_ohm;
       const int places = ohm < 10 ? 3 : ohm < 100 ? 2 : 1;
       // A centre tap is measured half by half.
       return w.input.halves == 2 ? Text(Fixed(ohm, places, s.separator) + " par moitié")
                                  : Places(ohm, places);
     }},
    {"leads", "Début / fin", "", 0, nullptr,
     [](S, W w) {
       const std::string n = std::to_string(w.input.row);
       return Text("D" + n + (w.input.halves == 2 ? " / M" + n : "") + " / F" + n);
     }},
    {"no_load"},
    {"loaded"},
    {"loaded_at_90_110pct_mains", "Secteur 90 / 110 %", "V", 1, nullptr,
     [](S s, W w) {
       return Measured(w, [&s](const WindingVolts& v) {
         return Text(Fixed(v.loaded_v_at_90pct_mains, 1, s.separator) + " / " +
                     Fixed(v.loaded_v_at_110pct_mains, 1, s.separator));
       });
     }},
};

// Lines with an id alone are the overall figures of that id; a line's unit follows its value.
constexpr SheetLine kSheetLines[] = {
    {"frequency", "Fréquence", "Hz", 0, nullptr,
     [](S s) { return Text(WrittenNumber(s.frequency, s.separator)); }},
    {"core", "Noyau", "", 0, nullptr,
     [](S s) {
       const CoreRecord& core = s.result.core;
       const char sep = s.separator;
       return Text(core.ref + " : section " + Fixed(core.section_cm2, 1, sep) + " cm², fenêtre " +
                   Fixed(core.window_height_mm, 1, sep) + " × " +
                   Fixed(core.window_width_mm, 1, sep) + " mm");
     }},
    {"bobbin", "Carcasse", "", 0, nullptr,
     [](S s) {
       const CheckResult& r = s.result;
       const char sep = s.separator;
       return Text(std::to_string(r.chamber_count) +
                   (r.chamber_count == 2 ? " compartiments" : " compartiment") + ", périmètre " +
                   Fixed(r.bobbin_perimeter_mm, 1, sep) + " mm, largeur utile " +
                   Fixed(r.windings.empty() ? 0 : r.windings[0].usable_width_mm, 1, sep) + " mm");
     }},
    {"steel", "Tôle", "", 0, nullptr,
     [](S s) {
       const CheckResult& r = s.result;
       return Text(r.options.steel + " (" + Fixed(r.steel_loss_w_per_kg, 2, s.separator) +
                   " W/kg)" + LaminationText(r.core, r.options.stacking_factor, s.separator));
     }},
    {"fill", "Remplissage", "", 0, nullptr,
     [](S s) { return Said(FillVerdict(s.result), FillText(s.result, s.separator)); }},
    {"copper_temperature", "Cuivre", "", 0, nullptr,
     [](S s) {
       const CheckResult& r = s.result;
       const char sep = s.separator;
       if (!r.copper_temperature_c) return ThermalVerdictOf(r);
       return Said(
           ThermalVerdictOf(r),
           Fixed(*r.copper_temperature_c, 1, sep) + " °C, limite " +
               Fixed(r.thermal_limit_c, 0, sep) + " °C en classe " +
               ClassName(r.options.insulation_class) +
               (r.thermal_verdict ? " (" + std::string(TermOf(*r.thermal_verdict).text) + ")"
                                  : std::string()));
     }},
    {"induction", "Induction réelle", "", 0, nullptr,
     [](S s) {
       const CheckResult& r = s.result;
       return InductionAt110(r, Text(Fixed(r.induction_real_t, 2, s.separator) + " T ; " +
                                     Fixed(r.induction_real_at_110pct_mains_t, 2, s.separator) +
                                     " T à 110 % du secteur"));
     },
     Severity::Caution},
    {"losses", "Pertes", "", 0, nullptr,
     [](S s) {
       const CheckResult& r = s.result;
       return Text("fer " + Fixed(r.iron_loss_w, 1, s.separator) + " W, cuivre " +
                   (r.copper_loss_w ? Fixed(*r.copper_loss_w, 1, s.separator) : "–") + " W");
     }},
    {"efficiency"},
    {"idle", "À vide", "", 0, Idle,
     [](S s) { return Said(NoLoadVerdictOf(s.result), IdleSummary(s.result, s.separator)); }},
    {"fuses", "Fusibles", "", 0, Idle,
     [](S s) { return Said(PrimaryFuseOf(s.result), FuseSummary(s.result, s.separator)); }},
    {"ambient", "Ambiante", "°C", 0, nullptr,
     [](S s) { return Number(s.result.options.ambient_c); }},
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

std::span<const SheetRow> SheetRows() {
  return kSheetRows;
}

std::span<const SheetLine> SheetLines() {
  return kSheetLines;
}

const WindingFigure* FigureOf(const SheetRow& row) {
  if (row.value) return nullptr;
  for (const WindingFigure& figure : kWindingFigures) {
    if (figure.id == row.id) return &figure;
  }
  return nullptr;
}

const OverallFigure* FigureOf(const SheetLine& line) {
  if (line.value) return nullptr;
  for (const OverallFigure& figure : kOverallFigures) {
    if (figure.id == line.id) return &figure;
  }
  return nullptr;
}

FigureValue SheetCell(const SheetRow& row, const SheetContext& context, const WindingCheck& w) {
  if (row.value) return row.value(context, w);
  const WindingFigure* figure = FigureOf(row);
  // A figure the winding has no such thing as (a secondary's on the primary) is left blank, one
  // it cannot give here reads "–".
  if (!figure || !HasKey(figure->shown, w)) return Blank();
  return IsShown(figure->shown, w) ? figure->value(w) : Unset();
}

FigureValue SheetValue(const SheetLine& line, const SheetContext& context) {
  if (line.value) return line.value(context);
  const OverallFigure* figure = FigureOf(line);
  return figure ? figure->value(context.result) : Unset();
}

FigureValue FillVerdict(const CheckResult& r) {
  return Judgement(WordsOr(r.fill_status), FillLevel(r));
}

FigureValue ThermalVerdictOf(const CheckResult& r) {
  return Judgement(WordsOr(r.thermal_verdict), ThermalLevel(r));
}

std::string ThermalText(const CheckResult& r, char sep) {
  if (!r.copper_temperature_c || !r.thermal_verdict || !r.required_class) return kIncomplete;
  return Fixed(*r.copper_temperature_c, 1, sep) +
         " °C : " + std::string(TermOf(*r.thermal_verdict).text) + " en classe " +
         ClassName(r.options.insulation_class) + " (limite " + Fixed(r.thermal_limit_c, 0, sep) +
         " °C), classe requise " + std::string(TermOf(*r.required_class).text);
}

std::string FigureNote(const OverallFigure& figure, const CheckResult& r, char sep) {
  return figure.note ? figure.note(r, sep) : std::string();
}

std::string FillText(const CheckResult& r, char sep) {
  if (!r.build_mm || !r.fill_pct || !r.fill_status) return kIncomplete;
  return Fixed(*r.build_mm, 2, sep) + " mm sur " + Fixed(r.core.window_height_mm, 1, sep) +
         " mm : " + Fixed(*r.fill_pct, 1, sep) + " % (" + std::string(TermOf(*r.fill_status).text) +
         ")";
}

FigureValue WireBought(const WindingCheck& w) {
  FigureValue value = Places(w.wire_mm, std::lround(w.wire_mm * 1000) % 10 != 0 ? 3 : 2);
  value.strands = w.strands;
  return value;
}

int CopperToBuyM(double length_m) {
  constexpr double kSpare = 1.05, kLeadsM = 2 * 0.150;
  // A length a whole number of metres stays so whatever the last bit of its product.
  return static_cast<int>(std::ceil(length_m * kSpare + kLeadsM - 1e-9));
}

std::string CaptionWithUnit(std::string_view caption, std::string_view unit) {
  std::string text(caption);
  if (!unit.empty()) text += " (" + std::string(unit) + ")";
  return text;
}

}  // namespace kel
