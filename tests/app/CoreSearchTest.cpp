// The core search: a core imposed without a query gives the sheet a double-click gives, the
// advised core is the lightest that says ok (against a brute force through the window's own
// double-click), the design is left alone, and a damaged catalogue ends the search with a message.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <thread>
#include <vector>

#include "app/CheckPanel.h"
#include "app/CoreSearch.h"
#include "documents/Ini.h"
#include "report/ChainReport.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

using test::WriteFile;

// Everything a recalculation can change on a sheet: the fields and colours as the calculator
// prints them, and the numbers beside them.
std::string Snapshot(const DesignSheet& s) {
  std::ostringstream out;
  out.precision(9);
  out << JsonReport(s, {}) << static_cast<int>(s.Outcome) << ' '
      << (s.Core ? s.Core->ref + ' ' + std::to_string(s.Core->window_height_mm) : "-")
      << s.CoreForced << s.Modified << s.SpVolt << ' ' << s.MeanTurnLength << ' ' << s.WindowWidth
      << ' ' << s.TeslaMax;
  for (int i = 0; i < kRows; ++i) {
    out << ' ' << s.Volts[i] << ' ' << s.Amps[i] << ' ' << s.Spires[i] << ' ' << s.DiaCu[i] << ' '
        << s.SpLayer[i] << ' ' << s.DiaForced[i];
  }
  return out.str();
}

std::string Design(double volts, double amps, double tesla = 1.5, double density = 3,
                   const char* extra = "") {
  char text[256];
  std::snprintf(text, sizeof text,
                "[SPECIFS]\nFreq=50\nTesla=%g\nDCourant=%g\nVolts0=230\nVolts1=%g\nAmps1=%.6g\n%s",
                tesla, density, volts, amps, extra);
  return text;
}

class CoreSearchTest : public ::testing::Test {
 protected:
  void Load(const std::string& text,
            const std::string& catalogue = KELVANOR_BIN_DIR "/Zivodevu.mdb") {
    fake.executable_path = dir.File("kelvanor");
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", catalogue);
    WriteFile(dir.File("d.kel"), text);
    form_.emplace(fake, MainFormOptions{',', true});
    form_->Form_Load(dir.File("d.kel"));
  }
  std::vector<CoreRow> Rows() {
    EngineError error;
    const auto db = CatalogueHandle::Open(form().DataBasePath(), error);
    if (!db) throw std::runtime_error(error.description);
    CatalogueCores cores = ReadCatalogueCores(*db);
    if (!cores.failure.empty()) throw std::runtime_error(cores.failure);
    return cores.rows;
  }

  MainForm& form() { return *form_; }

  test::TempDir dir;
  test::FakePlatform fake;
  // A new form for each document: a form keeps the catalogue it has opened.
  std::optional<MainForm> form_;
};

