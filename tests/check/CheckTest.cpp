// The check's model held to figures worked by hand, its edge cases, its reference tables and its
// options.

#include "check/Check.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include "check/CheckFigures.h"
#include "check/CheckOptions.h"
#include "check/CheckTerms.h"
#include "check/ReferenceData.h"
#include "util/NumberText.h"

namespace kel {
namespace {

// Relative closeness: the hand-worked figures carry 15 significant digits.
void ExpectClose(double expected, double actual, const char* what) {
  EXPECT_NEAR(actual, expected, std::fabs(expected) * 1e-9 + 1e-12) << what;
}

// A 30 mm wide, 12 mm high window, 10 cm², 0.6 kg, 20 cm per turn.
const CoreRecord kCore{"T", 10, 0.6, 12, 30, 20};

CheckInput Input(std::vector<WindingInput> windings, const CoreRecord& core = kCore) {
  CheckInput in;
  in.windings = std::move(windings);
  in.frequency_hz = 50;
  in.induction_t = 1.5;
  in.core = core;
  // The switch-on is held in NoLoadTest; the many checks here do without it.
  in.full = false;
  return in;
}

TEST(WireTable, IsTheDataFileAndPicksTheSmallestWireLargeEnough) {
  std::ifstream csv(KELVANOR_DATA_DIR "/iec60317-round-copper.csv");
  std::string line;
  std::getline(csv, line);
  std::size_t rows = 0;
  for (; std::getline(csv, line); ++rows) {
    std::istringstream fields(line);
    std::string nominal, grade1, grade2;
    std::getline(fields, nominal, ',');
    std::getline(fields, grade1, ',');
    std::getline(fields, grade2, ',');
    ASSERT_LT(rows, WireSizes().size());
    EXPECT_EQ(WireSizes()[rows].nominal_mm, std::stod(nominal)) << line;
    EXPECT_EQ(WireSizes()[rows].grade1_mm, std::stod(grade1)) << line;
    EXPECT_EQ(WireSizes()[rows].grade2_mm, std::stod(grade2)) << line;
  }
  EXPECT_EQ(rows, WireSizes().size());

  const struct {
    double diameter, nominal;
  } picks[] = {{0.3927021324634552, 0.4},
               {0.4, 0.4},
               {0.5955622792243958, 0.63},
               {0.63f, 0.63},
               {0.01, 0.05},
               {3.15f, 3.15},
               {3.6, 4.0},
               {5.0f, 5.0}};
  for (const auto& pick : picks) {
    ASSERT_NE(WireFor(pick.diameter), nullptr) << pick.diameter;
    EXPECT_EQ(WireFor(pick.diameter)->nominal_mm, pick.nominal) << pick.diameter;
  }
  EXPECT_EQ(WireFor(5.01), nullptr);
  ASSERT_NE(FindSteelGrade("m1000-65a"), nullptr);
  EXPECT_EQ(FindSteelGrade("m1000-65a")->loss_w_per_kg, 10.0);
  EXPECT_EQ(FindSteelGrade("M400"), nullptr);
}

TEST(Check, LayersCountOnlyTheTurnsThereAre) {
  // 0.4 mm wire, 0.439 mm overall: 68 turns in 30 mm.
  for (const auto& [turns, layers] : {std::pair{136, 2}, {137, 3}, {68, 1}, {1, 1}}) {
    const CheckResult r = RunCheck(Input({{0, turns, 230, 0.4, 0.4}}), {});
    ASSERT_EQ(r.windings[0].turns_per_layer, 68);
    EXPECT_EQ(r.windings[0].layers, layers) << turns;
    ExpectClose(layers * 0.439 + (layers - 1) * 0.05 + 0.1, r.windings[0].build_mm, "build");
  }
  // A width that holds a whole number of turns holds all of them: 30 ÷ 0.606 is not whole, but
  // 30.3 ÷ 0.606 is 50 give or take the last bit.
  CoreRecord exact = kCore;
  exact.window_width_mm = 30.3;
  EXPECT_EQ(RunCheck(Input({{0, 100, 230, 0.4, 0.56}}, exact), {}).windings[0].turns_per_layer, 50);
  // A margin at both ends: 28 mm, 63 turns.
  CheckOptions margin;
  margin.margin_mm = 1;
  const CheckResult r = RunCheck(Input({{0, 100, 230, 0.4, 0.4}}), margin);
  EXPECT_EQ(r.windings[0].usable_width_mm, 28);
  EXPECT_EQ(r.windings[0].turns_per_layer, 63);
}

TEST(Check, WireIsStrandsOfATableSizeOrTheDiameterImposed) {
  const struct {
    double diameter;
    bool imposed;
    int strands;
    double wire, overall;  // one strand's
    WindingFlag flag;
    int per_layer;  // in 30 mm; -1: not checked
  } cases[] = {
      {0.3927, false, 1, 0.4, 0.439, WindingFlag::None, 68},
      {5.0, false, 1, 5.0, 5.093, WindingFlag::None, 5},
      {6.0, false, 2, 4.5, 4.591, WindingFlag::None, 3},       // 4.24 each; 2 × 4.591 side by side
      {14.0, false, 8, 5.0, 5.093, WindingFlag::TooThick, 0},  // 4.95 each, 40.7 mm a turn
      {14.2, false, 0, 0, 0, WindingFlag::OffTable, 0},        // 5.02 each even in 8
      // Stock wire between table sizes: the build between 0.055 (0.8) and 0.059 (0.9).
      {0.85, true, 1, 0.85, 0.907, WindingFlag::None, 33},
      {0.63, true, 1, 0.63, 0.679, WindingFlag::None, 44},  // a table size: the table's value
      {6.0, true, 1, 6.0, 6.093, WindingFlag::None, 4},     // above: the largest size's build
      {0.04, true, 1, 0.04, 0.05, WindingFlag::None, -1},   // below: the smallest's
      {31.0, true, 1, 31.0, 31.093, WindingFlag::TooThick, 0},
  };
  for (const auto& c : cases) {
    WindingInput in{0, 10, 230, 2, c.diameter, c.imposed};
    const CheckResult r = RunCheck(Input({in}), {});
    const WindingCheck& w = r.windings[0];
    EXPECT_EQ(w.flag, c.flag) << c.diameter;
    EXPECT_EQ(w.strands, c.strands) << c.diameter;
    EXPECT_EQ(w.wire_mm, c.wire) << c.diameter;
    ExpectClose(c.overall, w.overall_mm, "overall");
    if (c.per_layer >= 0) {
      EXPECT_EQ(w.turns_per_layer, c.per_layer) << c.diameter;
    }
    if (c.flag == WindingFlag::None) {
      // The current density is on every strand's copper, of the load current (here the iron's).
      ExpectClose(r.load_current_a / (c.strands * std::numbers::pi * c.wire * c.wire / 4),
                  w.current_density, "density");
    }
  }
}

// Strands imposed per winding: the imposed wire as that many strands side by side, the computed
// wire's copper shared by exactly that many; none imposed leaves the choice to the check.
TEST(Check, StrandsImposedPerWinding) {
  CheckOptions options;
  options.strands = {2, 0, 3, 0, 0};
  const CheckResult r = RunCheck(
      Input({{0, 10, 230, 2, 1.6, true}, {1, 10, 12, 1, 0.3927, false}, {2, 10, 12, 1, 0.3927}}),
      options);
  EXPECT_EQ(r.windings[0].strands, 2);
  EXPECT_EQ(r.windings[0].wire_mm, 1.6);
  // 30 mm across two strands of 1.6 mm and its enamel (1.687 mm hors tout): 8 turns, not 17.
  EXPECT_EQ(r.windings[0].turns_per_layer, 8);
  ExpectClose(2 * std::numbers::pi * 1.6 * 1.6 / 4, r.windings[0].section_mm2, "section");
  EXPECT_EQ(r.windings[1].strands, 1);
  EXPECT_EQ(r.windings[2].strands, 3);
  EXPECT_GE(r.windings[2].section_mm2, std::numbers::pi * 0.3927 * 0.3927 / 4);

  std::vector<std::string> problems;
  const CheckOptions read = OptionsFromTexts(
      {{"Brins0", "2"}, {"Brins4", "8"}, {"Brins2", "9"}, {"Brins5", "2"}}, problems);
  EXPECT_EQ(read.strands, (std::array<int, kOptionWindings>{2, 0, 0, 0, 8}));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0],
            "Vérification : Brins2 « 9 » : un nombre entier de brins de 1 à 8 attendu ; choisi "
            "par la vérification.");
  std::map<std::string, std::string> texts;
  EXPECT_TRUE(SetWindingOptionText(texts, WindingOption::Strands, 1, " 2 "));
  EXPECT_EQ(texts.at("Brins1"), "2");
  EXPECT_FALSE(SetWindingOptionText(texts, WindingOption::Strands, 5, "2"));
  EXPECT_TRUE(SetWindingOptionText(texts, WindingOption::Strands, 1, ""));
  EXPECT_TRUE(texts.empty());
  EXPECT_EQ(ParseWindingArgument(WindingOption::Strands, "4:2")->row, 4);
  EXPECT_FALSE(ParseWindingArgument(WindingOption::Strands, "5:2"));
  EXPECT_FALSE(ParseWindingArgument(WindingOption::Strands, "12"));
}

