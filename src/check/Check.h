#pragma once
// The engineering check ("Vérification"): which wire to buy, whether it fits the window, how hot
// the transformer runs, what it really gives under load and how many turns give the voltage
// asked for. It works on plain numbers taken from the design sheet as the recalculation left it
// and from the chosen core's catalogue record; it never changes the sheet.
//
// Every length is in mm unless its name says otherwise. The per-winding layout (turns, overall
// diameter, turns per layer, layers, build) and the insulation options are all a drawing of the
// winding window needs: windings are wound from the tube outwards in row order, each layer
// d_o thick with the interlayer insulation between layers and the wrap over the winding.

#include <optional>
#include <string>
#include <vector>

#include "catalogue/CoreRecord.h"
#include "check/CheckOptions.h"

namespace kel {

// One winding with turns, as the sheet shows it.
struct WindingInput {
  int row = 0;  // 0 the primary, 1 to 4 the secondaries
  int turns = 0;
  double volts = 0;        // asked for
  double amps = 0;         // the primary's is the computed current
  double diameter_mm = 0;  // in use: computed or imposed
};

struct CheckInput {
  std::vector<WindingInput> windings;  // rows with turns, in row order
  double frequency_hz = 0;
  double induction_t = 0;
  double output_w = 0;  // Σ secondary volts × amps
  CoreRecord core;
};

// Why a winding is left out of the figures: its wire is thicker than the table's largest
// ("hors table") or than the width of one layer ("fil trop gros").
enum class WindingFlag { None, OffTable, TooThick };

struct WindingCheck {
  WindingInput input;
  WindingFlag flag = WindingFlag::None;
  // The wire (known unless OffTable).
  double wire_mm = 0;     // nominal copper diameter d_n
  double overall_mm = 0;  // overall diameter d_o of the chosen enamel grade
  // The layout (known unless flagged).
  int turns_per_layer = 0;
  int layers = 0;
  double build_mm = 0;
  // Copper, at the copper temperature.
  double section_mm2 = 0;
  double current_density = 0;  // A/mm²
  double length_m = 0;
  double r20_ohm = 0;
  double r_hot_ohm = 0;
  double copper_loss_w = 0;
  double copper_mass_kg = 0;
  // Secondaries, when the primary is known: voltages at the copper temperature.
  bool has_voltages = false;
  double no_load_v = 0;
  double loaded_v = 0;
  double regulation_pct = 0;
  // The turns that give at least the volts asked for under load; unset when no number does.
  std::optional<int> turns_to_wind;
  double loaded_v_at_turns_to_wind = 0;
};

// "ok" up to kFillOkPct, "juste" up to kFillFullPct, "trop plein" beyond.
enum class FillStatus { Ok, Tight, Overfull };

// The insulation classes by their hottest allowed temperature, and beyond the last.
enum class ThermalClass { A, E, B, F, H, Beyond };

// The copper temperature is worked out again until it moves less than kConvergedK (K) from one
// round to the next, in at most kMaxRounds rounds.
inline constexpr int kMaxRounds = 100;
inline constexpr double kConvergedK = 0.01;

struct CheckResult {
  CheckOptions options;
  CoreRecord core;  // the window the windings are laid out in
  double steel_loss_w_per_kg = 0;
  std::vector<WindingCheck> windings;
  double build_mm = 0;
  double fill_pct = 0;
  FillStatus fill_status = FillStatus::Ok;
  double iron_loss_w = 0;
  double copper_loss_w = 0;
  double surface_cm2 = 0;
  double temperature_rise_k = 0;
  double copper_temperature_c = 0;
  ThermalClass thermal_class = ThermalClass::A;
  double output_w = 0;
  double efficiency_pct = 0;
  int rounds = 0;
  bool converged = true;
};

CheckResult RunCheck(const CheckInput& input, const CheckOptions& options);

// The insulation class of a copper temperature: the lowest of A 105, E 120, B 130, F 155,
// H 180 °C that holds it, else Beyond.
ThermalClass ThermalClassOf(double temperature_c);

}  // namespace kel
