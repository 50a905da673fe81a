#pragma once
// The current a transformer draws when it is switched on idle, in the worst case: at a zero of
// the mains voltage, the core left magnetised in the sense the first half-wave drives it. The
// flux then swings from the remanence to about twice its steady crest, deep into saturation,
// where only the coil's own air limits the current.
//
// The circuit: the mains (√2 V1 sin ωt behind its resistance) on the primary's resistance and its
// flux linkage λ = N1 A b + L_air i, the core's ampere-turns N1 i = (H(b) − H(b_r)) l_fe +
// (b − b_r) δ / μ0 (the loop sheared by the joints' gap, without its hysteresis beyond the
// remanence). Integrated by the classical fourth-order Runge–Kutta method on λ; i(λ) is exact,
// the curve being linear between its nodes.

#include <optional>
#include <span>

#include "check/Magnetisation.h"

namespace kel {

// The mains' own resistance in series with the primary (a typical house circuit), Ω.
inline constexpr double kMainsResistanceOhm = 0.4;
inline constexpr int kSwitchOnStepsPerPeriod = 2000;
inline constexpr int kSwitchOnPeriods = 10;
inline constexpr int kSwitchOnSteps = kSwitchOnStepsPerPeriod * kSwitchOnPeriods;

struct SwitchOnCircuit {
  MagneticCircuit magnetic;
  double section_m2 = 0;  // A_net
  double air_inductance_h = 0;
  double resistance_ohm = 0;  // the primary's and the mains'
  double volts = 0;           // rms
  double frequency_hz = 0;
  double remanence_t = 0;  // b_r
};

// The coil's inductance in air once the iron saturates: the primary's turn as a square of its
// mean perimeter over the winding width, less the iron's own section over its path; none below 0.
// mean_turn_m P_m, width_m the core's LargCu.
double AirInductance(const MagneticCircuit& magnetic, double section_m2, double mean_turn_m,
                     double width_m);

struct SwitchOn {
  // Unset when the simulation ran away (a step's current above the bound the resistance sets, or
  // not finite): "non calculé".
  std::optional<double> peak_a;
  std::optional<double> peak_time_s;  // the first step end with the peak
  std::optional<double> i2t_a2s;      // over the kSwitchOnPeriods periods
};

// trace: when not empty, the current at the step ends from t = 0 (kSwitchOnSteps + 1 values; fewer
// are filled when it is shorter).
SwitchOn SimulateSwitchOn(const FieldOfInduction& field, const SwitchOnCircuit& circuit,
                          std::span<double> trace = {});

}  // namespace kel
