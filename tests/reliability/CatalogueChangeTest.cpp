// The catalogue file changes under a running program between two recalculations: it disappears,
// another catalogue takes its place, or something that is no catalogue at all does. Each
// recalculation reads the file as it is then, and anything wrong is told, never a crash.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/MainForm.h"
#include "documents/Ini.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

namespace fs = std::filesystem;
using test::FakePlatform;
using test::WriteFile;

const std::string kData = KELVANOR_TEST_DATA;

class CatalogueChangeTest : public ::testing::Test {
 protected:
  CatalogueChangeTest() {
    test::MakeCatalogue(path, {{"EI20", 20, 1.5, 15, 40, 25}, {"EI10", 10, 0.6, 12, 30, 20}});
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", path);
    platform.executable_path = dir.File("kelvanor");
    WriteFile(dir.File("design.kel"),
              "[SPECIFS]\nFreq=50\nTesla=1,5\nDCourant=3\nVolts0=230\nVolts1=100\nAmps1=1\n");
    form.Form_Load(dir.File("design.kel"));
  }

  // The catalogue replaced the way a copy over it does: a new file renamed into place.
  void Replace(const std::string& content) {
    WriteFile(path + ".new", content);
    fs::rename(path + ".new", path);
  }

  void Recalculate() {
    platform.messages.clear();
    form.BtPlusT_Click();
  }

  bool Told(const std::string& part) const {
    return std::any_of(
        platform.messages.begin(), platform.messages.end(), [&](const test::RecordedMessage& m) {
          return m.text.find(part) != std::string::npos || m.title.find(part) != std::string::npos;
        });
  }

  test::TempDir dir;
  const std::string path = dir.File("cores.db");
  FakePlatform platform;
  MainForm form{platform, {',', true}};
};

TEST_F(CatalogueChangeTest, DisappearedCatalogueIsToldAndComesBack) {
  ASSERT_EQ(form.Sheet().LbNoyau, "EI10");
  const std::string content = test::ReadFile(path);
  fs::remove(path);
  Recalculate();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find(path), std::string::npos);
  EXPECT_EQ(platform.messages[0].buttons, MsgButtons::Ok);
  EXPECT_FALSE(platform.ended);

  WriteFile(path, content);
  Recalculate();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(form.Sheet().LbNoyau, "EI10");
  EXPECT_EQ(form.Sheet().TxTesla, "1,6");
}

TEST_F(CatalogueChangeTest, AnotherCatalogueInItsPlaceIsReadAtTheNextRecalculation) {
  test::MakeCatalogue(dir.File("other.db"), {{"EI12", 12, 0.7, 13, 32, 21}});
  Replace(test::ReadFile(dir.File("other.db")));
  Recalculate();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(form.Sheet().LbNoyau, "EI12");
  EXPECT_EQ(form.Sheet().LbFeSect, "12");

  if (!fs::exists(kData + "/catalogue-ei.mdb")) GTEST_SKIP() << "no Access sample";
  Replace(test::ReadFile(kData + "/catalogue-ei.mdb"));
  Recalculate();
  EXPECT_TRUE(platform.messages.empty()) << platform.messages.front().text;
  EXPECT_NE(form.Sheet().LbNoyau, "EI12");
  EXPECT_NE(form.Sheet().LbNoyau, "?");
}

TEST_F(CatalogueChangeTest, GarbageInItsPlaceIsToldAndTheProgramGoesOn) {
  const std::string good = test::ReadFile(path);

  Replace(std::string(5000, '\x7f'));
  Recalculate();
  EXPECT_TRUE(Told(path)) << "an unknown format names the file";
  EXPECT_FALSE(platform.ended);

  // A catalogue cut short: its header opens, its pages do not.
  Replace(good.substr(0, 200));
  Recalculate();
  EXPECT_FALSE(platform.messages.empty());
  EXPECT_FALSE(platform.ended) << "answering Yes to the query prompt carries on";

  // A database without the table: the query prompt, whose No ends the program.
  test::ExecuteSql(dir.File("no-table.db"), "CREATE TABLE Other (x)");
  Replace(test::ReadFile(dir.File("no-table.db")));
  platform.answers = {MsgAnswer::No};
  ::testing::internal::CaptureStderr();
  EXPECT_THROW(form.BtPlusT_Click(), ProgramEnded);
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(platform.ended);
  EXPECT_NE(platform.clipboard.find("from EI"), std::string::npos);
  EXPECT_NE(printed.find(platform.clipboard), std::string::npos)
      << "the query survives the program on standard error too";
}

}  // namespace
}  // namespace kel