// Every core of the catalogue, on designs that beep (1.7 T, an overfull window), impose a
// diameter, or meet a core with an empty column: the direct path and a real double-click leave
// the same sheet, the same beeps and the same message.
TEST_F(CoreSearchTest, ImposingARowDirectlyIsADoubleClick) {
  const std::string catalogue = dir.File("holes.db");
  test::MakeCatalogue(catalogue, {{"EI30/10", 1, 0.044, 3.5, 13, 5.9},
                                  {"ei84/35", 9.8, 1.209, 12, 39, 17.6},
                                  {"EI150/100", 150, 11.016, 25, 75, 43.6},
                                  {"TROU", 5, 0.3, 6, 20, 10}});
  test::ExecuteSql(catalogue, "UPDATE EI SET hautcu = NULL WHERE Ref = 'TROU'");
  struct Case {
    std::string design, catalogue;
  } cases[] = {
      {Design(100, 1, 1.7, 3.6), KELVANOR_BIN_DIR "/Zivodevu.mdb"},
      {Design(24, 20.8333) + "[CUIVRE]\nDia1=1,3\n", KELVANOR_BIN_DIR "/Zivodevu.mdb"},
      {Design(24, 8), catalogue},
  };
  int compared = 0;
  for (const Case& c : cases) {
    Load(c.design, c.catalogue);
    const DesignSheet automatic = form().Sheet();
    for (const CoreRow& row : Rows()) {
      const std::string name = FieldText(row[CoreColumn::Ref], ',');
      form().Sheet() = automatic;
      const int beeps_before = fake.beeps, runs_before = form().Recalculations();
      const auto causes_before = static_cast<long>(fake.causes.size());
      form().LstCore_DblClick(name);
      // The core in use is not imposed again by a double-click: nothing to compare.
      if (form().Recalculations() == runs_before) continue;
      const int real_beeps = fake.beeps - beeps_before;
      const std::vector<std::string> real_causes(fake.causes.begin() + causes_before,
                                                 fake.causes.end());

      test::FakePlatform quiet;
      CatalogueSession none;
      ChainEnvironment environment{quiet, none, ',', {}, {}, {}};
      DesignSheet direct = automatic;
      direct.CoreForced = true;
      direct.TxNoyau = name;
      direct.TxNoyauColour = direct.LbNoyauColour = TextColour::Red;
      Chain(direct, environment).ComputeWWithCore(row);

      EXPECT_EQ(Snapshot(direct), Snapshot(form().Sheet())) << name;
      EXPECT_EQ(quiet.beeps, real_beeps) << name;
      EXPECT_EQ(quiet.causes, real_causes) << name;
      ++compared;
    }
  }
  EXPECT_GT(compared, 100);
  // The core with an empty column stops the chain as a double-click on it does.
  EXPECT_EQ(form().Sheet().Outcome, ChainOutcome::InputError);
}

// 230 V → 24 V from 5 to 500 VA: the advised core says ok as wound and is the lightest that does,
// found again by imposing every core with a double-click and checking the design as the window
// does.
TEST_F(CoreSearchTest, AdvisesTheLightestCoreThatSaysOk) {
  std::printf("%-6s %-10s %-9s %-14s %-10s %-12s\n", "VA", "noyau", "masse kg", "remplissage %",
              "cuivre °C", "rendement %");
  // Every core is checked as the window checks it: under the sanitizers three powers of the sweep
  // find the same faults as seven.
  const std::vector<double> sweep = test::TimedBuild()
                                        ? std::vector<double>{5, 10, 20, 50, 100, 200, 500}
                                        : std::vector<double>{5, 50, 500};
  for (const double va : sweep) {
    Load(Design(24, va / 24));
    const DesignSheet before = form().Sheet();
    const std::string title = form().Title();
    const CoreSearchResult search = SearchDesignCores(form().Design(), CheckOptions{});
    EXPECT_EQ(Snapshot(form().Sheet()), Snapshot(before)) << va;
    EXPECT_EQ(form().Title(), title);
    ASSERT_EQ(search.cores.size(), 64u);
    ASSERT_TRUE(search.advised) << va << " VA: " << search.none;

    std::optional<std::size_t> lightest;
    for (std::size_t i = 0; i < search.cores.size(); ++i) {
      const CoreFigures& found = search.cores[i];
      form().Sheet() = before;
      form().LstCore_DblClick(found.name);
      const DesignCheck check = CheckFormWith(form(), {});
      ASSERT_TRUE(check.result) << found.name;
      EXPECT_EQ(found.mass_kg, check.result->core.mass_kg) << found.name;
      // A core the search did not wind, failing on the calculation's turns, fails as wound too.
      const bool ok = JudgeDesign(check) == Verdict::Ok;
      EXPECT_EQ(found.verdict == Verdict::Ok, ok)
          << found.name << ' ' << TermOf(found.verdict).text;
      // The sheet wants another core exactly when the search would not advise this one.
      EXPECT_EQ(WantsAnotherCore(check), !ok) << found.name;
      if (!ok) continue;
      // The figures of the design as wound; a runaway temperature, or a core that delivers
      // nothing, leaves those figures out.
      const CheckResult& r = WoundResult(check);
      EXPECT_EQ(found.fill_pct, r.fill_pct) << found.name;
      const std::optional<double> none;
      EXPECT_EQ(found.fill_pct, r.fill_pct <= kRunawayFillPct ? r.fill_pct : none) << found.name;
      EXPECT_EQ(found.copper_temperature_c,
                r.converged && r.copper_temperature_c <= kRunawayTemperatureC
                    ? r.copper_temperature_c
                    : none)
          << found.name;
      EXPECT_EQ(found.efficiency_pct, r.converged && r.output_w > 0 ? r.efficiency_pct : none)
          << found.name;
      if ((!lightest || check.result->core.mass_kg < *search.cores[*lightest].mass_kg)) {
        lightest = i;
      }
    }
    EXPECT_EQ(search.advised, lightest) << va;
    const CoreFigures& advised = search.cores[*search.advised];
    EXPECT_EQ(advised.verdict, Verdict::Ok);
    std::printf("%-6g %-10s %-9.3f %-14.1f %-10.1f %-12.1f\n", va, advised.name.c_str(),
                *advised.mass_kg, *advised.fill_pct, *advised.copper_temperature_c,
                *advised.efficiency_pct);
  }
}