// An output whose volts fall below nothing under load delivers no power: no efficiency, where the
// ratio would give a negative one.
TEST(Check, NoEfficiencyWhenAnOutputDeliversNothing) {
  // 10 turns of 0.1 mm at 1 A: 3.8 V induced, some 4.5 V lost in its own copper.
  const CheckResult dead = RunCheck(Input({{0, 600, 230, 0.1, 0.4}, {1, 10, 3, 1, 0.1, true}}), {});
  ASSERT_TRUE(dead.windings[1].volts);
  EXPECT_LT(dead.windings[1].volts->loaded_v, 0);
  EXPECT_FALSE(dead.efficiency_pct);
  for (const OverallFigure& figure : OverallFigures()) {
    if (figure.id == "efficiency") {
      EXPECT_EQ(figure.value(dead).kind, FigureValue::Kind::Unset);
    }
  }
  const CheckResult alive =
      RunCheck(Input({{0, 600, 230, 0.1, 0.4}, {1, 100, 30, 0.1, 0.3, true}}), {});
  ASSERT_TRUE(alive.efficiency_pct);
  EXPECT_GT(*alive.efficiency_pct, 0);
  EXPECT_LT(*alive.efficiency_pct, 100);
}

// Primary 600 turns of 0.4 mm, then 265 and 30 turns of 0.63 mm, on kCore (P = 200 − 12π mm).
const std::vector<WindingInput> kThree = {
    {0, 600, 230, 0.43, 0.4}, {1, 265, 100, 1, 0.6}, {2, 30, 12, 1, 0.6}};

