#include "check/SwitchOn.h"

#include <algorithm>
#include <cmath>

namespace kel {

double AirInductance(const MagneticCircuit& m, double section_m2, double mean_turn_m,
                     double width_m) {
  if (!(width_m > 0) || !(m.path_m + m.gap_m > 0)) return 0;
  const double coil_area = mean_turn_m * mean_turn_m / 16;
  const double l =
      kMu0 * m.turns * m.turns * (coil_area / width_m - section_m2 / (m.path_m + m.gap_m));
  return std::isfinite(l) ? std::max(0.0, l) : 0;
}

namespace {

// λ = g(b) − c, g(b) = N1 A b + (L_air ÷ N1)(l_fe H(b) + δ b ÷ μ0) is odd, rising and linear
// between the curve's nodes: b and i follow from λ exactly.
class Linkage {
 public:
  Linkage(const FieldOfInduction& field, const SwitchOnCircuit& c)
      : field_(field),
        n_(c.magnetic.turns),
        na_(c.magnetic.turns * c.section_m2),
        k_(c.air_inductance_h / c.magnetic.turns),
        path_(c.magnetic.path_m),
        gap_(c.magnetic.gap_m / kMu0),
        b_r_(c.remanence_t),
        h_r_(field.H(c.remanence_t)),
        offset_(k_ * (path_ * h_r_ + gap_ * b_r_)) {}

  double Start() const { return na_ * b_r_; }

  double Current(double lambda) {
    const double y = lambda + offset_;
    const double magnitude = std::fabs(y);
    const int n = field_.NodeCount();
    double b = 0, h = 0;
    if (n < 2 || magnitude >= G(n - 1)) {
      // Beyond the last node (or with no curve) the iron is air.
      const double b_last = n < 2 ? 0 : field_.NodeB(n - 1);
      const double h_last = n < 2 ? 0 : field_.NodeH(n - 1);
      const double g_last = n < 2 ? 0 : G(n - 1);
      const double slope = na_ + k_ * (path_ / kMu0 + gap_);
      b = b_last + (magnitude - g_last) / slope;
      h = h_last + (b - b_last) / kMu0;
    } else {
      // The flux moves little from one evaluation to the next: walk from the last segment.
      int& low = segment_;
      low = std::clamp(low, 0, n - 2);
      while (low > 0 && G(low) > magnitude) --low;
      while (low < n - 2 && G(low + 1) <= magnitude) ++low;
      const int high = low + 1;
      const double g0 = G(low), g1 = G(high);
      const double share = g1 > g0 ? (magnitude - g0) / (g1 - g0) : 0;
      b = field_.NodeB(low) + share * (field_.NodeB(high) - field_.NodeB(low));
      h = field_.NodeH(low) + share * (field_.NodeH(high) - field_.NodeH(low));
    }
    if (y < 0) {
      b = -b;
      h = -h;
    }
    return (path_ * (h - h_r_) + gap_ * (b - b_r_)) / n_;
  }

 private:
  double G(int i) const {
    const double b = field_.NodeB(i);
    return na_ * b + k_ * (path_ * field_.NodeH(i) + gap_ * b);
  }

  const FieldOfInduction& field_;
  double n_, na_, k_, path_, gap_, b_r_, h_r_, offset_;
  int segment_ = 0;
};

}  // namespace

SwitchOn SimulateSwitchOn(const FieldOfInduction& field, const SwitchOnCircuit& c,
                          std::span<double> trace) {
  SwitchOn out;
  if (!(c.magnetic.turns > 0) || !(c.section_m2 > 0) || !(c.resistance_ohm > 0) ||
      !(c.frequency_hz > 0) || !(c.volts > 0) || !std::isfinite(c.remanence_t)) {
    return out;
  }
  Linkage linkage(field, c);
  const double crest = std::numbers::sqrt2 * c.volts;
  const double omega = 2 * std::numbers::pi * c.frequency_hz;
  const double step = 1 / (kSwitchOnStepsPerPeriod * c.frequency_hz);
  // The current can never exceed what the resistance alone lets through.
  const double bound = 1.01 * crest / c.resistance_ohm;
  const auto slope = [&](double t, double lambda) {
    return crest * std::sin(omega * t) - c.resistance_ohm * linkage.Current(lambda);
  };
  double lambda = linkage.Start();
  double current = 0, peak = 0, peak_time = 0, i2t = 0;
  if (!trace.empty()) trace[0] = 0;
  for (int k = 0; k < kSwitchOnSteps; ++k) {
    const double t = k * step;
    const double k1 = slope(t, lambda);
    const double k2 = slope(t + step / 2, lambda + step / 2 * k1);
    const double k3 = slope(t + step / 2, lambda + step / 2 * k2);
    const double k4 = slope(t + step, lambda + step * k3);
    lambda += step / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
    const double next = linkage.Current(lambda);
    if (!std::isfinite(next) || std::fabs(next) > bound) return SwitchOn{};
    i2t += step * (current * current + next * next) / 2;
    current = next;
    if (std::fabs(current) > peak) {
      peak = std::fabs(current);
      peak_time = (k + 1) * step;
    }
    if (const std::size_t at = static_cast<std::size_t>(k) + 1; at < trace.size())
      trace[at] = current;
  }
  out.peak_a = peak;
  out.peak_time_s = peak_time;
  out.i2t_a2s = i2t;
  return out;
}

}  // namespace kel