// A secondary feeding a bridge, its AC amps typed as the DC amps (the usual slip): the search
// judges its own core on the winding's rms current, 1.7 times those, as the check does, and so
// finds it hotter than the same secondary unrectified.
TEST_F(CoreSearchTest, JudgesARectifiedSecondaryOnItsRmsCurrent) {
  const auto in_use_figures = [this] {
    const CoreSearchResult search = SearchDesignCores(form().Design(), CheckOptions{});
    const std::string in_use = form().Sheet().Core->ref;
    const auto found = std::find_if(search.cores.begin(), search.cores.end(),
                                    [&](const CoreFigures& c) { return c.name == in_use; });
    EXPECT_NE(found, search.cores.end()) << in_use;
    return found == search.cores.end() ? CoreFigures{} : *found;
  };
  Load(Design(20.4, 2));
  const CoreFigures alternating = in_use_figures();
  Load(Design(20.4, 2, 1.5, 3,
              "[VERIF]\nRedresseur1=pont\nVoltsContinus1=24\nAmpsContinus1=2\n"
              "Condensateur1=4700\n"));
  const DesignCheck check = CheckFormWith(form(), {});
  ASSERT_TRUE(check.result && check.rectifiers.size() == 1 &&
              check.rectifiers[0].solution.Solved());
  EXPECT_GT(check.rectifiers[0].solution.period.winding_rms_a, 3.3);
  const CoreFigures rectified = in_use_figures();
  // Too full on the calculation's turns, the core is judged on them.
  ASSERT_EQ(rectified.verdict, Verdict::Overfull);
  ASSERT_TRUE(rectified.copper_temperature_c && alternating.copper_temperature_c);
  EXPECT_NEAR(*rectified.copper_temperature_c, *check.result->copper_temperature_c, 0.01);
  EXPECT_GT(*rectified.copper_temperature_c, *alternating.copper_temperature_c + 5);
}

