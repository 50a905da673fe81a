#include "check/Check.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "check/ReferenceData.h"

namespace kel {

namespace {

// Annealed copper (IACS). The chain's copper figure takes 1.9 × 10⁻⁸ Ω·m at a fixed 60 °C with π
// as 3.14 and one mean turn for every winding (design/Chain.cpp), which its displays keep to the
// digit; the check follows the copper to its own temperature from the figure at 20 °C and gives
// each winding the mean turn of where it lies, so its resistances differ from the chain's.
constexpr double kResistivity20 = 0.017241;  // Ω·mm²/m at kReferenceC
constexpr double kAlpha = 0.00393;           // per K, at kReferenceC
constexpr double kReferenceC = 20;           // °C
constexpr double kCopperDensity = 8.89;      // g/cm³

// The fill of the window's height, %: "ok" up to the first, "juste" up to the second.
constexpr double kFillOkPct = 90;
constexpr double kFillFullPct = 100;

// McLyman's estimate: the cooling surface At = kSurfaceFactor × √(window area × section), cm²
// with both areas in cm²; the rise ΔT = kRiseFactorK × (losses ÷ At)^kRiseExponent, K, losses in W.
constexpr double kSurfaceFactor = 41.3;
constexpr double kRiseFactorK = 450;
constexpr double kRiseExponent = 0.826;

// The mains a transformer must stand: its nominal volts, 10 % less and 10 % more.
constexpr double kLowMains = 0.9;
constexpr double kHighMains = 1.1;

// A width that holds a whole number of turns exactly still holds them when the division lands a
// hair below it.
constexpr double kWholeTurnSlack = 1e-9;

// Below the limit by this much a winding has room to spare.
constexpr double kThermalMarginK = 10;

double HotResistance(double r20, double temperature_c) {
  return r20 * (1 + kAlpha * (temperature_c - kReferenceC));
}

// Whole turns of strands of overall diameter overall_mm side by side across a layer.
int TurnsPerLayer(double width_mm, int strands, double overall_mm) {
  const double per_layer = std::floor(width_mm / (strands * overall_mm) + kWholeTurnSlack);
  if (!(per_layer >= 1)) return 0;
  // A width of kilometres would not fit an int; no winding has that many turns anyway.
  return static_cast<int>(std::min<double>(per_layer, 1e9));
}

// The overall diameter of a wire of any copper diameter: the table's at a table size, else the
// diameter with the enamel build interpolated between the sizes on either side (the end sizes'
// build beyond them).
double OverallOfImposed(double diameter_mm, int grade) {
  const auto sizes = WireSizes();
  const auto build = [grade](const WireSize& size) {
    return size.OverallMm(grade) - size.nominal_mm;
  };
  const auto above = std::find_if(sizes.begin(), sizes.end(), [diameter_mm](const WireSize& s) {
    return s.nominal_mm >= diameter_mm;
  });
  if (above == sizes.end()) return diameter_mm + build(sizes.back());
  if (above->nominal_mm == diameter_mm) return above->OverallMm(grade);
  if (above == sizes.begin()) return diameter_mm + build(*above);
  const WireSize& below = *(above - 1);
  const double share = (diameter_mm - below.nominal_mm) / (above->nominal_mm - below.nominal_mm);
  return diameter_mm + build(below) + (build(*above) - build(below)) * share;
}

// The wire and the turns per layer of a winding; flags it when it has none.
// strands: imposed by the user, 0 when the check chooses. An imposed wire is strands (or one)
// of the diameter typed; the computed wire's copper is shared by the imposed strands.
void ChooseWire(WindingCheck& w, int grade, int strands) {
  const double d = w.input.diameter_mm;
  if (w.input.imposed) {
    w.strands = std::max(1, strands);
    w.wire_mm = d;
    w.overall_mm = OverallOfImposed(d, grade);
    w.turns_per_layer = TurnsPerLayer(w.usable_width_mm, w.strands, w.overall_mm);
    if (w.turns_per_layer == 0) w.flag = WindingFlag::TooThick;
    return;
  }
  bool any_size = false;
  const int first = strands > 0 ? strands : 1;
  const int last = strands > 0 ? strands : kMaxStrands;
  for (int n = first; n <= last; ++n) {
    const WireSize* size = WireFor(n == 1 ? d : d / std::sqrt(n));
    if (!size) continue;
    const int per_layer = TurnsPerLayer(w.usable_width_mm, n, size->OverallMm(grade));
    // The first strand count with a size names the wire of a winding too thick for the layer.
    if (per_layer > 0 || !any_size) {
      w.strands = n;
      w.wire_mm = size->nominal_mm;
      w.overall_mm = size->OverallMm(grade);
      w.turns_per_layer = per_layer;
    }
    any_size = true;
    if (per_layer > 0) return;
  }
  w.flag = any_size ? WindingFlag::TooThick : WindingFlag::OffTable;
}

// The volts a secondary gives under load with turns turns of its wire: the induced volts per
// turn less the drop in a winding of that many turns of the same wire at the same temperature.
double LoadedVolts(double e, int primary_turns, const WindingCheck& w, double turns) {
  return e * turns / primary_turns - w.current_a * *w.r_hot_ohm * turns / w.input.turns;
}

// The fewest turns that give the volts asked for at e; none when no number does.
std::optional<int> TurnsFor(double e, int n0, const WindingCheck& w) {
  // The loaded volts grow by a fixed step per turn; a step of nothing or less never gets there.
  const double step = LoadedVolts(e, n0, w, 1);
  if (!(step > 0) || !(w.input.volts / step < 1e9)) return std::nullopt;
  double turns = std::max(1.0, std::ceil(w.input.volts / step));
  // The division may land one turn off the comparison the definition makes; settle on it.
  while (turns > 1 && LoadedVolts(e, n0, w, turns - 1) >= w.input.volts) --turns;
  while (LoadedVolts(e, n0, w, turns) < w.input.volts) ++turns;
  return static_cast<int>(turns);
}

// The share of the primary's current a secondary's current stands for, per turn of it over n0.
double ReferredCurrent(const WindingCheck& w) {
  return w.input.halves == 2 ? w.current_a * std::numbers::sqrt2 : w.current_a;
}

// The fewest turns whose no-load EMF reaches the volts asked for a winding that asks for an EMF:
// e is the primary's loaded EMF, to which this winding's own share of the primary's drop, which
// its rectifier's source resistance already holds, is added back.
std::optional<int> NoLoadTurnsFor(double e, int n0, double r_primary, const WindingCheck& w) {
  const double a = r_primary * ReferredCurrent(w) / (static_cast<double>(n0) * n0);
  const double b = e / n0;
  const auto emf = [&](double n) { return (b + a * n) * n; };
  if (!(b > 0) || !(w.input.volts > 0)) return std::nullopt;
  const double root = 2 * w.input.volts / (b + std::sqrt(b * b + 4 * a * w.input.volts));
  if (!(root < 1e9)) return std::nullopt;
  double turns = std::max(1.0, std::ceil(root));
  while (turns > 1 && emf(turns - 1) >= w.input.volts) --turns;
  while (emf(turns) < w.input.volts) ++turns;
  return static_cast<int>(turns);
}

double PrimaryCurrent(const std::vector<WindingCheck>& windings, int n0, double v0,
                      double iron_loss_w, bool to_wind) {
  double current = iron_loss_w / v0;
  for (const WindingCheck& w : windings) {
    if (w.input.row == 0) continue;
    const double turns = to_wind ? *w.turns_to_wind : w.input.turns;
    current += ReferredCurrent(w) * turns / n0;
  }
  return current;
}

// All secondaries together: the turns each needs depend on the primary's current, which depends
// on the turns of all of them.
void TurnsToWind(CheckResult& r, const WindingCheck& primary) {
  const int n0 = primary.input.turns;
  const double v0 = primary.input.volts;
  for (WindingCheck& w : r.windings) {
    if (w.input.row != 0) w.turns_to_wind = w.input.turns;
  }
  bool settled = false, reached = true;
  double e = 0;
  for (r.turns_rounds = 1; r.turns_rounds <= kMaxRounds; ++r.turns_rounds) {
    e = v0 - PrimaryCurrent(r.windings, n0, v0, r.iron_loss_w, true) * *primary.r_hot_ohm;
    bool changed = false;
    for (WindingCheck& w : r.windings) {
      if (w.input.row == 0) continue;
      const std::optional<int> turns =
          w.input.no_load_volts ? NoLoadTurnsFor(e, n0, *primary.r_hot_ohm, w) : TurnsFor(e, n0, w);
      if (!turns) {
        w.unreachable = true;
        reached = false;
      } else if (*turns != *w.turns_to_wind) {
        w.turns_to_wind = turns;
        changed = true;
      }
    }
    if (!reached || !changed) {
      settled = !changed;
      break;
    }
  }
  r.turns_rounds = std::min(r.turns_rounds, kMaxRounds);
  r.turns_converged = settled || !reached;
  for (WindingCheck& w : r.windings) {
    if (w.input.row == 0) continue;
    if (reached && settled) {
      w.loaded_v_at_turns_to_wind = LoadedVolts(e, n0, w, *w.turns_to_wind);
    } else {
      w.turns_to_wind.reset();
      w.turns_unsettled = !settled && reached;
    }
  }
}

// The idle figures, the rated current, the switch-on and the fuses: wherever the primary is not
// flagged, and what needs only its volts and turns even when it is.
void NoLoadFigures(const CheckInput& input, const WindingCheck& primary, double section_m2,
                   CheckResult& r) {
  const CheckOptions& o = r.options;
  const CoreRecord& core = input.core;
  IdleInput idle;
  idle.volts = primary.input.volts;
  idle.frequency_hz = input.frequency_hz;
  idle.circuit.turns = primary.input.turns;
  idle.circuit.path_m = core.mass_kg / kIronDensity / section_m2;
  idle.circuit.gap_m = o.joint_gap_um * 1e-6;
  idle.section_m2 = section_m2;
  idle.mass_kg = core.mass_kg;
  idle.building_factor = o.building_factor;
  idle.loss_w_per_kg = r.steel_loss_w_per_kg;
  idle.load_current_a = r.load_current_a;
  idle.loaded = r.fuses.secondary_count > 0;
  if (primary.copper) idle.resistance_ohm = HotResistance(primary.copper->r20_ohm, o.ambient_c);
  if (!(idle.circuit.path_m > 0) || !std::isfinite(idle.circuit.path_m) ||
      !(idle.frequency_hz > 0) || !(idle.volts > 0) || !(idle.circuit.turns > 0)) {
    return;
  }
  NoLoadResult& no_load = r.no_load.emplace();
  no_load.curve = CurveFor(o.steel);
  const FieldOfInduction field(no_load.curve);
  ComputeNoLoad(idle, field, no_load);
  r.primary_current_a = no_load.rated_current_a;
  if (input.full) no_load.advised_induction_t = AdvisedInduction(idle, field, input.induction_t);
  if (!primary.copper) return;

  std::optional<double> i2t;
  if (input.full) {
    SwitchOnResult& on = r.switch_on.emplace();
    on.remanence = o.remanence;
    SwitchOnCircuit circuit;
    circuit.magnetic = idle.circuit;
    circuit.section_m2 = section_m2;
    on.air_inductance_h = AirInductance(
        idle.circuit, section_m2, primary.copper->mean_turn_mm / 1000, core.window_width_mm / 1000);
    on.resistance_ohm = *idle.resistance_ohm + kMainsResistanceOhm;
    circuit.air_inductance_h = on.air_inductance_h;
    circuit.resistance_ohm = on.resistance_ohm;
    circuit.volts = idle.volts;
    circuit.frequency_hz = idle.frequency_hz;
    circuit.remanence_t = o.remanence * no_load.at[0].induction_t;
    on.figures = SimulateSwitchOn(field, circuit);
    on.circuit = circuit;
    if (on.figures.peak_a && r.primary_current_a > 0) {
      on.peak_times_rated = *on.figures.peak_a / r.primary_current_a;
    }
    i2t = on.figures.i2t_a2s;
  }
  r.fuses.primary = ChoosePrimaryFuse(r.primary_current_a, i2t);
}

}  // namespace

FillStatus FillStatusOf(double fill_pct) {
  return fill_pct <= kFillOkPct     ? FillStatus::Ok
         : fill_pct <= kFillFullPct ? FillStatus::Tight
                                    : FillStatus::Overfull;
}

ThermalVerdict JudgeTemperature(double temperature_c, InsulationClass insulation_class) {
  const double limit = ClassLimitC(insulation_class);
  return temperature_c <= limit - kThermalMarginK ? ThermalVerdict::Ok
         : temperature_c <= limit                 ? ThermalVerdict::Tight
                                                  : ThermalVerdict::TooHot;
}

InsulationClass RequiredClass(double temperature_c) {
  for (const InsulationClass c : kInsulationClasses) {
    if (temperature_c <= ClassLimitC(c)) return c;
  }
  return InsulationClass::None;
}

void RunCheck(const CheckInput& input, const CheckOptions& options, CheckResult& r) {
  // A fresh result that keeps the room its windings had.
  std::vector<WindingCheck> windings = std::move(r.windings);
  windings.clear();
  r = CheckResult{};
  r.windings = std::move(windings);
  r.options = options;
  r.core = input.core;
  const CoreRecord& core = input.core;
  const SteelGrade* steel = FindSteelGrade(options.steel);
  r.steel_loss_w_per_kg = steel ? steel->loss_w_per_kg : 0;
  r.chamber_count = options.chambers == 2 ? 2 : 1;
  const double width = r.chamber_count == 2 ? (core.window_width_mm - options.partition_mm) / 2 -
                                                  2 * options.margin_mm
                                            : core.window_width_mm - 2 * options.margin_mm;
  // No wire is too thick for a width of nothing: that is the margins' fault, and it is told so,
  // with no width below nothing shown.
  const bool no_room = !(width > 0);
  const double usable = no_room ? 0 : width;
  r.left_out = input.left_out;
  if (!r.left_out.empty()) r.complete = false;

  // The layout, chamber by chamber.
  bool has_primary = false, has_secondary = false;
  for (const WindingInput& in : input.windings) {
    WindingCheck& w = r.windings.emplace_back();
    w.input = in;
    w.current_a = in.amps;
    w.chamber = r.chamber_count == 2 && in.row != 0 ? 2 : 1;
    w.usable_width_mm = usable;
    ChooseWire(w, options.grade,
               in.row >= 0 && in.row < kOptionWindings
                   ? options.strands[static_cast<std::size_t>(in.row)]
                   : 0);
    if (no_room && w.flag == WindingFlag::TooThick) w.flag = WindingFlag::NoRoom;
    if (w.flag != WindingFlag::OffTable) {
      w.section_mm2 = w.strands * std::numbers::pi * w.wire_mm * w.wire_mm / 4;
    }
    if (w.flag == WindingFlag::None) {
      w.layers = (WoundTurns(in) + w.turns_per_layer - 1) / w.turns_per_layer;
      w.build_mm =
          w.layers * w.overall_mm + (w.layers - 1) * options.interlayer_mm + options.wrap_mm;
    } else {
      r.complete = false;
    }
    (in.row == 0 ? has_primary : has_secondary) = true;
  }
  // Without a primary nothing the secondaries give can be known.
  if (!has_primary) r.complete = false;
  if (r.chamber_count == 1 && has_primary && has_secondary) {
    r.tape_mm = options.tape_layers * options.tape_thickness_mm;
  }

  // What lies under each winding in its chamber, and so its mean turn and copper.
  r.bobbin_perimeter_mm = 10 * core.mean_turn_cm - std::numbers::pi * core.window_height_mm;
  std::array<std::optional<double>, 2> under = {0.0, 0.0};
  bool taped = false;
  for (WindingCheck& w : r.windings) {
    std::optional<double>& s = under[w.chamber - 1];
    if (w.input.row != 0 && r.tape_mm > 0 && !taped) {
      taped = true;
      if (s) *s += r.tape_mm;
    }
    if (w.flag != WindingFlag::None) s.reset();
    if (!s) continue;
    WindingCopper& c = w.copper.emplace();
    c.mean_turn_mm = r.bobbin_perimeter_mm + std::numbers::pi * (2 * *s + w.build_mm);
    c.length_m = WoundTurns(w.input) * c.mean_turn_mm / 1000;
    // Both halves of a centre tap lie on the same mean turn: each has half the length.
    c.r20_ohm = kResistivity20 * c.length_m / w.input.halves / w.section_mm2;
    c.copper_mass_kg = c.length_m * w.section_mm2 * kCopperDensity / 1000;
    *s += w.build_mm;
  }
  for (int i = 0; i < r.chamber_count; ++i) {
    ChamberBuild& chamber = r.chambers[i];
    if (!under[i]) continue;
    chamber.build_mm = *under[i];
    chamber.fill_pct = *under[i] / core.window_height_mm * 100;
    if (!r.build_mm || *chamber.build_mm > *r.build_mm) {
      r.build_mm = chamber.build_mm;
      r.fill_pct = chamber.fill_pct;
    }
  }
  if (!r.complete) {
    r.build_mm.reset();
    r.fill_pct.reset();
  }
  if (r.fill_pct) r.fill_status = FillStatusOf(*r.fill_pct);

  WindingCheck* primary = nullptr;
  for (WindingCheck& w : r.windings) {
    if (w.input.row == 0) primary = &w;
  }
  // The real induction is the one the primary's volts and turns make in the net iron; the
  // chain's figure is rounded with the turns.
  const double section_m2 = core.section_cm2 * 1e-4 * options.stacking_factor;
  r.induction_real_t = input.induction_t / options.stacking_factor;
  if (primary) {
    const double b = PeakInduction(1, primary->input.volts, input.frequency_hz,
                                   primary->input.turns, section_m2);
    if (std::isfinite(b) && b > 0) r.induction_real_t = b;
  }
  r.induction_real_at_110pct_mains_t = r.induction_real_t * kHighMains;
  r.iron_loss_w = IronLossW(options.building_factor, r.steel_loss_w_per_kg, core.mass_kg,
                            r.induction_real_t, input.frequency_hz);
  r.surface_cm2 = kSurfaceFactor *
                  std::sqrt(core.window_height_mm * core.window_width_mm / 100 * core.section_cm2);
  r.thermal_limit_c = ClassLimitC(options.insulation_class);
  for (WindingCheck& w : r.windings) {
    if (w.input.row != 0) {
      if (w.section_mm2 > 0) w.current_density = w.current_a / w.section_mm2;
      if (r.fuses.secondary_count < static_cast<int>(r.fuses.secondaries.size())) {
        r.fuses.secondaries[r.fuses.secondary_count++] = {
            w.input.row, w.current_a, SmallestFuse(kSecondaryMargin * w.current_a)};
      }
    }
  }
  if (!primary) return;

  // The primary carries the secondaries' currents by the turns ratio, and the iron's; and the
  // magnetising current, which heats it but, a quarter period out of phase, hardly adds to the
  // drop.
  const int n0 = primary->input.turns;
  const double v0 = primary->input.volts;
  r.load_current_a = PrimaryCurrent(r.windings, n0, v0, r.iron_loss_w, false);
  r.primary_current_a = r.load_current_a;
  if (primary->section_mm2 > 0) primary->current_density = r.load_current_a / primary->section_mm2;
  NoLoadFigures(input, *primary, section_m2, r);
  primary->current_a = r.primary_current_a;
  if (!r.complete) return;

  // McLyman: the rise follows the losses, which follow the copper's temperature.
  const auto copper_loss = [&r](double temperature_c) {
    double loss = 0;
    for (const WindingCheck& w : r.windings) {
      loss += w.input.halves * w.current_a * w.current_a *
              HotResistance(w.copper->r20_ohm, temperature_c);
    }
    return loss;
  };
  double temperature = options.ambient_c;
  r.converged = false;
  for (r.rounds = 1; r.rounds <= kMaxRounds; ++r.rounds) {
    const double losses = copper_loss(temperature) + r.iron_loss_w;
    const double next =
        options.ambient_c + kRiseFactorK * std::pow(losses / r.surface_cm2, kRiseExponent);
    const double moved = std::fabs(next - temperature);
    temperature = next;
    if (moved < kConvergedK) {
      r.converged = true;
      break;
    }
  }
  if (!r.converged) r.rounds = kMaxRounds;
  r.copper_temperature_c = temperature;
  r.temperature_rise_k = temperature - options.ambient_c;
  r.thermal_verdict = JudgeTemperature(temperature, options.insulation_class);
  r.required_class = RequiredClass(temperature);

  double copper_losses = 0;
  for (WindingCheck& w : r.windings) {
    w.r_hot_ohm = HotResistance(w.copper->r20_ohm, temperature);
    w.copper_loss_w = w.input.halves * w.current_a * w.current_a * *w.r_hot_ohm;
    copper_losses += *w.copper_loss_w;
  }
  r.copper_loss_w = copper_losses;

  // The secondaries' voltages rest on the primary's turns and drop.
  const double drop = r.load_current_a * *primary->r_hot_ohm;
  double output = 0;
  bool every_output_delivers = true;
  for (WindingCheck& w : r.windings) {
    if (w.input.row == 0) continue;
    const double ratio = static_cast<double>(w.input.turns) / n0;
    const double own_drop = w.current_a * *w.r_hot_ohm;
    WindingVolts& v = w.volts.emplace();
    v.no_load_v = v0 * ratio;
    v.loaded_v = (v0 - drop) * ratio - own_drop;
    v.regulation_pct = (v.no_load_v - v.loaded_v) / v.loaded_v * 100;
    v.loaded_v_at_90pct_mains = (kLowMains * v0 - drop) * ratio - own_drop;
    v.loaded_v_at_110pct_mains = (kHighMains * v0 - drop) * ratio - own_drop;
    v.no_load_v_at_110pct_mains = kHighMains * v0 * ratio;
    output += v.loaded_v * w.current_a;
    if (!(v.loaded_v > 0)) every_output_delivers = false;
  }
  r.output_w = output;
  // An output whose volts under load fall to nothing delivers no power: a ratio of it would be
  // a negative efficiency.
  if (every_output_delivers && output > 0) {
    r.efficiency_pct = output / (output + copper_losses + r.iron_loss_w) * 100;
  }
  TurnsToWind(r, *primary);
}

CheckResult RunCheck(const CheckInput& input, const CheckOptions& options) {
  CheckResult result;
  RunCheck(input, options, result);
  return result;
}

std::optional<CheckResult> RunCheckAsWound(const CheckInput& input, const CheckOptions& options,
                                           const CheckResult& first) {
  CheckInput wound = input;
  std::optional<CheckResult> out;
  for (int round = 0; round < kMaxAsWoundRounds; ++round) {
    const CheckResult& last = out ? *out : first;
    bool changed = false;
    for (std::size_t i = 0; i < wound.windings.size() && i < last.windings.size(); ++i) {
      WindingInput& winding = wound.windings[i];
      if (winding.row == 0) continue;
      const std::optional<int>& to_wind = last.windings[i].turns_to_wind;
      if (!to_wind || last.windings[i].input.row != winding.row) {
        if (out) return std::nullopt;  // lost on the way
        continue;
      }
      if (*to_wind != winding.turns) {
        winding.turns = *to_wind;
        changed = true;
      }
    }
    if (!changed) return out;
    out = RunCheck(wound, options);
  }
  // Still moving after the last round, or no longer reaching the volts asked once wound so.
  return std::nullopt;
}

}  // namespace kel