TEST(Check, EachWindingsMeanTurnGrowsWithWhatLiesUnderItInItsChamber) {
  const double perimeter = 200 - std::numbers::pi * 12;
  const CheckResult one = RunCheck(Input(kThree), {});
  const auto& w = one.windings;
  const double h0 = w[0].build_mm, h1 = w[1].build_mm, h2 = w[2].build_mm;
  ExpectClose(perimeter, one.bobbin_perimeter_mm, "P");
  ExpectClose(0.15, one.tape_mm, "3 × 0.05");
  // The tape lies over the primary, under the first secondary only.
  ExpectClose(perimeter + std::numbers::pi * h0, w[0].copper->mean_turn_mm, "primary");
  ExpectClose(perimeter + std::numbers::pi * (2 * (h0 + 0.15) + h1), w[1].copper->mean_turn_mm,
              "sec 1");
  ExpectClose(perimeter + std::numbers::pi * (2 * (h0 + 0.15 + h1) + h2), w[2].copper->mean_turn_mm,
              "sec 2");
  ExpectClose(h0 + 0.15 + h1 + h2, *one.build_mm, "build");

  // Two chambers: the primary alone, the secondaries from the bobbin in the other, no tape.
  CheckOptions split;
  split.chambers = 2;
  split.margin_mm = 0.5;
  const CheckResult two = RunCheck(Input(kThree), split);
  const auto& v = two.windings;
  EXPECT_EQ(two.tape_mm, 0);
  for (const WindingCheck& x : v) EXPECT_EQ(x.usable_width_mm, (30 - 1.0) / 2 - 1);
  EXPECT_EQ(v[0].turns_per_layer, 30);  // ⌊13.5 ÷ 0.439⌋
  EXPECT_EQ(v[0].chamber, 1);
  EXPECT_EQ(v[2].chamber, 2);
  ExpectClose(perimeter + std::numbers::pi * v[1].build_mm, v[1].copper->mean_turn_mm, "sec 1");
  ExpectClose(perimeter + std::numbers::pi * (2 * v[1].build_mm + v[2].build_mm),
              v[2].copper->mean_turn_mm, "sec 2");
  ExpectClose(v[0].build_mm, *two.chambers[0].build_mm, "chamber 1");
  ExpectClose(v[1].build_mm + v[2].build_mm, *two.chambers[1].build_mm, "chamber 2");
  // The fill is the fuller chamber's.
  const double fuller = std::max(*two.chambers[0].build_mm, *two.chambers[1].build_mm);
  ExpectClose(fuller, *two.build_mm, "build");
  ExpectClose(fuller / 12 * 100, *two.fill_pct, "fill");
}

TEST(Check, FillOfExactlyNinetyIsOkAndOfExactlyAHundredJuste) {
  // One layer of 0.4 mm wire (0.439 overall) and the 0.1 mm wrap: 0.539 mm.
  for (const auto& [height, fill, status] : {std::tuple{0.539 / 0.9, 90.0, FillStatus::Ok},
                                             {0.539, 100.0, FillStatus::Tight},
                                             {0.5388, 100.03711952487009, FillStatus::Overfull}}) {
    CoreRecord core = kCore;
    core.window_height_mm = height;
    const CheckResult r = RunCheck(Input({{0, 10, 230, 0.1, 0.4}}, core), {});
    ASSERT_TRUE(r.fill_pct);
    ASSERT_DOUBLE_EQ(*r.fill_pct, fill);
    EXPECT_EQ(r.fill_status, status) << fill;
  }
  EXPECT_EQ(FillStatusOf(90.000001), FillStatus::Tight);
}

