#include "check/Check.h"

#include <utility>

#include "check/Copper.h"
#include "check/Heat.h"
#include "check/IdleCheck.h"
#include "check/Iron.h"
#include "check/TurnsToWind.h"
#include "check/Voltages.h"
#include "check/WindowLayout.h"

namespace kel {

// Each physical effect is its own unit, in the order each needs the ones before it: the layout
// of the window, the copper, the iron, the currents, the idle side, the heat, the voltages and the
// turns to wind. A figure that needs a flagged winding is left unset on the way.
void RunCheck(const CheckInput& input, const CheckOptions& options, CheckResult& r) {
  // A fresh result that keeps the room its windings had.
  std::vector<WindingCheck> windings = std::move(r.windings);
  windings.clear();
  r = CheckResult{};
  r.windings = std::move(windings);
  r.options = options;
  r.core = input.core;

  LayOutWindow(input, options, r);
  WindCopper(r);
  WindingCheck* primary = nullptr;
  for (WindingCheck& w : r.windings) {
    if (w.input.row == 0) primary = &w;
  }
  CheckIron(input, options, primary, r);
  r.surface_cm2 = CoolingSurfaceCm2(input.core);
  r.thermal_limit_c = ClassLimitC(options.insulation_class);
  SecondaryCurrents(r);
  ChooseSecondaryFuses(r);
  if (!primary) return;

  LoadPrimary(r, *primary);
  CheckIdle(input, *primary, NetSectionM2(input.core, options), r);
  // What heats the primary: the load current and the magnetising current together.
  primary->current_a = r.primary_current_a;
  if (!r.complete) return;

  SettleTemperature(options, r);
  HeatCopper(r, *r.copper_temperature_c);
  CheckVoltages(r, *primary);
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
