// Saving a design when the file system refuses: a write-protected document or folder, a folder
// that is a file, a full disk, failing system calls, a save interrupted before its rename. Every
// time the previous document stays byte for byte, the user is told which file was not saved, and
// the design keeps its unsaved mark.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/MainForm.h"
#include "kelvanor/Version.h"
#include "reliability/FaultSupport.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

using test::FakePlatform;
using test::ReadFile;
using test::WriteFile;

class SaveFaultTest : public ::testing::Test {
 protected:
  SaveFaultTest() {
    catalogue = test::MakeCatalogue(dir.File("cores.db"),
                                    {{"EI20", 20, 1.5, 15, 40, 25}, {"EI10", 10, 0.6, 12, 30, 20}});
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", catalogue);
    platform.executable_path = dir.File("kelvanor");
  }

  // A design saved at path by the program, then changed so that it has unsaved changes.
  void SavedThenChanged(const std::string& path) {
    WriteFile(path, test::kSmallDesign);
    form.Form_Load(path);
    platform.answers = {MsgAnswer::Ok};
    ASSERT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Saved);
    previous = ReadFile(path);
    form.BtPlusT_Click();
    ASSERT_TRUE(form.Modified());
    platform.messages.clear();
  }

  // "Enregistrer" over path, answering the replace question, and what the user must then see.
  void ExpectRefusedSave(const std::string& path) {
    platform.messages.clear();
    platform.answers = {MsgAnswer::Ok};
    form.MnuEnregistrer_Click();
    EXPECT_EQ(ReadFile(path), previous) << "the previous document must be intact";
    ExpectToldAndStillModified(path);
  }

  void ExpectToldAndStillModified(const std::string& path) {
    const bool told = std::any_of(
        platform.messages.begin(), platform.messages.end(), [&](const test::RecordedMessage& m) {
          return m.buttons == MsgButtons::Ok && m.text.find(path) != std::string::npos;
        });
    EXPECT_TRUE(told) << "no message names " << path;
    EXPECT_TRUE(form.Modified());
    EXPECT_EQ(form.Title(), title_prefix + path + " *");
  }

  // What a save that works leaves behind: the new design, nothing marked, no temporary file.
  void ExpectSaved(const std::string& path) {
    platform.answers = {MsgAnswer::Ok};
    form.MnuEnregistrer_Click();
    EXPECT_NE(ReadFile(path), previous);
    EXPECT_NE(ReadFile(path).find("Tesla=1,55\n"), std::string::npos);
    EXPECT_FALSE(form.Modified());
    EXPECT_EQ(form.Title(), title_prefix + path);
  }

  test::TempDir dir;
  FakePlatform platform;
  MainForm form{platform, {',', true}};
  std::string catalogue;
  std::string previous;
  const std::string title_prefix = std::string("kelvanor Version ") + kVersionText + "   ";
};

TEST_F(SaveFaultTest, FailingSystemCallsKeepThePreviousDocument) {
  const std::string path = dir.File("design.kel");
  SavedThenChanged(path);
  const auto entries = test::FolderEntries(dir.path());
  for (const auto step :
       {test::FailingStep::kWriteNoSpace, test::FailingStep::kShortWriteThenNoSpace,
        test::FailingStep::kFsync, test::FailingStep::kRename}) {
    SCOPED_TRACE(test::NameOf(step));
    form.SetFileOps(test::FailingFileOps(step).Ops());
    ExpectRefusedSave(path);
    EXPECT_EQ(test::FolderEntries(dir.path()), entries) << "a temporary file was left behind";
  }
  form.SetFileOps({});
  ExpectSaved(path);
  EXPECT_EQ(test::FolderEntries(dir.path()), entries);
}

TEST_F(SaveFaultTest, FailingSaveUnderANewNameCreatesNothing) {
  const std::string path = dir.File("design.kel");
  SavedThenChanged(path);
  const std::string other = dir.File("other.kel");
  form.SetFileOps(test::FailingFileOps(test::FailingStep::kRename).Ops());
  platform.dialog_answers = {other};
  form.MnuEnregistrerSous_Click();
  form.SetFileOps({});
  EXPECT_FALSE(std::filesystem::exists(other));
  EXPECT_EQ(ReadFile(path), previous);
  ExpectToldAndStillModified(other);
}

TEST_F(SaveFaultTest, WriteProtectedDocumentIsNotReplaced) {
  const std::string path = dir.File("design.kel");
  SavedThenChanged(path);
  {
    const test::WriteProtection protection(path);
    if (protection.how().empty()) GTEST_SKIP() << "no way to write-protect a file here";
    SCOPED_TRACE(protection.how());
    ExpectRefusedSave(path);
  }
  ExpectSaved(path);
}

