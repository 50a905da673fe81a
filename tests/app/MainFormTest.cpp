// The window's logic with a scripted platform, real documents and a real catalogue in a
// temporary folder.

#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>

#include "documents/Ini.h"
#include "kelvanor/Version.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"
#include "util/Paths.h"

namespace kel {
namespace {

using test::FakePlatform;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// The worked example as a document: 50 Hz, 1.7 T, 3.6 A/mm², 230 V, 100 V at 1 A.
const char* kExampleDocument =
    "[SPECIFS]\r\nFreq=50\r\nTesla=1.7\r\nDCourant=3.6\r\nVolts0=230\r\nAmps0=\r\n"
    "Volts1=100\r\nAmps1=1\r\n";

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() {
    catalogue = test::MakeCatalogue(dir.File("cores.db"), {{"EI20", 20, 1.5, 15, 40, 25},
                                                           {"EI10", 10, 0.6, 12, 30, 20},
                                                           {"EI15", 15, 1.1, 13, 35, 22}});
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", catalogue);
  }

  std::string Settings(const char* key) { return ReadIni(dir.File("kelvanor.ini"), "GLOBAL", key); }

  // Starts on the example document.
  void StartOnExample() {
    WriteFile(dir.File("example.kel"), kExampleDocument);
    form.Form_Load(dir.File("example.kel"));
  }

  void Type(ControlRef c, const std::string& text) {
    form.GotFocus(c);
    form.SetText(c, text);
  }

  static FakePlatform PlatformIn(const TempDir& folder) {
    FakePlatform fake;
    fake.executable_path = folder.File("kelvanor");
    return fake;
  }

  TempDir dir;
  FakePlatform platform = PlatformIn(dir);
  std::string catalogue;
  MainForm form{platform, {',', true}};
  const std::string title_prefix = std::string("kelvanor Version ") + kVersionText + "   ";
};

TEST_F(MainFormTest, FreshStartShowsNewDesignDefaultsAndTheCoreList) {
  form.Form_Load("");
  const DesignSheet& s = form.Sheet();
  EXPECT_EQ(s.TxFreq, "50");
  EXPECT_EQ(s.TxTesla, "1,5");
  EXPECT_EQ(s.TxDCourant, "3");
  EXPECT_EQ(s.TxVolts[0], "230");
  EXPECT_EQ(s.TxVolts[1], "100");
  EXPECT_EQ(s.TxAmps[1], "1");
  EXPECT_EQ(s.TxVolts[2], "");
  EXPECT_EQ(s.LbNoyau, "EI10");
  EXPECT_EQ(form.CoreList(), (std::vector<std::string>{"EI10", "EI15", "EI20"}));
  EXPECT_EQ(form.Title(), title_prefix);
  EXPECT_FALSE(form.Modified());
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_TRUE(platform.dialogs.empty());
}

TEST_F(MainFormTest, FirstStartWithoutCatalogueAsksAndStoresItOnlyWhenACoreIsChosen) {
  WriteFile(dir.File("kelvanor.ini"), "");
  platform.dialog_answers = {"", catalogue};  // the new design's run is cancelled, the picker's not
  form.Form_Load("");
  ASSERT_EQ(platform.dialogs.size(), 2u);
  EXPECT_EQ(platform.dialogs[1].title, "Database");
  EXPECT_EQ(platform.dialogs[1].initial_folder, dir.path());
  EXPECT_EQ(form.CoreList().size(), 3u);
  EXPECT_EQ(Settings("DataBase"), "") << "the picker does not store the path";
  Type({Control::TxAmps, 1}, "2");
  form.LostFocus({Control::TxAmps, 1});
  EXPECT_EQ(Settings("DataBase"), catalogue);
}

TEST_F(MainFormTest, StartsOnTheDocumentOfTheCommandLineOrTheLastOne) {
  WriteFile(dir.File("my design.kel"), kExampleDocument);
  form.Form_Load("\"" + dir.File("my design.kel") + "\"");
  EXPECT_EQ(form.DocPath(), dir.File("my design.kel"));
  EXPECT_EQ(Settings("Mru"), dir.File("my design.kel"));
  EXPECT_EQ(form.Sheet().TxSpires[0], "609");
  EXPECT_EQ(form.Title(), title_prefix + dir.File("my design.kel")) << "no mark after start-up";

  MainForm second(platform, {',', true});
  second.Form_Load("");
  EXPECT_EQ(second.DocPath(), dir.File("my design.kel"));

  MainForm unquoted(platform, {',', true});
  unquoted.Form_Load(dir.File("my design.kel"));
  EXPECT_EQ(unquoted.DocPath(), dir.File("my design.kel")) << "blanks without quotes stay";
}

TEST_F(MainFormTest, LastDocumentStartingWithAnApostropheIsRememberedAsIs) {
  WriteFile(dir.File("'brouillon.kel"), kExampleDocument);
  form.Form_Load(dir.File("'brouillon.kel"));
  MainForm second(platform, {',', true});
  second.Form_Load("");
  EXPECT_EQ(second.DocPath(), dir.File("'brouillon.kel"));
}

TEST_F(MainFormTest, MissingDocumentLoadsAsAnEmptyDesignWithoutAMessage) {
  form.Form_Load(dir.File("gone.kel"));
  EXPECT_EQ(form.DocPath(), dir.File("gone.kel"));
  EXPECT_EQ(form.Sheet().TxFreq, "");
  EXPECT_EQ(form.Sheet().TxVolts[0], "");
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(Settings("Mru"), dir.File("gone.kel"));
}

TEST_F(MainFormTest, NewDocumentIsWrittenEntryByEntryInOrder) {
  StartOnExample();
  form.MnuEnregistrerSous_Click();
  ASSERT_EQ(platform.dialogs.size(), 1u);
  EXPECT_EQ(platform.dialogs[0].title, "Enregistrer sous ...");
  EXPECT_EQ(platform.dialogs[0].file_name, "Nouveau.kel");
  EXPECT_EQ(platform.dialogs[0].verb, FileDialogVerb::Save);
  EXPECT_EQ(form.DocPath(), "") << "cancelled: no document any more";
  EXPECT_EQ(Settings("Extension"), "kel");

  platform.dialog_answers = {dir.File("b.kel")};
  form.MnuEnregistrerSous_Click();
  EXPECT_EQ(ReadFile(dir.File("b.kel")),
            "[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nAmps0=\nVolts1=100\n"
            "Amps1=1\nVolts2=\nAmps2=\nVolts3=\nAmps3=\nVolts4=\nAmps4=\n"
            "[CUIVRE]\nDia0=\nDia1=\nDia2=\nDia3=\nDia4=\n"
            "[NOYAU]\nType=\n"
            "[REMARQUES]\nFreeText=\n"
            "[FAB]\nModele=Tranformateur Alimentation b.kel\nNoyau=EI10 M6X\n"
            "Primaire=\t (238,3 Volts) 609 spires. Dia: 0,39 (121,8 m)\n"
            "Secondaire 1=\t (96,4 Volts) 265 spires. Dia: 0,6 (53, m)\n");
  EXPECT_EQ(form.Title(), title_prefix + dir.File("b.kel"));
  EXPECT_EQ(Settings("Mru"), dir.File("b.kel"));
}

TEST_F(MainFormTest, SecondSaveReplacesInPlaceAfterTheReplaceQuestion) {
  StartOnExample();
  platform.dialog_answers = {dir.File("b.kel")};
  form.MnuEnregistrerSous_Click();
  const std::string first = ReadFile(dir.File("b.kel"));

  Type({Control::TxAmps, 1}, "1,5");
  form.LostFocus({Control::TxAmps, 1});
  EXPECT_EQ(form.Title(), title_prefix + dir.File("b.kel") + " *");

  platform.answers = {MsgAnswer::Cancel};
  form.MnuEnregistrer_Click();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "Remplacer " + dir.File("b.kel") + " existant");
  EXPECT_EQ(platform.messages[0].buttons, MsgButtons::OkCancel);
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Question);
  EXPECT_EQ(ReadFile(dir.File("b.kel")), first) << "cancel writes nothing";
  EXPECT_TRUE(form.Modified());

  form.MnuEnregistrer_Click();
  EXPECT_EQ(platform.messages.size(), 2u) << "asked again on every save";
  const std::string second = ReadFile(dir.File("b.kel"));
  EXPECT_NE(second.find("Amps1=1,5\n"), std::string::npos);
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n'),
            std::count(second.begin(), second.end(), '\n'));
  EXPECT_FALSE(form.Modified());
  EXPECT_EQ(form.Title(), title_prefix + dir.File("b.kel"));
}

