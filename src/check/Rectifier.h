#pragma once
// A secondary that feeds a rectifier and a reservoir capacitor: from the DC volts and amps the
// load needs to the AC winding that gives them (its no-load EMF and the rms current it carries).
//
// The winding is seen from the rectifier as e(t) = √2·E·sin(2πft) behind R_s, its own hot
// resistance plus the primary's referred by the turns squared. A bridge conducts while
// |e| − 2·V_d exceeds the capacitor's voltage v; a centre-tapped winding's halves each conduct on
// their own half period through one diode. The capacitor takes the diode current less the load's
// DC current, which the load draws whatever the voltage: C·dv/dt = i − I_dc.
//
// Left out: the leakage inductance, the mains' impedance, the diodes' resistance and the sharing
// of the primary's resistance between secondaries whose pulses coincide. Each lowers the DC volts
// a little more and widens the pulses.
//
// Method: the rectified waveform repeats every half period, and on each piece of it the equation
// has an exact solution (v falls linearly while the diodes are off and follows a sinusoid plus a
// decaying exponential while they conduct), so the steady state is the fixed point of the
// half-period map v(0) → v(T/2), found by a bracketed secant. The same circuit, solved graphically
// for valve rectifiers: O. H. Schade, "Analysis of rectifier operation", Proc. IRE 31 (1943),
// 341–361. With an infinite capacitor the charge balance gives the pulse's half-angle φ in closed
// form, tan φ − φ = π·R_s/(2·R_L), which the tests hold the model to.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

enum class RectifierType { Bridge, CentreTap };

// "pont", "point-milieu": the document's words for them.
std::string_view RectifierCode(RectifierType type);
std::optional<RectifierType> RectifierOfCode(std::string_view code);
// "pont + condensateur", "double alternance + condensateur".
std::string_view RectifierText(RectifierType type);

// The circuit at one EMF: everything but E, which the model finds.
struct RectifierCircuit {
  RectifierType type = RectifierType::Bridge;
  double frequency_hz = 50;
  double source_ohm = 0;  // R_s; centre tap: one half's
  double capacitor_f = 0;
  double dc_a = 0;
  double diode_drop_v = 0.8;
  // The step the pulse is followed with, s; 0: the largest the model allows
  // (min(1/(2000·f), R_s·C/10)). The tests halve it.
  double step_s = 0;
};

// One period in steady state at the EMF e_rms. Centre tap: the winding figures are each half's.
struct RectifierPeriod {
  bool settled = false;  // false: no steady state with the capacitor above 0 V
  double dc_v = 0;       // the mean of v
  double ripple_v = 0;   // maximum − minimum of v
  double min_v = 0;
  double winding_rms_a = 0;  // centre tap: each half's
  double peak_diode_a = 0;
  double conduction_deg = 0;  // one pulse, in degrees of the mains period
  double capacitor_ripple_a = 0;
  // The powers, for the energy balance: from the EMF, in the diodes, in R_s; DC = dc_v·I_dc.
  double emf_w = 0;
  double diode_w = 0;
  double resistance_w = 0;
  double mean_diode_a = 0;  // the charge balance: I_dc in steady state
};

RectifierPeriod SteadyPeriod(const RectifierCircuit& circuit, double e_rms);

// One period's samples for a picture: time from the start of a mains period, the winding's
// current (centre tap: the upper half's) and the capacitor's voltage. Empty when not settled.
struct RectifierSample {
  double t_s = 0;
  double winding_a = 0;
  double capacitor_v = 0;
};
std::vector<RectifierSample> PeriodSamples(const RectifierCircuit& circuit, double e_rms,
                                           int count);

// What a rectified secondary asks for.
struct RectifierRequest {
  RectifierType type = RectifierType::Bridge;
  double dc_v = 0;
  double dc_a = 0;
  std::optional<double> capacitor_uf;  // unset: chosen
  double diode_drop_v = 0.8;
};

enum class RectifierStatus { Ok, CapacitorTooSmall, NoCapacitor, NotSettled, InvalidData };
struct RectifierStatusTerm {
  std::string_view code;
  std::string_view text;
};
RectifierStatusTerm TermOf(RectifierStatus status);

// The winding that gives the DC asked, or the status saying why none does (figures unset).
struct RectifierSolution {
  RectifierStatus status = RectifierStatus::InvalidData;
  double capacitor_uf = 0;
  bool capacitor_chosen = false;
  std::optional<double> capacitor_rating_v;  // unset: above the largest rating, or not solved
  double no_load_peak_at_110pct_v = 0;
  double e_rms = 0;  // the no-load EMF
  RectifierPeriod period;
  std::optional<double> dc_v_at_90pct_mains, dc_v_at_110pct_mains;
  std::optional<double> ripple_v_at_90pct_mains, ripple_v_at_110pct_mains;
  bool Solved() const { return status == RectifierStatus::Ok; }
};

// E to relative 10⁻⁹ (the DC volts rise with E), then the mains at 90 % and 110 %; the capacitor
// chosen over E6 when not given. previous: the solution of the same request on a slightly
// different R_s, where the search starts (the answer is the same with or without it).
RectifierSolution SolveRectifier(const RectifierRequest& request, double frequency_hz,
                                 double source_ohm, const RectifierSolution* previous = nullptr);

// The DC volts a given EMF gives; unset when the capacitor would fall to 0 V.
std::optional<double> DcVoltsAt(const RectifierRequest& request, double frequency_hz,
                                double source_ohm, double capacitor_uf, double e_rms);

// The capacitor's ripple may be at most this share of the DC volts when the program chooses it.
inline constexpr double kRippleShare = 0.10;
// E6 from 1 µF to 680 000 µF.
inline constexpr double kSmallestCapacitorUf = 1;
inline constexpr double kLargestCapacitorUf = 680000;
// The voltage ratings an electrolytic is bought in, V.
inline constexpr std::array<double, 13> kCapacitorRatingsV = {16,  25,  35,  50,  63,  100, 160,
                                                              200, 250, 350, 400, 450, 500};

}  // namespace kel