TEST_F(SaveFaultTest, WriteProtectedFolderStillSavesAWritableDocumentInPlace) {
  std::filesystem::create_directory(dir.File("docs"));
  const std::string path = dir.File("docs/design.kel");
  SavedThenChanged(path);
  const test::ScopedEnv cache("XDG_CACHE_HOME", dir.File("cache").c_str());
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  {
    const test::WriteProtection protection(dir.File("docs"));
    if (protection.how().empty()) GTEST_SKIP() << "no way to write-protect a folder here";
    SCOPED_TRACE(protection.how());
    ExpectSaved(path);
    EXPECT_EQ(test::FolderEntries(dir.File("docs")), std::vector<std::string>{"design.kel"});
    // The copy of the old content went to the cache folder and is gone again.
    EXPECT_EQ(test::FolderEntries(dir.File("cache/kelvanor")), std::vector<std::string>{});
  }
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "written in place";
  // A document the folder cannot create is still refused.
  form.BtPlusT_Click();
  platform.dialog_answers = {dir.File("docs/other.kel")};
  const test::WriteProtection protection(dir.File("docs"));
  form.MnuEnregistrerSous_Click();
  ExpectToldAndStillModified(dir.File("docs/other.kel"));
}

TEST_F(SaveFaultTest, FolderThatIsAFileRefusesTheSave) {
  const std::string path = dir.File("design.kel");
  SavedThenChanged(path);
  WriteFile(dir.File("plain"), "not a folder");
  const std::string inside = dir.File("plain/design.kel");
  platform.dialog_answers = {inside};
  form.MnuEnregistrerSous_Click();
  ExpectToldAndStillModified(inside);
  EXPECT_EQ(ReadFile(dir.File("plain")), "not a folder");
  EXPECT_EQ(ReadFile(path), previous);
}

TEST_F(SaveFaultTest, FullDiskKeepsThePreviousDocument) {
  test::SmallDisk disk(dir.File("disk"), 256 * 1024);
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
  const std::string path = disk.folder() + "/design.kel";
  SavedThenChanged(path);
  // Something of the document's own size, so that the change cannot reuse freed space.
  ASSERT_GT(disk.Fill(), 0u);
  ExpectRefusedSave(path);
  EXPECT_EQ(test::FolderEntries(disk.folder()), (std::vector<std::string>{"design.kel", "filler"}));
  std::filesystem::remove(disk.folder() + "/filler");
  ExpectSaved(path);
}

TEST_F(SaveFaultTest, SaveInterruptedBeforeItsRenameLeavesTheDocumentUsable) {
  const std::string path = dir.File("design.kel");
  SavedThenChanged(path);
  // What a crash between writing the temporary file and renaming it leaves: the old document and
  // a half-written newer one beside it.
  platform.answers = {MsgAnswer::Ok};
  form.MnuEnregistrer_Click();
  const std::string newer = ReadFile(path);
  WriteFile(path, previous);
  const std::string leftover = dir.File(".design.kel.k3x9q2");
  WriteFile(leftover, newer.substr(0, newer.size() / 2));
  // Left a while ago; a fresh one may still be another window's save in progress.
  const timespec long_ago[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, leftover.c_str(), long_ago, 0), 0);
  const std::string in_progress = dir.File(".design.kel.w7r2m5");
  WriteFile(in_progress, "");

  FakePlatform after_crash;
  after_crash.executable_path = dir.File("kelvanor");
  MainForm restarted(after_crash, {',', true});
  restarted.Form_Load(path);
  EXPECT_EQ(restarted.Sheet().TxTesla, "1,5") << "the document as it was before the crash";
  EXPECT_EQ(restarted.Sheet().TxVolts[1], "100");
  EXPECT_TRUE(after_crash.messages.empty());

  restarted.BtPlusT_Click();
  after_crash.answers = {MsgAnswer::Ok};
  EXPECT_EQ(restarted.SaveDesign(), MainForm::SaveOutcome::Saved);
  EXPECT_NE(ReadFile(path).find("Tesla=1,55\n"), std::string::npos);
  EXPECT_EQ(
      test::FolderEntries(dir.path()),
      (std::vector<std::string>{".design.kel.w7r2m5", "cores.db", "design.kel", "kelvanor.ini"}))
      << "the save removes the stale temporary file and leaves none of its own";
}

TEST_F(SaveFaultTest, ClosingAfterAFailedSaveKeepsTheDesign) {
  const std::string path = dir.File("design.kel");
  SavedThenChanged(path);
  form.SetFileOps(test::FailingFileOps(test::FailingStep::kWriteNoSpace).Ops());
  platform.answers = {MsgAnswer::Yes, MsgAnswer::Ok};  // save the changes? replace?
  EXPECT_FALSE(form.Form_QueryUnload()) << "the window must not close on an unsaved design";
  EXPECT_EQ(ReadFile(path), previous);
  ExpectToldAndStillModified(path);
  EXPECT_EQ(form.DocPath(), path);
}

}  // namespace
}  // namespace kel
