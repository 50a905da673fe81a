// The check on whole designs: the README's worked example on the bundled catalogue, the reasons
// for no check, the options kept in the document, and nothing of the chain's output changed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/CheckPanel.h"
#include "check/NoLoadFigures.h"
#include "documents/Ini.h"
#include "report/ChainReport.h"
#include "report/CheckText.h"
#include "report/CheckView.h"
#include "report/IdlePlots.h"
#include "report/WindingSvg.h"
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
  ASSERT_TRUE(check.result) << TermOf(check.none).text;
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
  // The crest induction in the iron is the primary's: √2 × 230 ÷ (2π × 50 × 622 × 9.31 cm²).
  const double b = std::sqrt(2.0) * 230 / (2 * std::numbers::pi * 50 * 622 * 9.8e-4 * 0.95);
  ExpectClose(1.7879398143625116, b, "B̂0 by hand");
  ExpectClose(b, r.induction_real_t, "B̂0");
  ExpectClose(1.1 * b, r.induction_real_at_110pct_mains_t, "× 1.1");
  ExpectClose(1.209 * 4 * (b / 1.5) * (b / 1.5), r.iron_loss_w, "1.209 × 4 × (1.78794 ÷ 1.5)²");
  ExpectClose(270.0 / 622 + r.iron_loss_w / 230, r.load_current_a, "270 ÷ 622 + 6.87084 ÷ 230");
  ExpectClose(r.load_current_a / p.section_mm2, p.current_density, "J0 at the load current");
  // Deep in saturation: the magnetising current, 2.6 times the load current, heats the primary.
  ASSERT_TRUE(r.no_load);
  const NoLoadResult& idle = *r.no_load;
  ExpectClose(1.209 / 7650 / (9.8e-4 * 0.95) * 1000, idle.iron_path_m * 1000, "l_fe = V ÷ A");
  ExpectClose(1.186536805013097, idle.at[0].magnetising.rms_a, "Iµ");
  ExpectClose(std::hypot(r.load_current_a, idle.at[0].magnetising.rms_a), r.primary_current_a,
              "I1n");
  EXPECT_EQ(idle.verdict, NoLoadVerdict::Saturated);
  EXPECT_EQ(idle.advised_induction_t, 1.35);
  ExpectClose(279.69584580397327, r.surface_cm2, "41.3 × √(12 × 39 ÷ 100 × 9.8)");
  EXPECT_EQ(r.rounds, 7);
  EXPECT_TRUE(r.converged);
  ExpectClose(131.5355738758637, *r.copper_temperature_c, "T");
  EXPECT_EQ(r.thermal_verdict, ThermalVerdict::TooHot);
  EXPECT_EQ(r.required_class, InsulationClass::F);
  ExpectClose(12.864537603390952 * (1 + 0.00393 * (131.5355738758637 - 20)), *p.r_hot_ohm, "R0(T)");
  ExpectClose(r.primary_current_a * r.primary_current_a * *p.r_hot_ohm + *s.r_hot_ohm,
              *r.copper_loss_w, "Pcu = I1n² R0 + 1² R1");
  ASSERT_TRUE(s.volts);
  ExpectClose(99.83922829581994, s.volts->no_load_v, "230 × 270 ÷ 622");
  ExpectClose((230 - r.load_current_a * *p.r_hot_ohm) * 270 / 622 - *s.r_hot_ohm, s.volts->loaded_v,
              "E × 270 ÷ 622 − R1, E on the load current");
  ExpectClose(109.82315112540195, s.volts->no_load_v_at_110pct_mains, "253 × 270 ÷ 622");
  EXPECT_EQ(s.turns_to_wind, 294);
  EXPECT_EQ(r.turns_rounds, 3);
  ExpectClose(69.4180513803086, *r.efficiency_pct, "efficiency");

  // The JSON gives the same figures to the last digit.
  const std::string json = CheckJson(check);
  for (const char* pair :
       {"\"turns_to_wind\": 294", "\"mains_pct\": 106", "\"advised_induction_t\": 1.35",
        "\"fill_status\": {\"code\": \"ok\", \"text\": \"ok\"}", "\"rounds\": 7",
        "\"wire_mm\": 0.63", "\"section_mm2\": 0.12566370614359174", "\"complete\": true",
        "\"required_class\": {\"code\": \"F\", \"text\": \"F\"}",
        "\"thermal_verdict\": {\"code\": \"too_hot\", \"text\": \"trop chaud\"}", "\"strands\": 1",
        "\"imposed\": false", "\"mean_turn_mm\": 175.74553099505926",
        "\"chambers\": [{\"build_mm\": 7.807, \"fill_pct\": 65.05833333333334}]"}) {
    EXPECT_NE(json.find(pair), std::string::npos) << pair << " in " << json;
  }
  EXPECT_EQ(json.find("converged"), std::string::npos);
  EXPECT_EQ(json.find("flag"), std::string::npos);
  EXPECT_EQ(json.find("null"), std::string::npos);
  // Each figure of the description is a line of the window, with its unit.
  const CheckView view = MakeCheckView(check, ',');
  ASSERT_EQ(view.lines.size(), WindingFigures().size() - 1);  // no remark without a flag
  const auto section = std::find_if(view.lines.begin(), view.lines.end(), [](const auto& line) {
    return line.caption == "Section cuivre (mm²)";
  });
  ASSERT_NE(section, view.lines.end());
  EXPECT_EQ(section->cells, (std::vector<std::string>{"0,126", "0,312"}));
  // The idle table: a line per figure of a mains factor, the factor itself as the columns.
  EXPECT_EQ(view.idle_columns, (std::vector<std::string>{"100 %", "106 %", "110 %"}));
  ASSERT_EQ(view.idle.size(), NoLoadPointFigures().size() - 1);
  EXPECT_EQ(view.idle[0].cells, (std::vector<std::string>{"1,788", "1,895", "1,967"}));
  EXPECT_NE(view.idle_notes.find("Fusible primaire : T 2 A"), std::string::npos) << view.idle_notes;
  // The pictures: one period of the magnetising current reaching its crest Îµ at each mains
  // factor; the switch-on over its 10 periods reaching its peak, I1n's crest marked.
  const std::optional<Plot> idle_plot = MagnetisingPlot(r, ',');
  ASSERT_TRUE(idle_plot);
  ASSERT_EQ(idle_plot->series.size(), 2u);
  EXPECT_EQ(idle_plot->series[1].label, "secteur 110 %");
  EXPECT_EQ(idle_plot->x_max, 20);
  ExpectClose(idle.at[2].magnetising.peak_a,
              *std::max_element(idle_plot->series[1].y.begin(), idle_plot->series[1].y.end()),
              "Îµ at 110 %");
  const std::optional<Plot> inrush = SwitchOnPlot(r, ',');
  ASSERT_TRUE(inrush && r.switch_on && r.switch_on->figures.peak_a);
  EXPECT_EQ(inrush->x_max, 200);
  ExpectClose(*r.switch_on->figures.peak_a,
              *std::max_element(inrush->series[0].y.begin(), inrush->series[0].y.end()), "peak");
  ExpectClose(std::sqrt(2.0) * r.primary_current_a, *inrush->mark_y, "I1n's crest");
  EXPECT_EQ(Ticks(0, 20, 5), (std::vector<double>{0, 5, 10, 15, 20}));
  // Counted, not accumulated: 0.3, not 0.30000000000000004.
  EXPECT_EQ(Ticks(0, 0.7, 7), (std::vector<double>{0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7}));
  // 1,967 T at mains 10 % high asks for a look (orange); the idle current there fails the
  // design (red); nothing else here stands out.
  for (const CheckView::Line& line : view.overall) {
    EXPECT_EQ(line.level, line.caption == "Induction réelle, secteur à 110 % (T)" ? Level::Warn
                          : line.caption == "À vide, secteur à 110 %"             ? Level::Bad
                                                                                  : Level::Plain)
        << line.caption;
  }

  // Strands read as "2 × 4,500" in every table; the JSON keeps one strand's diameter.
  WindingCheck stranded = p;
  stranded.strands = 2;
  stranded.wire_mm = 4.5;
  const auto wire = std::find_if(WindingFigures().begin(), WindingFigures().end(),
                                 [](const WindingFigure& figure) { return figure.id == "wire"; });
  ASSERT_NE(wire, WindingFigures().end());
  EXPECT_EQ(FigureText(wire->value(stranded), wire->decimals, ','), "2 × 4,500");
  EXPECT_EQ(FigureText(wire->value(p), wire->decimals, ','), "0,400");

  // What the window and the main window say of the design as wound: 290 turns where the
  // calculation has 270.
  EXPECT_EQ(WoundNote(check), "Chiffres tels que bobinés : Sec 1 294 spires (calcul : 270).");
  EXPECT_EQ(WindLine(check), "À bobiner : 294 spires au secondaire 1 — voir Vérification");
}

