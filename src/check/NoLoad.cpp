#include "check/NoLoad.h"

#include <cmath>

namespace kel {

double IronLossW(double building_factor, double loss_w_per_kg, double mass_kg, double induction_t,
                 double frequency_hz) {
  const double b = induction_t / kLossInductionT;
  return building_factor * mass_kg * loss_w_per_kg * (b * b) *
         std::pow(frequency_hz / kLossFrequencyHz, 1.3);
}

double PeakInduction(double u, double volts, double frequency_hz, double turns, double section) {
  return std::numbers::sqrt2 * u * volts / (2 * std::numbers::pi * frequency_hz * turns * section);
}

NoLoadVerdict JudgeNoLoad(double pct) {
  return pct <= kNoLoadOkPct      ? NoLoadVerdict::Ok
         : pct <= kNoLoadTightPct ? NoLoadVerdict::Tight
                                  : NoLoadVerdict::Saturated;
}

namespace {

// The magnetising and iron-loss currents at mains factor u.
struct Idle {
  double induction_t, iron_loss_w, iron_current_a;
  Magnetising magnetising;
  double Current() const { return std::hypot(magnetising.rms_a, iron_current_a); }
};

Idle IdleAt(const IdleInput& in, const FieldOfInduction& field, double u) {
  Idle idle{};
  idle.induction_t = PeakInduction(u, in.volts, in.frequency_hz, in.circuit.turns, in.section_m2);
  idle.iron_loss_w = IronLossW(in.building_factor, in.loss_w_per_kg, in.mass_kg, idle.induction_t,
                               in.frequency_hz);
  idle.iron_current_a = in.volts > 0 ? idle.iron_loss_w / (u * in.volts) : 0;
  idle.magnetising = MagnetisingCurrent(field, in.circuit, idle.induction_t);
  return idle;
}

double RatedCurrent(const IdleInput& in, const Idle& nominal) {
  return in.loaded ? std::hypot(in.load_current_a, nominal.magnetising.rms_a) : nominal.Current();
}

double Percent(double part, double whole) {
  return whole > 0 ? part / whole * 100 : 0;
}

}  // namespace

void ComputeNoLoad(const IdleInput& in, const FieldOfInduction& field, NoLoadResult& out) {
  out.circuit = in.circuit;
  out.frequency_hz = in.frequency_hz;
  out.iron_path_m = in.circuit.path_m;
  out.joint_gap_m = in.circuit.gap_m;
  out.advised_induction_t.reset();
  std::array<Idle, kNoLoadMains.size()> idle{};
  for (std::size_t i = 0; i < kNoLoadMains.size(); ++i) {
    idle[i] = IdleAt(in, field, kNoLoadMains[i]);
  }
  out.rated_current_a = RatedCurrent(in, idle[0]);
  for (std::size_t i = 0; i < kNoLoadMains.size(); ++i) {
    const double u = kNoLoadMains[i];
    NoLoadPoint& p = out.at[i];
    p = NoLoadPoint{};
    p.mains_factor = u;
    p.induction_t = idle[i].induction_t;
    p.magnetising = idle[i].magnetising;
    p.iron_loss_w = idle[i].iron_loss_w;
    p.current_a = idle[i].Current();
    p.current_pct = Percent(p.current_a, out.rated_current_a);
    p.apparent_va = u * in.volts * p.current_a;
    if (in.resistance_ohm) {
      p.power_w = p.iron_loss_w + p.current_a * p.current_a * *in.resistance_ohm;
      p.power_factor = p.apparent_va > 0 ? std::min(1.0, *p.power_w / p.apparent_va) : 0;
    }
  }
  out.verdict =
      in.loaded ? JudgeNoLoad(out.at[kHighMainsIndex].current_pct) : NoLoadVerdict::Unloaded;
}

std::optional<double> AdvisedInduction(const IdleInput& in, const FieldOfInduction& field,
                                       double design_induction_t) {
  if (!in.loaded || !(design_induction_t > 0) || !(in.circuit.turns > 0)) return std::nullopt;
  // The steps are counted, not accumulated: 1,70 T is step 34 exactly, not 33.
  const double steps = std::floor(design_induction_t / kInductionStepT + 1e-9);
  for (int step = static_cast<int>(std::min(steps, 1000.0)); step >= 1; --step) {
    const double induction = step * kInductionStepT;
    IdleInput scaled = in;
    scaled.circuit.turns = in.circuit.turns * design_induction_t / induction;
    const Idle nominal = IdleAt(scaled, field, kNoLoadMains[0]);
    const Idle high = IdleAt(scaled, field, kNoLoadMains[kHighMainsIndex]);
    const double pct = Percent(high.Current(), RatedCurrent(scaled, nominal));
    if (JudgeNoLoad(pct) == NoLoadVerdict::Ok) return induction;
  }
  return std::nullopt;
}

}  // namespace kel
