// The advised core holds as the workshop winds it: imposed, it gives a winding sheet without an
// alarm, on the README's sweep and on generated designs of one to four secondaries.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "app/CheckPanel.h"
#include "documents/Ini.h"
#include "report/HtmlReport.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

struct Secondary {
  double volts, amps;
};

std::string Design(const std::vector<Secondary>& secondaries, double tesla = 1.5,
                   double density = 3, int frequency = 50) {
  char line[160];
  std::snprintf(line, sizeof line, "[SPECIFS]\nFreq=%d\nTesla=%.3g\nDCourant=%.3g\nVolts0=230\n",
                frequency, tesla, density);
  std::string text = line;
  for (std::size_t i = 0; i < secondaries.size(); ++i) {
    std::snprintf(line, sizeof line, "Volts%zu=%.4g\nAmps%zu=%.4g\n", i + 1, secondaries[i].volts,
                  i + 1, secondaries[i].amps);
    text += line;
  }
  return text;
}

class AsWoundTest : public ::testing::Test {
 protected:
  AsWoundTest() {
    fake.executable_path = dir.File("kelvanor");
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", KELVANOR_BIN_DIR "/Zivodevu.mdb");
  }
  // The advised core of the design, imposed as a double-click imposes it; its name, or "" when
  // no core is advised.
  std::string ImposeAdvised(const std::string& design) {
    test::WriteFile(dir.File("d.kel"), design);
    form_.emplace(fake, MainFormOptions{',', true});
    form_->Form_Load(dir.File("d.kel"));
    const CoreSearchResult search =
        SearchDesignCores(form_->Design(), CheckFormWith(*form_, {}).options);
    if (!search.advised) return "";
    const std::string name = search.cores[*search.advised].name;
    form_->LstCore_DblClick(name);
    return name;
  }
  // Page 1 of the report of the form's design as it stands.
  std::string FirstPage(const DesignCheck& check) {
    const CoreSearchResult search = SearchDesignCores(form_->Design(), check.options);
    const std::string html =
        HtmlReport(FormReportInput(*form_, check, &search), DrawingAs::InlineSvg);
    return html.substr(0, html.find("class=\"page2\""));
  }

  test::TempDir dir;
  test::FakePlatform fake;
  std::optional<MainForm> form_;
};

TEST_F(AsWoundTest, TheAdvisedCoreImposedWindsWithoutAnAlarm) {
  std::vector<std::string> designs;
  for (const double va : {5, 10, 20, 50, 100, 200, 500, 1000}) {
    designs.push_back(Design({{24, va / 24}}));
  }
  designs.push_back(Design({{250, 0.1}, {250, 0.1}, {6.3, 3}, {5, 2}}));  // a valve supply
  designs.push_back(Design({{15, 1}, {15, 1}}));                          // a preamp's
  std::mt19937 random(34);
  std::uniform_real_distribution<double> unit(0, 1);
  const auto between = [&](double low, double high) {
    return low * std::pow(high / low, unit(random));
  };
  const int generated = test::TimedBuild() ? 40 : 10;
  for (int n = 0; n < generated; ++n) {
    std::vector<Secondary> secondaries(1 + random() % 4);
    const double va = between(2, 1200) / static_cast<double>(secondaries.size());
    for (Secondary& s : secondaries) {
      s.volts = between(3, 400);
      s.amps = va / s.volts;
    }
    designs.push_back(Design(secondaries, between(1.2, 1.7), between(2.5, 4), n % 5 ? 50 : 60));
  }

  int advised = 0;
  for (std::size_t i = 0; i < designs.size(); ++i) {
    const std::string name = ImposeAdvised(designs[i]);
    // The sweep and the two supplies have an advised core; a generated design may have none.
    if (name.empty()) {
      EXPECT_GE(i, 10u) << designs[i];
      continue;
    }
    ++advised;
    ASSERT_EQ(form_->Sheet().Core->ref, name);
    const DesignCheck check = CheckFormWith(*form_, {});
    EXPECT_EQ(JudgeDesign(check), Verdict::Ok) << name << '\n' << designs[i];
    const std::string page = FirstPage(check);
    EXPECT_EQ(page.find("class=\"alarm\""), std::string::npos) << name << '\n' << designs[i];
    EXPECT_NE(page.find("<th>Noyau</th><td>" + name + " : section "), std::string::npos) << name;
  }
  EXPECT_GT(advised, generated - 5);
}

}  // namespace
}  // namespace kel