// The main window's line names every winding whose turns the design as wound changes, and only
// those; turns that do not stand are said, turns that agree say nothing.
TEST(WindLineTest, NamesTheWindingsWhoseTurnsChange) {
  DesignCheck check;
  CheckResult& first = check.result.emplace();
  first.windings.resize(3);
  first.windings[0].input = {0, 600};
  first.windings[1].input = {1, 100};
  first.windings[2].input = {2, 50};
  EXPECT_EQ(WindLine(check), "");
  first.windings[1].turns_to_wind = 104;
  EXPECT_EQ(WindLine(check), "Spires à bobiner instables — voir Vérification");
  check.as_wound = first;
  check.as_wound->windings[1].input.turns = 104;
  EXPECT_EQ(WindLine(check), "À bobiner : 104 spires au secondaire 1 — voir Vérification");
  check.as_wound->windings[2].input.turns = 52;
  EXPECT_EQ(WindLine(check),
            "À bobiner : 104 spires au secondaire 1, 52 au secondaire 2 — voir Vérification");
}

TEST_F(DesignCheckTest, NoCheckSaysWhy) {
  EXPECT_EQ(Open("[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\n").none,
            NoCheck::NoPower);
  EXPECT_EQ(
      Open("[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=0\nVolts0=230\nVolts1=100\nAmps1=1\n").none,
      NoCheck::InputError);
  EXPECT_EQ(CheckJson(panel.Check()),
            "{\"none\": {\"code\": \"input_error\", \"text\": \"Erreur de saisie\"}}");
  // Far beyond the largest core of the catalogue.
  EXPECT_EQ(Open("[SPECIFS]\nFreq=50\nTesla=1.7\nDCourant=3.6\nVolts0=230\nVolts1=100\n"
                 "Amps1=1000\n")
                .none,
            NoCheck::NoCore);
  EXPECT_EQ(CheckJson(panel.Check()),
            "{\"none\": {\"code\": \"no_core\", \"text\": \"pas de noyau\"}}");
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
       {"\"flag\": {\"code\": \"too_thick\", \"text\": \"fil trop gros\"}", "\"complete\": false",
        "\"fill_pct\": null", "\"copper_temperature_c\": null", "\"efficiency_pct\": null",
        "\"turns_to_wind\": null", "\"required_class\": null",
        "\"chambers\": [{\"build_mm\": null"}) {
    EXPECT_NE(json.find(pair), std::string::npos) << pair << " in " << json;
  }
  const std::string text = CheckTextSection(check, ',');
  EXPECT_NE(text.find("Rendement (%)           incomplet"), std::string::npos) << text;
  EXPECT_NE(text.find("Température             incomplet"), std::string::npos) << text;
  // The window says "incomplet" for the primary's volts-dependent copper, never a number; the
  // flagged winding's own copper is left blank.
  const CheckView view = MakeCheckView(check, ',');
  const auto losses = std::find_if(view.lines.begin(), view.lines.end(),
                                   [](const auto& line) { return line.caption == "Pertes (W)"; });
  ASSERT_NE(losses, view.lines.end());
  EXPECT_EQ(losses->cells, (std::vector<std::string>{"incomplet", ""}));
  EXPECT_EQ(view.fill, "incomplet");
  ASSERT_FALSE(view.overall.empty());
  EXPECT_EQ(view.overall.front().level, Level::Bad);  // "Vérification complète : non"
}

