#include "check/Magnetisation.h"

#include <algorithm>
#include <cmath>

namespace kel {

double FieldOfInduction::H(double b) const {
  const double magnitude = std::fabs(b);
  const int n = NodeCount();
  if (n < 2) return b / kMu0;  // no curve: the iron is air
  double h = 0;
  if (magnitude >= NodeB(n - 1)) {
    h = NodeH(n - 1) + (magnitude - NodeB(n - 1)) / kMu0;
  } else {
    // The first node above magnitude; the nodes rise in B as they do in H and J.
    int low = 0, high = n - 1;
    while (high - low > 1) {
      const int mid = (low + high) / 2;
      (NodeB(mid) <= magnitude ? low : high) = mid;
    }
    const double b0 = NodeB(low), b1 = NodeB(high);
    h = NodeH(low) + (NodeH(high) - NodeH(low)) * (magnitude - b0) / (b1 - b0);
  }
  return b < 0 ? -h : h;
}

double FieldOfInduction::HFrom(double b, int& segment) const {
  const int n = NodeCount();
  if (n < 2) return b / kMu0;
  if (b >= NodeB(n - 1)) {
    segment = n - 2;
    return NodeH(n - 1) + (b - NodeB(n - 1)) / kMu0;
  }
  segment = std::clamp(segment, 0, n - 2);
  while (segment > 0 && NodeB(segment) > b) --segment;
  while (segment < n - 2 && NodeB(segment + 1) <= b) ++segment;
  const double b0 = NodeB(segment), b1 = NodeB(segment + 1);
  return NodeH(segment) + (NodeH(segment + 1) - NodeH(segment)) * (b - b0) / (b1 - b0);
}

namespace {

double AmpereTurns(const FieldOfInduction& field, const MagneticCircuit& c, double b) {
  return field.H(b) * c.path_m + b * c.gap_m / kMu0;
}

}  // namespace

Magnetising MagnetisingCurrent(const FieldOfInduction& field, const MagneticCircuit& c,
                               double b_peak) {
  Magnetising m;
  if (!(c.turns > 0) || !std::isfinite(b_peak)) return m;
  // The samples of the second quarter mirror those of the first (θ and π − θ), and the second
  // half repeats the first with the sign changed: the first quarter gives the mean and the peak.
  constexpr int kQuarter = kMagnetisingSamples / 4;
  double sum = 0, peak = 0;
  const double magnitude = std::fabs(b_peak);
  int segment = 0;  // the samples rise over the quarter
  for (int k = 0; k < kQuarter; ++k) {
    const double theta = 2 * std::numbers::pi * (k + 0.5) / kMagnetisingSamples;
    const double b = magnitude * std::sin(theta);
    const double f = field.HFrom(b, segment) * c.path_m + b * c.gap_m / kMu0;
    sum += f * f;
    peak = std::max(peak, std::fabs(f));
  }
  m.rms_a = std::sqrt(sum / kQuarter) / c.turns;
  m.peak_a = peak / c.turns;
  m.crest_factor = m.rms_a > 0 ? m.peak_a / m.rms_a : 0;
  return m;
}

void MagnetisingWave(const FieldOfInduction& field, const MagneticCircuit& c, double b_peak,
                     std::span<double> out) {
  const std::size_t n = std::min<std::size_t>(out.size(), kMagnetisingSamples);
  for (std::size_t k = 0; k < n; ++k) {
    const double theta =
        2 * std::numbers::pi * (static_cast<double>(k) + 0.5) / kMagnetisingSamples;
    out[k] = AmpereTurns(field, c, b_peak * std::sin(theta));
  }
}

}  // namespace kel
