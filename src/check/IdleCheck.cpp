#include "check/IdleCheck.h"

#include <cmath>

#include "check/Copper.h"

namespace kel {

void ChooseSecondaryFuses(CheckResult& r) {
  for (const WindingCheck& w : r.windings) {
    if (w.input.row == 0) continue;
    if (r.fuses.secondary_count < static_cast<int>(r.fuses.secondaries.size())) {
      r.fuses.secondaries[r.fuses.secondary_count++] = {
          w.input.row, w.current_a, SmallestFuse(kSecondaryMargin * w.current_a)};
    }
  }
}

void CheckIdle(const CheckInput& input, const WindingCheck& primary, double section_m2,
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

}  // namespace kel