// What the check cannot answer is said in the window's table and in the JSON, never shown as a
// good figure: turns to wind that run away once wound (thin imposed wire: 409 turns that would
// ask for more again), a secondary given no whole turn beside another (0,01 V at 10 A), margins
// and a partition that leave -3 mm to wind on.
TEST_F(DesignCheckTest, WhatTheCheckCannotAnswerIsSaidNeverShownAsGood) {
  const std::string base =
      "[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\nVolts1=12\nAmps1=1\n";
  struct Case {
    std::string document;
    const char* said;  // above the window's table or as the last winding's "Remarque"; in the text
    const char* json;  // in the check's JSON
  } cases[] = {
      {"[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=4\nVolts0=230\nVolts1=12\nAmps1=0.42\n",
       "spires à bobiner instables",
       "\"turns_to_wind\": null, \"loaded_v_at_turns_to_wind\": null, "
       "\"turns_to_wind_settled\": false"},
      {base + "Volts2=0.01\nAmps2=10\n", "Sec 2 laissé de côté : moins d'une spire",
       "\"left_out\": [{\"row\": 2, \"reason\": {\"code\": \"under_one_turn\", \"text\": "
       "\"moins d'une spire\"}}], \"complete\": false"},
      {std::string(kExample) + "[VERIF]\nMarge=10\nCarcasse=2\nCloison=5\n",
       "les marges ne laissent pas de place", "\"usable_width_mm\": 0,"},
  };
  for (const Case& c : cases) {
    const DesignCheck& check = Open(c.document);
    ASSERT_TRUE(check.result) << c.document;
    const CheckView view = MakeCheckView(check, ',');
    const auto last = [&view](const char* caption) {
      const auto it = std::find_if(view.lines.begin(), view.lines.end(),
                                   [caption](const auto& l) { return l.caption == caption; });
      return it == view.lines.end() ? std::string() : it->cells.back();
    };
    EXPECT_TRUE(last("Remarque") == c.said || std::find(view.problems.begin(), view.problems.end(),
                                                        c.said) != view.problems.end())
        << c.document;
    EXPECT_EQ(last("Spires à bobiner").find_first_of("0123456789"), std::string::npos);
    const std::string json = CheckJson(check), text = CheckTextSection(check, ',');
    EXPECT_NE(json.find(c.json), std::string::npos) << json;
    EXPECT_NE(text.find(c.said), std::string::npos) << text;
    // No width below nothing anywhere: the table, the text, the JSON, the drawing and its legend.
    std::string shown = json + text + WindingWindowSvg(*check.result, ',');
    for (const auto& l : view.lines) {
      for (const std::string& cell : l.cells) shown += " " + cell;
    }
    for (const char* negative : {" -3", "largeur utile -", "\"usable_width_mm\": -"}) {
      EXPECT_EQ(shown.find(negative), std::string::npos) << negative << " in " << c.document;
    }
  }
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

// The chain hands the core it chose over on the sheet: of two cores with one reference, the one
// whose figures it shows; none once it chooses no core.
TEST_F(DesignCheckTest, TheChainHandsItsChosenCoreOver) {
  const std::string path = test::MakeCatalogue(dir.File("c.db"), {{"EI10", 10, 0.6, 12, 30, 20},
                                                                  {"ei10", 11, 0.7, 13, 31, 21},
                                                                  {"EI20", 20, 1.2, 15, 35, 25}});
  WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", path);
  Open("[SPECIFS]\nFreq=50\nTesla=1.2\nDCourant=3.6\nVolts0=230\nVolts1=12\nAmps1=0.5\n");
  ASSERT_EQ(form.Sheet().LbNoyau, "EI10") << form.Sheet().LbFeSect;
  EXPECT_EQ(form.Sheet().Outcome, ChainOutcome::Ran);
  const CoreRecord chosen{"EI10", 10, 0.6, 12, 30, 20};
  EXPECT_EQ(form.Sheet().Core, chosen);
  ASSERT_TRUE(panel.Check().result);
  EXPECT_EQ(panel.Check().result->core, chosen);
  // The catalogue changed under the design is not read by the check: it keeps the chain's core.
  test::ExecuteSql(path, "UPDATE EI SET hautcu = 99");
  panel.Refresh();
  EXPECT_EQ(panel.Check().result->core.window_height_mm, 12);
  // Far beyond the largest core: no core on the sheet, whatever the last one was.
  Open("[SPECIFS]\nFreq=50\nTesla=1.2\nDCourant=3.6\nVolts0=230\nVolts1=100\nAmps1=100\n");
  EXPECT_EQ(form.Sheet().Outcome, ChainOutcome::NoCore);
  EXPECT_FALSE(form.Sheet().Core);
}

// A catalogue with a damaged page deep in its table: the chain finds its core through the mass
// index, and only a read of the whole table meets the damage. The check and everything drawn from
// it never read the catalogue, so they carry on; the damage is told once, by the core list.
TEST_F(DesignCheckTest, ADamagedCatalogueNeverStopsTheCheckOrItsReports) {
  const std::string path = dir.File("cat.db");
  test::ExecuteSql(path,
                   "CREATE TABLE EI (Ref TEXT COLLATE NOCASE, SectionFer REAL, MasseFer REAL, "
                   "hautcu REAL, LargCu REAL, longspire REAL);"
                   "INSERT INTO EI WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                   "WHERE i < 3000) SELECT 'EI-LONG-REFERENCE-' || i, 10 + i, 0.5 + i / 1000.0, "
                   "12, 30, 20 FROM n;"
                   "CREATE INDEX EI_MasseFer ON EI (MasseFer);");
  std::string bytes = ReadFile(path);
  constexpr std::size_t kPage = 4096;
  std::size_t last_leaf = 0;
  for (std::size_t page = 1; page * kPage < bytes.size(); ++page) {
    if (bytes[page * kPage] == '\x0D') last_leaf = page;
  }
  ASSERT_GT(last_leaf, 2u);
  bytes[last_leaf * kPage] = '\x07';  // no page type has it
  WriteFile(path, bytes);
  WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", path);

  const DesignCheck& check = Open(kExample);
  ASSERT_TRUE(check.result) << TermOf(check.none).text;
  EXPECT_EQ(check.result->core.ref, "EI-LONG-REFERENCE-1");
  const std::size_t told = fake.messages.size();
  EXPECT_EQ(told, 1u);
  // F7 and the command-line tools' path, again and again: nothing more is read, nothing told.
  for (int i = 0; i < 2; ++i) {
    panel.Refresh();
    EXPECT_TRUE(CheckFormWith(form, {{CheckOption::Grade, "2"}}).result);
  }
  EXPECT_FALSE(CheckTextSection(panel.Check(), ',').empty());
  EXPECT_NE(MakeCheckView(panel.Check(), ',').fill, "");
  EXPECT_EQ(fake.messages.size(), told);
  EXPECT_FALSE(fake.ended);
}

}  // namespace
}  // namespace kel
