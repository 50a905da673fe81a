// The recalculation chain end to end on real SQLite catalogues made by the tests.

#include "design/Chain.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "design/ChainMath.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

using test::CoreRow;
using test::FakePlatform;
using test::TempDir;

// The reference core of the worked example: 10 cm², 0.6 kg, 12 mm usable, 30 mm wide, 20 cm turn.
const CoreRow kReference{"EI10", 10, 0.6, 12, 30, 20};

class ChainTest : public ::testing::TestWithParam<char> {
 protected:
  ChainTest() {
    session.DataBasePath =
        test::MakeCatalogue(dir.File("cat.db"), {kReference, {"EI20", 20, 1.5, 15, 40, 25}});
  }

  char sep() const { return GetParam(); }
  // Expected texts are written with a comma; the separator under test takes its place.
  std::string T(std::string text) const {
    std::replace(text.begin(), text.end(), ',', sep());
    return text;
  }

  void ExampleDesign() {
    sheet.TxFreq = "50";
    sheet.TxTesla = "1.7";
    sheet.TxDCourant = "3.6";
    sheet.TxVolts[0] = "230";
    sheet.TxVolts[1] = "100";
    sheet.TxAmps[1] = "1";
  }

  void Run() {
    ChainEnvironment env{platform,
                         session,
                         sep(),
                         dir.path(),
                         [this](const std::string& path) { remembered.push_back(path); },
                         [this](bool mark) { titles.push_back(mark); }};
    Chain(sheet, env).ComputeW();
  }

  TempDir dir;
  FakePlatform platform;
  CatalogueSession session;
  DesignSheet sheet;
  std::vector<std::string> remembered;
  std::vector<bool> titles;
};

INSTANTIATE_TEST_SUITE_P(Separators, ChainTest, ::testing::Values(',', '.'));

TEST_P(ChainTest, CompleteRunGivesEveryResultOfTheWorkedExample) {
  ExampleDesign();
  Run();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(sheet.LbWatts, T("100,"));
  EXPECT_EQ(sheet.LbAmpsPri, T("0,43"));
  EXPECT_EQ(sheet.LbKgFe, T("1,43"));
  EXPECT_EQ(sheet.LbSectFe, T("9,8"));
  EXPECT_EQ(sheet.LbNoyauMin, "EI10");
  EXPECT_EQ(sheet.LbNoyau, "EI10");
  EXPECT_EQ(sheet.TxNoyau, "EI10");
  EXPECT_EQ(sheet.LbFeSect, "10");
  EXPECT_EQ(sheet.LbFeMasse, T("0,6"));
  EXPECT_EQ(sheet.LbSectCuMax, T("12,"));
  EXPECT_EQ(sheet.LbTrueTesla, T("1,70"));
  EXPECT_EQ(sheet.LbTrueFeLoss, T("2,"));
  EXPECT_EQ(sheet.LbSpVolt, T("2,65"));
  EXPECT_EQ(sheet.TxSpires[0], "609");
  EXPECT_EQ(sheet.TxSpires[1], "265");
  EXPECT_EQ(sheet.LbDiaMin[0], T("0,39"));
  EXPECT_EQ(sheet.TxDiaCu[0], T("0,39"));
  EXPECT_EQ(sheet.TxDiaCu[1], T("0,6"));
  EXPECT_EQ(sheet.TxSpLayer[0], "69");
  EXPECT_EQ(sheet.TxSpLayer[1], "47");
  EXPECT_EQ(sheet.TxLongCu[0], T("121,8"));
  EXPECT_EQ(sheet.TxLongCu[1], T("53,"));
  EXPECT_EQ(sheet.TxResCu[0], T("19,12"));
  EXPECT_EQ(sheet.TxResCu[1], T("3,62"));
  EXPECT_EQ(sheet.TxTrueVolts[0], T("238,3"));
  EXPECT_EQ(sheet.TxTrueVolts[1], T("96,4"));
  EXPECT_EQ(sheet.LbPertesCu, T("7,2"));
  EXPECT_EQ(sheet.TxTotCu[0], T("4,4"));
  EXPECT_EQ(sheet.TxTotCu[1], T("4,1"));
  EXPECT_EQ(sheet.LbTotCu, T("8,5"));
  EXPECT_EQ(sheet.LbTotCuColour, TextColour::Black);
  EXPECT_EQ(sheet.LbWattsTot, T("109,2"));
  EXPECT_EQ(sheet.Lbn, "92%");
  // 1.70 reaches the induction limit: red with one beep, and no beep from the build-up check.
  EXPECT_EQ(sheet.LbTrueTeslaColour, TextColour::Red);
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_TRUE(sheet.Modified);
  EXPECT_EQ(titles, std::vector<bool>{true});
  EXPECT_EQ(remembered, std::vector<std::string>{session.DataBasePath});
  EXPECT_EQ(session.CatalogueDb, nullptr) << "the catalogue is closed at the end of the run";
}