TEST_F(MainFormTest, ImposedDiameterAndCoreAreStoredAndComeBackRed) {
  StartOnExample();
  Type({Control::TxDiaCu, 1}, "0,8");
  form.LostFocus({Control::TxDiaCu, 1});
  form.LstCore_DblClick("EI15");
  platform.answers = {MsgAnswer::Ok};
  form.MnuEnregistrer_Click();
  const std::string saved = ReadFile(dir.File("example.kel"));
  EXPECT_NE(saved.find("Dia1=0,8\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Dia0=\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Type=EI15\r\n"), std::string::npos);

  MainForm other(platform, {',', true});
  other.Form_Load(dir.File("example.kel"));
  EXPECT_TRUE(other.Sheet().DiaForced[1]);
  EXPECT_FALSE(other.Sheet().DiaForced[0]);
  EXPECT_EQ(other.Sheet().TxDiaCuColour[1], TextColour::Red);
  EXPECT_EQ(other.Sheet().TxDiaCu[1], "0,8");
  EXPECT_EQ(other.Sheet().TxDiaCu[0], "0,39");
  EXPECT_TRUE(other.Sheet().CoreForced);
  EXPECT_EQ(other.Sheet().LbNoyau, "EI15");
  EXPECT_EQ(other.Sheet().LbNoyauColour, TextColour::Red);
}

TEST_F(MainFormTest, RemarksRoundTripInTheirStoredForm) {
  StartOnExample();
  form.TxRem_Change("a\r\nb");
  EXPECT_EQ(form.Title(), title_prefix + dir.File("example.kel") + " *");
  platform.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
  form.MnuEnregistrer_Click();
  EXPECT_EQ(ReadIni(dir.File("example.kel"), "REMARQUES", "FreeText"), "a\tb");
  EXPECT_NE(ReadFile(dir.File("example.kel")).find("FreeText=a\tb\t\r\n"), std::string::npos);
  MainForm other(platform, {',', true});
  other.Form_Load(dir.File("example.kel"));
  EXPECT_EQ(other.Sheet().TxRem, "a\r\nb\r\n");
  EXPECT_FALSE(other.Modified()) << "loading sets the remarks, then clears the mark";
  other.MnuEnregistrer_Click();
  EXPECT_NE(ReadFile(dir.File("example.kel")).find("FreeText=a\tb\t\r\n"), std::string::npos);
}

TEST_F(MainFormTest, RemarksThatTheTabFormWouldCutAreStoredWhole) {
  StartOnExample();
  std::string remarks = "  first line\r\n\r\n'quoted\tcell\r\n";
  for (int i = 0; i < 300; ++i) remarks += "line " + std::to_string(i) + " é\r\n";
  form.TxRem_Change(remarks);
  platform.answers = {MsgAnswer::Ok};
  form.MnuEnregistrer_Click();
  MainForm other(platform, {',', true});
  other.Form_Load(dir.File("example.kel"));
  EXPECT_EQ(other.Sheet().TxRem, remarks);
  EXPECT_EQ(ReadIni(dir.File("example.kel"), "REMARQUES", "FreeText"), "first line")
      << "older readers still see what the tab form can carry";
}

TEST_F(MainFormTest, RemarksWithLoneLineBreaksDoNotBreakTheDocument) {
  StartOnExample();
  // A backslash must survive the escaping that the line breaks call for.
  const std::string remarks = "a\nb\rc\r\n\r\nC:\\new\\table\\";
  form.TxRem_Change(remarks);
  platform.answers = {MsgAnswer::Ok};
  form.MnuEnregistrer_Click();
  MainForm other(platform, {',', true});
  other.Form_Load(dir.File("example.kel"));
  EXPECT_EQ(other.Sheet().TxRem, remarks);
  EXPECT_EQ(other.Sheet().TxVolts[1], "100");
  EXPECT_EQ(ReadIni(dir.File("example.kel"), "FAB", "Noyau"), "EI10 M6X");
}

TEST_F(MainFormTest, RemarksLinesThatLookLikeSectionsDoNotPileUp) {
  StartOnExample();
  form.TxRem_Change("intro\r\n[note] vérifier\r\nligne 2");
  platform.answers = {MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::Ok};
  form.MnuEnregistrer_Click();
  const std::string once = ReadFile(dir.File("example.kel"));
  form.MnuEnregistrer_Click();
  form.MnuEnregistrer_Click();
  EXPECT_EQ(ReadFile(dir.File("example.kel")), once);
  MainForm other(platform, {',', true});
  other.Form_Load(dir.File("example.kel"));
  EXPECT_EQ(other.Sheet().TxRem, "intro\r\n[note] vérifier\r\nligne 2\r\n");
}

TEST_F(MainFormTest, UnnamedSectionAtTheTopOfADocumentKeepsWhatFollows) {
  WriteFile(dir.File("top.kel"),
            "[]\r\n=old remarks\r\n" + std::string(kExampleDocument) + "[CUIVRE]\r\nDia1=0,8\r\n");
  form.Form_Load(dir.File("top.kel"));
  platform.answers = {MsgAnswer::Ok};
  form.MnuEnregistrer_Click();
  MainForm other(platform, {',', true});
  other.Form_Load(dir.File("top.kel"));
  EXPECT_EQ(other.Sheet().TxVolts[0], "230");
  EXPECT_EQ(other.Sheet().TxDiaCu[1], "0,8");
  EXPECT_TRUE(other.Sheet().DiaForced[1]);
}

