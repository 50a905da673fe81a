// Settings that cannot be written never stop the program: start-up, recalculation and saving
// work the same, and nobody is bothered with a message about them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "app/MainForm.h"
#include "documents/Ini.h"
#include "reliability/FaultSupport.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

using test::FakePlatform;
using test::ReadFile;
using test::WriteFile;

class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class SettingsFaultTest : public ::testing::Test {
 protected:
  SettingsFaultTest() {
    catalogue = test::MakeCatalogue(dir.File("cores.db"),
                                    {{"EI20", 20, 1.5, 15, 40, 25}, {"EI10", 10, 0.6, 12, 30, 20}});
    platform.executable_path = dir.File("kelvanor");
  }

  // A whole session: start-up on a new design, an edit, a save under a new name. When the
  // settings cannot give the catalogue, the user picks it in the dialog once.
  void WorkWithout(bool catalogue_in_settings) {
    const std::string document = dir.File("design.kel");
    platform.dialog_answers = {document};
    if (!catalogue_in_settings) platform.dialog_answers.push_front(catalogue);
    form.Form_Load("");
    EXPECT_EQ(form.Sheet().LbNoyau, "EI10");
    EXPECT_EQ(form.CoreList(), (std::vector<std::string>{"EI10", "EI20"}));

    const std::string watts = form.Sheet().LbWatts;
    form.GotFocus({Control::TxAmps, 1});
    form.SetText({Control::TxAmps, 1}, "2");
    form.LostFocus({Control::TxAmps, 1});
    EXPECT_NE(form.Sheet().LbWatts, watts) << "the edit was recalculated";
    EXPECT_TRUE(form.Modified());

    form.MnuEnregistrerSous_Click();
    EXPECT_FALSE(form.Modified());
    EXPECT_NE(ReadFile(document).find("Amps1=2\n"), std::string::npos);
    EXPECT_TRUE(platform.messages.empty()) << platform.messages.front().text;
    EXPECT_TRUE(platform.dialog_answers.empty()) << "asked for something more than expected";
  }

  test::TempDir dir;
  FakePlatform platform;
  MainForm form{platform, {',', true}};
  std::string catalogue;
};

TEST_F(SettingsFaultTest, SettingsUnderAFileInsteadOfAFolder) {
  WriteFile(dir.File("plain"), "x");
  form.SetSettingsPath(dir.File("plain/kelvanor.ini"));
  WorkWithout(false);
  EXPECT_EQ(ReadFile(dir.File("plain")), "x");
}

TEST_F(SettingsFaultTest, SettingsPathThatIsAFolder) {
  std::filesystem::create_directory(dir.File("kelvanor.ini"));
  form.SetSettingsPath(dir.File("kelvanor.ini"));
  WorkWithout(false);
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("kelvanor.ini")));
}

TEST_F(SettingsFaultTest, WriteProtectedSettingsAreStillRead) {
  const std::string settings = dir.File("kelvanor.ini");
  WriteIni(settings, "GLOBAL", "DataBase", catalogue);
  const std::string before = ReadFile(settings);
  const test::WriteProtection protection(settings);
  if (protection.how().empty()) GTEST_SKIP() << "no way to write-protect a file here";
  form.SetSettingsPath(settings);
  WorkWithout(true);
  EXPECT_EQ(ReadFile(settings), before) << "Mru and Extension could not be stored";
}

TEST_F(SettingsFaultTest, InstalledProgramWithNowhereToWriteItsSettings) {
  // The executable's folder does not exist for us and the configuration folder lies under a file.
  WriteFile(dir.File("plain"), "x");
  const ScopedVariable config("XDG_CONFIG_HOME", dir.File("plain/config"));
  platform.executable_path = dir.File("missing/bin/kelvanor");
  WorkWithout(false);
  EXPECT_EQ(form.SettingsPath(), dir.File("plain/config/kelvanor/kelvanor.ini"));
}

}  // namespace
}  // namespace kel
