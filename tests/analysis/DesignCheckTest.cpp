// The check on whole designs: the README's worked example on the bundled catalogue, the reasons
// for no check, the options kept in the document, and nothing of the chain's output changed.

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/CheckPanel.h"
#include "analysis/CheckReport.h"
#include "app/Report.h"
#include "documents/Ini.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

using test::ReadFile;
using test::WriteFile;

const char* kExample =
    "[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=1\n";

class DesignCheckTest : public ::testing::Test {
 protected:
  DesignCheckTest() {
    fake.executable_path = dir.File("kelvanor");
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", KELVANOR_BIN_DIR "/Zivodevu.mdb");
  }
  // Opens a document holding text and checks it.
  const DesignCheck& Open(const std::string& text, const std::string& name = "d.kel") {
    WriteFile(dir.File(name), text);
    form.Form_Load(dir.File(name));
    panel.Refresh();
    return panel.Check();
  }

  test::TempDir dir;
  test::FakePlatform fake;
  MainForm form{fake, {',', true}};
  CheckPanel panel{form, ','};
};

void ExpectClose(double expected, double actual, const char* what) {
  EXPECT_NEAR(actual, expected, std::fabs(expected) * 1e-9) << what;
}

// The figures of the README's worked example, worked by hand from the window's own figures:
// 622 and 270 turns, 0.3927 and 0.5956 mm, 0.43478 A, EI84/35 (9.8 cm², 1.209 kg, hautcu 12,
// LargCu 39, longspire 17.6), 1.70 T at 50 Hz, default options.
TEST_F(DesignCheckTest, WorkedExampleOnTheBundledCatalogue) {
  const DesignCheck& check = Open(kExample);
  ASSERT_TRUE(check.result) << check.none;
  const CheckResult& r = *check.result;
  EXPECT_EQ(r.core.ref, "EI84/35");
  ASSERT_EQ(r.windings.size(), 2u);
  const WindingCheck &p = r.windings[0], &s = r.windings[1];
  EXPECT_EQ(p.input.turns, 622);
  EXPECT_EQ(s.input.turns, 270);
  EXPECT_EQ(p.wire_mm, 0.4);
  EXPECT_EQ(s.wire_mm, 0.63);  // no 0.6 mm in the table
  EXPECT_EQ(p.overall_mm, 0.439);
  EXPECT_EQ(s.overall_mm, 0.679);
  EXPECT_EQ(p.turns_per_layer, 88);  // ⌊39 ÷ 0.439⌋
  EXPECT_EQ(s.turns_per_layer, 57);
  EXPECT_EQ(p.layers, 8);  // ⌈622 ÷ 88⌉
  EXPECT_EQ(s.layers, 5);
  ExpectClose(3.962, p.build_mm, "8 × 0.439 + 7 × 0.05 + 0.1");
  ExpectClose(3.695, s.build_mm, "5 × 0.679 + 4 × 0.05 + 0.1");
  ExpectClose(7.657, r.build_mm, "build");
  ExpectClose(63.808333333333344, r.fill_pct, "fill");
  EXPECT_EQ(r.fill_status, FillStatus::Ok);
  ExpectClose(3.4598899537910808, p.current_density, "J0");
  ExpectClose(109.472, p.length_m, "L0");
  ExpectClose(15.019505710290952, p.r20_ohm, "R20 0");
  ExpectClose(2.6282574465150303, s.r20_ohm, "R20 1");
  ExpectClose(0.12229668285427685, p.copper_mass_kg, "m0");
  ExpectClose(6.211573333333333, r.iron_loss_w, "1.209 × 4 × (1.7 ÷ 1.5)²");
  ExpectClose(279.69584580397327, r.surface_cm2, "41.3 × √(12 × 39 ÷ 100 × 9.8)");
  EXPECT_EQ(r.rounds, 4);
  EXPECT_TRUE(r.converged);
  ExpectClose(75.3777901682757, r.copper_temperature_c, "T");
  ExpectClose(35.377790168275695, r.temperature_rise_k, "ΔT");
  EXPECT_EQ(r.thermal_class, "A");
  ExpectClose(18.288271560417893, p.r_hot_ohm, "R0(T)");
  ExpectClose(3.2002575077836077, s.r_hot_ohm, "R1(T)");
  ExpectClose(6.657397462669315, r.copper_loss_w, "Pcu");
  ExpectClose(99.83922829581994, s.no_load_v, "230 × 270 ÷ 622");
  ExpectClose(93.18738882282031, s.loaded_v, "E × 270 ÷ 622 − R1");
  ExpectClose(7.138132699100462, s.regulation_pct, "regulation");
  EXPECT_EQ(s.turns_to_wind, 290);
  ExpectClose(100.09015836525143, s.loaded_v_at_turns_to_wind, "at 290 turns");
  ExpectClose(88.59830943327924, r.efficiency_pct, "efficiency");

  // The JSON gives the same figures to the last digit.
  const std::string json = CheckJson(check);
  for (const char* pair : {"\"turns_to_wind\": 290", "\"r_hot_ohm\": 18.288271560417893",
                           "\"fill_status\": \"ok\"", "\"rounds\": 4", "\"wire_mm\": 0.63"}) {
    EXPECT_NE(json.find(pair), std::string::npos) << pair << " in " << json;
  }
  EXPECT_EQ(json.find("converged"), std::string::npos);
  EXPECT_EQ(json.find("flag"), std::string::npos);
}

