// File-system corners and hostile files met by the documents and the settings: files far too big,
// files that cannot be read, a save that must keep the file's identity, names at the limits.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "documents/Ini.h"
#include "documents/Settings.h"
#include "reliability/FaultSupport.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

using test::FakePlatform;
using test::ReadFile;
using test::WriteFile;

const char* kDocument =
    "[SPECIFS]\nFreq=50\nTesla=1,5\nDCourant=3\nVolts0=230\nVolts1=12\nAmps1=1\n";

class FileCornerTest : public ::testing::Test {
 protected:
  FileCornerTest() {
    WriteIni(settings, "GLOBAL", "DataBase",
             test::MakeCatalogue(dir.File("cores.db"), {{"EI10", 10, 0.6, 12, 30, 20}}));
    platform.executable_path = dir.File("kelvanor");
  }

  // True when the user was told something that names path.
  bool Told(const std::string& path) const {
    for (const auto& m : platform.messages) {
      if (m.text.find(path) != std::string::npos) return true;
    }
    return false;
  }

  // A design opened from path, changed, and saved over it (answering the replace question).
  MainForm::SaveOutcome ChangeAndSave(const std::string& path) {
    form.Form_Load(path);
    form.BtPlusT_Click();
    platform.answers = {MsgAnswer::Ok};
    return form.SaveDesign();
  }

  static struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
  }

  test::TempDir dir;
  const std::string settings = dir.File("kelvanor.ini");
  FakePlatform platform;
  MainForm form{platform, {',', true}};
};