// The verdict reads the check's own judgements: an incomplete check first, then the fill, then the
// copper against the class chosen, where "juste" may still be advised. The sheet wants another
// core whenever the verdict is not "ok", a "juste" fill included.
TEST(CoreSearchAdvice, TheVerdictIsTheFirstReasonThatHolds) {
  struct Case {
    bool complete;
    std::optional<FillStatus> fill;
    std::optional<ThermalVerdict> thermal;
    Verdict verdict;
  } cases[] = {
      {true, FillStatus::Ok, ThermalVerdict::Ok, Verdict::Ok},
      {true, FillStatus::Ok, ThermalVerdict::Tight, Verdict::Ok},
      {true, FillStatus::Ok, ThermalVerdict::TooHot, Verdict::TooHot},
      {true, FillStatus::Tight, ThermalVerdict::Ok, Verdict::Tight},
      {true, FillStatus::Tight, ThermalVerdict::TooHot, Verdict::TooHot},
      {true, FillStatus::Overfull, ThermalVerdict::TooHot, Verdict::Overfull},
      {false, FillStatus::Ok, ThermalVerdict::Ok, Verdict::Incomplete},
      {true, FillStatus::Ok, std::nullopt,
       Verdict::Incomplete},  // a temperature that did not settle
      {true, std::nullopt, ThermalVerdict::Ok, Verdict::Incomplete},
  };
  for (const Case& c : cases) {
    DesignCheck check;
    check.result.emplace();
    check.result->windings.resize(2);
    check.result->complete = c.complete;
    check.result->fill_status = c.fill;
    check.result->thermal_verdict = c.thermal;
    EXPECT_EQ(JudgeDesign(check), c.verdict) << c.complete << ' ' << TermOf(c.verdict).text;
    EXPECT_EQ(WantsAnotherCore(check), c.verdict != Verdict::Ok) << TermOf(c.verdict).text;
  }
  EXPECT_EQ(JudgeDesign(DesignCheck{}), Verdict::Incomplete);
  EXPECT_FALSE(WantsAnotherCore(DesignCheck{})) << "no check, no core to judge";

  // The design as wound is judged, not the calculation's turns; turns to wind that do not stand,
  // or volts no turns reach, advise nothing.
  DesignCheck check;
  CheckResult& first = check.result.emplace();
  first.windings.resize(2);
  first.windings[1].input = {1, 100};
  first.fill_status = FillStatus::Ok;
  first.thermal_verdict = ThermalVerdict::Ok;
  check.as_wound = first;
  check.as_wound->fill_status = FillStatus::Tight;
  EXPECT_EQ(JudgeDesign(check), Verdict::Tight);
  check.as_wound.reset();
  first.windings[1].turns_to_wind = 104;
  EXPECT_EQ(JudgeDesign(check), Verdict::Unsettled);
  first.windings[1].turns_to_wind.reset();
  first.windings[1].unreachable = true;
  EXPECT_EQ(JudgeDesign(check), Verdict::Unreachable);

  // Complete but the temperature runs away: the core is too small, and the verdict says so.
  DesignCheck unsettled;
  unsettled.result.emplace();
  unsettled.result->windings.resize(2);
  unsettled.result->converged = false;
  EXPECT_EQ(JudgeDesign(unsettled), Verdict::TooSmall);
  // From best to worst, with the words every output shows; only "ok", "juste" and "trop chaud"
  // may work, and only "ok" is green.
  const std::pair<Verdict, const char*> order[] = {
      {Verdict::Ok, "ok"},
      {Verdict::Tight, "juste"},
      {Verdict::TooHot, "trop chaud"},
      {Verdict::Overfull, "trop plein"},
      {Verdict::Unsettled, "spires instables"},
      {Verdict::Unreachable, "tension inatteignable"},
      {Verdict::TooSmall, "trop petit : la température ne se stabilise pas"},
      {Verdict::Incomplete, "incomplet"}};
  for (std::size_t i = 0; i < std::size(order); ++i) {
    const auto [verdict, text] = order[i];
    EXPECT_EQ(static_cast<std::size_t>(verdict), i) << text;
    EXPECT_EQ(TermOf(verdict).text, text);
    EXPECT_EQ(CannotWork(verdict), i >= 3) << text;
    EXPECT_EQ(LevelOf(verdict) == Level::Good, i == 0) << text;
  }
}