TEST_F(DesignCheckTest, NoCheckSaysWhy) {
  EXPECT_EQ(Open("[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\n").none,
            kNoPower);
  EXPECT_EQ(
      Open("[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=0\nVolts0=230\nVolts1=100\nAmps1=1\n").none,
      kInputErrorMessage);
  // Far beyond the largest core of the catalogue.
  EXPECT_EQ(Open("[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\n"
                 "Amps1=1000\n")
                .none,
            kNoCore);
  EXPECT_EQ(CheckJson(panel.Check()), "{\"none\": \"pas de noyau\"}");
  EXPECT_EQ(MakeCheckView(panel.Check(), ',').none, "Pas de vérification : pas de noyau.");
  // After an error, a good recalculation brings the check back.
  EXPECT_TRUE(Open(kExample).result);
}

TEST_F(DesignCheckTest, ImposedDiameterAboveTheTableIsFlagged) {
  const DesignCheck& check = Open(std::string(kExample) + "[CUIVRE]\nDia1=5,5\n");
  ASSERT_TRUE(check.result);
  EXPECT_EQ(check.result->windings[1].flag, WindingFlag::OffTable);
  EXPECT_EQ(check.result->windings[0].flag, WindingFlag::None);
  EXPECT_NE(CheckJson(check).find("\"flag\": \"hors table\""), std::string::npos);
}

