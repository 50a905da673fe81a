#pragma once
// The engineering check ("Vérification"): which wire to buy, whether it fits the window, how hot
// the transformer runs, what it really gives under load and how many turns give the voltage
// asked for. It works on plain numbers taken from the design sheet as the recalculation left it
// and from the chosen core's catalogue record; it never changes the sheet.
//
// Every length is in mm unless its name says otherwise. The per-winding layout (chamber, usable
// width, strands, overall diameter, turns per layer, layers, build) and the insulation options
// are all a drawing of the winding window needs: in each chamber the windings are wound from the
// bobbin outwards in row order, each layer d_o thick with the interlayer insulation between
// layers and the wrap over the winding; in a single chamber the tape lies over the primary.
//
// Nothing is left out silently: a figure that needs a flagged winding is empty (std::nullopt),
// never a number worked out without it.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/CoreRecord.h"
#include "check/CheckOptions.h"
#include "check/NoLoad.h"

namespace kel {

// One winding with turns, as the sheet shows it.
struct WindingInput {
  int row = 0;  // 0 the primary, 1 to 4 the secondaries
  int turns = 0;
  double volts = 0;        // asked for
  double amps = 0;         // the primary's is the chain's current; the check works out its own
  double diameter_mm = 0;  // in use: computed or imposed
  bool imposed = false;    // typed by the user: wound as it is, whatever the table holds
  // A secondary that feeds a rectifier and a capacitor (check/RectifierCheck.h): amps is the rms
  // current the rectifier model gives, and volts a no-load EMF E, whose turns to wind are the
  // fewest N with E″·N/N_p ≥ E (E″ the primary's loaded EMF with this winding's own share of the
  // primary's drop added back).
  bool no_load_volts = false;
  // A centre-tapped winding ("à point milieu", halves 2) is wound as one winding of twice its
  // turns: turns, volts and amps are each half's, and so are its resistances and its turns to
  // wind, while its layout, length and copper are the whole winding's. The halves conduct in
  // turn, so the copper loses twice one half's and the primary carries √2 times one half's
  // current referred by its turns.
  int halves = 1;
};

// The turns a winding has end to end: a centre tap's two halves.
inline int WoundTurns(const WindingInput& in, int turns) {
  return turns * in.halves;
}
inline int WoundTurns(const WindingInput& in) {
  return WoundTurns(in, in.turns);
}

// Why a winding asked for (volts typed) is not among the windings: the calculation gives it no
// whole turn, or more than any bobbin holds.
enum class LeftOutReason { UnderOneTurn, TooManyTurns };
struct LeftOut {
  int row = 0;
  LeftOutReason reason = LeftOutReason::UnderOneTurn;
};

struct CheckInput {
  std::vector<WindingInput> windings;  // rows with turns, in row order
  std::vector<LeftOut> left_out;       // rows asked for that have no such turns
  double frequency_hz = 0;
  double induction_t = 0;  // on the gross iron section, as the chain shows it
  CoreRecord core;
  // The switch-on and the advised induction too; the core search, judging every core, does
  // without them.
  bool full = true;
};

// Why a winding is left out of the figures: no table size of at most kMaxStrands strands carries
// its current ("hors table"), its wire is wider than one layer ("fil trop gros"), or the margins
// (and the partition) leave no width to wind on at all, whatever the wire.
enum class WindingFlag { None, OffTable, TooThick, NoRoom };

inline constexpr int kMaxStrands = 8;

// The copper of a winding, known when it and every winding wound before it in its chamber are
// laid out (the mean turn grows with what lies under it). A centre tap's length and mass are the
// whole winding's, its resistance one half's (from the tap to either end).
struct WindingCopper {
  double mean_turn_mm = 0;
  double length_m = 0;
  double r20_ohm = 0;
  double copper_mass_kg = 0;
};

// A secondary's voltages at the copper temperature.
struct WindingVolts {
  double no_load_v = 0;
  double loaded_v = 0;
  double regulation_pct = 0;
  double loaded_v_at_90pct_mains = 0;
  double loaded_v_at_110pct_mains = 0;
  double no_load_v_at_110pct_mains = 0;
};

struct WindingCheck {
  WindingInput input;
  WindingFlag flag = WindingFlag::None;
  double current_a = 0;  // the secondary's amps, or the primary's current I₀ of the check
  // The wire (known unless OffTable); diameters are one strand's.
  int strands = 0;
  double wire_mm = 0;          // copper diameter d_n
  double overall_mm = 0;       // overall diameter d_o with the enamel of the grade
  double section_mm2 = 0;      // all strands together
  double current_density = 0;  // A/mm², on all strands
  // The layout (known unless flagged).
  int chamber = 1;
  double usable_width_mm = 0;
  int turns_per_layer = 0;
  int layers = 0;
  double build_mm = 0;
  std::optional<WindingCopper> copper;
  // At the copper temperature: known when the check is complete.
  std::optional<double> r_hot_ohm;
  std::optional<double> copper_loss_w;
  std::optional<WindingVolts> volts;  // secondaries only
  // The turns that give at least the volts asked for under load, with all secondaries wound so;
  // unset when the check is incomplete, when the turns do not settle, or when no number does.
  std::optional<int> turns_to_wind;
  // A rectified winding's: the DC volts its rectifier gives as wound (check/RectifierCheck.h).
  std::optional<double> loaded_v_at_turns_to_wind;
  bool unreachable = false;  // no number of turns gives the volts asked
  // The turns to wind did not settle, or do not stand once wound (more copper, more drop, more
  // turns again): what turns_to_wind holds, if anything, is no answer to wind from.
  bool turns_unsettled = false;
};

// "ok" up to 90 %, "juste" up to 100 %, "trop plein" beyond (WindowLayout.cpp).
enum class FillStatus { Ok, Tight, Overfull };
FillStatus FillStatusOf(double fill_pct);

// How the copper temperature stands against the limit of the insulation class chosen: "ok" up to
// 10 K below it, "juste" up to it, "trop chaud" above (Heat.cpp).
enum class ThermalVerdict { Ok, Tight, TooHot };
ThermalVerdict JudgeTemperature(double temperature_c, InsulationClass insulation_class);

// The lowest class whose limit holds the temperature, else InsulationClass::None.
InsulationClass RequiredClass(double temperature_c);

// The copper temperature, and the turns to wind, are worked out again until the temperature moves
// less than kConvergedK (K) from one round to the next and the turns no longer change, in at most
// kMaxRounds rounds.
inline constexpr int kMaxRounds = 100;
inline constexpr double kConvergedK = 0.01;

// One chamber of the bobbin; its build is unknown when it holds a flagged winding.
struct ChamberBuild {
  std::optional<double> build_mm;
  std::optional<double> fill_pct;
};

struct CheckResult {
  CheckOptions options;
  CoreRecord core;  // the window the windings are laid out in
  double steel_loss_w_per_kg = 0;
  std::vector<WindingCheck> windings;
  std::vector<LeftOut> left_out;   // the input's: a winding asked for is missing from the figures
  bool complete = true;            // no winding is flagged or left out
  double bobbin_perimeter_mm = 0;  // P = 10 l − π H
  double tape_mm = 0;              // the tape between primary and secondaries, where it counts
  int chamber_count = 1;
  std::array<ChamberBuild, 2> chambers;  // the first chamber_count count
  // The fuller chamber's.
  std::optional<double> build_mm;
  std::optional<double> fill_pct;
  std::optional<FillStatus> fill_status;
  // B̂0(1,00) in the iron, from the primary's volts and turns (the chain's induction on the
  // gross section over the stacking factor without a primary).
  double induction_real_t = 0;
  double induction_real_at_110pct_mains_t = 0;
  double iron_loss_w = 0;
  // I1n, the load current and the magnetising current together: what heats the primary.
  double primary_current_a = 0;
  // I_load, the secondaries referred plus the iron-loss current: what drops in the primary.
  double load_current_a = 0;
  std::optional<NoLoadResult> no_load;  // with a primary
  // With the primary laid out, in a full check.
  std::optional<SwitchOnResult> switch_on;
  FuseChoice fuses;
  double surface_cm2 = 0;
  std::optional<double> copper_loss_w;
  std::optional<double> temperature_rise_k;
  std::optional<double> copper_temperature_c;
  double thermal_limit_c = 0;  // of the class chosen
  std::optional<ThermalVerdict> thermal_verdict;
  std::optional<InsulationClass> required_class;  // None: "hors classe"
  std::optional<double> output_w;                 // Σ loaded volts × amps
  std::optional<double> efficiency_pct;
  int rounds = 0;  // of the temperature
  bool converged = true;
  int turns_rounds = 0;  // of the turns to wind
  bool turns_converged = true;
};

// The check of one design on one core. It reads no catalogue and, given the same result again,
// allocates nothing once the result has held as many windings: the core search runs it once per
// core of the catalogue.
void RunCheck(const CheckInput& input, const CheckOptions& options, CheckResult& result);
CheckResult RunCheck(const CheckInput& input, const CheckOptions& options);

// The design as the workshop winds it: each secondary with its turns to wind, checked again on
// those turns (more copper, a longer mean turn, maybe a layer more) until they stand, in at most
// kMaxAsWoundRounds rounds. Unset when every secondary's turns to wind are its turns already or
// are unknown (`first` is then the design as wound), and when the turns do not stand: wound so,
// a design may lose so much more in its copper that its turns to wind run away.
inline constexpr int kMaxAsWoundRounds = 10;
std::optional<CheckResult> RunCheckAsWound(const CheckInput& input, const CheckOptions& options,
                                           const CheckResult& first);

}  // namespace kel
