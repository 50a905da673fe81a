#include "check/Voltages.h"

#include <numbers>

#include "check/Copper.h"
#include "check/Mains.h"

namespace kel {

double ReferredCurrent(const WindingCheck& w) {
  return w.input.halves == 2 ? w.current_a * std::numbers::sqrt2 : w.current_a;
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

void SecondaryCurrents(CheckResult& r) {
  for (WindingCheck& w : r.windings) {
    if (w.input.row != 0 && w.section_mm2 > 0) w.current_density = w.current_a / w.section_mm2;
  }
}

void LoadPrimary(CheckResult& r, WindingCheck& primary) {
  // The primary carries the secondaries' currents by the turns ratio, and the iron's; and the
  // magnetising current, which heats it but, a quarter period out of phase, hardly adds to the
  // drop (IdleCheck.h).
  r.load_current_a =
      PrimaryCurrent(r.windings, primary.input.turns, primary.input.volts, r.iron_loss_w, false);
  r.primary_current_a = r.load_current_a;
  if (primary.section_mm2 > 0) primary.current_density = r.load_current_a / primary.section_mm2;
}

void CheckVoltages(CheckResult& r, const WindingCheck& primary) {
  // The secondaries' voltages rest on the primary's turns and drop.
  const int n0 = primary.input.turns;
  const double v0 = primary.input.volts;
  const double drop = r.load_current_a * *primary.r_hot_ohm;
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
    // A centre tap's halves deliver in turn: the output is the half's volts at the current the
    // whole winding refers to the primary.
    output += v.loaded_v * ReferredCurrent(w);
    if (!(v.loaded_v > 0)) every_output_delivers = false;
  }
  r.output_w = output;
  // An output whose volts under load fall to nothing delivers no power: a ratio of it would be
  // a negative efficiency.
  if (every_output_delivers && output > 0) {
    r.efficiency_pct = output / (output + *r.copper_loss_w + r.iron_loss_w) * 100;
  }
}

}  // namespace kel