TEST(CoreSearchAdvice, LightestOkFirstOnATieAndWhyNone) {
  constexpr Verdict ok = Verdict::Ok, tight = Verdict::Tight, too_hot = Verdict::TooHot,
                    overfull = Verdict::Overfull, incomplete = Verdict::Incomplete;
  const auto core = [](const char* name, double mass, Verdict verdict, const char* none = "") {
    return CoreFigures{name, mass, 50.0, 60.0, 90.0, verdict, none, std::nullopt, std::nullopt};
  };
  struct Case {
    std::vector<CoreFigures> cores;
    std::optional<std::size_t> advised;
    std::string none;
  } cases[] = {
      {{core("A", 2, ok), core("B", 1, overfull), core("C", 1.5, ok), core("D", 1.5, ok)}, 2, ""},
      {{core("A", 1, tight), core("B", 2, overfull), core("C", 3, overfull), core("D", 4, too_hot)},
       std::nullopt,
       "aucun noyau ne convient : trop plein 2, juste 1, trop chaud 1"},
      {{core("A", 1, incomplete, "pas de puissance"), core("B", 2, incomplete, "pas de puissance")},
       std::nullopt,
       "pas de puissance"},
      {{core("A", 1, incomplete, "pas de noyau"), core("B", 2, incomplete, "Erreur de saisie")},
       std::nullopt,
       "aucun noyau ne convient : incomplet 2"},
      {{}, std::nullopt, "le catalogue ne contient aucun noyau"},
  };
  for (Case& c : cases) {
    CoreSearchResult result{c.cores, 7, "old"};
    Advise(result);
    EXPECT_EQ(result.advised, c.advised) << c.none;
    EXPECT_EQ(result.none, c.none);
  }

  CoreSearchResult found{{core("EI75/25", 0.689, ok)}, 0, ""};
  found.cores[0].fill_pct = 88.9;
  found.cores[0].copper_temperature_c = 67.4;
  EXPECT_EQ(AdvisedCoreText(found, ','),
            "Noyau conseillé : EI75/25 — 0,69 kg, remplissage 89 %, 67 °C");
  EXPECT_EQ(AdvisedCoreJson(found),
            "\"advised_core\": {\"name\": \"EI75/25\", \"mass_kg\": 0.689, \"fill_pct\": 88.9, "
            "\"copper_temperature_c\": 67.4, \"efficiency_pct\": 90}");
  CoreSearchResult none{{}, std::nullopt, "pas de \"puissance\""};
  EXPECT_EQ(AdvisedCoreJson(none),
            "\"advised_core\": null, \"advised_core_reason\": \"pas de \\\"puissance\\\"\"");
}

// A core a double-click cannot reach is no candidate: one without a reference, an empty or blank
// one (the lightest, so it would be advised), and the second of two references that are the same
// core to the catalogue. The core list leaves out the same rows.
TEST_F(CoreSearchTest, SearchesTheCoresADoubleClickCanImpose) {
  const std::string catalogue = dir.File("twins.db");
  test::MakeCatalogue(catalogue, {{"EI-A", 10, 2.0, 12, 39, 17},
                                  {"ei-a", 10, 1.0, 12, 39, 17},
                                  {"SANS", 10, 0.5, 12, 39, 17},
                                  {"VIDE", 10, 0.4, 12, 39, 17},
                                  {"BLANC", 10, 0.3, 12, 39, 17},
                                  {"EI-B", 10, 1.5, 12, 39, 17}});
  test::ExecuteSql(catalogue,
                   "UPDATE EI SET Ref = NULL WHERE Ref = 'SANS'; "
                   "UPDATE EI SET Ref = '' WHERE Ref = 'VIDE'; "
                   "UPDATE EI SET Ref = ' 	 ' WHERE Ref = 'BLANC'");
  Load(Design(24, 2), catalogue);
  EXPECT_EQ(form().CoreList(), (std::vector<std::string>{"ei-a", "EI-B", "EI-A"}));
  const CoreSearchResult search = SearchDesignCores(form().Design(), CheckOptions{});
  ASSERT_EQ(search.cores.size(), 2u);
  EXPECT_EQ(search.cores[0].name, "EI-A");
  EXPECT_EQ(search.cores[0].mass_kg, 2.0);
  EXPECT_EQ(search.cores[1].name, "EI-B");
}