TEST_P(ChainTest, UnusedRowsShowZeroThroughTheirMasks) {
  ExampleDesign();
  Run();
  EXPECT_EQ(sheet.TxSpires[2], "");
  EXPECT_EQ(sheet.TxSpLayer[2], "");
  EXPECT_EQ(sheet.TxLongCu[2], T(","));
  EXPECT_EQ(sheet.TxResCu[2], T(","));
  EXPECT_EQ(sheet.TxTrueVolts[2], T(","));
  EXPECT_EQ(sheet.LbDiaMin[4], T("0,"));
  EXPECT_EQ(sheet.TxTotCu[3], "") << "a row without turns keeps its previous height";
}

TEST_P(ChainTest, NumericStateKeepsUnroundedValues) {
  ExampleDesign();
  Run();
  EXPECT_NEAR(sheet.SpVolt, 2.6497, 1e-4);
  EXPECT_NEAR(sheet.Spires[0], 609.43, 0.01);
  EXPECT_NEAR(sheet.Spires[1], 264.97, 0.01);
  EXPECT_NEAR(sheet.DiaCu[0], 0.3927, 1e-4);
  EXPECT_NEAR(sheet.DiaCu[1], 0.5956, 1e-4);
  EXPECT_NEAR(sheet.SpLayer[0], 69.33, 0.01);
  EXPECT_NEAR(sheet.SpLayer[1], 47.20, 0.01);
  EXPECT_NEAR(sheet.Amps[0], 0.4348, 1e-4);
  EXPECT_EQ(sheet.WindowWidth, 30.0f);
  EXPECT_EQ(sheet.MeanTurnLength, 20.0f);
  for (int i = 0; i < kRows; ++i) {
    EXPECT_EQ(sheet.SavedVoltsText[i], "*");
    EXPECT_EQ(sheet.SavedDiaText[i], "*");
  }
  EXPECT_EQ(sheet.SavedFreqText, "*");
}

TEST_P(ChainTest, ZeroPowerChangesNothing) {
  sheet.TxVolts[0] = "230";
  sheet.TxVolts[1] = "100";
  sheet.SavedFreqText = "50";
  const DesignSheet before = sheet;
  Run();
  EXPECT_EQ(sheet.LbWatts, before.LbWatts);
  EXPECT_EQ(sheet.LbKgFe, before.LbKgFe);
  EXPECT_EQ(sheet.LbNoyau, before.LbNoyau);
  EXPECT_FALSE(sheet.Modified);
  EXPECT_TRUE(titles.empty());
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(sheet.SavedFreqText, "*") << "remembered texts are reset on every run";
}

