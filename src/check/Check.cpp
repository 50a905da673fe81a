#include "check/Check.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "check/ReferenceData.h"

namespace kel {

namespace {

// Annealed copper (IACS). The chain's copper figure takes 1.9 × 10⁻⁸ Ω·m at a fixed 60 °C with π
// as 3.14 (design/Chain.cpp), which its displays keep to the digit; the check follows the copper
// to its own temperature from the figure at 20 °C, so its resistances differ from the chain's.
constexpr double kResistivity20 = 0.017241;  // Ω·mm²/m at kReferenceC
constexpr double kAlpha = 0.00393;           // per K, at kReferenceC
constexpr double kReferenceC = 20;           // °C
constexpr double kCopperDensity = 8.89;      // g/cm³

// The fill of the window's height, %: "ok" up to the first, "juste" up to the second.
constexpr double kFillOkPct = 90;
constexpr double kFillFullPct = 100;

// The steel grades' losses hold at this induction (T) and frequency (Hz); the loss grows as the
// induction squared and as the frequency to the power 1.3 (hysteresis and eddy currents).
constexpr double kLossInductionT = 1.5;
constexpr double kLossFrequencyHz = 50;
constexpr double kInductionExponent = 2;
constexpr double kFrequencyExponent = 1.3;

// McLyman's estimate: the cooling surface At = kSurfaceFactor × √(window area × section), cm²
// with both areas in cm²; the rise ΔT = kRiseFactorK × (losses ÷ At)^kRiseExponent, K, losses in W.
constexpr double kSurfaceFactor = 41.3;
constexpr double kRiseFactorK = 450;
constexpr double kRiseExponent = 0.826;

// A width that holds a whole number of turns exactly still holds them when the division lands a
// hair below it.
constexpr double kWholeTurnSlack = 1e-9;

double HotResistance(double r20, double temperature_c) {
  return r20 * (1 + kAlpha * (temperature_c - kReferenceC));
}

void LayOut(WindingCheck& w, const CheckInput& input, const CheckOptions& options) {
  const WireSize* wire = WireFor(w.input.diameter_mm);
  if (!wire) {
    w.flag = WindingFlag::OffTable;
    return;
  }
  w.wire_mm = wire->nominal_mm;
  w.overall_mm = wire->OverallMm(options.grade);
  const double per_layer = std::floor(input.core.window_width_mm / w.overall_mm + kWholeTurnSlack);
  if (!(per_layer >= 1)) {
    w.flag = WindingFlag::TooThick;
    return;
  }
  // A width of kilometres would not fit an int; no winding has that many turns anyway.
  w.turns_per_layer = static_cast<int>(std::min<double>(per_layer, 1e9));
  w.layers = (w.input.turns + w.turns_per_layer - 1) / w.turns_per_layer;
  w.build_mm = w.layers * w.overall_mm + (w.layers - 1) * options.interlayer_mm + options.wrap_mm;
  w.section_mm2 = std::numbers::pi * w.wire_mm * w.wire_mm / 4;
  w.current_density = w.input.amps / w.section_mm2;
  w.length_m = w.input.turns * input.core.mean_turn_cm / 100;
  w.r20_ohm = kResistivity20 * w.length_m / w.section_mm2;
  w.copper_mass_kg = w.length_m * w.section_mm2 * kCopperDensity / 1000;
}

double CopperLoss(const std::vector<WindingCheck>& windings, double temperature_c) {
  double loss = 0;
  for (const WindingCheck& w : windings) {
    if (w.flag != WindingFlag::None) continue;
    loss += w.input.amps * w.input.amps * HotResistance(w.r20_ohm, temperature_c);
  }
  return loss;
}

// The volts a secondary gives under load with turns turns of its wire: the induced volts per
// turn less the drop in a winding of that many turns of the same wire at the same temperature.
double LoadedVolts(double e, int primary_turns, const WindingCheck& w, double turns) {
  return e * turns / primary_turns - w.input.amps * w.r_hot_ohm * turns / w.input.turns;
}

void Voltages(WindingCheck& w, double v0, double e, int n0) {
  w.has_voltages = true;
  w.no_load_v = v0 * w.input.turns / n0;
  w.loaded_v = LoadedVolts(e, n0, w, w.input.turns);
  w.regulation_pct = (w.no_load_v - w.loaded_v) / w.loaded_v * 100;
  // The loaded volts grow by a fixed step per turn; a step of nothing or less never gets there.
  const double step = LoadedVolts(e, n0, w, 1);
  if (!(step > 0) || !(w.input.volts / step < 1e9)) return;
  double turns = std::max(1.0, std::ceil(w.input.volts / step));
  // The division may land one turn off the comparison the definition makes; settle on it.
  while (turns > 1 && LoadedVolts(e, n0, w, turns - 1) >= w.input.volts) --turns;
  while (LoadedVolts(e, n0, w, turns) < w.input.volts) ++turns;
  w.turns_to_wind = static_cast<int>(turns);
  w.loaded_v_at_turns_to_wind = LoadedVolts(e, n0, w, turns);
}

}  // namespace

ThermalClass ThermalClassOf(double temperature_c) {
  static constexpr struct {
    ThermalClass name;
    double limit_c;
  } kClasses[] = {{ThermalClass::A, 105},
                  {ThermalClass::E, 120},
                  {ThermalClass::B, 130},
                  {ThermalClass::F, 155},
                  {ThermalClass::H, 180}};
  for (const auto& c : kClasses) {
    if (temperature_c <= c.limit_c) return c.name;
  }
  return ThermalClass::Beyond;
}

CheckResult RunCheck(const CheckInput& input, const CheckOptions& options) {
  CheckResult r;
  r.options = options;
  r.core = input.core;
  r.output_w = input.output_w;
  const SteelGrade* steel = FindSteelGrade(options.steel);
  r.steel_loss_w_per_kg = steel ? steel->loss_w_per_kg : 0;

  for (const WindingInput& in : input.windings) {
    WindingCheck& w = r.windings.emplace_back();
    w.input = in;
    LayOut(w, input, options);
    r.build_mm += w.build_mm;
  }
  const CoreRecord& core = input.core;
  r.fill_pct = r.build_mm / core.window_height_mm * 100;
  r.fill_status = r.fill_pct <= kFillOkPct     ? FillStatus::Ok
                  : r.fill_pct <= kFillFullPct ? FillStatus::Tight
                                               : FillStatus::Overfull;

  r.iron_loss_w = options.building_factor * core.mass_kg * r.steel_loss_w_per_kg *
                  std::pow(input.induction_t / kLossInductionT, kInductionExponent) *
                  std::pow(input.frequency_hz / kLossFrequencyHz, kFrequencyExponent);
  r.surface_cm2 = kSurfaceFactor *
                  std::sqrt(core.window_height_mm * core.window_width_mm / 100 * core.section_cm2);

  // McLyman: the rise follows the losses, which follow the copper's temperature.
  double temperature = options.ambient_c;
  r.converged = false;
  for (r.rounds = 1; r.rounds <= kMaxRounds; ++r.rounds) {
    const double losses = CopperLoss(r.windings, temperature) + r.iron_loss_w;
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
  r.thermal_class = ThermalClassOf(temperature);

  for (WindingCheck& w : r.windings) {
    if (w.flag != WindingFlag::None) continue;
    w.r_hot_ohm = HotResistance(w.r20_ohm, temperature);
    w.copper_loss_w = w.input.amps * w.input.amps * w.r_hot_ohm;
    r.copper_loss_w += w.copper_loss_w;
  }

  // The secondaries' voltages rest on the primary's turns and drop.
  const WindingCheck* primary = nullptr;
  for (const WindingCheck& w : r.windings) {
    if (w.input.row == 0 && w.flag == WindingFlag::None) primary = &w;
  }
  if (primary) {
    const double v0 = primary->input.volts;
    const double e = v0 - primary->input.amps * primary->r_hot_ohm;
    for (WindingCheck& w : r.windings) {
      if (w.input.row != 0 && w.flag == WindingFlag::None) {
        Voltages(w, v0, e, primary->input.turns);
      }
    }
  }

  r.efficiency_pct = r.output_w / (r.output_w + r.copper_loss_w + r.iron_loss_w) * 100;
  return r;
}

}  // namespace kel
