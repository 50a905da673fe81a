// The window's logic with a scripted platform, real documents and a real catalogue in a
// temporary folder.

#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "documents/Ini.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

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
  const std::string title_prefix = "kelvanor Version 1.0.7   ";
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
  form.TxRem_Change("a\nb\rc\r\nd");
  platform.answers = {MsgAnswer::Ok};
  form.MnuEnregistrer_Click();
  MainForm other(platform, {',', true});
  other.Form_Load(dir.File("example.kel"));
  EXPECT_EQ(other.Sheet().TxRem, "a\nb\rc\r\nd");
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

TEST_F(MainFormTest, EnterInAnUnchangedFieldIsConsumedExceptInTheDiameters) {
  StartOnExample();
  const int base = form.Recalculations();
  form.GotFocus({Control::TxDiaCu, 3});
  EXPECT_FALSE(form.KeyPress({Control::TxDiaCu, 3}, kEnterKey));
  form.GotFocus({Control::TxAmps, 3});
  EXPECT_TRUE(form.KeyPress({Control::TxAmps, 3}, kEnterKey));
  EXPECT_FALSE(form.KeyPress({Control::TxAmps, 3}, 'x')) << "other characters pass untouched";
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

TEST_F(MainFormTest, NewOnAModifiedDesignWithoutFileShowsTheSaveDialog) {
  form.Form_Load("");
  form.BtPlusT_Click();
  form.MnuNouveau_Click();
  ASSERT_EQ(platform.dialogs.size(), 1u);
  EXPECT_EQ(platform.dialogs[0].title, "Enregistrer sous ...");
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(form.Sheet().TxTesla, "1,5") << "cancelled: the new design comes all the same";
}

TEST_F(MainFormTest, NewAfterAFailedSaveKeepsTheDesign) {
  form.Form_Load("");
  Type({Control::TxVolts, 1}, "48");
  form.LostFocus({Control::TxVolts, 1});
  platform.dialog_answers = {dir.File("no such folder/x.kel")};
  form.MnuNouveau_Click();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find("Impossible d'enregistrer"), std::string::npos);
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

TEST_F(MainFormTest, FailedSaveTellsTheUserAndKeepsEverything) {
  StartOnExample();
  const std::string before = ReadFile(dir.File("example.kel"));
  form.BtPlusT_Click();
  const IniFileOps failing{[](int, const void*, std::size_t) -> ssize_t {
                             errno = ENOSPC;
                             return -1;
                           },
                           SystemIniFileOps().fsync, SystemIniFileOps().rename};
  const IniFileOps saved = SetIniFileOps(failing);
  platform.answers = {MsgAnswer::Ok};
  form.MnuEnregistrer_Click();
  SetIniFileOps(saved);
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

}  // namespace
}  // namespace kel
