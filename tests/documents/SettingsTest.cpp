#include "documents/Settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "documents/Ini.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

using test::ScopedEnv;

class SettingsPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kel-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      if (entry.is_directory()) ::chmod(entry.path().c_str(), 0700);
    }
    fs::remove_all(dir_);
  }

  std::string dir_;
};

TEST_F(SettingsPathTest, BesideTheExecutableOnlyWhenASettingsFileLiesThere) {
  const ScopedEnv xdg("XDG_CONFIG_HOME", (dir_ + "/cfg").c_str());
  const std::string user = dir_ + "/cfg/kelvanor/kelvanor.ini";
  fs::create_directory(dir_ + "/v1.2");
  // A writable folder without a settings file is a build tree or a plain copy: user settings.
  EXPECT_EQ(SettingsPathFor(dir_ + "/kelvanor"), user);
  EXPECT_FALSE(fs::exists(dir_ + "/kelvanor.ini"));
  // A settings file put there makes a portable copy, named after the executable.
  for (const char* name : {"kelvanor.ini", "kel.v2.ini", "v1.2/kelvanor.ini", ".kelvanor.ini"}) {
    std::ofstream(dir_ + "/" + name) << "[GLOBAL]\n";
  }
  EXPECT_EQ(SettingsPathFor(dir_ + "/kelvanor"), dir_ + "/kelvanor.ini");
  EXPECT_EQ(SettingsPathFor(dir_ + "/kelvanor.exe"), dir_ + "/kelvanor.ini");
  EXPECT_EQ(SettingsPathFor(dir_ + "/kel.v2.bin"), dir_ + "/kel.v2.ini");
  EXPECT_EQ(SettingsPathFor(dir_ + "/v1.2/kelvanor"), dir_ + "/v1.2/kelvanor.ini");
  EXPECT_EQ(SettingsPathFor(dir_ + "/.kelvanor"), dir_ + "/.kelvanor.ini");
  EXPECT_EQ(SettingsPathFor(dir_ + "/kelvanor-calc"), user);
}

TEST_F(SettingsPathTest, UserConfigFolderWhenTheExecutableFolderCannotBeWritten) {
  const ScopedEnv xdg("XDG_CONFIG_HOME", (dir_ + "/cfg").c_str());
  const std::string expected = dir_ + "/cfg/kelvanor/kelvanor.ini";
  // A "folder" that is a regular file cannot be written into, not even by root.
  std::ofstream(dir_ + "/plain") << "x";
  EXPECT_EQ(SettingsPathFor(dir_ + "/plain/kelvanor"), expected);
  EXPECT_TRUE(fs::is_directory(dir_ + "/cfg/kelvanor"));
  EXPECT_TRUE(WriteIni(expected, kSettingsSection, kKeyMru, "/d/a.kel"));
  EXPECT_EQ(SettingsPathFor(dir_ + "/missing/kelvanor"), expected);
}

TEST_F(SettingsPathTest, ReadOnlyInstallationFolder) {
  const std::string install = dir_ + "/install";
  fs::create_directory(install);
  ::chmod(install.c_str(), 0555);
  if (::access(install.c_str(), W_OK) == 0) {
    GTEST_SKIP() << "running with rights that ignore permissions";
  }
  const ScopedEnv xdg("XDG_CONFIG_HOME", (dir_ + "/cfg").c_str());
  EXPECT_EQ(SettingsPathFor(install + "/kelvanor"), dir_ + "/cfg/kelvanor/kelvanor.ini");

  // A settings file put there beforehand is still the one used.
  ::chmod(install.c_str(), 0755);
  std::ofstream(install + "/kelvanor.ini") << "[GLOBAL]\n";
  ::chmod(install.c_str(), 0555);
  EXPECT_EQ(SettingsPathFor(install + "/kelvanor"), install + "/kelvanor.ini");
}

TEST_F(SettingsPathTest, HomeConfigWhenXdgIsUnsetEmptyOrRelative) {
  const ScopedEnv home("HOME", (dir_ + "/home").c_str());
  const std::string expected = dir_ + "/home/.config/kelvanor/kelvanor.ini";
  for (const char* xdg_value : {static_cast<const char*>(nullptr), "", "relative/cfg"}) {
    SCOPED_TRACE(xdg_value ? xdg_value : "(unset)");
    const ScopedEnv xdg("XDG_CONFIG_HOME", xdg_value);
    EXPECT_EQ(SettingsPathFor(dir_ + "/missing/kelvanor"), expected);
    EXPECT_TRUE(fs::is_directory(dir_ + "/home/.config/kelvanor"));
  }
}

TEST_F(SettingsPathTest, UncreatableConfigFolderGivesAPathWhoseWritesFail) {
  std::ofstream(dir_ + "/plain") << "x";
  const ScopedEnv xdg("XDG_CONFIG_HOME", (dir_ + "/plain").c_str());
  const std::string path = SettingsPathFor(dir_ + "/missing/kelvanor");
  EXPECT_EQ(path, dir_ + "/plain/kelvanor/kelvanor.ini");
  EXPECT_FALSE(WriteIni(path, kSettingsSection, kKeyMru, "/d/a.kel"));
  EXPECT_EQ(ReadIni(path, kSettingsSection, kKeyMru), "");
}

}  // namespace
}  // namespace kel