TEST(Check, IronLossAtSixtyHertzOnTheRealInduction) {
  // The crest induction in the iron is the primary's: √2 × 230 ÷ (2π × 60 × 600 × 9.5 cm²)
  // = 1.51369 T, whatever the chain's rounded induction says.
  CheckInput in = Input({{0, 600, 230, 0.43, 0.4}});
  in.induction_t = 1.425;
  in.frequency_hz = 60;
  const CheckResult r = RunCheck(in, {});
  const double b = std::numbers::sqrt2 * 230 / (2 * std::numbers::pi * 60 * 600 * 9.5e-4);
  ExpectClose(b, r.induction_real_t, "B̂0");
  ExpectClose(1.1 * b, r.induction_real_at_110pct_mains_t, "× 1.1");
  ExpectClose(0.6 * 4 * std::pow(b / 1.5, 2) * std::pow(1.2, 1.3), r.iron_loss_w,
              "0.6 kg × 4 W/kg × (B/1.5)² × 1.2^1.3");
  ExpectClose(3.09769077439203, r.iron_loss_w, "worked by hand");
  CheckOptions loose;
  loose.stacking_factor = 0.8;
  ExpectClose(r.iron_loss_w * std::pow(0.95 / 0.8, 2), RunCheck(in, loose).iron_loss_w, "0.8");
}

TEST(Check, TemperatureIsJudgedAgainstTheClassLimitAndJustAboveNeedsTheNextClass) {
  const struct {
    InsulationClass c;
    double limit;
    InsulationClass next;
  } classes[] = {{InsulationClass::A, 100, InsulationClass::E},
                 {InsulationClass::E, 115, InsulationClass::B},
                 {InsulationClass::B, 120, InsulationClass::F},
                 {InsulationClass::F, 140, InsulationClass::H},
                 {InsulationClass::H, 165, InsulationClass::None}};
  for (const auto& [c, limit, next] : classes) {
    EXPECT_EQ(ClassLimitC(c), limit) << ClassName(c);
    EXPECT_EQ(RequiredClass(limit), c) << limit;
    EXPECT_EQ(RequiredClass(limit + 0.01), next) << limit;
    EXPECT_EQ(JudgeTemperature(limit - 10, c), ThermalVerdict::Ok) << limit;
    EXPECT_EQ(JudgeTemperature(limit - 9.99, c), ThermalVerdict::Tight) << limit;
    EXPECT_EQ(JudgeTemperature(limit, c), ThermalVerdict::Tight) << limit;
    EXPECT_EQ(JudgeTemperature(limit + 0.01, c), ThermalVerdict::TooHot) << limit;
  }
  EXPECT_EQ(RequiredClass(-20), InsulationClass::A);
  EXPECT_STREQ(ClassName(InsulationClass::None), "hors classe");
  EXPECT_EQ(TermOf(ThermalVerdict::TooHot).text, "trop chaud");
  EXPECT_EQ(TermOf(InsulationClass::None).code, "none");
}

TEST(Check, AFlaggedWindingLeavesEverythingThatNeedsItIncomplete) {
  std::vector<WindingInput> windings = kThree;
  windings[1].diameter_mm = 31;  // stock wire wider than the window
  windings[1].imposed = true;
  const CheckResult r = RunCheck(Input(windings), {});
  EXPECT_FALSE(r.complete);
  EXPECT_EQ(r.windings[1].flag, WindingFlag::TooThick);
  EXPECT_EQ(TermOf(r.windings[1].flag).text, "fil trop gros");
  // Wound before it, the primary keeps its copper; from it on nothing has a mean turn.
  EXPECT_TRUE(r.windings[0].copper);
  EXPECT_FALSE(r.windings[1].copper);
  EXPECT_FALSE(r.windings[2].copper);
  EXPECT_EQ(r.windings[2].layers, 1);  // its own layout does not need what lies under it
  for (const WindingCheck& w : r.windings) {
    EXPECT_FALSE(w.r_hot_ohm || w.copper_loss_w || w.volts || w.turns_to_wind) << w.input.row;
  }
  EXPECT_FALSE(r.build_mm || r.fill_pct || r.fill_status || r.chambers[0].build_mm);
  EXPECT_FALSE(r.copper_loss_w || r.temperature_rise_k || r.copper_temperature_c);
  EXPECT_FALSE(r.thermal_verdict || r.required_class || r.output_w || r.efficiency_pct);
  // The primary's current needs only turns and amps: the flagged winding's count.
  ExpectClose((265 * 1.0 + 30 * 1.0) / 600 + r.iron_loss_w / 230, r.load_current_a, "I_load");
  ASSERT_TRUE(r.no_load);
  ExpectClose(std::hypot(r.load_current_a, r.no_load->at[0].magnetising.rms_a), r.primary_current_a,
              "I1n");

  // In two chambers the primary's chamber stays known, the other does not.
  CheckOptions split;
  split.chambers = 2;
  const CheckResult two = RunCheck(Input(windings), split);
  ASSERT_TRUE(two.chambers[0].build_mm);
  ExpectClose(two.windings[0].build_mm, *two.chambers[0].build_mm, "chamber 1");
  EXPECT_FALSE(two.chambers[1].build_mm || two.build_mm || two.windings[2].copper);

  // A primary off the table leaves no mean turn at all.
  windings = kThree;
  windings[0].diameter_mm = 20;
  const CheckResult off = RunCheck(Input(windings), {});
  EXPECT_EQ(off.windings[0].flag, WindingFlag::OffTable);
  EXPECT_EQ(off.windings[0].strands, 0);
  for (const WindingCheck& w : off.windings) EXPECT_FALSE(w.copper) << w.input.row;
}