TEST_F(MainFormTest, EnterAndTabInAmpsRunTheChainEachTime) {
  StartOnExample();
  const int base = form.Recalculations();
  Type({Control::TxAmps, 1}, "2");
  EXPECT_TRUE(form.KeyPress({Control::TxAmps, 1}, kEnterKey));
  EXPECT_EQ(form.Recalculations(), base + 1);
  EXPECT_TRUE(form.KeyPress({Control::TxAmps, 1}, kEnterKey));
  EXPECT_EQ(form.Recalculations(), base + 2) << "the remembered text is * after a run";
  form.LostFocus({Control::TxAmps, 1});
  EXPECT_EQ(form.Recalculations(), base + 3);
  EXPECT_EQ(form.Sheet().LbWatts, "200,");
}

TEST_F(MainFormTest, EnterInVoltsRemembersTheTextSoTabRunsNothingMore) {
  StartOnExample();
  const int base = form.Recalculations();
  Type({Control::TxVolts, 1}, "110");
  (void)form.TakeSelectAll();
  EXPECT_TRUE(form.KeyPress({Control::TxVolts, 1}, kEnterKey));
  EXPECT_EQ(form.Recalculations(), base + 1);
  EXPECT_EQ(form.TakeSelectAll(), (ControlRef{Control::TxVolts, 1})) << "whole text selected";
  form.LostFocus({Control::TxVolts, 1});
  EXPECT_EQ(form.Recalculations(), base + 1);
}

TEST_F(MainFormTest, TabbingWithoutTypingRunsNothing) {
  StartOnExample();
  const int base = form.Recalculations();
  const std::vector<ControlRef> order = {
      {Control::TxFreq, 0},     {Control::TxVolts, 0}, {Control::TxVolts, 1}, {Control::TxAmps, 1},
      {Control::TxDCourant, 0}, {Control::TxDiaCu, 0}, {Control::TxDiaCu, 4}};
  for (const ControlRef& c : order) {
    form.GotFocus(c);
    form.LostFocus(c);
  }
  EXPECT_EQ(form.Recalculations(), base);
}

TEST_F(MainFormTest, EnterIsConsumedInEveryValueFieldAndCountsOnlyAChangedText) {
  StartOnExample();
  struct Case {
    ControlRef field;
    const char* typed;
  };
  const Case cases[] = {{{Control::TxFreq, 0}, "60"},
                        {{Control::TxVolts, 1}, "110"},
                        {{Control::TxAmps, 1}, "2"},
                        {{Control::TxDCourant, 0}, "3,2"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.field.control));
    const int base = form.Recalculations();
    form.GotFocus(c.field);
    EXPECT_TRUE(form.KeyPress(c.field, kEnterKey));
    EXPECT_EQ(form.Recalculations(), base) << "an unchanged text runs nothing";
    form.SetText(c.field, c.typed);
    EXPECT_TRUE(form.KeyPress(c.field, kEnterKey));
    EXPECT_EQ(form.Recalculations(), base + 1);
    EXPECT_FALSE(form.KeyPress(c.field, 'x')) << "other characters pass untouched";
    form.LostFocus(c.field);
  }
  // A diameter lets an Enter that changes nothing through to the field.
  const int base = form.Recalculations();
  form.GotFocus({Control::TxDiaCu, 3});
  EXPECT_FALSE(form.KeyPress({Control::TxDiaCu, 3}, kEnterKey));
  EXPECT_EQ(form.Recalculations(), base);
}

TEST_F(MainFormTest, TypedDiameterIsImposedUntilEmptied) {
  StartOnExample();
  Type({Control::TxDiaCu, 1}, "0,8");
  form.LostFocus({Control::TxDiaCu, 1});
  EXPECT_TRUE(form.Sheet().DiaForced[1]);
  EXPECT_EQ(form.Sheet().TxDiaCuColour[1], TextColour::Red);
  Type({Control::TxDCourant, 0}, "2");
  form.LostFocus({Control::TxDCourant, 0});
  EXPECT_EQ(form.Sheet().TxDiaCu[1], "0,8") << "kept through later recalculations";
  EXPECT_EQ(form.Sheet().LbDiaMin[1], "0,8") << "1 A at 2 A/mm²: 0.799";

  Type({Control::TxDiaCu, 1}, "");
  form.LostFocus({Control::TxDiaCu, 1});
  EXPECT_FALSE(form.Sheet().DiaForced[1]);
  EXPECT_EQ(form.Sheet().TxDiaCuColour[1], TextColour::Black);
  EXPECT_EQ(form.Sheet().TxDiaCu[1], "0,8");
  Type({Control::TxDCourant, 0}, "3,6");
  form.LostFocus({Control::TxDCourant, 0});
  EXPECT_EQ(form.Sheet().TxDiaCu[1], "0,6") << "follows the current density again";
}

TEST_F(MainFormTest, EmptiedDiameterConfirmedWithEnterThenTabIsImposedAgain) {
  StartOnExample();
  Type({Control::TxDiaCu, 1}, "");
  EXPECT_TRUE(form.KeyPress({Control::TxDiaCu, 1}, kEnterKey));
  EXPECT_FALSE(form.Sheet().DiaForced[1]);
  EXPECT_EQ(form.Sheet().TxDiaCu[1], "0,6");
  form.LostFocus({Control::TxDiaCu, 1});
  EXPECT_TRUE(form.Sheet().DiaForced[1]) << "the computed text now counts as typed";
  EXPECT_EQ(form.Sheet().TxDiaCuColour[1], TextColour::Red);
  Type({Control::TxDCourant, 0}, "2");
  form.LostFocus({Control::TxDCourant, 0});
  EXPECT_EQ(form.Sheet().TxDiaCu[1], "0,6");
}

TEST_F(MainFormTest, CurrentDensityAtOrBelowZeroCountsOnlyOnEnter) {
  StartOnExample();
  const int base = form.Recalculations();
  for (const char* text : {"", "0", "-1", "abc"}) {
    Type({Control::TxDCourant, 0}, text);
    form.LostFocus({Control::TxDCourant, 0});
  }
  EXPECT_EQ(form.Recalculations(), base);
  Type({Control::TxDCourant, 0}, "0,8");
  form.LostFocus({Control::TxDCourant, 0});
  EXPECT_EQ(form.Recalculations(), base + 1);
  Type({Control::TxDCourant, 0}, "0");
  EXPECT_TRUE(form.KeyPress({Control::TxDCourant, 0}, kEnterKey));
  EXPECT_EQ(form.Recalculations(), base + 2);
  EXPECT_EQ(platform.MessageTexts().back(), "Erreur de saisie");
}

TEST_F(MainFormTest, OpeningTheMenuTakesTheChangedFieldFirstAndOnlyOnce) {
  StartOnExample();
  const int base = form.Recalculations();
  Type({Control::TxFreq, 0}, "60");
  form.MnuFichier_Click();
  EXPECT_EQ(form.Recalculations(), base + 1);
  EXPECT_EQ(form.Focused(), (ControlRef{Control::LstCore, 0}));
  form.LostFocus({Control::TxFreq, 0});  // the toolkit's own report of the same focus loss
  EXPECT_EQ(form.Recalculations(), base + 1);
  EXPECT_EQ(form.Sheet().LbKgFe, "1,19");
}