// A page that breaks half-way through the table ends the search with its message; the program
// goes on, and the window's search says the same.
TEST_F(CoreSearchTest, ADamagedCatalogueEndsTheSearchWithAMessage) {
  const std::string path = dir.File("cat.db");
  test::ExecuteSql(path,
                   "CREATE TABLE EI (Ref TEXT COLLATE NOCASE, SectionFer REAL, MasseFer REAL, "
                   "hautcu REAL, LargCu REAL, longspire REAL);"
                   "INSERT INTO EI WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                   "WHERE i < 3000) SELECT 'EI-LONG-REFERENCE-' || i, 10 + i, 0.5 + i / 1000.0, "
                   "12, 30, 20 FROM n;");
  std::string bytes = test::ReadFile(path);
  constexpr std::size_t kPage = 4096;
  std::size_t last_leaf = 0;
  for (std::size_t page = 1; page * kPage < bytes.size(); ++page) {
    if (bytes[page * kPage] == '\x0D') last_leaf = page;
  }
  ASSERT_GT(last_leaf, 2u);
  bytes[last_leaf * kPage] = '\x07';
  WriteFile(path, bytes);

  Load(Design(24, 2), path);
  const std::size_t told = fake.messages.size();
  const CoreSearchResult search = SearchDesignCores(form().Design(), CheckOptions{});
  EXPECT_TRUE(search.catalogue_failed);
  EXPECT_TRUE(search.cores.empty());
  EXPECT_EQ(search.none.rfind("Recherche du noyau conseillé interrompue : ", 0), 0u) << search.none;
  EXPECT_NE(search.none.find("malformed"), std::string::npos) << search.none;
  EXPECT_EQ(fake.messages.size(), told);
  EXPECT_FALSE(fake.ended);

  CoreSearchRunner runner;
  runner.Follow(form().Design(), CheckOptions{}, std::chrono::seconds(20));
  const CoreSearchRunner::State state = runner.Poll();
  ASSERT_TRUE(state.result);
  EXPECT_FALSE(state.running);
  EXPECT_EQ(state.result->none, search.none);
}

// The window's search goes on in the background on a large catalogue; a changed design drops it
// and the next one is the new design's, the same as a search all at once.
TEST_F(CoreSearchTest, TheBackgroundSearchFollowsTheDesign) {
  const std::string path = dir.File("big.db");
  test::ExecuteSql(path,
                   "CREATE TABLE EI (Ref TEXT COLLATE NOCASE, SectionFer REAL, MasseFer REAL, "
                   "hautcu REAL, LargCu REAL, longspire REAL);"
                   "INSERT INTO EI WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                   "WHERE i < 1000) SELECT 'EI' || i, 2 + i % 50, 0.05 + (i % 997) / 100.0, "
                   "4 + i % 30, 13 + i % 60, 6 + i % 40 FROM n;");
  Load(Design(24, 1), path);
  CoreSearchRunner runner;
  runner.Follow(form().Design(), CheckOptions{}, std::chrono::milliseconds(0));
  EXPECT_TRUE(runner.Poll().running);

  form().GotFocus({Control::TxAmps, 1});
  form().SetText({Control::TxAmps, 1}, "3");
  form().LostFocus({Control::TxAmps, 1});
  // Long enough for a sanitized build on a loaded machine: the wait ends with the search.
  runner.Follow(form().Design(), CheckOptions{}, std::chrono::seconds(240));
  const CoreSearchRunner::State state = runner.Poll();
  ASSERT_TRUE(state.result);
  EXPECT_EQ(state.done, 1000u);
  const CoreSearchResult once = SearchDesignCores(form().Design(), CheckOptions{});
  ASSERT_TRUE(once.advised);
  EXPECT_EQ(state.result->advised, once.advised);
  EXPECT_EQ(CoreTableJson(*state.result), CoreTableJson(once));
}

}  // namespace
}  // namespace kel