TEST(Check, TemperatureThatRunsAwayIsReportedAfterAHundredRounds) {
  // Ten kiloamps in the thinnest wire: the fixed point is far beyond anything physical.
  const CheckResult r =
      RunCheck(Input({{0, 1000, 230, 0, 0.4}, {1, 1000, 230, 1e4, 0.05, true}}), {});
  EXPECT_FALSE(r.converged);
  EXPECT_EQ(r.rounds, kMaxRounds);
  EXPECT_EQ(r.required_class, InsulationClass::None);
  EXPECT_EQ(r.thermal_verdict, ThermalVerdict::TooHot);
  const CheckResult calm = RunCheck(Input({{0, 600, 230, 0.43, 0.4}}), {});
  EXPECT_TRUE(calm.converged);
  EXPECT_LT(calm.rounds, 10);
}

// A centre tap of N turns is the copper of one winding of 2N: the same layers, build and length,
// each half the resistance of half of it; its halves conduct in turn, so it loses twice one
// half's I²R and the primary carries √2 times one half's current; the volts are each half's.
TEST(Check, ACentreTapIsOneWindingOfTwiceItsTurns) {
  WindingInput tap{1, 150, 24, 1, 0.6};
  tap.halves = 2;
  WindingInput whole{1, 300, 48, 1, 0.6};
  const CheckResult t = RunCheck(Input({{0, 1000, 230, 0.2, 0.3}, tap}), {});
  const CheckResult w = RunCheck(Input({{0, 1000, 230, 0.2, 0.3}, whole}), {});
  ASSERT_TRUE(t.copper_loss_w && w.copper_loss_w && t.windings[1].volts);
  const WindingCheck &half = t.windings[1], &plain = w.windings[1];
  EXPECT_EQ(half.layers, plain.layers);
  ExpectClose(plain.build_mm, half.build_mm, "build");
  ExpectClose(plain.copper->length_m, half.copper->length_m, "length");
  ExpectClose(plain.copper->copper_mass_kg, half.copper->copper_mass_kg, "copper");
  ExpectClose(plain.copper->r20_ohm / 2, half.copper->r20_ohm, "one half's resistance");
  ExpectClose(2 * 1.0 * *half.r_hot_ohm, *half.copper_loss_w, "2·I²·R of a half");
  ExpectClose(*t.fill_pct, *w.fill_pct, "fill");
  ExpectClose(230.0 * 150 / 1000, half.volts->no_load_v, "one half's volts");
  ExpectClose(t.iron_loss_w / 230 + std::numbers::sqrt2 * 150 / 1000, t.load_current_a,
              "the primary's load current");
  // Its turns to wind are each half's: 2 × them are wound, and each half reaches its volts
  // where one turn fewer does not.
  ASSERT_TRUE(half.turns_to_wind && half.loaded_v_at_turns_to_wind);
  EXPECT_GE(*half.loaded_v_at_turns_to_wind, 24);
  const WindingCheck& p = t.windings[0];
  const double e =
      230 - (t.iron_loss_w / 230 + std::numbers::sqrt2 * *half.turns_to_wind / 1000) * *p.r_hot_ohm;
  const int n = *half.turns_to_wind - 1;
  EXPECT_LT(e * n / 1000 - *half.r_hot_ohm * n / 150, 24);
  EXPECT_EQ(WoundTurns(half.input, *half.turns_to_wind), 2 * *half.turns_to_wind);
}

// The loaded volts of secondary k when every secondary is wound with turns[i] turns.
double LoadedWith(const CheckResult& r, const std::vector<int>& turns, std::size_t k, int n) {
  const WindingCheck& p = r.windings[0];
  double i0 = r.iron_loss_w / p.input.volts;
  for (std::size_t i = 1; i < r.windings.size(); ++i) {
    i0 += r.windings[i].current_a * turns[i] / p.input.turns;
  }
  const double e = p.input.volts - i0 * *p.r_hot_ohm;
  const WindingCheck& w = r.windings[k];
  return e * n / p.input.turns - w.current_a * *w.r_hot_ohm * n / w.input.turns;
}

