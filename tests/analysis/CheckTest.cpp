// The check's model held to figures worked by hand, its edge cases, its reference tables and its
// options.

#include "analysis/Check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "analysis/CheckOptions.h"
#include "analysis/ReferenceData.h"

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
  in.output_w = 100;
  in.core = core;
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
}

TEST(Check, FlaggedWindingsAreLeftOutOfTheFigures) {
  CoreRecord narrow = kCore;
  narrow.window_width_mm = 0.42;  // narrower than one 0.4 mm wire with its enamel
  const CheckResult r = RunCheck(
      Input({{0, 600, 230, 0.43, 0.4}, {1, 265, 100, 1, 5.5}, {2, 30, 12, 1, 0.6}}, narrow), {});
  ASSERT_EQ(r.windings.size(), 3u);
  EXPECT_EQ(r.windings[0].flag, WindingFlag::TooThick);
  EXPECT_EQ(r.windings[1].flag, WindingFlag::OffTable);
  EXPECT_STREQ(FlagText(r.windings[1].flag), "hors table");
  EXPECT_EQ(r.windings[2].flag, WindingFlag::TooThick);
  EXPECT_STREQ(FlagText(r.windings[2].flag), "fil trop gros");
  EXPECT_EQ(r.windings[2].wire_mm, 0.63);
  EXPECT_EQ(r.windings[2].turns_per_layer, 0);
  // Nothing counts: no build, no copper, no voltages without the primary.
  EXPECT_EQ(r.build_mm, 0);
  EXPECT_EQ(r.copper_loss_w, 0);
  EXPECT_FALSE(r.windings[2].has_voltages);

  // A secondary off the table leaves the primary and the other secondary as they were.
  const CheckResult kept =
      RunCheck(Input({{0, 600, 230, 0.43, 0.4}, {1, 265, 100, 1, 5.5}, {2, 30, 12, 1, 0.6}}), {});
  const CheckResult without = RunCheck(Input({{0, 600, 230, 0.43, 0.4}, {2, 30, 12, 1, 0.6}}), {});
  EXPECT_EQ(kept.build_mm, without.build_mm);
  EXPECT_EQ(kept.copper_temperature_c, without.copper_temperature_c);
  EXPECT_EQ(kept.windings[2].turns_to_wind, without.windings[1].turns_to_wind);
}

TEST(Check, TemperatureThatRunsAwayIsReportedAfterAHundredRounds) {
  // Ten kiloamps in the thinnest wire: the fixed point is far beyond anything physical.
  const CheckResult r = RunCheck(Input({{0, 1000, 230, 1e4, 0.05}}), {});
  EXPECT_FALSE(r.converged);
  EXPECT_EQ(r.rounds, kMaxRounds);
  EXPECT_EQ(r.thermal_class, "hors classe");
  const CheckResult calm = RunCheck(Input({{0, 600, 230, 0.43, 0.4}}), {});
  EXPECT_TRUE(calm.converged);
  EXPECT_LT(calm.rounds, 10);
}

TEST(Check, ThermalClassIsTheLowestThatHoldsTheTemperature) {
  const std::pair<double, const char*> classes[] = {
      {20, "A"},  {105, "A"}, {105.01, "E"},          {120, "E"}, {130, "B"}, {130.5, "F"},
      {155, "F"}, {180, "H"}, {180.01, "hors classe"}};
  for (const auto& [temperature, name] : classes) {
    EXPECT_EQ(ThermalClass(temperature), name) << temperature;
  }
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
  const CheckResult thick = RunCheck(in, insulation);
  ExpectClose(
      base.build_mm + (base.windings[0].layers - 1 + base.windings[1].layers - 1) * 0.05 + 2 * 0.2,
      thick.build_mm, "build");
  CheckOptions cool;
  cool.ambient_c = 20;
  // 20 K cooler air, and cooler copper loses a little less on top.
  const double cooler = base.copper_temperature_c - RunCheck(in, cool).copper_temperature_c;
  EXPECT_GT(cooler, 20);
  EXPECT_LT(cooler, 22);
}

TEST(CheckOptions, BadTextsAreReportedAndTheDefaultsUsed) {
  std::vector<std::string> problems;
  const CheckOptions o = OptionsFromTexts({{"Grade", "3"},
                                           {"Ambiante", "25,5"},
                                           {"Interligne", "0.05 mm"},
                                           {"Enveloppe", "-1"},
                                           {"Tole", "m270-35a"},
                                           {"FacteurConstruction", "1,2"},
                                           {"Inconnue", "9"}},
                                          problems);
  EXPECT_EQ(o.grade, 1);
  EXPECT_EQ(o.ambient_c, 25.5);
  EXPECT_EQ(o.interlayer_mm, 0.05);
  EXPECT_EQ(o.wrap_mm, 0.1);
  EXPECT_EQ(o.steel, "M270-35A");
  EXPECT_EQ(o.building_factor, 1.2);
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0], "Vérification : Grade « 3 » : 1 ou 2 attendu ; 1 utilisé.");

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
}

}  // namespace
}  // namespace kel
