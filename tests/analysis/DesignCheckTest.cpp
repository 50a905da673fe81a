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
// 622 and 270 turns, 0.3927 and 0.5956 mm, 100 V at 1 A, EI84/35 (9.8 cm², 1.209 kg, hautcu 12,
// LargCu 39, longspire 17.6), 1.70 T at 50 Hz, default options (one chamber, 3 × 0.05 mm of
// tape, stacking 0.95, class B).
TEST_F(DesignCheckTest, WorkedExampleOnTheBundledCatalogue) {
  const DesignCheck& check = Open(kExample);
  ASSERT_TRUE(check.result) << check.none;
  const CheckResult& r = *check.result;
  EXPECT_EQ(r.core.ref, "EI84/35");
  ASSERT_EQ(r.windings.size(), 2u);
  const WindingCheck &p = r.windings[0], &s = r.windings[1];
  EXPECT_EQ(p.input.turns, 622);
  EXPECT_EQ(s.input.turns, 270);
  EXPECT_FALSE(s.input.imposed);
  EXPECT_EQ(p.strands, 1);
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
  ExpectClose(0.15, r.tape_mm, "3 × 0.05 over the primary");
  ASSERT_TRUE(r.complete && r.build_mm && r.fill_pct && r.copper_temperature_c);
  ExpectClose(7.807, *r.build_mm, "build");
  ExpectClose(65.05833333333334, *r.fill_pct, "fill");
  EXPECT_EQ(r.fill_status, FillStatus::Ok);
  ExpectClose(138.3008881569225, r.bobbin_perimeter_mm, "176 − 12π");
  ExpectClose(150.74787825044527, p.copper->mean_turn_mm, "P + 3.962π");
  ExpectClose(175.74553099505926, s.copper->mean_turn_mm, "P + π (2 × 4.112 + 3.695)");
  ExpectClose(93.76518027177696, p.copper->length_m, "L0");
  ExpectClose(12.864537603390952, p.copper->r20_ohm, "R20 0");
  ExpectClose(2.6244573893721728, s.copper->r20_ohm, "R20 1");
  ExpectClose(0.10474980373494229, p.copper->copper_mass_kg, "m0");
  ExpectClose(1.7894736842105263, r.induction_real_t, "1.7 ÷ 0.95");
  ExpectClose(1.968421052631579, r.induction_real_at_110pct_mains_t, "× 1.1");
  ExpectClose(6.8826297322253, r.iron_loss_w, "1.209 × 4 × (1.78947 ÷ 1.5)²");
  ExpectClose(0.4640080783828054, r.primary_current_a, "270 ÷ 622 + 6.88263 ÷ 230");
  ExpectClose(3.692458965459755, p.current_density, "J0 at I0");
  ExpectClose(279.69584580397327, r.surface_cm2, "41.3 × √(12 × 39 ÷ 100 × 9.8)");
  EXPECT_EQ(r.rounds, 4);
  EXPECT_TRUE(r.converged);
  ExpectClose(76.75998560539122, *r.copper_temperature_c, "T");
  ExpectClose(36.75998560539122, *r.temperature_rise_k, "ΔT");
  EXPECT_EQ(r.thermal_limit_c, 120);
  EXPECT_EQ(r.thermal_verdict, ThermalVerdict::Ok);
  EXPECT_EQ(r.required_class, InsulationClass::A);
  ExpectClose(15.734188112301696, *p.r_hot_ohm, "R0(T)");
  ExpectClose(3.2098865524880904, *s.r_hot_ohm, "R1(T)");
  ExpectClose(6.597512272446498, *r.copper_loss_w, "Pcu");
  ASSERT_TRUE(s.volts);
  ExpectClose(99.83922829581994, s.volts->no_load_v, "230 × 270 ÷ 622");
  ExpectClose(93.46018835821333, s.volts->loaded_v, "E × 270 ÷ 622 − R1");
  ExpectClose(6.8254088180917005, s.volts->regulation_pct, "regulation");
  ExpectClose(83.47626552863133, s.volts->loaded_v_at_90pct_mains, "at 207 V");
  ExpectClose(103.44411118779533, s.volts->loaded_v_at_110pct_mains, "at 253 V");
  ExpectClose(109.82315112540195, s.volts->no_load_v_at_110pct_mains, "253 × 270 ÷ 622");
  EXPECT_EQ(s.turns_to_wind, 290);
  EXPECT_EQ(r.turns_rounds, 3);  // 270 → 289 → 290 → 290
  ExpectClose(100.1472850329149, *s.loaded_v_at_turns_to_wind, "at 290 turns");
  ExpectClose(87.39470697450713, *r.efficiency_pct, "efficiency");

  // The JSON gives the same figures to the last digit.
  const std::string json = CheckJson(check);
  for (const char* pair :
       {"\"turns_to_wind\": 290", "\"r_hot_ohm\": 15.734188112301696", "\"fill_status\": \"ok\"",
        "\"rounds\": 4", "\"wire_mm\": 0.63", "\"complete\": true", "\"required_class\": \"A\"",
        "\"thermal_verdict\": \"ok\"", "\"strands\": 1", "\"imposed\": false",
        "\"chambers\": [{\"build_mm\": 7.807, \"fill_pct\": 65.05833333333334}]"}) {
    EXPECT_NE(json.find(pair), std::string::npos) << pair << " in " << json;
  }
  EXPECT_EQ(json.find("converged"), std::string::npos);
  EXPECT_EQ(json.find("flag"), std::string::npos);
  EXPECT_EQ(json.find("null"), std::string::npos);
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

TEST_F(DesignCheckTest, ImposedWireIsWoundAsTypedAndOneTooThickLeavesTheTotalsIncomplete) {
  // Stock wire between two table sizes stays what it is, not the next size up.
  const DesignCheck& stock = Open(std::string(kExample) + "[CUIVRE]\nDia1=0,85\n");
  ASSERT_TRUE(stock.result);
  const WindingCheck& s = stock.result->windings[1];
  EXPECT_TRUE(s.input.imposed);
  EXPECT_EQ(s.wire_mm, 0.85);
  ExpectClose(0.907, s.overall_mm, "0.85 + (0.055 + 0.059) ÷ 2");
  EXPECT_NE(CheckJson(stock).find("\"imposed\": true"), std::string::npos);

  const DesignCheck& check = Open(std::string(kExample) + "[CUIVRE]\nDia1=40\n");
  ASSERT_TRUE(check.result);
  EXPECT_EQ(check.result->windings[1].flag, WindingFlag::TooThick);
  EXPECT_EQ(check.result->windings[0].flag, WindingFlag::None);
  const std::string json = CheckJson(check);
  for (const char* pair :
       {"\"flag\": \"fil trop gros\"", "\"complete\": false", "\"fill_pct\": null",
        "\"copper_temperature_c\": null", "\"efficiency_pct\": null", "\"turns_to_wind\": null",
        "\"required_class\": null", "\"chambers\": [{\"build_mm\": null"}) {
    EXPECT_NE(json.find(pair), std::string::npos) << pair << " in " << json;
  }
  const std::string text = CheckTextSection(check, ',');
  EXPECT_NE(text.find("Rendement (%)           incomplet"), std::string::npos) << text;
  EXPECT_NE(text.find("Température (°C)        incomplet"), std::string::npos) << text;
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
  EXPECT_TRUE(panel.SetOption(CheckOption::Chambers, "2"));
  EXPECT_FALSE(panel.SetOption(CheckOption::InsulationClass, "B"));
  EXPECT_TRUE(form.Modified());
  EXPECT_EQ(form.Title().substr(form.Title().size() - 2), " *");
  EXPECT_EQ(panel.Check().options.steel, "M270-35A");
  form.MnuEnregistrer_Click();
  const std::string saved = ReadFile(dir.File("d.kel"));
  EXPECT_NE(saved.find("[VERIF]\nAmbiante=25,5\nTole=M270-35A\nCarcasse=2\n"), std::string::npos)
      << saved;
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
