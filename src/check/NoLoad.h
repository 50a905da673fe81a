#pragma once
// What the transformer draws idle and at switch-on, and the fuses it takes: the magnetising
// current from the steel's curve and the joints, the iron loss from the grade's figure, the
// switch-on pulse (SwitchOn.h) and the fuses (Fuses.h). Plain numbers, SI units unless the name
// says otherwise.

#include <array>
#include <optional>

#include "check/Fuses.h"
#include "check/Magnetisation.h"
#include "check/ReferenceData.h"
#include "check/SwitchOn.h"

namespace kel {

// The steel grades' losses hold at this induction (T) and frequency (Hz); the loss grows as the
// induction squared and as the frequency to the power 1.3 (hysteresis and eddy currents).
inline constexpr double kLossInductionT = 1.5;
inline constexpr double kLossFrequencyHz = 50;
double IronLossW(double building_factor, double loss_w_per_kg, double mass_kg, double induction_t,
                 double frequency_hz);

// Every grade's iron volume is taken at this density, kg/m³, the mean of the grades'.
inline constexpr double kIronDensity = 7650;

// The crest flux density in the iron at mains factor u: √2 u V1 ÷ (2π f N1 A_net).
double PeakInduction(double mains_factor, double volts, double frequency_hz, double turns,
                     double section_m2);

// The mains the figures are given at: nominal, +6 % and +10 %.
inline constexpr std::array<double, 3> kNoLoadMains = {1.00, 1.06, 1.10};
inline constexpr std::size_t kHighMainsIndex = 2;

// The idle current at +10 % mains against the rated current: "ok" up to the first, "juste" up
// to the second, "saturé" above; not judged with no load ("sans charge").
inline constexpr double kNoLoadOkPct = 50;
inline constexpr double kNoLoadTightPct = 100;
enum class NoLoadVerdict { Ok, Tight, Saturated, Unloaded };
NoLoadVerdict JudgeNoLoad(double current_pct_of_rated);

// The advised induction is searched in steps of this much, T, down to one step.
inline constexpr double kInductionStepT = 0.05;

struct NoLoadPoint {
  double mains_factor = 0;
  double induction_t = 0;  // B̂0(u)
  Magnetising magnetising;
  double iron_loss_w = 0;  // P_fe0
  double current_a = 0;    // I0
  double current_pct = 0;  // of the rated current
  double apparent_va = 0;  // S0
  // Need the primary's resistance: unset with a flagged primary.
  std::optional<double> power_w;  // P0
  std::optional<double> power_factor;
};

// What the no-load figures need of the design and its core.
struct IdleInput {
  double volts = 0;  // V1
  double frequency_hz = 0;
  MagneticCircuit circuit;
  double section_m2 = 0;  // A_net
  double mass_kg = 0;
  double building_factor = 1;
  double loss_w_per_kg = 0;
  double load_current_a = 0;             // I_load
  bool loaded = true;                    // a secondary with turns
  std::optional<double> resistance_ohm;  // R1a, the primary's at the ambient
};

struct NoLoadResult {
  SteelCurve curve;
  MagneticCircuit circuit;  // the primary's turns, the iron path and the gap, for the pictures
  double frequency_hz = 0;
  double iron_path_m = 0;
  double joint_gap_m = 0;
  std::array<NoLoadPoint, kNoLoadMains.size()> at;
  double rated_current_a = 0;  // I1n
  NoLoadVerdict verdict = NoLoadVerdict::Unloaded;
  // The highest multiple of kInductionStepT at or below the design's induction (gross section) at
  // which the verdict is ok, the primary's turns scaled to it; unset when none is, or when not
  // searched (the core search).
  std::optional<double> advised_induction_t;
};

// Fills out from in (out.curve is the caller's; the advised induction is left unset).
void ComputeNoLoad(const IdleInput& in, const FieldOfInduction& field, NoLoadResult& out);

// The advised induction of a design entered at design_induction_t on the gross section.
std::optional<double> AdvisedInduction(const IdleInput& in, const FieldOfInduction& field,
                                       double design_induction_t);

struct SwitchOnResult {
  SwitchOnCircuit circuit;  // as simulated, for the picture
  double remanence = 0;     // as a fraction of B̂0(1,00)
  double air_inductance_h = 0;
  double resistance_ohm = 0;
  SwitchOn figures;  // unset: "non calculé"
  std::optional<double> peak_times_rated;
};

struct SecondaryFuse {
  int row = 0;
  double current_a = 0;
  std::optional<double> rating_a;  // none above the series
};

struct FuseChoice {
  std::optional<PrimaryFuse> primary;  // unset with a flagged primary
  std::array<SecondaryFuse, 4> secondaries{};
  int secondary_count = 0;
};

}  // namespace kel