TEST_F(DesignCheckTest, OptionsLiveInTheDocumentAndChangeNothingElse) {
  // Without options: no [VERIF], and saving again changes no byte.
  Open(kExample);
  const std::string plain_report = JsonReport(form.Sheet(), {});
  form.MnuEnregistrer_Click();
  const std::string plain = ReadFile(dir.File("d.kel"));
  EXPECT_EQ(plain.find("VERIF"), std::string::npos);
  form.MnuDossier_Click();
  const std::string plain_sheet = ReadFile(dir.File("d.dfa"));
  const std::vector<std::pair<std::string, std::string>> plain_fab =
      IniDocument::Load(dir.File("d.kel")).Entries("FAB");
  form.MnuEnregistrer_Click();
  EXPECT_EQ(ReadFile(dir.File("d.kel")), plain);

  // An option changed in the window marks the design modified; only it is stored.
  EXPECT_TRUE(panel.SetOption(CheckOption::Steel, "M270-35A"));
  EXPECT_TRUE(panel.SetOption(CheckOption::Ambient, "25,5"));
  EXPECT_FALSE(panel.SetOption(CheckOption::Wrap, "0,1"));
  EXPECT_TRUE(form.Modified());
  EXPECT_EQ(form.Title().substr(form.Title().size() - 2), " *");
  EXPECT_EQ(panel.Check().options.steel, "M270-35A");
  form.MnuEnregistrer_Click();
  const std::string saved = ReadFile(dir.File("d.kel"));
  EXPECT_NE(saved.find("[VERIF]\nAmbiante=25,5\nTole=M270-35A\n"), std::string::npos) << saved;
  form.MnuDossier_Click();
  EXPECT_EQ(ReadFile(dir.File("d.dfa")), plain_sheet);
  EXPECT_EQ(IniDocument::Load(dir.File("d.kel")).Entries("FAB"), plain_fab);

  // Opened again, the options come back and the chain shows what it showed without them.
  form.Form_Load(dir.File("d.kel"));
  EXPECT_EQ(JsonReport(form.Sheet(), {}), plain_report);
  panel.Refresh();
  EXPECT_EQ(panel.Check().options.ambient_c, 25.5);
  EXPECT_EQ(panel.OptionText(CheckOption::Ambient), "25,5");
  EXPECT_EQ(panel.OptionText(CheckOption::Wrap), "0,1");

  // Back to its default, an option is emptied in the document and reads as the default.
  EXPECT_TRUE(panel.SetOption(CheckOption::Ambient, "40"));
  form.MnuEnregistrer_Click();
  EXPECT_EQ(ReadIni(dir.File("d.kel"), "VERIF", "Ambiante"), "");
  EXPECT_EQ(ReadIni(dir.File("d.kel"), "VERIF", "Tole"), "M270-35A");

  // A new design drops the options.
  form.MnuNouveau_Click();
  EXPECT_TRUE(form.Sheet().VerifOptions.empty());
}

TEST_F(DesignCheckTest, BadOptionInTheDocumentIsReportedKeptAndReplacedByItsDefault) {
  const DesignCheck& check = Open(std::string(kExample) + "[VERIF]\nGrade=7\nTole=M9\n");
  ASSERT_EQ(check.problems.size(), 2u);
  EXPECT_EQ(check.options, CheckOptions{});
  EXPECT_TRUE(check.result);
  EXPECT_EQ(MakeCheckView(check, ',').problems, check.problems);
  form.MnuEnregistrer_Click();
  EXPECT_EQ(ReadIni(dir.File("d.kel"), "VERIF", "Grade"), "7");
}

TEST(CoreLookup, ReadsTheCatalogueOnceAndFindsTheCoreTheSheetShows) {
  test::TempDir dir;
  const std::string path = test::MakeCatalogue(dir.File("c.db"), {{"EI10", 10, 0.6, 12, 30, 20},
                                                                  {"ei10", 11, 0.7, 13, 31, 21},
                                                                  {"EI20", 20, 1.2, 15, 35, 25}});
  CoreLookup lookup;
  DesignSheet sheet;
  sheet.LbNoyau = "EI10";
  sheet.LbFeSect = "11";
  sheet.LbFeMasse = "0,7";
  ASSERT_TRUE(lookup.Find(path, sheet));
  EXPECT_EQ(lookup.Find(path, sheet)->window_height_mm, 13);
  sheet.LbNoyau = "EI20";
  sheet.LbFeSect = "20";
  sheet.LbFeMasse = "1,2";
  EXPECT_EQ(lookup.Find(path, sheet)->mean_turn_cm, 25);
  EXPECT_EQ(lookup.CatalogueReads(), 1);
  // A catalogue changed since the recalculation no longer has the core the sheet shows...
  test::ExecuteSql(path, "UPDATE EI SET MasseFer = 1.3, hautcu = 16 WHERE Ref = 'EI20'");
  EXPECT_FALSE(lookup.Find(path, sheet));
  EXPECT_EQ(lookup.CatalogueReads(), 2);
  // ...until the recalculation has run on it.
  sheet.LbFeMasse = "1,3";
  EXPECT_EQ(lookup.Find(path, sheet)->window_height_mm, 16);
  sheet.LbNoyau = "?";
  EXPECT_FALSE(lookup.Find(path, sheet));
  EXPECT_FALSE(lookup.Find(dir.File("missing.db"), DesignSheet{}));
}

}  // namespace
}  // namespace kel