TEST_F(MainFormTest, InductionButtonsStepAndRecalculate) {
  StartOnExample();
  form.BtPlusT_Click();
  EXPECT_EQ(form.Sheet().TxTesla, "1,75");
  EXPECT_EQ(form.Sheet().LbTrueTesla, "1,75");
  form.BtPlusT_Click();
  EXPECT_EQ(form.Sheet().TxTesla, "1,8");
  form.BtMoinsT_Click();
  form.BtMoinsT_Click();
  form.BtMoinsT_Click();
  EXPECT_EQ(form.Sheet().TxTesla, "1,65");
  EXPECT_EQ(form.Sheet().LbTrueTeslaColour, TextColour::Black);
  EXPECT_EQ(form.Title(), title_prefix + dir.File("example.kel") + " *");
}

TEST_F(MainFormTest, PickingACoreImposesItUntilANewDesign) {
  StartOnExample();
  const int base = form.Recalculations();
  form.LstCore_DblClick("ei10");
  EXPECT_EQ(form.Recalculations(), base) << "the core already in use, whatever the case";
  form.LstCore_DblClick("EI20");
  EXPECT_EQ(form.Recalculations(), base + 1);
  EXPECT_TRUE(form.Sheet().CoreForced);
  EXPECT_EQ(form.Sheet().LbNoyau, "EI20");
  EXPECT_EQ(form.Sheet().LbNoyauMin, "EI10");
  EXPECT_EQ(form.Sheet().LbNoyauColour, TextColour::Red);

  platform.answers = {MsgAnswer::No};
  form.MnuNouveau_Click();
  EXPECT_FALSE(form.Sheet().CoreForced);
  EXPECT_EQ(form.Sheet().LbNoyauColour, TextColour::Black);
  EXPECT_EQ(form.CoreList().size(), 3u);
}

TEST_F(MainFormTest, NewOnAModifiedDocumentAsksWithThePathAsTitle) {
  StartOnExample();
  form.BtPlusT_Click();
  platform.answers = {MsgAnswer::Cancel};
  form.MnuNouveau_Click();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "Enregistrer les modifications ?");
  EXPECT_EQ(platform.messages[0].buttons, MsgButtons::YesNoCancel);
  EXPECT_EQ(platform.messages[0].title, dir.File("example.kel"));
  EXPECT_EQ(form.DocPath(), dir.File("example.kel"));
  EXPECT_EQ(form.Sheet().TxTesla, "1,75");
  EXPECT_EQ(form.Title(), title_prefix + dir.File("example.kel") + " *");

  platform.answers = {MsgAnswer::No};
  form.MnuNouveau_Click();
  EXPECT_EQ(form.DocPath(), "");
  EXPECT_EQ(form.Sheet().TxTesla, "1,5");
  EXPECT_EQ(form.Title(), title_prefix);
  EXPECT_NE(ReadFile(dir.File("example.kel")).find("Tesla=1.7"), std::string::npos);
}

TEST_F(MainFormTest, NewOnAModifiedDesignWithoutFileAsksFirstAndCancelKeepsIt) {
  form.Form_Load("");
  form.BtPlusT_Click();
  const std::string marked = title_prefix + " *";
  // Cancel of the question, then Yes with the save dialog cancelled: the design stays marked.
  platform.answers = {MsgAnswer::Cancel, MsgAnswer::Yes};
  form.MnuNouveau_Click();
  form.MnuNouveau_Click();
  EXPECT_EQ(platform.MessageTexts(), (std::vector<std::string>{"Enregistrer les modifications ?",
                                                               "Enregistrer les modifications ?"}));
  ASSERT_EQ(platform.dialogs.size(), 1u);
  EXPECT_EQ(platform.dialogs[0].title, "Enregistrer sous ...");
  EXPECT_EQ(form.Sheet().TxTesla, "1,55");
  EXPECT_TRUE(form.Modified());
  EXPECT_EQ(form.Title(), marked) << "the mark tells the truth after a cancelled dialog";

  platform.answers = {MsgAnswer::No};
  form.MnuNouveau_Click();
  EXPECT_EQ(form.Sheet().TxTesla, "1,5");
  EXPECT_EQ(form.Title(), title_prefix);
}

TEST_F(MainFormTest, NewAfterAFailedSaveKeepsTheDesign) {
  form.Form_Load("");
  Type({Control::TxVolts, 1}, "48");
  form.LostFocus({Control::TxVolts, 1});
  platform.dialog_answers = {dir.File("no such folder/x.kel")};
  form.MnuNouveau_Click();  // Yes to the question, then a path that cannot be written
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_NE(platform.messages[1].text.find("Impossible d'enregistrer"), std::string::npos);
  EXPECT_EQ(form.Sheet().TxVolts[1], "48") << "the design the user could not save is still there";
  EXPECT_TRUE(form.Modified());
}

TEST_F(MainFormTest, ClosingAsksForUnsavedChangesEvenWithoutAFile) {
  form.Form_Load("");
  EXPECT_TRUE(form.Form_QueryUnload()) << "nothing to lose";
  form.BtPlusT_Click();
  platform.answers = {MsgAnswer::Cancel};
  EXPECT_FALSE(form.MnuQuitter_Click());
  platform.answers = {MsgAnswer::Yes};  // then the save dialog, cancelled
  EXPECT_FALSE(form.Form_QueryUnload()) << "a save that did not happen keeps the program open";
  platform.answers = {MsgAnswer::Yes};
  platform.dialog_answers = {dir.File("kept.kel")};
  EXPECT_TRUE(form.Form_QueryUnload());
  EXPECT_NE(ReadFile(dir.File("kept.kel")).find("Tesla=1,55"), std::string::npos);
}

TEST_F(MainFormTest, YesWhoseReplaceIsRefusedDoesNotDropTheDesign) {
  StartOnExample();
  form.BtPlusT_Click();
  platform.answers = {MsgAnswer::Yes, MsgAnswer::Cancel};
  EXPECT_FALSE(form.Form_QueryUnload());
  EXPECT_EQ(form.DocPath(), dir.File("example.kel"));
  EXPECT_TRUE(form.Modified());
}

TEST_F(MainFormTest, OpenCancelledKeepsTheDesignWithoutItsPath) {
  StartOnExample();
  form.MnuOuvrir_Click();
  ASSERT_EQ(platform.dialogs.size(), 1u);
  EXPECT_EQ(platform.dialogs[0].title, "Ouvrir");
  EXPECT_EQ(platform.dialogs[0].initial_folder, dir.path());
  EXPECT_EQ(platform.dialogs[0].file_name, "example.kel");
  EXPECT_EQ(form.DocPath(), "");
  EXPECT_EQ(form.Title(), title_prefix);
  EXPECT_EQ(form.Sheet().TxSpires[0], "609");
}

TEST_F(MainFormTest, NoBeforeACancelledOpenLeavesNothingToAskAtClose) {
  StartOnExample();
  form.BtPlusT_Click();
  platform.answers = {MsgAnswer::No};
  form.MnuOuvrir_Click();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_TRUE(form.Form_QueryUnload());
  EXPECT_EQ(platform.messages.size(), 1u) << "the changes were declined once already";
}

