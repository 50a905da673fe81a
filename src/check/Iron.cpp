#include "check/Iron.h"

#include <cmath>

#include "check/Mains.h"
#include "check/ReferenceData.h"

namespace kel {

double NetSectionM2(const CoreRecord& core, const CheckOptions& options) {
  return core.section_cm2 * 1e-4 * options.stacking_factor;
}

void CheckIron(const CheckInput& input, const CheckOptions& options, const WindingCheck* primary,
               CheckResult& r) {
  const CoreRecord& core = input.core;
  const SteelGrade* steel = FindSteelGrade(options.steel);
  r.steel_loss_w_per_kg = steel ? steel->loss_w_per_kg : 0;
  // The real induction is the one the primary's volts and turns make in the net iron; the
  // chain's figure is rounded with the turns.
  r.induction_real_t = input.induction_t / options.stacking_factor;
  if (primary) {
    const double b = PeakInduction(1, primary->input.volts, input.frequency_hz,
                                   primary->input.turns, NetSectionM2(core, options));
    if (std::isfinite(b) && b > 0) r.induction_real_t = b;
  }
  r.induction_real_at_110pct_mains_t = r.induction_real_t * kHighMains;
  r.iron_loss_w = IronLossW(options.building_factor, r.steel_loss_w_per_kg, core.mass_kg,
                            r.induction_real_t, input.frequency_hz);
}

}  // namespace kel
