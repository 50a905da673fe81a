#pragma once
// The iron's field from its flux density, on the steel's typical 50 Hz magnetisation curve
// (data/steel-jh-50hz.csv), and the magnetising current it takes at a sinusoidal flux.
//
// The curve is used at every frequency and without hysteresis: the loop's width is in the iron
// loss, which the check takes from the grade's figure at 1.5 T. The E–I joints are an equivalent
// air gap in series with the iron path (the field of a gap δ at flux density b is b δ / μ0).

#include <numbers>

#include "check/ReferenceData.h"

namespace kel {

inline constexpr double kMu0 = 4e-7 * std::numbers::pi;  // H/m

// H(B) over a curve's nodes, B = J + μ0 H at each: linear in B between two nodes, beyond the last
// the slope of air (the polarisation no longer grows), odd. Holds the curve's span, copies nothing.
class FieldOfInduction {
 public:
  explicit FieldOfInduction(const SteelCurve& curve) : nodes_(curve.nodes) {}
  double H(double b) const;  // A/m
  // H of b ≥ 0, the search starting from segment (the node at or below b), which it leaves at
  // the one found: a rising or slowly moving b costs a step or two instead of a search.
  double HFrom(double b, int& segment) const;
  int NodeCount() const { return static_cast<int>(nodes_.size()); }
  double NodeB(int i) const { return nodes_[i].j_t + kMu0 * nodes_[i].h_a_per_m; }
  double NodeH(int i) const { return nodes_[i].h_a_per_m; }

 private:
  std::span<const CurveNode> nodes_;
};

// The magnetic circuit of one core as the check sees it, SI units.
struct MagneticCircuit {
  double turns = 0;   // the primary's N1 (not rounded when the advised induction scales it)
  double path_m = 0;  // the mean iron path l_fe = V ÷ A_net
  double gap_m = 0;   // the joints' equivalent gap δ
};

// The magnetising current at a sinusoidal flux density of crest b_peak: the ampere-turns
// F = H(b) l_fe + b δ / μ0 over kMagnetisingSamples samples of one period, rms and peak over N1.
inline constexpr int kMagnetisingSamples = 720;
struct Magnetising {
  double rms_a = 0;
  double peak_a = 0;
  double crest_factor = 0;  // peak ÷ rms; 0 when there is no current
};
Magnetising MagnetisingCurrent(const FieldOfInduction& field, const MagneticCircuit& circuit,
                               double b_peak);

// The ampere-turns at the sample phases θk = 2π(k + ½)/K of one period, for a picture: out must
// hold kMagnetisingSamples values; the current is F ÷ N1.
void MagnetisingWave(const FieldOfInduction& field, const MagneticCircuit& circuit, double b_peak,
                     std::span<double> out);

}  // namespace kel
