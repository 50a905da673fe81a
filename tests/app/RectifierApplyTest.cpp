// "Appliquer au projet" on the worked designs: the rounds settle with each secondary's DC volts
// within 0,05 V under its new R_s, the design is marked modified and a second application
// changes nothing; a request no circuit meets leaves the design as it was.

#include "app/RectifierApply.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "check/DesignCheck.h"
#include "documents/Ini.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

class RectifierApplyTest : public ::testing::Test {
 protected:
  MainForm& Load(const std::string& text) {
    fake.executable_path = dir.File("kelvanor");
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", KELVANOR_BIN_DIR "/Zivodevu.mdb");
    test::WriteFile(dir.File("d.kel"), text);
    form_.emplace(fake, MainFormOptions{',', true});
    form_->Form_Load(dir.File("d.kel"));
    return *form_;
  }
  test::TempDir dir;
  test::FakePlatform fake;
  std::optional<MainForm> form_;
};

constexpr const char* kHead = "[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\n";

TEST_F(RectifierApplyTest, SettlesTheWorkedDesigns) {
  const struct {
    const char* secondaries;
    int rectified;
  } designs[] = {
      {"Volts1=20\nAmps1=2\n[NOYAU]\nType=EI84/"
       "35\n[VERIF]\nRedresseur1=pont\nVoltsContinus1=24\nAmpsContinus1=2\n"
       "Condensateur1=4700\n",
       1},
      {"Volts1=12\nAmps1=0.5\nVolts2=12\nAmps2=0.5\n[NOYAU]\nType=EI66/"
       "22\n[VERIF]\nRedresseur1=pont\n"
       "VoltsContinus1=15\nAmpsContinus1=0,5\nRedresseur2=pont\nVoltsContinus2=15\n"
       "AmpsContinus2=0,5\n",
       2},
      {"Volts1=260\nAmps1=0.12\n[NOYAU]\nType=EI75/"
       "25\n[VERIF]\nRedresseur1=point-milieu\nVoltsContinus1=350\n"
       "AmpsContinus1=0.12\nCondensateur1=47\n",
       1},
  };
  for (const auto& d : designs) {
    MainForm& form = Load(std::string(kHead) + d.secondaries);
    const ApplyOutcome outcome = ApplyRectifiers(form);
    ASSERT_EQ(outcome.status, RectifierStatus::Ok) << ApplyOutcomeText(outcome);
    EXPECT_TRUE(outcome.changed);
    EXPECT_TRUE(form.Modified());
    ASSERT_EQ(outcome.dc_v.size(), static_cast<std::size_t>(d.rectified));
    const DesignCheck check = CheckDesign(form.Sheet());
    ASSERT_EQ(check.rectifiers.size(), outcome.dc_v.size());
    for (std::size_t i = 0; i < outcome.dc_v.size(); ++i) {
      EXPECT_EQ(outcome.dc_v[i].first, check.rectifiers[i].setting.row);
      EXPECT_NEAR(outcome.dc_v[i].second, check.rectifiers[i].setting.request.dc_v,
                  kApplyToleranceV);
    }
    if (std::getenv("KELVANOR_PRINT_APPLIED")) {
      for (int k = 1; k < kRows; ++k) {
        std::printf("Volts%d=%s Amps%d=%s\n", k, form.Sheet().TxVolts[k].c_str(), k,
                    form.Sheet().TxAmps[k].c_str());
      }
    }
    // Applied again, the design stands.
    const ApplyOutcome again = ApplyRectifiers(form);
    EXPECT_EQ(again.status, RectifierStatus::Ok);
    EXPECT_EQ(again.rounds, 1);
    // Saved, the document keeps the applied volts and every rectifier key as it read them.
    ASSERT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Saved);
    const DesignEntries saved = ReadDesignDocument(dir.File("d.kel"), IniFileOps{});
    EXPECT_EQ(saved.volts[1], form.Sheet().TxVolts[1]);
    EXPECT_EQ(saved.verif, form.Sheet().VerifOptions);
    EXPECT_EQ(saved.verif.count("Redresseur1"), 1u);
  }
}

TEST_F(RectifierApplyTest, LeavesTheDesignAloneWhenNoCircuitMeetsTheRequest) {
  MainForm& form = Load(std::string(kHead) +
                        "Volts1=20\nAmps1=2\n[VERIF]\nRedresseur1=pont\nVoltsContinus1=24\n"
                        "AmpsContinus1=2\nCondensateur1=10\n");
  const PerRow<std::string> volts = form.Sheet().TxVolts, amps = form.Sheet().TxAmps;
  const ApplyOutcome outcome = ApplyRectifiers(form);
  EXPECT_EQ(outcome.status, RectifierStatus::CapacitorTooSmall);
  EXPECT_EQ(ApplyOutcomeText(outcome),
            "Sec 1 : condensateur trop petit pour ce courant ; le projet est inchangé");
  EXPECT_EQ(form.Sheet().TxVolts, volts);
  EXPECT_EQ(form.Sheet().TxAmps, amps);
  EXPECT_FALSE(form.Modified());
}

}  // namespace
}  // namespace kel