TEST_F(MainFormTest, TheMarkIsShownExactlyWhileTheDesignIsModified) {
  StartOnExample();
  // Each title the view is told, with the number of dialogs shown by then.
  std::vector<std::pair<std::string, std::size_t>> shown;
  form.SetTitleListener(
      [&](const std::string& title) { shown.emplace_back(title, platform.dialogs.size()); });
  form.BtPlusT_Click();
  form.MnuEnregistrerSous_Click();  // dialog cancelled
  EXPECT_TRUE(form.Modified());
  EXPECT_EQ(form.Title(), title_prefix + " *");

  // No before "Ouvrir": the mark goes before the open dialog comes up.
  StartOnExample();
  form.BtPlusT_Click();
  shown.clear();
  platform.dialogs.clear();
  platform.answers = {MsgAnswer::No};
  form.MnuOuvrir_Click();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), std::make_pair(title_prefix + dir.File("example.kel"), std::size_t{0}))
      << "told to the view before the open dialog";
  EXPECT_EQ(form.Title(), title_prefix) << "the open dialog was cancelled: no path, no mark";
}

TEST_F(MainFormTest, FailedSaveTellsTheUserAndKeepsEverything) {
  StartOnExample();
  const std::string before = ReadFile(dir.File("example.kel"));
  form.BtPlusT_Click();
  IniFileOps failing;
  failing.write = [](int, const void*, std::size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  form.SetFileOps(failing);
  platform.answers = {MsgAnswer::Ok};
  form.MnuEnregistrer_Click();
  form.SetFileOps({});
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_NE(platform.messages[1].text.find(dir.File("example.kel")), std::string::npos);
  EXPECT_TRUE(form.Modified());
  EXPECT_EQ(form.Title(), title_prefix + dir.File("example.kel") + " *");
  EXPECT_EQ(ReadFile(dir.File("example.kel")), before);
}

TEST_F(MainFormTest, ManufacturingSheetListsTheUsedWindingsOnly) {
  WriteFile(dir.File("Alim12.kel"),
            std::string(kExampleDocument) + "Volts2=12\r\nAmps2=2\r\nAmps3=4\r\n");
  form.Form_Load(dir.File("Alim12.kel"));
  form.TxRem_Change("ligne 1\r\nligne 2");
  form.MnuDossier_Click();
  const std::string sheet = ReadFile(dir.File("Alim12.dfa"));
  EXPECT_EQ(platform.shown_files, std::vector<std::string>{dir.File("Alim12.dfa")});
  EXPECT_EQ(sheet.find("[FAB]\nModele=Tranformateur Alimentation Alim12.kel\nNoyau="), 0u);
  EXPECT_NE(sheet.find("Secondaire 1=\t ("), std::string::npos);
  EXPECT_NE(sheet.find("Secondaire 2=\t ("), std::string::npos);
  EXPECT_EQ(sheet.find("Secondaire 3"), std::string::npos) << "amps without volts: left out";
  EXPECT_NE(sheet.find("ligne 1\r\nligne 2"), std::string::npos);
  form.MnuDossier_Click();
  EXPECT_EQ(ReadFile(dir.File("Alim12.dfa")), sheet) << "the old sheet is deleted first";
}

TEST_F(MainFormTest, SheetOfADesignWithoutDocumentAsksForOneFirst) {
  form.Form_Load("");
  form.MnuDossier_Click();
  EXPECT_EQ(platform.dialogs.size(), 1u);
  EXPECT_TRUE(platform.shown_files.empty());
  platform.dialog_answers = {dir.File("new.kel")};
  platform.viewer_works = false;
  form.MnuDossier_Click();
  EXPECT_NE(ReadFile(dir.File("new.dfa")).find("Modele="), std::string::npos);
  ASSERT_FALSE(platform.messages.empty());
  EXPECT_NE(platform.messages.back().text.find("new.dfa"), std::string::npos)
      << "a viewer that cannot start is reported";
}

// Where each dialog opens on a machine set up as the user meets it: the "Database" dialog in the
// folder of the bundled catalogue (accepting its proposal works), the design dialogs in the
// folder of the last document while it exists, else in the documents folder.
TEST(DialogFolderTest, EachDialogOpensWhereTheFilesAre) {
  const TempDir dir;
  const std::string home = dir.File("home");
  std::filesystem::create_directories(home + "/Documents");
  std::filesystem::create_directories(dir.File("cfg"));
  WriteFile(dir.File("cfg/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
  const test::ScopedEnv home_env("HOME", home.c_str());
  const test::ScopedEnv xdg("XDG_CONFIG_HOME", dir.File("cfg").c_str());
  const std::string designs = dir.File("designs");
  std::filesystem::create_directories(designs);
  WriteFile(designs + "/alim.kel", kExampleDocument);

  const struct {
    const char* layout;
    std::string program, catalogue_folder, mru;
    std::string open_folder, open_name, save_folder;
  } cases[] = {
      {"build tree, no Mru", dir.File("build/bin/kelvanor"), dir.File("build/bin"), "",
       home + "/Documents", "", home + "/Documents"},
      {"installed, no Mru", dir.File("usr/bin/kelvanor"), dir.File("usr/share/kelvanor"), "",
       home + "/Documents", "", home + "/Documents"},
      {"installed, Mru present", dir.File("usr/bin/kelvanor"), dir.File("usr/share/kelvanor"),
       designs + "/alim.kel", designs, "alim.kel", designs},
      {"installed, Mru stale", dir.File("usr/bin/kelvanor"), dir.File("usr/share/kelvanor"),
       dir.File("gone/alim.kel"), home + "/Documents", "", home + "/Documents"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout);
    std::filesystem::remove_all(dir.File("cfg/kelvanor"));
    std::filesystem::create_directories(dir.File("cfg/kelvanor"));
    std::filesystem::create_directories(FolderOf(c.program));
    std::filesystem::create_directories(c.catalogue_folder);
    if (!std::filesystem::exists(c.catalogue_folder + "/Zivodevu.mdb")) {
      test::MakeCatalogue(c.catalogue_folder + "/Zivodevu.mdb", {{"EI10", 10, 0.6, 12, 30, 20}});
    }
    if (!c.mru.empty()) WriteIni(dir.File("cfg/kelvanor/kelvanor.ini"), "GLOBAL", "Mru", c.mru);

    FakePlatform platform;
    platform.executable_path = c.program;
    // The user accepts what the "Database" dialog proposes, and cancels the others.
    platform.dialog_answers = {c.catalogue_folder + "/Zivodevu.mdb"};
    MainForm form(platform, {',', true});
    form.Form_Load("");
    ASSERT_GE(platform.dialogs.size(), 1u);
    EXPECT_EQ(platform.dialogs[0].title, "Database");
    EXPECT_EQ(platform.dialogs[0].initial_folder, c.catalogue_folder);
    EXPECT_EQ(platform.dialogs[0].file_name, "Zivodevu.mdb");
    EXPECT_EQ(form.CoreList(), std::vector<std::string>{"EI10"}) << "the catalogue serves";
    EXPECT_EQ(form.SettingsPath(), dir.File("cfg/kelvanor/kelvanor.ini"));

    platform.dialogs.clear();
    form.MnuOuvrir_Click();
    form.MnuEnregistrerSous_Click();
    ASSERT_EQ(platform.dialogs.size(), 2u);
    EXPECT_EQ(platform.dialogs[0].initial_folder, c.open_folder);
    EXPECT_EQ(platform.dialogs[0].file_name, c.open_name);
    EXPECT_EQ(platform.dialogs[1].initial_folder, c.save_folder);
    EXPECT_EQ(platform.dialogs[1].file_name, "Nouveau.kel");
  }
}

// Each input error keeps its message and tells where the chain stopped.
TEST_F(MainFormTest, InputErrorsTellTheirCause) {
  struct Case {
    std::function<void(DesignSheet&)> edit;
    const char* cause;
  };
  const std::vector<Case> cases = {
      {[](DesignSheet& s) { s.TxFreq = "0"; }, "La fréquence est nulle."},
      {[](DesignSheet& s) { s.TxDCourant = "0"; }, "La densité de courant est nulle."},
      {[](DesignSheet& s) { s.TxDCourant = "-2"; }, "La densité de courant est négative."},
      {[](DesignSheet& s) { s.TxVolts[0] = ""; },
       "Le primaire n'a pas de tension alors que des secondaires débitent."},
      {[](DesignSheet& s) { s.TxVolts[2] = "12"; },
       "Le secondaire 2 a une tension mais pas de courant."},
      {[](DesignSheet& s) { s.TxAmps[1] = "-1"; }, "La puissance fournie est négative."},
      {[](DesignSheet& s) { s.TxTesla = "0"; }, "L'induction est nulle."},
      {[](DesignSheet& s) {
         s.TxDiaCu[1] = "0";
         s.DiaForced[1] = true;
       },
       "Le diamètre imposé au secondaire 1 n'est pas un nombre positif."},
      {[](DesignSheet& s) { s.TxVolts[1] = "1e39"; }, "Valeur hors limites."},
  };
  for (const Case& c : cases) {
    StartOnExample();
    platform.messages.clear();
    platform.causes.clear();
    c.edit(form.Sheet());
    form.ComputeW();
    EXPECT_EQ(platform.MessageTexts(), std::vector<std::string>{"Erreur de saisie"}) << c.cause;
    EXPECT_EQ(platform.causes, std::vector<std::string>{c.cause});
  }
}

TEST_F(MainFormTest, AutomaticChoiceUndoesAPickedCore) {
  StartOnExample();
  form.LstCore_DblClick("EI20");
  ASSERT_TRUE(form.Sheet().CoreForced);
  const int before = form.Recalculations();
  form.MnuNoyauAuto_Click();
  const DesignSheet& s = form.Sheet();
  EXPECT_EQ(form.Recalculations(), before + 1);
  EXPECT_FALSE(s.CoreForced);
  EXPECT_EQ(s.LbNoyau, "EI10");
  EXPECT_EQ(s.LbNoyauColour, TextColour::Black);
  EXPECT_EQ(s.TxNoyauColour, TextColour::Black);
  platform.answers = {MsgAnswer::Ok};  // replace the document
  form.MnuEnregistrer_Click();
  EXPECT_EQ(ReadIni(dir.File("example.kel"), "NOYAU", "Type"), "");
  // Already automatic: nothing to do.
  form.MnuNoyauAuto_Click();
  EXPECT_EQ(form.Recalculations(), before + 1);
}

TEST_F(MainFormTest, RecentDocumentsKeepTheLastEightLatestFirst) {
  StartOnExample();
  std::vector<std::string> paths;
  for (int n = 0; n < 10; ++n) {
    paths.push_back(dir.File("d" + std::to_string(n) + ".kel"));
    WriteFile(paths.back(), kExampleDocument);
    form.MnuRecent_Click(paths.back());
  }
  form.MnuRecent_Click(paths[5]);  // reopened: moves up, not listed twice
  const std::vector<std::string> expected = {paths[5], paths[9], paths[8], paths[7],
                                             paths[6], paths[4], paths[3], paths[2]};
  EXPECT_EQ(form.RecentDocuments(), expected);
  EXPECT_EQ(Settings("Mru"), paths[5]);
  EXPECT_EQ(form.DocPath(), paths[5]);

  RemoveFile(paths[9], 1);
  form.MnuRecent_Click(paths[9]);
  EXPECT_EQ(platform.MessageTexts().back(), "Le document " + paths[9] + " n'existe plus.");
  EXPECT_EQ(form.RecentDocuments().size(), 7u);
  EXPECT_EQ(form.DocPath(), paths[5]);
}

TEST_F(MainFormTest, CatalogueThatCannotOpenIsToldOncePerPathAndAnotherCanBeChosen) {
  WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", dir.File("absent.db"));
  StartOnExample();
  form.ComputeW();
  form.ComputeW();
  EXPECT_EQ(platform.messages.size(), 1u);
  EXPECT_TRUE(form.CoreList().empty());

  platform.dialog_answers = {catalogue};
  form.MnuCatalogue_Click();
  EXPECT_EQ(platform.dialogs.back().title, "Database");
  EXPECT_EQ(Settings("DataBase"), catalogue);
  EXPECT_EQ(form.CoreList(), (std::vector<std::string>{"EI10", "EI15", "EI20"}));
  EXPECT_EQ(form.Sheet().LbNoyau, "EI10");
  EXPECT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(form.AboutText().find(catalogue), std::string::npos);

  // Another path that fails is told once again, and the list no longer shows the old cores.
  platform.dialog_answers = {dir.File("autre.db")};
  form.MnuCatalogue_Click();
  form.ComputeW();
  EXPECT_EQ(platform.messages.size(), 2u);
  EXPECT_TRUE(form.CoreList().empty());
}

TEST_F(MainFormTest, AboutBoxNamesVersionLicenceAndDataSources) {
  form.Form_Load("");
  form.MnuAPropos_Click();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].title, "À propos de Kelvanor");
  const std::string name = std::string("Kelvanor ") + kVersionText;
  for (const char* part : {name.c_str(), "GPL-3.0-or-later", catalogue.c_str(), "EI"}) {
    EXPECT_NE(platform.messages[0].text.find(part), std::string::npos) << part;
  }
}

TEST_F(MainFormTest, SheetLandsBesideItsDocumentAndNeverReplacesIt) {
  std::filesystem::create_directory(dir.File("jean.dupont"));
  WriteFile(dir.File("jean.dupont/Alim.old.kel"), kExampleDocument);
  form.Form_Load(dir.File("jean.dupont/Alim.old.kel"));
  form.MnuDossier_Click();
  EXPECT_EQ(platform.shown_files, std::vector<std::string>{dir.File("jean.dupont/Alim.dfa")});

  WriteFile(dir.File("proj.dfa"), kExampleDocument);
  form.Form_Load(dir.File("proj.dfa"));
  form.MnuDossier_Click();
  EXPECT_EQ(ReadFile(dir.File("proj.dfa")), kExampleDocument);
  EXPECT_EQ(platform.shown_files.size(), 1u);
  ASSERT_FALSE(platform.messages.empty());
  EXPECT_NE(platform.messages.back().text.find(dir.File("proj.dfa")), std::string::npos);
}

TEST_F(MainFormTest, RelativeDocumentPathIsRememberedAbsolute) {
  WriteFile(dir.File("alim.kel"), kExampleDocument);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  form.Form_Load("alim.kel");
  std::filesystem::current_path(previous);
  EXPECT_EQ(form.DocPath(), dir.File("alim.kel"));
  EXPECT_EQ(Settings("Mru"), dir.File("alim.kel"));
}

TEST_F(MainFormTest, LinesAddedByHandAfterTheRemarksStay) {
  StartOnExample();
  const std::string path = dir.File("example.kel");
  form.TxRem_Change("intro\r\n[FAB]\r\nfin");
  form.MnuEnregistrer_Click();
  WriteFile(path, ReadFile(path) + "[PERSO]\r\nAuteur=Jean\r\n");
  MainForm other(platform, {',', true});
  other.Form_Load(path);
  const std::string loaded = other.Sheet().TxRem;
  other.MnuEnregistrer_Click();
  const std::string once = ReadFile(path);
  other.TxRem_Change("autre");
  other.MnuEnregistrer_Click();
  other.TxRem_Change(loaded);
  other.MnuEnregistrer_Click();
  EXPECT_EQ(ReadFile(path), once);
  EXPECT_EQ(ReadIni(path, "PERSO", "Auteur"), "Jean");
  EXPECT_NE(once.find("[]\r\n=intro\r\n[FAB]\r\nfin\r\n"), std::string::npos);
}

TEST_F(MainFormTest, RemarksChangedElsewhereWinOverOlderParts) {
  StartOnExample();
  const std::string path = dir.File("example.kel");
  form.TxRem_Change("a\r\n\r\nb");  // an empty line: stored in parts as well
  form.MnuEnregistrer_Click();
  ASSERT_EQ(ReadIni(path, "REMARQUES", "FreeTextParts"), "1");
  ASSERT_TRUE(WriteIni(path, "REMARQUES", "FreeText", "plus récent\t"));  // another program
  MainForm other(platform, {',', true});
  other.Form_Load(path);
  EXPECT_EQ(other.Sheet().TxRem, "plus récent\r\n");
  other.MnuEnregistrer_Click();
  MainForm third(platform, {',', true});
  third.Form_Load(path);
  EXPECT_EQ(third.Sheet().TxRem, "plus récent\r\n");
}

TEST_F(MainFormTest, DocumentChangedByAnotherProgramIsReplacedOnlyOnRequest) {
  StartOnExample();
  const std::string path = dir.File("example.kel");
  const std::string theirs = std::string(kExampleDocument) + "Volts2=5\r\n";
  WriteFile(path, theirs);
  form.BtPlusT_Click();
  platform.answers = {MsgAnswer::Cancel};
  EXPECT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Cancelled);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text,
            "Le document a été modifié par un autre programme depuis son ouverture. Le "
            "remplacer ?");
  EXPECT_EQ(platform.messages[0].buttons, MsgButtons::OkCancel);
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Question);
  EXPECT_EQ(ReadFile(path), theirs);
  EXPECT_TRUE(form.Modified());

  platform.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
  EXPECT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Saved);
  form.BtPlusT_Click();
  platform.messages.clear();
  EXPECT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Saved);
  EXPECT_EQ(platform.MessageTexts(), std::vector<std::string>{"Remplacer " + path + " existant"})
      << "its own save is no change by another program";
}