TEST(Check, TurnsToWindGiveEverySecondaryAtLeastTheVoltsAsked) {
  std::mt19937 random(2026);
  const auto uniform = [&random](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
  };
  int held = 0, unreachable = 0, wound_held = 0;
  for (int design = 0; design < 3000; ++design) {
    // Cores in the proportions of EI laminations, turns per volt as their section asks.
    CheckInput in;
    in.full = false;
    const double section = uniform(1, 40), side = std::sqrt(section);
    in.core = {"G",        section,   0.06 * section * side,
               2.4 * side, 13 * side, (4 * side + 2) * uniform(0.9, 1.3)};
    in.frequency_hz = uniform(0, 1) < 0.5 ? 50 : 60;
    in.induction_t = uniform(0.8, 1.7);
    const double v0 = uniform(100, 400), density = uniform(1.5, 6);
    const double per_volt = 1e4 / (4.44 * in.frequency_hz * in.induction_t * section);
    const int n0 = std::max(1, static_cast<int>(v0 * per_volt));
    const int secondaries = 1 + static_cast<int>(uniform(0, 4));
    double power = 0;
    for (int k = 1; k <= secondaries; ++k) {
      const double volts = uniform(3, 400), amps = uniform(0.01, 0.3) * section;
      const int turns = std::max(1, static_cast<int>(volts * per_volt * uniform(0.9, 1.15)));
      in.windings.push_back({k, turns, volts, amps, 1.128 * std::sqrt(amps / density)});
      power += volts * amps;
    }
    in.windings.insert(in.windings.begin(),
                       {0, n0, v0, power / v0, 1.128 * std::sqrt(power / v0 / density)});
    CheckOptions options;
    options.chambers = design % 3 == 0 ? 2 : 1;
    const CheckResult r = RunCheck(in, options);
    if (!r.complete) continue;
    std::vector<int> turns(r.windings.size());
    bool all = true;
    for (std::size_t k = 1; k < r.windings.size(); ++k) {
      all = all && r.windings[k].turns_to_wind;
      turns[k] = r.windings[k].turns_to_wind.value_or(0);
      unreachable += r.windings[k].unreachable;
    }
    if (!all) {
      for (const WindingCheck& w : r.windings) EXPECT_FALSE(w.turns_to_wind);
      continue;
    }
    ++held;
    for (std::size_t k = 1; k < r.windings.size(); ++k) {
      const WindingCheck& w = r.windings[k];
      const double volts = LoadedWith(r, turns, k, turns[k]);
      ASSERT_GE(volts, w.input.volts) << design << " row " << k;
      EXPECT_NEAR(*w.loaded_v_at_turns_to_wind, volts, 1e-9 * volts) << design;
      // The smallest that does, the others as they are.
      if (turns[k] > 1) {
        EXPECT_LT(LoadedWith(r, turns, k, turns[k] - 1), w.input.volts) << design;
      }
    }
    // Wound so (more copper, longer turns), a design whose turns stand still gives what was
    // asked; the others are not offered as wound.
    const std::optional<CheckResult> wound = RunCheckAsWound(in, options, r);
    if (!wound) continue;
    const CheckResult& a = *wound;
    for (std::size_t k = 1; k < a.windings.size(); ++k) {
      ASSERT_EQ(a.windings[k].turns_to_wind, a.windings[k].input.turns) << design;
    }
    ++wound_held;
    for (std::size_t k = 1; k < a.windings.size(); ++k) {
      ASSERT_GE(a.windings[k].volts->loaded_v, a.windings[k].input.volts) << design << " row " << k;
    }
  }
  EXPECT_GT(held, 1000);
  EXPECT_GT(wound_held, held / 2);
  EXPECT_GT(unreachable, 0);

  // The primary's drop takes more than the primary gives: no number of turns gets there.
  const CheckResult lost =
      RunCheck(Input({{0, 600, 230, 0.43, 0.05, true}, {1, 265, 100, 1, 0.6}}), {});
  ASSERT_TRUE(lost.complete);
  EXPECT_TRUE(lost.windings[1].unreachable);
  EXPECT_FALSE(lost.windings[1].turns_to_wind);
  EXPECT_FALSE(lost.windings[1].loaded_v_at_turns_to_wind);
  EXPECT_TRUE(lost.windings[1].volts);
}

TEST(Check, OptionsChangeWhatTheyShould) {
  const CheckInput in = Input({{0, 600, 230, 0.43, 0.4}, {1, 265, 100, 1, 0.6}});
  const CheckResult base = RunCheck(in, {});
  CheckOptions grade2;
  grade2.grade = 2;
  EXPECT_EQ(RunCheck(in, grade2).windings[0].overall_mm, 0.459);
  CheckOptions steel;
  steel.steel = "M270-35A";
  steel.building_factor = 1.5;
  ExpectClose(base.iron_loss_w * 2.7 / 4 * 1.5, RunCheck(in, steel).iron_loss_w, "iron");
  CheckOptions insulation;
  insulation.interlayer_mm = 0.1;
  insulation.wrap_mm = 0.3;
  insulation.tape_layers = 2;
  insulation.tape_thickness_mm = 0.1;
  const CheckResult thick = RunCheck(in, insulation);
  ExpectClose(0.2, thick.tape_mm, "2 × 0.1");
  ExpectClose(*base.build_mm + (base.windings[0].layers - 1 + base.windings[1].layers - 1) * 0.05 +
                  2 * 0.2 + 0.05,
              *thick.build_mm, "build");
  CheckOptions cool;
  cool.ambient_c = 20;
  cool.insulation_class = InsulationClass::F;
  const CheckResult cooler = RunCheck(in, cool);
  EXPECT_EQ(base.thermal_limit_c, 120);
  EXPECT_EQ(cooler.thermal_limit_c, 140);
  // 20 K cooler air, and cooler copper loses a little less on top (the primary's magnetising
  // current included: this design is past the knee).
  const double drop = *base.copper_temperature_c - *cooler.copper_temperature_c;
  EXPECT_GT(drop, 20);
  EXPECT_LT(drop, 24);
}

