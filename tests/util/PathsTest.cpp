#include "util/Paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/TestFiles.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

TEST(PathPartsTest, OneSeparatorChosenForTheWholePath) {
  EXPECT_EQ(FileNameOf("C:\\Designs\\alim.kel"), "alim.kel");
  EXPECT_EQ(FileNameOf("alim.kel"), "alim.kel");
  EXPECT_EQ(FileNameOf("C:/a\\b"), "a\\b");
  EXPECT_EQ(FolderOf("C:\\Designs\\alim.kel"), "C:\\Designs");
  EXPECT_EQ(FolderOf("C:\\alim.kel"), "C:");
  EXPECT_EQ(FolderOf("/home/u/a\\b.kel"), "/home/u");
  EXPECT_EQ(FolderOf("alim.kel"), "");
  EXPECT_EQ(FolderOf(""), "");
}

// A fresh folder per test, removed with its contents afterwards.
class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kelvanor-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string MakeFile(const std::string& name) const {
    std::ofstream(folder_ + "/" + name) << "x";
    return folder_ + "/" + name;
  }
  // unlink never removes a folder, so a folder holding a file stands for a file that cannot be
  // deleted, also for a user whom permissions do not stop.
  std::string MakeUndeletable() const {
    fs::create_directory(folder_ + "/stuck");
    MakeFile("stuck/inside");
    return folder_ + "/stuck";
  }

  std::string folder_;
};

TEST_F(FileTest, ExistsOnlyForAnExistingFile) {
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(FileExists(MakeFile("alim.kel")));
  EXPECT_FALSE(FileExists(folder_ + "/missing.kel"));
  EXPECT_FALSE(FileExists(folder_ + "/alim.kel/inside"));
  EXPECT_FALSE(FileExists(folder_)) << "a folder is no file to read or overwrite";
}

TEST_F(FileTest, RemoveDeletesOrFindsNothingToDelete) {
  int events = 0;
  const auto count = [&events] { ++events; };
  const std::string path = MakeFile("alim.dfa");
  EXPECT_TRUE(RemoveFile(path, 5000, count));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(RemoveFile(path, 5000, count));
  EXPECT_TRUE(RemoveFile(folder_ + "/none/alim.dfa", 5000, count));
  EXPECT_EQ(events, 0) << "success comes at the first attempt";
}

TEST_F(FileTest, RemoveGivesUpAfterTheRetryTimeLeavingThePathAlone) {
  const std::string stuck = MakeUndeletable();
  int events = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(RemoveFile(stuck, 120, [&events] { ++events; }));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(120));
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  EXPECT_GE(events, 1) << "the window must get its events while the deletion is retried";
  EXPECT_TRUE(fs::exists(stuck + "/inside"));

  events = 0;
  EXPECT_FALSE(RemoveFile(stuck, 0, [&events] { ++events; }));
  EXPECT_FALSE(RemoveFile(stuck, -5, [&events] { ++events; }));
  EXPECT_EQ(events, 2) << "no retry time: one attempt, one round of events";
  EXPECT_FALSE(RemoveFile(stuck, 0));
}

