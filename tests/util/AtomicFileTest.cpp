#include "util/AtomicFile.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

#include "support/TestFiles.h"

namespace kel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::size_t EntriesIn(const std::string& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

// Each step that can fail on a full or failing disk leaves the old export as it was and no
// temporary file behind.
TEST(ReplaceFileWith, AFailedStepLeavesTheOldFileWhole) {
  const auto half_then_full = [](int fd, const void* data, std::size_t size) -> ssize_t {
    static int calls = 0;
    if (++calls == 1) return ::write(fd, data, size / 2);
    errno = ENOSPC;
    return -1;
  };
  const auto fails = [](int) {
    errno = EIO;
    return -1;
  };
  const auto rename_fails = [](const char*, const char*) {
    errno = EXDEV;
    return -1;
  };
  const struct {
    const char* step;
    ReplaceCalls calls;
    const char* reason;
  } cases[] = {{"disk full after half", {half_then_full, nullptr, nullptr}, "space"},
               {"flush", {nullptr, fails, nullptr}, "Input/output"},
               {"rename", {nullptr, nullptr, rename_fails}, "device"}};
  for (const auto& c : cases) {
    TempDir dir;
    const std::string target = dir.File("dessin.svg");
    WriteFile(target, "<svg>ancien</svg>\n");
    std::string error;
    EXPECT_FALSE(ReplaceFileWith(target, std::string(10000, 'n'), error, c.calls)) << c.step;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.step << ": " << error;
    EXPECT_EQ(ReadFile(target), "<svg>ancien</svg>\n") << c.step;
    EXPECT_EQ(EntriesIn(dir.path()), 1u) << c.step << ": temporary file left";
  }
}

// A writer killed in the middle of the content: the target still holds the old export.
TEST(ReplaceFileWith, AKilledWriterLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string target = dir.File("rapport.pdf");
  WriteFile(target, "%PDF-ancien %%EOF");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const auto killed_midway = [](int fd, const void* data, std::size_t size) -> ssize_t {
      if (::write(fd, data, size / 2) < 0) _exit(3);
      raise(SIGKILL);
      return -1;
    };
    std::string error;
    ReplaceFileWith(target, std::string(4096, 'x'), error, {killed_midway, nullptr, nullptr});
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ReadFile(target), "%PDF-ancien %%EOF");
}

TEST(ReplaceFileWith, ReplacesThroughLinksKeepsModesAndRefusesFolders) {
  TempDir dir;
  const std::string real = dir.File("vrai.svg");
  const std::string link = dir.File("lien.svg");
  WriteFile(real, "ancien");
  ::chmod(real.c_str(), 0640);
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  std::string error;
  ASSERT_TRUE(ReplaceFileWith(link, "nouveau", error)) << error;
  EXPECT_TRUE(std::filesystem::is_symlink(link)) << "the link was replaced instead of its file";
  EXPECT_EQ(ReadFile(real), "nouveau");
  struct stat info {};
  ASSERT_EQ(::stat(real.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(EntriesIn(dir.path()), 2u);

  // A name longer than the temporary prefix leaves room for still gets a temporary file.
  const std::string long_name = dir.File(std::string(250, 'a'));
  EXPECT_TRUE(ReplaceFileWith(long_name, "long", error)) << error;
  EXPECT_EQ(ReadFile(long_name), "long");

  EXPECT_FALSE(ReplaceFileWith(dir.path(), "x", error));
  EXPECT_FALSE(ReplaceFileWith(dir.File("absent/x.svg"), "x", error));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

// Root writes over any permission bits, and CI runs as root: the child that writes leaves root's
// rights behind, in a user namespace of its own (where they no longer reach the files) or as
// nobody. A file it may write beside the protected one shows that the refusal is the protection's.
TEST(ReplaceFileWith, RefusesAWriteProtectedFileEvenWhenRunAsRoot) {
  TempDir dir;
  const std::string kept = dir.File("protege.svg");
  const std::string writable = dir.File("libre.svg");
  WriteFile(kept, "ancien");
  WriteFile(writable, "ancien");
  ASSERT_EQ(::chmod(kept.c_str(), 0444), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && ::unshare(CLONE_NEWUSER) != 0) {
      constexpr uid_t kNobody = 65534;
      for (const std::string& path : {dir.path(), kept, writable}) {
        if (::chown(path.c_str(), kNobody, kNobody) != 0) _exit(77);
      }
      if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
        _exit(77);
      }
    }
    std::string error;
    if (!ReplaceFileWith(writable, "nouveau", error)) _exit(2);
    _exit(ReplaceFileWith(kept, "nouveau", error) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) {
    GTEST_SKIP() << "root here, and neither a user namespace nor another uid is allowed";
  }
  ASSERT_NE(WEXITSTATUS(status), 2) << "the writer could not replace a file it may write";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write-protected file was replaced";
  EXPECT_EQ(ReadFile(kept), "ancien");
  EXPECT_EQ(EntriesIn(dir.path()), 2u) << "temporary file left";
}

// A pipe that nobody reads is refused at once rather than waited on (the window froze until
// something read it); a backslash is part of a name, not a folder.
TEST(ReplaceFileWith, RefusesAPipeWithoutReaderAndTakesBackslashesAsPartOfTheName) {
  TempDir dir;
  const std::string pipe = dir.File("dessin.svg");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string error;
  EXPECT_FALSE(ReplaceFileWith(pipe, "<svg/>", error));
  EXPECT_NE(error, "");
  struct stat info {};
  ASSERT_EQ(::stat(pipe.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));

  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const bool written = ReplaceFileWith("a\\b.svg", "<svg/>", error);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(written) << error;
  EXPECT_EQ(ReadFile(dir.File("a\\b.svg")), "<svg/>");
}

}  // namespace
}  // namespace kel