TEST_P(ChainTest, FrequencyZeroStopsBeforeTheIron) {
  ExampleDesign();
  sheet.TxFreq = "0";
  Run();
  EXPECT_EQ(platform.MessageTexts(), std::vector<std::string>{"Erreur de saisie"});
  EXPECT_EQ(platform.messages[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(sheet.LbWatts, T("100,")) << "written before the error";
  EXPECT_EQ(sheet.LbKgFe, "0");
  EXPECT_EQ(sheet.LbSectFe, "0");
  EXPECT_FALSE(sheet.Modified);
  EXPECT_TRUE(titles.empty());
}

TEST_P(ChainTest, CurrentDensityZeroStopsAtTheDiameters) {
  ExampleDesign();
  sheet.TxDCourant = "0";
  Run();
  EXPECT_EQ(platform.MessageTexts(), std::vector<std::string>{"Erreur de saisie"});
  EXPECT_EQ(sheet.TxSpires[0], "609") << "turns come before the diameters";
  EXPECT_EQ(sheet.LbDiaMin[0], "0");
  EXPECT_EQ(sheet.TxLongCu[0], "");
  EXPECT_EQ(sheet.LbWattsTot, "0");
  EXPECT_FALSE(sheet.Modified);
}

TEST_P(ChainTest, PrimaryVoltsZeroWithPowerIsAnInputError) {
  ExampleDesign();
  sheet.TxVolts[0] = "";
  Run();
  EXPECT_EQ(platform.MessageTexts(), std::vector<std::string>{"Erreur de saisie"});
  EXPECT_EQ(sheet.LbWatts, "0") << "the error comes before the power is written";
}

TEST_P(ChainTest, VoltsWithoutAmpsFailsAtTheBuildUp) {
  ExampleDesign();
  sheet.TxVolts[2] = "12";
  Run();
  EXPECT_EQ(platform.MessageTexts(), std::vector<std::string>{"Erreur de saisie"});
  EXPECT_EQ(sheet.TxSpires[2], "32");
  EXPECT_EQ(sheet.TxTrueVolts[2], T("12,")) << "lengths and voltages were written";
  EXPECT_EQ(sheet.LbPertesCu, T("7,2"));
  EXPECT_EQ(sheet.TxTotCu[0], T("4,4")) << "rows before the failing one got their height";
  EXPECT_EQ(sheet.LbTotCu, "0") << "the total is not written";
  EXPECT_FALSE(sheet.Modified);
}

TEST_P(ChainTest, ForcedDiameterOfZeroFailsAtTheBuildUp) {
  ExampleDesign();
  sheet.DiaForced[1] = true;
  sheet.TxDiaCu[1] = "0";
  Run();
  EXPECT_EQ(platform.MessageTexts(), std::vector<std::string>{"Erreur de saisie"});
  EXPECT_EQ(sheet.TxSpLayer[1], "");
  EXPECT_EQ(sheet.TxResCu[1], T(",")) << "no resistance without a diameter";
}

TEST_P(ChainTest, ForcedDiameterIsKeptAndReadWithACommaOrAPoint) {
  ExampleDesign();
  sheet.DiaForced[1] = true;
  sheet.TxDiaCu[1] = "0,8";
  Run();
  EXPECT_EQ(sheet.TxDiaCu[1], "0,8") << "the typed text is left as typed";
  EXPECT_EQ(sheet.LbDiaMin[1], T("0,6")) << "the computed diameter is still shown beside it";
  EXPECT_FLOAT_EQ(sheet.DiaCu[1], 0.8f);
  EXPECT_EQ(sheet.TxSpLayer[1], "36");  // 30 / 0.84
  sheet.TxDiaCu[1] = "0.8";
  Run();
  EXPECT_FLOAT_EQ(sheet.DiaCu[1], 0.8f);
}

TEST_P(ChainTest, NoCoreLargeEnoughLeavesQuestionMarksAndBeepsOverfull) {
  ExampleDesign();
  Run();
  ASSERT_EQ(sheet.LbTotCu, T("8,5"));
  platform.beeps = 0;
  sheet.TxAmps[1] = "50";  // 5 kW: far beyond the catalogue
  Run();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(sheet.LbNoyau, "?");
  EXPECT_EQ(sheet.LbFeSect, "?");
  EXPECT_EQ(sheet.LbFeMasse, "?");
  EXPECT_EQ(sheet.LbSectCuMax, "?");
  EXPECT_EQ(sheet.LbTrueFeLoss, "?");
  EXPECT_EQ(sheet.LbNoyauMin, "EI10") << "the lightest sufficient core of the last success stays";
  EXPECT_EQ(sheet.TxSpires[0], "609") << "turns are not recomputed";
  EXPECT_EQ(sheet.LbTotCu, T("8,5"));
  EXPECT_EQ(sheet.LbTotCuColour, TextColour::Red) << "previous height against a usable 0";
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(sheet.LbWattsTot, T("5007,2")) << "7.2 + 5000 + 0";
  EXPECT_TRUE(sheet.Modified);
}

TEST_P(ChainTest, AutomaticChoiceTakesTheLightestCoreReachingNinetyNinePercent) {
  session.DataBasePath =
      test::MakeCatalogue(dir.File("bound.db"), {{"HEAVY", 25, 3.0, 20, 40, 30},
                                                 {"JUST", 19.8, 2.0, 20, 40, 30},
                                                 {"SHORT", 19.7, 1.0, 20, 40, 30},
                                                 {"LIGHT", 19.9, 2.5, 20, 40, 30}});
  ExampleDesign();
  sheet.LbSectFe = "20";
  ChainEnvironment env{platform, session, sep(), dir.path(), {}, {}};
  Chain chain(sheet, env);
  EXPECT_FLOAT_EQ(chain.SelectCore(), 19.8f);
  EXPECT_EQ(sheet.LbNoyauMin, "JUST");
  EXPECT_EQ(sheet.LbNoyau, "JUST");
  EXPECT_EQ(sheet.TxNoyau, "JUST");
  EXPECT_EQ(sheet.LbFeSect, T("19,8"));
}

TEST_P(ChainTest, ForcedCoreIsLookedUpUpperCasedEvenWhenTooSmall) {
  ExampleDesign();
  sheet.TxAmps[1] = "2";  // 200 W wants more than EI10
  sheet.CoreForced = true;
  sheet.TxNoyau = "ei10";
  Run();
  EXPECT_EQ(sheet.LbNoyau, "EI10");
  EXPECT_EQ(sheet.TxNoyau, "EI10") << "spelled as in the catalogue";
  EXPECT_EQ(sheet.LbNoyauMin, "EI20") << "the lightest sufficient core is still named";
  EXPECT_EQ(sheet.LbFeSect, "10");
}

TEST_P(ChainTest, ForcedCoreNotInTheCatalogue) {
  ExampleDesign();
  Run();
  sheet.CoreForced = true;
  sheet.TxNoyau = "EI999";
  sheet.TxVolts[0] = "240";
  Run();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(sheet.LbNoyau, "?");
  EXPECT_EQ(sheet.LbSectCuMax, "?");
  EXPECT_EQ(sheet.TxNoyau, "EI999");
  EXPECT_EQ(sheet.TxSpires[0], "609") << "turns are not recomputed for 240 V";
}

TEST_P(ChainTest, ReferenceWithQuotesIsLookedUpLiterally) {
  session.DataBasePath = test::MakeCatalogue(
      dir.File("quotes.db"), {kReference, {"O'BRIEN'; DROP TABLE EI; --", 10, 0.7, 12, 30, 20}});
  ExampleDesign();
  sheet.CoreForced = true;
  sheet.TxNoyau = "o'brien'; drop table ei; --";
  Run();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(sheet.LbNoyau, "O'BRIEN'; DROP TABLE EI; --");
  EXPECT_EQ(sheet.LbFeMasse, T("0,7"));
}

TEST_P(ChainTest, EmptyTableChoosesNoCore) {
  session.DataBasePath = test::MakeCatalogue(dir.File("empty.db"), {});
  ExampleDesign();
  Run();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(sheet.LbNoyau, "?");
  EXPECT_EQ(sheet.LbNoyauMin, "?");
  EXPECT_EQ(sheet.TxSpires[0], "");
}

TEST_P(ChainTest, EmptyColumnInTheChosenRowIsAnInputError) {
  test::ExecuteSql(session.DataBasePath, "UPDATE EI SET hautcu = NULL WHERE Ref = 'EI10'");
  ExampleDesign();
  Run();
  EXPECT_EQ(platform.MessageTexts(), std::vector<std::string>{"Erreur de saisie"});
  EXPECT_EQ(sheet.LbNoyau, "EI10") << "written before the empty column";
  EXPECT_EQ(sheet.LbFeMasse, T("0,6"));
  EXPECT_EQ(sheet.LbSectCuMax, "?");
  EXPECT_EQ(sheet.LbTrueTesla, "?");
  EXPECT_EQ(session.CatalogueDb, nullptr) << "the catalogue is released after the error too";
}

TEST_P(ChainTest, FailingQueryPromptsTwiceAndYesCarriesOn) {
  test::ExecuteSql(session.DataBasePath, "ALTER TABLE EI RENAME TO Other");
  ExampleDesign();
  Run();
  ASSERT_EQ(platform.messages.size(), 2u) << "the automatic query runs twice";
  const auto& prompt = platform.messages[0];
  EXPECT_EQ(prompt.text, "Select * from EI Where SectionFer >= 9.702 Order by Massefer");
  EXPECT_EQ(prompt.buttons, MsgButtons::YesNo);
  EXPECT_EQ(prompt.icon, MsgIcon::Question);
  EXPECT_EQ(prompt.title, "1 no such table: EI Continuer ?");
  EXPECT_EQ(platform.clipboard, prompt.text);
  EXPECT_EQ(sheet.LbNoyau, "?");
  EXPECT_FALSE(platform.ended);
  EXPECT_TRUE(sheet.Modified) << "the run still ends normally";
}

TEST_P(ChainTest, FailingQueryAnsweredNoEndsTheProgram) {
  test::ExecuteSql(session.DataBasePath, "ALTER TABLE EI RENAME TO Other");
  ExampleDesign();
  platform.answers = {MsgAnswer::No};
  EXPECT_THROW(Run(), ProgramEnded);
  EXPECT_TRUE(platform.ended);
  EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_P(ChainTest, NoCataloguePathAsksAndCancelSkipsTheCore) {
  session.DataBasePath.clear();
  ExampleDesign();
  Run();
  ASSERT_EQ(platform.dialogs.size(), 1u);
  EXPECT_EQ(platform.dialogs[0].title, "Database");
  EXPECT_EQ(platform.dialogs[0].file_name, "Zivodevu.mdb");
  EXPECT_EQ(platform.dialogs[0].initial_folder, dir.path());
  EXPECT_EQ(platform.dialogs[0].verb, FileDialogVerb::Open);
  EXPECT_TRUE(remembered.empty());
  EXPECT_EQ(sheet.LbNoyau, "?");
  EXPECT_EQ(sheet.LbSectFe, T("9,8"));
  Run();
  EXPECT_EQ(platform.dialogs.size(), 2u) << "asked again on every run until a file is chosen";
}

TEST_P(ChainTest, CatalogueChosenInTheDialogIsRemembered) {
  const std::string chosen = session.DataBasePath;
  session.DataBasePath.clear();
  platform.dialog_answers = {chosen};
  ExampleDesign();
  Run();
  EXPECT_EQ(session.DataBasePath, chosen);
  EXPECT_EQ(remembered, std::vector<std::string>{chosen});
  EXPECT_EQ(sheet.LbNoyau, "EI10");
}

TEST_P(ChainTest, UnopenableCatalogueIsReportedOnceAndSkipped) {
  session.DataBasePath = dir.File("missing.mdb");
  ExampleDesign();
  Run();
  ASSERT_EQ(platform.messages.size(), 1u) << "no query prompts after a failed open";
  EXPECT_NE(platform.messages[0].text.find("missing.mdb"), std::string::npos);
  EXPECT_EQ(platform.messages[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(sheet.LbNoyau, "?");
  EXPECT_TRUE(remembered.empty());

  test::WriteFile(dir.File("garbage.mdb"), std::string(4096, '\x5a'));
  session.DataBasePath = dir.File("garbage.mdb");
  Run();
  EXPECT_EQ(platform.messages.size(), 2u);
}

TEST_P(ChainTest, InductionColourAndIronLosses) {
  ExampleDesign();
  sheet.TxTesla = "1,69";
  Run();
  EXPECT_EQ(sheet.LbTrueTesla, T("1,69"));
  EXPECT_EQ(sheet.LbTrueTeslaColour, TextColour::Black);
  EXPECT_EQ(platform.beeps, 0);
  sheet.TxTesla = "1,70";
  Run();
  EXPECT_EQ(sheet.LbTrueTeslaColour, TextColour::Red);
  EXPECT_EQ(platform.beeps, 1);
  sheet.TxTesla = "1.75";
  Run();
  EXPECT_EQ(sheet.LbTrueTesla, T("1,75"));
  EXPECT_EQ(platform.beeps, 2);
}

TEST_P(ChainTest, IronLossEstimateScalesWithFrequency) {
  session.DataBasePath = test::MakeCatalogue(dir.File("loss.db"), {{"M12", 30, 1.2, 20, 40, 30}});
  ExampleDesign();
  sheet.TxTesla = "1.5";
  sheet.LbSectFe = "9";
  ChainEnvironment env{platform, session, sep(), dir.path(), {}, {}};
  Chain chain(sheet, env);
  chain.SelectCore();
  EXPECT_EQ(sheet.LbTrueFeLoss, T("3,7"));
  sheet.TxFreq = "60";
  chain.SelectCore();
  EXPECT_EQ(sheet.LbTrueFeLoss, T("3,1"));
}

TEST_P(ChainTest, HeightExactlyUsableIsNotFlagged) {
  ExampleDesign();
  Run();
  ASSERT_EQ(sheet.LbTotCu, T("8,5"));
  test::ExecuteSql(session.DataBasePath, "UPDATE EI SET hautcu = 8.5 WHERE Ref = 'EI10'");
  platform.beeps = 0;
  Run();
  EXPECT_EQ(sheet.LbSectCuMax, T("8,5"));
  EXPECT_EQ(sheet.LbTotCu, T("8,5"));
  EXPECT_EQ(sheet.LbTotCuColour, TextColour::Black);
  EXPECT_EQ(platform.beeps, 1) << "only the induction of 1.70 beeps";
}

TEST_P(ChainTest, SixtyHertzNeedsLessIron) {
  ExampleDesign();
  sheet.TxFreq = "60";
  Run();
  EXPECT_EQ(sheet.LbKgFe, T("1,19"));
  EXPECT_EQ(sheet.LbSectFe, T("8,68"));  // 9.8013 x (50/60)^(2/3)
}

TEST_P(ChainTest, AbsurdInputsEndInTheMessageNotACrash) {
  ExampleDesign();
  sheet.TxVolts[1] = "1e300";
  Run();
  EXPECT_EQ(platform.MessageTexts(), std::vector<std::string>{"Erreur de saisie"});
  sheet.TxVolts[1] = "-100";  // negative power: no cube root
  Run();
  EXPECT_EQ(platform.messages.size(), 2u);
  sheet.TxVolts[1] = "100";
  sheet.TxDCourant = "-3";
  Run();
  EXPECT_EQ(platform.messages.size(), 3u);
}

// Values beyond what a single or a double holds, from the fields or from the catalogue, are
// input errors; none of them may reach a field as a figure.
TEST_P(ChainTest, OverflowsAreInputErrorsAndNeverShown) {
  struct Case {
    const char* what;
    const char* field;  // "Tesla" or "Volts1"; empty for a catalogue change
    const char* value;
    const char* sql;
  };
  const Case cases[] = {
      {"negative volts beyond a single", "Volts1", "-1e300", ""},
      {"induction beyond a double", "Tesla", "1e400", ""},
      {"absurd iron mass", "", "", "UPDATE EI SET MasseFer = 1e308"},
      {"infinite window height", "", "", "UPDATE EI SET hautcu = 1e999"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sheet = DesignSheet{};
    platform.messages.clear();
    ExampleDesign();
    if (std::string(c.field) == "Tesla") sheet.TxTesla = c.value;
    if (std::string(c.field) == "Volts1") sheet.TxVolts[1] = c.value;
    session.DataBasePath = test::MakeCatalogue(dir.File(std::string(c.what) + ".db"), {kReference});
    if (*c.sql) test::ExecuteSql(session.DataBasePath, c.sql);
    Run();
    EXPECT_EQ(platform.MessageTexts(), std::vector<std::string>{"Erreur de saisie"});
    EXPECT_FALSE(sheet.Modified);
    for (const std::string* text : {&sheet.LbTrueTesla, &sheet.LbTrueFeLoss, &sheet.LbWattsTot,
                                    &sheet.Lbn, &sheet.LbSectCuMax, &sheet.LbSpVolt}) {
      EXPECT_EQ(text->find("Inf"), std::string::npos) << *text;
      EXPECT_EQ(text->find("NaN"), std::string::npos) << *text;
    }
  }
}

// 180 turns at 60 per layer: the third layer is full, and the build still counts a fourth.
TEST_P(ChainTest, AFullLastLayerStillCountsANewOne) {
  ExampleDesign();
  sheet.TxTesla = "1.5";
  sheet.TxVolts[1] = "59.94";
  sheet.DiaForced[1] = true;
  sheet.TxDiaCu[1] = "0.46";
  Run();
  ASSERT_EQ(sheet.TxSpires[1], "180");
  ASSERT_EQ(sheet.TxSpLayer[1], "60");
  EXPECT_EQ(sheet.TxTotCu[1], T("2,2")) << "(0.46 + 0.05) x 4 layers + 0.15 + 0.06";
}

// The iron section goes through a single-precision cube root; at 390.5 W that rounding decides
// the shown hundredth.
TEST_P(ChainTest, IronSectionKeepsItsSinglePrecisionRounding) {
  ExampleDesign();
  sheet.TxVolts[1] = "390.5";
  Run();
  EXPECT_EQ(sheet.LbSectFe, T("24,31"));
}

// What a single cannot hold is an input error on either side of zero; its largest value is not.
TEST(ChainMath, SinglePrecisionLimitsHoldOnBothSides) {
  for (const double beyond : {1e300, -1e300, 3.5e38, -3.5e38}) {
    EXPECT_THROW(Single(beyond), ChainError) << beyond;
  }
  EXPECT_EQ(Single(-3.4e38), -3.4e38f);
  EXPECT_EQ(Single(3.4e38), 3.4e38f);
}

TEST(InductionStep, StepsByFiveHundredthsWithoutLimit) {
  EXPECT_EQ(SteppedInduction("1.7", 0.05, ','), "1,75");
  EXPECT_EQ(SteppedInduction("1,75", 0.05, ','), "1,8");
  EXPECT_EQ(SteppedInduction("1,8", -0.05, ','), "1,75");
  EXPECT_EQ(SteppedInduction("0,95", 0.05, '.'), "1.");
  EXPECT_EQ(SteppedInduction(",5", -0.05, ','), ",45") << "no leading zero below 1";
  EXPECT_EQ(SteppedInduction("abc", -0.05, ','), "-,05");
  EXPECT_EQ(SteppedInduction(",05", -0.05, ','), ",");
}

}  // namespace
}  // namespace kel