TEST(Check, ARunOverAnEarlierResultKeepsNothingOfIt) {
  std::vector<WindingInput> flagged = kThree;
  flagged[1].diameter_mm = 31;
  flagged[1].imposed = true;
  CheckResult r;
  RunCheck(Input(kThree), {}, r);
  const WindingCheck* room = r.windings.data();
  RunCheck(Input(flagged), {}, r);
  EXPECT_FALSE(r.complete);
  EXPECT_FALSE(r.windings[2].copper);
  RunCheck(Input(kThree), {}, r);
  EXPECT_EQ(r.windings.data(), room);  // the core search runs it thousands of times
  const CheckResult fresh = RunCheck(Input(kThree), {});
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.windings[2].copper->mean_turn_mm, fresh.windings[2].copper->mean_turn_mm);
  EXPECT_EQ(r.windings[2].turns_to_wind, fresh.windings[2].turns_to_wind);
  EXPECT_EQ(r.efficiency_pct, fresh.efficiency_pct);
}

TEST(CheckOptions, BadTextsAreReportedAndTheDefaultsUsed) {
  std::vector<std::string> problems;
  const CheckOptions o = OptionsFromTexts({{"Grade", "3"},
                                           {"Ambiante", "25,5"},
                                           {"Interligne", "0.05 mm"},
                                           {"Enveloppe", "-1"},
                                           {"Tole", "m270-35a"},
                                           {"FacteurConstruction", "1,2"},
                                           {"Foisonnement", "0,79"},
                                           {"Classe", "f"},
                                           {"IsolementCouches", "2,5"},
                                           {"IsolementEpaisseur", "1"},
                                           {"Marge", "10,5"},
                                           {"Carcasse", "2"},
                                           {"Cloison", "0,3"},
                                           {"Inconnue", "9"}},
                                          problems);
  EXPECT_EQ(o.grade, 1);
  EXPECT_EQ(o.ambient_c, 25.5);
  EXPECT_EQ(o.interlayer_mm, 0.05);
  EXPECT_EQ(o.wrap_mm, 0.1);
  EXPECT_EQ(o.steel, "M270-35A");
  EXPECT_EQ(o.building_factor, 1.2);
  EXPECT_EQ(o.stacking_factor, 0.95);
  EXPECT_EQ(o.insulation_class, InsulationClass::F);
  EXPECT_EQ(o.tape_layers, 3);
  EXPECT_EQ(o.tape_thickness_mm, 1);
  EXPECT_EQ(o.margin_mm, 0);
  EXPECT_EQ(o.chambers, 2);
  EXPECT_EQ(o.partition_mm, 0.3);
  ASSERT_EQ(problems.size(), 6u);
  EXPECT_EQ(problems[0], "Vérification : Grade « 3 » : 1 ou 2 attendu ; 1 utilisé.");
  EXPECT_EQ(problems[4],
            "Vérification : IsolementCouches « 2,5 » : un nombre entier de couches entre 0 et 10 "
            "attendu ; 3 utilisé.");
  // Each bound of each new option is a value; a hair beyond it is not.
  const std::tuple<CheckOption, const char*, const char*> bounds[] = {
      {CheckOption::StackingFactor, "0,8", "1,001"}, {CheckOption::TapeLayers, "10", "11"},
      {CheckOption::TapeLayers, "0", "-1"},          {CheckOption::TapeThickness, "0,01", "0,009"},
      {CheckOption::Margin, "10", "-0,1"},           {CheckOption::Chambers, "1", "3"},
      {CheckOption::Partition, "5", "0,29"},         {CheckOption::InsulationClass, "H", "C"},
      {CheckOption::JointGap, "500", "500,1"},       {CheckOption::JointGap, "0", "-1"},
      {CheckOption::Remanence, "0,95", "0,951"},     {CheckOption::Remanence, "0", "2 %"}};
  for (const auto& [option, good, bad] : bounds) {
    EXPECT_EQ(OptionProblem(option, good), "") << good;
    EXPECT_NE(OptionProblem(option, bad), "") << bad;
  }
  EXPECT_EQ(OptionProblem(CheckOption::JointGap, "x"),
            "Vérification : Entrefer « x » : un entrefer entre 0 et 500 µm attendu ; 20 utilisé.");
  EXPECT_EQ(OptionProblem(CheckOption::InsulationClass, "AB"),
            "Vérification : Classe « AB » : A, E, B, F ou H attendu ; B utilisé.");

  // Only what differs from the defaults is kept, as the text typed.
  std::map<std::string, std::string> texts;
  EXPECT_FALSE(SetOptionText(texts, CheckOption::Interlayer, "0,05"));
  EXPECT_TRUE(SetOptionText(texts, CheckOption::Grade, "2"));
  EXPECT_FALSE(SetOptionText(texts, CheckOption::Grade, " 2 "));
  EXPECT_TRUE(SetOptionText(texts, CheckOption::Steel, "m800-50a"));
  EXPECT_EQ(texts, (std::map<std::string, std::string>{{"Grade", "2"}, {"Tole", "m800-50a"}}));
  EXPECT_TRUE(SetOptionText(texts, CheckOption::Grade, "1"));
  EXPECT_TRUE(SetOptionText(texts, CheckOption::Steel, ""));
  EXPECT_TRUE(texts.empty());
  EXPECT_EQ(OptionText(texts, CheckOption::Interlayer, ','), "0,05");
  EXPECT_FALSE(SetOptionText(texts, CheckOption::InsulationClass, "b"));
  EXPECT_FALSE(SetOptionText(texts, CheckOption::Chambers, "1"));
  EXPECT_FALSE(SetOptionText(texts, CheckOption::StackingFactor, "0,95"));
  EXPECT_TRUE(SetOptionText(texts, CheckOption::Partition, "2"));
  EXPECT_EQ(texts, (std::map<std::string, std::string>{{"Cloison", "2"}}));
  EXPECT_EQ(OptionText(texts, CheckOption::TapeThickness, ','), "0,05");
  EXPECT_EQ(OptionText(texts, CheckOption::InsulationClass, ','), "B");
  // Every option has its own flag on the command line.
  for (int i = 0; i < kCheckOptionCount; ++i) {
    EXPECT_EQ(CheckOptionOfFlag(SpecOf(CheckOption(i)).flag), CheckOption(i))
        << OptionKey(CheckOption(i));
  }
  EXPECT_EQ(CheckOptionOfFlag("--tape-thickness"), CheckOption::TapeThickness);
}

