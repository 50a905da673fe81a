#include "check/Heat.h"

#include <cmath>

#include "check/Copper.h"

namespace kel {

namespace {

// The cooling surface At = kSurfaceFactor × √(window area × section), cm² with both areas in
// cm²; the rise ΔT = kRiseFactorK × (losses ÷ At)^kRiseExponent, K, losses in W.
constexpr double kSurfaceFactor = 41.3;
constexpr double kRiseFactorK = 450;
constexpr double kRiseExponent = 0.826;

// Below the limit by this much a winding has room to spare.
constexpr double kThermalMarginK = 10;

}  // namespace

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

double CoolingSurfaceCm2(const CoreRecord& core) {
  return kSurfaceFactor *
         std::sqrt(core.window_height_mm * core.window_width_mm / 100 * core.section_cm2);
}

void SettleTemperature(const CheckOptions& options, CheckResult& r) {
  // The rise follows the losses, which follow the copper's temperature.
  double temperature = options.ambient_c;
  r.converged = false;
  for (r.rounds = 1; r.rounds <= kMaxRounds; ++r.rounds) {
    const double losses = CopperLossW(r, temperature) + r.iron_loss_w;
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
}

}  // namespace kel