// A file that is not a design is never shown as one, never becomes the document a save writes
// over, and never the document of the next start; an empty file is a new design of that name.
TEST_F(MainFormTest, WhatIsNotADesignIsNotOpenedAndTheDesignOnScreenStays) {
  const struct {
    const char* name;
    std::string bytes;
  } kNotDesigns[] = {
      {"pdf", std::string("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< /Length 5 >>\nstream\n\x01\x00"
                          "\xFF\x10\nendstream\n",
                          60)},
      {"UTF-16", std::string("\xFF\xFE[\0S\0P\0E\0C\0I\0F\0S\0]\0\n\0", 22)},
      {"bytes Windows-1252 leaves undefined", "[SPECIFS]\nVolts0=2\x81\x8D\x90\n"},
      {"a letter", "Cher Monsieur,\nvoici le devis.\n"},
      {"a manufacturing sheet", "[FAB]\nModele=Tranformateur Alimentation a.kel\n"},
  };
  StartOnExample();
  const std::string example = dir.File("example.kel");
  form.BtPlusT_Click();
  const DesignSheet before = form.Sheet();
  for (const auto& [name, bytes] : kNotDesigns) {
    SCOPED_TRACE(name);
    const std::string path = dir.File(std::string(name) + ".pdf");
    WriteFile(path, bytes);
    platform.messages.clear();
    platform.answers = {MsgAnswer::No};  // drop the changes: the open is what counts here
    platform.dialog_answers = {path};
    EXPECT_FALSE(form.OpenDesign(true));
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[1].text,
              "Le fichier " + path +
                  " n'est pas un document de Kelvanor (ce n'est pas du texte, ou il ne contient "
                  "aucune donnée de calcul) : il n'est pas ouvert.");
    EXPECT_EQ(form.Sheet().TxTesla, before.TxTesla);
    EXPECT_EQ(form.Sheet().LbNoyau, before.LbNoyau);
    EXPECT_EQ(form.DocPath(), example);
    EXPECT_TRUE(form.Modified()) << "its changes are still unsaved";
    EXPECT_EQ(Settings("Mru"), example);
    EXPECT_EQ(ReadFile(path), bytes);
    // A recent document that became such a file meanwhile is dropped from the list.
    MainForm recent(platform, {',', true});
    WriteFile(path, kExampleDocument);
    recent.Form_Load(path);
    WriteFile(path, bytes);
    recent.MnuRecent_Click(path);
    EXPECT_EQ(recent.RecentDocuments(), std::vector<std::string>{example});
    MainForm next(platform, {',', true});
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "Mru", path);
    next.Form_Load("");
    EXPECT_EQ(next.DocPath(), "") << "the next start refuses it too, on a new design";
    EXPECT_EQ(next.Sheet().TxVolts[0], "230");
    EXPECT_EQ(Settings("Mru"), "");
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "Mru", example);
  }
  form.SaveDesign();
  WriteFile(dir.File("empty.kel"), "");
  platform.dialog_answers = {dir.File("empty.kel")};
  EXPECT_TRUE(form.OpenDesign(true));
  EXPECT_EQ(form.DocPath(), dir.File("empty.kel"));
  EXPECT_EQ(Settings("Mru"), dir.File("empty.kel"));
}