TEST(RejoinFieldsTest, PiecesUpToTheFirstEmptyOneEachWithTheJoiner) {
  const struct {
    const char* text;
    const char* joined;
    int count;
  } cases[] = {{"a\r\nb", "a\tb\t", 2},
               {"a\r\nb\r\n", "a\tb\t", 2},
               {"a\r\n\r\nb", "a\t", 1},
               {"\r\na", "", 0},
               {"", "", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    EXPECT_EQ(RejoinFields(text, "\r\n", "\t"), c.count);
    EXPECT_EQ(text, c.joined);
  }
  std::string remarks = "a\tb\t";
  EXPECT_EQ(RejoinFields(remarks, "\t", "\r\n"), 2);
  EXPECT_EQ(remarks, "a\r\nb\r\n");
}

// The documents folder as xdg-user-dir finds it: the last assignment of XDG_DOCUMENTS_DIR,
// absolute or $HOME-relative, when that folder exists; the home folder otherwise.
TEST(UserFoldersTest, DocumentsFolderFromUserDirsElseHome) {
  const test::TempDir dir;
  const std::string home = dir.File("home");
  fs::create_directories(home + "/Documents");
  fs::create_directories(home + "/Mes documents");
  fs::create_directories(dir.File("elsewhere"));
  const test::ScopedEnv home_env("HOME", home.c_str());
  const test::ScopedEnv xdg("XDG_CONFIG_HOME", dir.File("cfg").c_str());
  fs::create_directories(dir.File("cfg"));
  const struct {
    std::string user_dirs;  // empty: no user-dirs.dirs
    std::string expected;
  } cases[] = {
      {"", home},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n", home + "/Documents"},
      {"# XDG_DOCUMENTS_DIR=\"$HOME/x\"\n  XDG_DOCUMENTS_DIR=\"$HOME/Mes documents\"\n",
       home + "/Mes documents"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\nXDG_DOCUMENTS_DIR=\"" + dir.File("elsewhere") +
           "\"\n",
       dir.File("elsewhere")},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Gone\"\n", home},
      {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/Documents\"\n", home},
      {"XDG_DOCUMENTS_DIR=\"relative\"\nXDG_DOCUMENTS_DIR=\"$HOME/Documents\n", home},
      {"XDG_DOWNLOAD_DIR=\"$HOME/Documents\"\n", home},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user_dirs);
    fs::remove(dir.File("cfg/user-dirs.dirs"));
    if (!c.user_dirs.empty()) test::WriteFile(dir.File("cfg/user-dirs.dirs"), c.user_dirs);
    EXPECT_EQ(UserDocumentsFolder(), c.expected);
  }
}

// The cache folder follows the same rule as the configuration folder (a relative variable is
// ignored); dialogs start beside a file while its folder exists, else in the documents folder.
TEST(UserFoldersTest, CacheFolderAndDialogFolder) {
  const test::TempDir dir;
  const test::ScopedEnv home("HOME", dir.path().c_str());
  const test::ScopedEnv config("XDG_CONFIG_HOME", dir.File("cfg").c_str());
  for (const auto& [xdg, expected] :
       {std::pair<const char*, std::string>{nullptr, dir.File(".cache")},
        {"relative/cache", dir.File(".cache")},
        {"/var/cache/k", "/var/cache/k"}}) {
    const test::ScopedEnv cache("XDG_CACHE_HOME", xdg);
    EXPECT_EQ(UserCacheFolder(), expected) << (xdg ? xdg : "unset");
  }
  fs::create_directories(dir.File("projets"));
  EXPECT_EQ(DialogFolderFor(dir.File("projets/a.kel")), dir.File("projets"));
  EXPECT_EQ(DialogFolderFor(dir.File("parti/a.kel")), dir.path());
  EXPECT_EQ(DialogFolderFor(""), dir.path());
  EXPECT_FALSE(fs::exists(dir.File(".cache"))) << "nothing is created";
}

TEST(UserFoldersTest, DataFolderBesideTheProgramElseInItsShareFolder) {
  const test::TempDir dir;
  fs::create_directories(dir.File("usr/bin"));
  fs::create_directories(dir.File("usr/share/kelvanor"));
  // Nowhere: the program's own folder, where a file chosen later would be looked for.
  EXPECT_EQ(DataFolderFor(dir.File("usr/bin/kelvanor"), "data.db"), dir.File("usr/bin"));
  test::WriteFile(dir.File("usr/share/kelvanor/data.db"), "x");
  EXPECT_EQ(DataFolderFor(dir.File("usr/bin/kelvanor"), "data.db"), dir.File("usr/share/kelvanor"));
  EXPECT_EQ(DataFolderFor(dir.File("usr/kelvanor"), "data.db"), dir.File("usr"))
      << "only a program in a bin folder has a share folder beside it";
  test::WriteFile(dir.File("usr/bin/data.db"), "x");
  EXPECT_EQ(DataFolderFor(dir.File("usr/bin/kelvanor"), "data.db"), dir.File("usr/bin"))
      << "a copy beside the program comes first";
}

}  // namespace
}  // namespace kel
