#include "check/Copper.h"

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

}  // namespace

double HotResistance(double r20, double temperature_c) {
  return r20 * (1 + kAlpha * (temperature_c - kReferenceC));
}

void WindCopper(CheckResult& r) {
  for (WindingCheck& w : r.windings) {
    if (!w.copper) continue;
    WindingCopper& c = *w.copper;
    c.length_m = WoundTurns(w.input) * c.mean_turn_mm / 1000;
    // Both halves of a centre tap lie on the same mean turn: each has half the length.
    c.r20_ohm = kResistivity20 * c.length_m / w.input.halves / w.section_mm2;
    c.copper_mass_kg = c.length_m * w.section_mm2 * kCopperDensity / 1000;
  }
}

double CopperLossW(const CheckResult& r, double temperature_c) {
  double loss = 0;
  for (const WindingCheck& w : r.windings) {
    loss += w.input.halves * w.current_a * w.current_a *
            HotResistance(w.copper->r20_ohm, temperature_c);
  }
  return loss;
}

void HeatCopper(CheckResult& r, double temperature_c) {
  double copper_losses = 0;
  for (WindingCheck& w : r.windings) {
    w.r_hot_ohm = HotResistance(w.copper->r20_ohm, temperature_c);
    w.copper_loss_w = w.input.halves * w.current_a * w.current_a * *w.r_hot_ohm;
    copper_losses += *w.copper_loss_w;
  }
  r.copper_loss_w = copper_losses;
}

}  // namespace kel