TEST_F(FileCornerTest, FilesOverTheSizeLimitAreRefusedBeforeBeingRead) {
  const std::string big = dir.File("big.kel");
  WriteFile(big, kDocument);
  ASSERT_EQ(::truncate(big.c_str(), 2'000'000'000), 0);  // sparse: no disk, no memory
  const test::Stopwatch opening;
  form.Form_Load(big);
  EXPECT_LT(opening.Seconds(), 1.0);
  EXPECT_TRUE(Told(big));
  EXPECT_EQ(form.DocPath(), "") << "not loaded, so never saved over";
  EXPECT_EQ(form.Sheet().TxVolts[0], "230") << "the new design instead";
  EXPECT_EQ(ReadIni(settings, "GLOBAL", "Mru"), "") << "the next start must not meet it again";
  EXPECT_FALSE(WriteIni(big, "SPECIFS", "Freq", "60"));
  EXPECT_EQ(StatOf(big).st_size, 2'000'000'000);

  // The same for the settings file: told once, never rewritten.
  const std::string saved_settings = ReadFile(settings);
  ASSERT_EQ(::truncate(settings.c_str(), 2'000'000'000), 0);
  FakePlatform again;
  again.executable_path = dir.File("kelvanor");
  MainForm restarted(again, {',', true});
  restarted.Form_Load(big);
  ASSERT_FALSE(again.messages.empty());
  EXPECT_NE(again.messages[0].text.find(settings), std::string::npos);
  EXPECT_EQ(StatOf(settings).st_size, 2'000'000'000);
  EXPECT_LT(StatOf(settings).st_blocks, 64) << "still the sparse file";
}

TEST_F(FileCornerTest, FilesThatCannotBeReadAreNeitherLoadedNorWrittenOver) {
  const std::string path = dir.File("design.kel");
  WriteFile(path, kDocument);
  form.SetFileOps(test::FailingFileOps(test::FailingStep::kReadIo, path).Ops());
  form.Form_Load(path);
  form.SetFileOps({});
  EXPECT_TRUE(Told(path));
  EXPECT_EQ(form.DocPath(), "");
  EXPECT_EQ(form.Sheet().TxVolts[1], "100") << "the new design, not an empty one";

  // A read that fails once, as the save reads the old document: nothing is rebuilt from scratch.
  platform.messages.clear();
  ASSERT_EQ(ChangeAndSave(path), MainForm::SaveOutcome::Saved);
  const std::string saved = ReadFile(path);
  form.BtPlusT_Click();
  form.SetFileOps(test::FailingFileOps(test::FailingStep::kReadIo, path, 1).Ops());
  platform.answers = {MsgAnswer::Ok};
  EXPECT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Failed);
  form.SetFileOps({});
  EXPECT_TRUE(Told(path));
  EXPECT_EQ(ReadFile(path), saved);
  EXPECT_TRUE(form.Modified());

  // Settings that cannot be read: never rewritten without DataBase, and said at start.
  const std::string saved_settings = ReadFile(settings);
  EXPECT_FALSE(WriteIni(settings, "GLOBAL", "Mru", path,
                        test::FailingFileOps(test::FailingStep::kReadIo, settings, 1).Ops()));
  EXPECT_EQ(ReadFile(settings), saved_settings);
  FakePlatform again;
  again.executable_path = dir.File("kelvanor");
  MainForm restarted(again, {',', true});
  restarted.SetFileOps(test::FailingFileOps(test::FailingStep::kReadIo, settings).Ops());
  restarted.Form_Load(path);
  ASSERT_FALSE(again.messages.empty());
  EXPECT_NE(again.messages[0].text.find(settings), std::string::npos);
  restarted.BtPlusT_Click();
  again.answers = {MsgAnswer::Ok};
  EXPECT_EQ(restarted.SaveDesign(), MainForm::SaveOutcome::Saved);
  EXPECT_EQ(ReadFile(settings), saved_settings);
}

// The bytes of the access ACL "user::rw-, user:1234:rw-, group::r--, mask::rw-, other::r--".
std::string AccessAcl() {
  const std::uint16_t entries[][2] = {{0x01, 6}, {0x02, 6}, {0x04, 4}, {0x10, 6}, {0x20, 4}};
  std::string acl("\x02\0\0\0", 4);
  for (const auto& entry : entries) {
    const std::uint32_t id = entry[0] == 0x02 ? 1234u : 0xFFFFFFFFu;
    acl.append(reinterpret_cast<const char*>(&entry[0]), 2);
    acl.append(reinterpret_cast<const char*>(&entry[1]), 2);
    acl.append(reinterpret_cast<const char*>(&id), 4);
  }
  return acl;
}

std::string Attribute(const std::string& path, const char* name) {
  char value[256];
  const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
  return size < 0 ? "(none)" : std::string(value, static_cast<std::size_t>(size));
}

TEST_F(FileCornerTest, SaveKeepsTheFileIdentity) {
  const std::string path = dir.File("design.kel");
  WriteFile(path, kDocument);
  ::chmod(path.c_str(), 0640);
  const std::string acl = AccessAcl();
  if (::setxattr(path.c_str(), "user.origin", "atelier", 7, 0) != 0 ||
      ::setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
    GTEST_SKIP() << "no extended attributes or ACLs here";
  }
  const mode_t mode = StatOf(path).st_mode;
  ASSERT_EQ(ChangeAndSave(path), MainForm::SaveOutcome::Saved);
  EXPECT_NE(ReadFile(path).find("Tesla=1,55"), std::string::npos);
  EXPECT_EQ(StatOf(path).st_mode, mode);
  EXPECT_EQ(Attribute(path, "user.origin"), "atelier");
  EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
}

TEST_F(FileCornerTest, HardLinksOrAnOwnerThatCannotBeKeptAreWrittenInPlace) {
  const std::string path = dir.File("design.kel");
  const std::string other_name = dir.File("same-design.kel");
  for (const bool hard_link : {true, false}) {
    SCOPED_TRACE(hard_link ? "hard link" : "owner cannot be given back");
    WriteFile(path, kDocument);
    if (hard_link) {
      ASSERT_EQ(::link(path.c_str(), other_name.c_str()), 0);
    }
    const ino_t inode = StatOf(path).st_ino;
    const auto entries = test::FolderEntries(dir.path());
    form.SetFileOps(hard_link ? IniFileOps{}
                              : test::FailingFileOps(test::FailingStep::kChown).Ops());
    ASSERT_EQ(ChangeAndSave(path), MainForm::SaveOutcome::Saved);
    form.SetFileOps({});
    EXPECT_EQ(StatOf(path).st_ino, inode);
    EXPECT_NE(ReadFile(path).find("Tesla=1,55"), std::string::npos);
    if (hard_link) {
      EXPECT_EQ(ReadFile(other_name), ReadFile(path));
    }
    EXPECT_EQ(test::FolderEntries(dir.path()), entries) << "the copy of the old content is gone";
    ::unlink(other_name.c_str());
  }
}

TEST_F(FileCornerTest, NamesAtTheLimitsSaveAndComeBackByteForByte) {
  const std::vector<std::string> names = {
      std::string(251, 'n') + ".kel",  // the longest a name can be
      "two\nlines.kel", "caf\xe9.kel", "say \"hi\".kel"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.substr(0, 20));
    const std::string path = dir.File(name);
    WriteFile(path, kDocument);
    FakePlatform fake;
    fake.executable_path = dir.File("kelvanor");
    MainForm saving(fake, {',', true});
    saving.Form_Load(path);
    EXPECT_EQ(saving.DocPath(), path);
    saving.BtPlusT_Click();
    fake.answers = {MsgAnswer::Ok};
    EXPECT_EQ(saving.SaveDesign(), MainForm::SaveOutcome::Saved);
    EXPECT_EQ(ReadIni(path, "SPECIFS", "Tesla"), "1,55");
    EXPECT_EQ(ReadFile(path).find("\nlines.kel"), std::string::npos) << "layout broken";
    EXPECT_EQ(ReadFile(settings).find("\nlines.kel"), std::string::npos) << "layout broken";

    MainForm restarted(fake, {',', true});
    restarted.Form_Load("");
    EXPECT_EQ(restarted.DocPath(), path);
    EXPECT_EQ(restarted.Sheet().TxTesla, "1,55");
    EXPECT_EQ(test::FolderEntries(dir.path()).size(), 3u) << "no temporary file left";
    ::unlink(path.c_str());
  }
}

// The size limit is the README's 4 MiB, counted from the file's size and again while it is read:
// a document of exactly that size opens, one byte more does not, and neither does a file that
// grows one byte past it while it is read.
TEST_F(FileCornerTest, TheSizeLimitIsFourMebibytesExactly) {
  const struct {
    std::size_t size;
    bool opens;
  } kSizes[] = {{4'100'000, true}, {kIniFileLimit, true}, {kIniFileLimit + 1, false}};
  const std::string path = dir.File("big.kel");
  for (const auto& [size, opens] : kSizes) {
    SCOPED_TRACE(size);
    std::string content = std::string(kDocument) + ";";
    content += std::string(size - content.size() - 1, 'x') + "\n";
    WriteFile(path, content);
    FakePlatform fake;
    fake.executable_path = dir.File("kelvanor");
    MainForm opened(fake, {',', true});
    opened.Form_Load(path);
    EXPECT_EQ(opened.DocPath(), opens ? path : "");
    EXPECT_EQ(opened.Sheet().TxVolts[1], opens ? "12" : "100");
    EXPECT_EQ(fake.messages.size(), opens ? 0u : 1u);
  }
  // A short document when it is opened, which grows before its first read to one byte past the
  // limit: that byte comes alone in the last chunk.
  WriteFile(path, kDocument);
  struct stat document {};
  ASSERT_EQ(::stat(path.c_str(), &document), 0);
  bool grown = false;
  IniFileOps growing;
  growing.read = [&](int fd, void* data, std::size_t size) {
    struct stat now {};
    if (!grown && ::fstat(fd, &now) == 0 && now.st_ino == document.st_ino) {
      grown = true;
      const auto size_now = static_cast<std::size_t>(now.st_size);
      std::ofstream(path, std::ios::app) << std::string(kIniFileLimit + 1 - size_now, ';');
    }
    return ::read(fd, data, size);
  };
  FakePlatform fake;
  fake.executable_path = dir.File("kelvanor");
  MainForm opened(fake, {',', true});
  opened.SetFileOps(growing);
  opened.Form_Load(path);
  EXPECT_TRUE(grown);
  EXPECT_EQ(opened.DocPath(), "");
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_NE(fake.messages[0].text.find("trop grand"), std::string::npos) << fake.messages[0].text;
}

// What tells a change by another program: the content, not the size and time it shows. A file
// gone meanwhile is no change to ask about: the save just writes it again.
TEST_F(FileCornerTest, ChangesOnDiskAreSeenWhateverTheirSizeAndTime) {
  const std::string path = dir.File("d.kel");
  const struct {
    const char* name;
    std::function<void()> change;
    bool asks;
  } kChanges[] = {
      {"same size, time put back",
       [&path] {
         const struct stat before = StatOf(path);
         std::string text = ReadFile(path);
         text[text.find("Volts1=12") + 8] = '3';
         WriteFile(path, text);
         const struct timespec times[2] = {before.st_atim, before.st_mtim};
         ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         ASSERT_EQ(StatOf(path).st_size, before.st_size);
       },
       true},
      {"deleted", [&path] { ASSERT_EQ(::unlink(path.c_str()), 0); }, false},
  };
  for (const auto& [name, change, asks] : kChanges) {
    SCOPED_TRACE(name);
    WriteFile(path, kDocument);
    FakePlatform fake;
    fake.executable_path = dir.File("kelvanor");
    MainForm opened(fake, {',', true});
    opened.Form_Load(path);
    opened.BtPlusT_Click();
    change();
    fake.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
    EXPECT_EQ(opened.SaveDesign(), MainForm::SaveOutcome::Saved);
    const bool asked =
        !fake.messages.empty() &&
        fake.messages[0].text.find("modifié par un autre programme") != std::string::npos;
    EXPECT_EQ(asked, asks);
    EXPECT_EQ(ReadIni(path, "SPECIFS", "Tesla"), "1,55");
  }
}

// Saves that keep the file: a hard-linked one rewritten in place loses the tail of its longer old
// content; set-group-id and sticky bits stay; a temporary file whose writer still holds it stays
// however old it is.
TEST_F(FileCornerTest, SavesInPlaceAndOverLeftoversKeepWhatIsNotTheirs) {
  const std::string path = dir.File("linked.kel");
  WriteFile(path, kDocument);
  form.Form_Load(path);
  form.TxRem_Change(std::string(500, 'r'));
  platform.answers = {MsgAnswer::Ok};
  ASSERT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Saved);
  const std::string link = dir.File("link.kel");
  ASSERT_EQ(::link(path.c_str(), link.c_str()), 0);
  const std::size_t before = ReadFile(path).size();
  form.TxRem_Change("");
  platform.answers = {MsgAnswer::Ok};
  ASSERT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Saved);
  EXPECT_EQ(StatOf(path).st_ino, StatOf(link).st_ino) << "written in place";
  EXPECT_EQ(ReadFile(path).find("rrr"), std::string::npos) << "no tail of the longer content";
  EXPECT_LT(ReadFile(path).size(), before - 900) << "the remarks and their sheet block went";

  for (const mode_t mode : {02640, 01640}) {
    const std::string special = dir.File("mode.kel");
    WriteFile(special, kDocument);
    ASSERT_EQ(::chmod(special.c_str(), mode), 0);
    if ((StatOf(special).st_mode & 07777) != mode) continue;  // not kept by this file system
    FakePlatform fake;
    fake.executable_path = dir.File("kelvanor");
    MainForm saving(fake, {',', true});
    saving.Form_Load(special);
    saving.BtPlusT_Click();
    fake.answers = {MsgAnswer::Ok};
    ASSERT_EQ(saving.SaveDesign(), MainForm::SaveOutcome::Saved);
    EXPECT_EQ(StatOf(special).st_mode & 07777, mode);
  }

  const std::string held = dir.File(".linked.kel.h3ld9x");
  WriteFile(held, "half");
  const struct timespec old[2] = {{::time(nullptr) - 600, 0}, {::time(nullptr) - 600, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, held.c_str(), old, 0), 0);
  const int fd = ::open(held.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  form.BtPlusT_Click();
  platform.answers = {MsgAnswer::Ok};
  ASSERT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Saved);
  EXPECT_EQ(ReadFile(held), "half") << "its writer still holds it";
  ::close(fd);
}

// A path that ends in a blank is the last document of the next start, blank included.
TEST_F(FileCornerTest, APathEndingInABlankIsReopenedExactly) {
  const std::string path = dir.File("alim.kel ");
  WriteFile(path, kDocument);
  WriteFile(dir.File("alim.kel"), "[SPECIFS]\nVolts1=99\n");
  form.Form_Load(path);
  MainForm next(platform, {',', true});
  next.Form_Load("");
  EXPECT_EQ(next.DocPath(), path);
  EXPECT_EQ(next.Sheet().TxVolts[1], "12");
}
}  // namespace
}  // namespace kel