TEST_F(MainFormTest, DocumentDialogsOfferDocumentsFirstAndSaveAddsTheExtension) {
  const std::vector<std::string> filters = {"Documents Kelvanor (*.kel)", "Tous les fichiers (*)"};
  StartOnExample();
  form.MnuEnregistrerSous_Click();
  form.OpenDesign(true);
  ASSERT_EQ(platform.dialogs.size(), 2u);
  for (const FileDialogRequest& dialog : platform.dialogs) {
    EXPECT_EQ(dialog.filters, filters) << dialog.title;
    EXPECT_TRUE(dialog.caller_asks_before_replacing) << dialog.title;
  }
  const struct {
    std::string typed, saved;
  } kNames[] = {{"ampli-lampes", "ampli-lampes.kel"},
                {"ampli.v2", "ampli.v2"},
                {".cache", ".cache.kel"},
                {"sous.dossier/ampli", "sous.dossier/ampli.kel"}};
  std::filesystem::create_directory(dir.File("sous.dossier"));
  for (const auto& [typed, saved] : kNames) {
    platform.dialog_answers = {dir.File(typed)};
    form.MnuEnregistrerSous_Click();
    EXPECT_EQ(form.DocPath(), dir.File(saved));
    EXPECT_TRUE(FileExists(dir.File(saved))) << saved;
  }
  EXPECT_FALSE(FileExists(dir.File("ampli-lampes")));
  // The extension of the settings, when they name another one.
  WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "Extension", "trf");
  platform.dialog_answers = {dir.File("autre")};
  form.MnuEnregistrerSous_Click();
  EXPECT_EQ(form.DocPath(), dir.File("autre.trf"));
  EXPECT_EQ(platform.dialogs.back().filters[0], "Documents Kelvanor (*.trf)");
}