// A row or a line of the winding sheet that names a figure gets everything from it: a misspelt
// id would leave a row of blanks; and no two figures of one list share an id.
TEST(CheckFigures, SheetNamesOnlyFiguresThatExistAndIdsAreUnique) {
  for (const SheetRow& row : SheetRows()) {
    EXPECT_TRUE(row.value || FigureOf(row)) << row.id;
  }
  for (const SheetLine& line : SheetLines()) {
    EXPECT_TRUE(line.value || FigureOf(line)) << line.id;
  }
  const auto unique = [](auto figures) {
    std::set<std::string_view> ids;
    for (const auto& figure : figures) EXPECT_TRUE(ids.insert(figure.id).second) << figure.id;
  };
  unique(WindingFigures());
  unique(OverallFigures());
  unique(SheetRows());
  unique(SheetLines());
}

// The man pages are written by hand; each tool's lists every option of the check as its --help
// does, in the same order, with the same placeholder, words, range and default.
TEST(CheckOptionSpecs, ManPagesListEveryOptionAsTheHelpDoes) {
  // troff writes a minus as "\-".
  const auto troff = [](std::string text) {
    for (std::size_t at = text.find('-'); at != std::string::npos; at = text.find('-', at + 2)) {
      text.insert(at, "\\");
    }
    return text;
  };
  for (const char* page : {"kelvanor-calc.1", "kelvanor-report.1"}) {
    std::ifstream in(std::string(KELVANOR_MAN_DIR) + "/" + page);
    ASSERT_TRUE(in) << page;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t after = 0;
    for (const CheckOptionSpec& spec : kCheckOptionSpecs) {
      const std::string head = ".BI " + troff(spec.flag) + " \" " + spec.placeholder + "\"\n";
      const std::size_t at = text.find(head);
      ASSERT_NE(at, std::string::npos) << page << ": " << head;
      EXPECT_GT(at, after) << page << ": " << spec.flag << " out of order";
      after = at;
      // The paragraph up to the next item, its lines joined.
      const std::size_t start = at + head.size();
      std::string paragraph = text.substr(start, text.find("\n.", start) - start);
      for (char& c : paragraph) c = c == '\n' ? ' ' : c;
      // The help's words after their first letter, which the page writes as a capital.
      const std::string help = spec.help;
      const std::size_t first = (static_cast<unsigned char>(help[0]) & 0x80) ? 2 : 1;
      EXPECT_NE(paragraph.find(help.substr(first)), std::string::npos) << page << ": " << spec.flag;
      EXPECT_NE(paragraph.find("par défaut " + troff(OptionText({}, spec.option, ','))),
                std::string::npos)
          << page << ": " << spec.flag;
      if (spec.high > spec.low && !(spec.whole && spec.high - spec.low == 1)) {
        EXPECT_NE(paragraph.find("de " + troff(PlainNumber(spec.low, ',')) + " à " +
                                 PlainNumber(spec.high, ',')),
                  std::string::npos)
            << page << ": " << spec.flag;
      }
    }
  }
}

}  // namespace
}  // namespace kel