// Recovery documents lie beside the settings, one per session end, created where nothing is.
class RecoveryTest : public MainFormTest {
 protected:
  RecoveryTest() {
    std::filesystem::create_directory(dir.File("docs"));
    WriteFile(document, kExampleDocument);
  }
  // A session that ends with its design changed (Amps1 = 2, one step up in induction); one that
  // leaves the settings alone, so that it is offered no recovery itself.
  std::string EndChangedSession(FakePlatform& fake) {
    MainForm session(fake, {',', false});
    session.Form_Load(document);
    session.GotFocus({Control::TxAmps, 1});
    session.SetText({Control::TxAmps, 1}, "2");
    session.LostFocus({Control::TxAmps, 1});
    session.BtPlusT_Click();
    return session.KeepUnsavedForRecovery();
  }
  static std::string Stamp(int seconds_from_now) {
    const std::time_t when = std::time(nullptr) + seconds_from_now;
    std::tm local{};
    ::localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
  }
  const std::string document = dir.File("docs/alim.kel");
};

TEST_F(RecoveryTest, EverySessionEndKeepsItsOwnRecoveryBesideTheSettings) {
  MainForm unchanged(platform, {',', true});
  unchanged.Form_Load(document);
  EXPECT_EQ(unchanged.KeepUnsavedForRecovery(), "") << "nothing unsaved, nothing written";
  EXPECT_TRUE(unchanged.RecoveryDocuments().empty());

  // Links and a folder at the names of this second and the next: none is followed or replaced.
  const std::string victim = dir.File("docs/precieux.kel");
  WriteFile(victim, "[SPECIFS]\nVolts0=1\n");
  for (int second : {0, 1}) {
    std::filesystem::create_symlink(victim, dir.File("recuperation-" + Stamp(second) + ".kel"));
    std::filesystem::create_directory(dir.File("recuperation-" + Stamp(second) + "-2.kel"));
  }
  const std::string first = EndChangedSession(platform);
  const std::string second = EndChangedSession(platform);
  ASSERT_NE(first, "");
  ASSERT_NE(second, "");
  EXPECT_NE(first, second);
  for (const std::string& path : {first, second}) {
    EXPECT_EQ(FolderOf(path), dir.path()) << "beside the settings, not beside the document";
    EXPECT_EQ(FileNameOf(path).rfind("recuperation-2", 0), 0u) << path;
    EXPECT_FALSE(std::filesystem::is_symlink(path));
    EXPECT_NE(ReadFile(path).find("Amps1=2"), std::string::npos);
  }
  EXPECT_EQ(ReadFile(victim), "[SPECIFS]\nVolts0=1\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("docs")), {}), 2);
  EXPECT_EQ(ReadFile(document), kExampleDocument);

  // Nowhere to write: said on standard error, nothing left behind.
  FakePlatform full = PlatformIn(dir);
  MainForm failing(full, {',', false});
  failing.Form_Load(document);
  failing.BtPlusT_Click();
  failing.SetFileOps({.write = [](int, const void*, std::size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  }});
  testing::internal::CaptureStderr();
  EXPECT_EQ(failing.KeepUnsavedForRecovery(), "");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("récupération n'a pas pu être écrit"),
            std::string::npos);
  EXPECT_EQ(failing.RecoveryDocuments().size(), 2u) << "the two earlier ones only";
  // Without a settings folder (no home folder) no recovery path is made up.
  failing.SetSettingsPath("");
  EXPECT_EQ(failing.RecoveryFolder(), "");
  testing::internal::CaptureStderr();
  EXPECT_EQ(failing.KeepUnsavedForRecovery(), "");
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");
}

TEST_F(RecoveryTest, TheNextStartOffersEachRecoveryAndRemovesItOnlyOnceOpenedOrRefused) {
  const std::string older = EndChangedSession(platform);
  ASSERT_NE(older, "");
  const std::string newer = dir.File("recuperation-zz.kel");
  std::filesystem::copy_file(older, newer);
  std::filesystem::last_write_time(older,
                                   std::filesystem::last_write_time(older) - std::chrono::hours(1));
  const std::optional<FileStamp> newer_stamp = StampOf(newer);
  const std::time_t when = newer_stamp->modified_ns / 1'000'000'000;
  std::tm local{};
  ::localtime_r(&when, &local);
  char shown[64];
  std::strftime(shown, sizeof shown, "%d/%m/%Y à %H:%M", &local);

  // Refused: removed, the next one is offered; opened: removed, the design is back, unsaved and
  // belonging to its document.
  FakePlatform next = PlatformIn(dir);
  next.answers = {MsgAnswer::No, MsgAnswer::Yes};
  MainForm start(next, {',', true});
  start.Form_Load("");
  ASSERT_EQ(next.messages.size(), 2u);
  EXPECT_EQ(next.messages[0].text, "Un document de récupération du " + std::string(shown) +
                                       " existe, ainsi que 1 plus ancien. L'ouvrir ?");
  EXPECT_EQ(next.messages[0].buttons, MsgButtons::YesNoNoToAll);
  EXPECT_EQ(next.messages[1].buttons, MsgButtons::YesNo) << "the last one alone";
  EXPECT_EQ(next.messages[0].icon, MsgIcon::Question);
  EXPECT_FALSE(FileExists(newer));
  EXPECT_FALSE(FileExists(older));
  EXPECT_EQ(start.Sheet().TxAmps[1], "2");
  EXPECT_EQ(start.DocPath(), document);
  EXPECT_TRUE(start.Modified());
  EXPECT_EQ(start.Title().back(), '*');
  EXPECT_EQ(start.SaveDesign(), MainForm::SaveOutcome::Saved);
  EXPECT_EQ(ReadIni(document, "SPECIFS", "Amps1"), "2");

  // Neither opened nor refused (the calculator's sessions leave the user's things alone): kept.
  const std::string kept = EndChangedSession(platform);
  FakePlatform batch = PlatformIn(dir);
  MainForm calc(batch, {',', false});
  calc.Form_Load(document);
  EXPECT_TRUE(batch.messages.empty());
  EXPECT_TRUE(FileExists(kept));
}
}  // namespace
}  // namespace kel
