#include "documents/Ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/TestFiles.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spit(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kel-ini-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    file_ = dir_ + "/test.ini";
  }
  void TearDown() override {
    ::chmod(dir_.c_str(), 0700);
    fs::remove_all(dir_);
  }

  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.insert(entry.path().filename().string());
    return names;
  }

  // Root (or a capability) writes through missing permission bits; then a read-only case
  // proves nothing.
  bool PermissionsAreEnforced() const {
    const std::string probe_dir = dir_ + "/probe";
    fs::create_directory(probe_dir);
    ::chmod(probe_dir.c_str(), 0500);
    const bool denied = ::access(probe_dir.c_str(), W_OK) != 0;
    ::chmod(probe_dir.c_str(), 0700);
    fs::remove(probe_dir);
    return denied;
  }

  std::string dir_;
  std::string file_;
};

using IniReadTest = IniTest;
using IniWriteTest = IniTest;
using IniEncodingTest = IniTest;
using IniRemarksTest = IniTest;

TEST_F(IniReadTest, MissingFileSectionOrKeyReadsEmptyAndCreatesNothing) {
  EXPECT_EQ(ReadIni("", "GLOBAL", "Mru"), "");
  EXPECT_EQ(ReadIni(file_, "GLOBAL", "Mru"), "");
  EXPECT_EQ(ReadIni(dir_ + "/no/such/folder.ini", "GLOBAL", "Mru"), "");
  EXPECT_TRUE(Entries().empty());

  Spit(file_, "[GLOBAL]\nMru=/d/a.kel\nExtension=\n");
  EXPECT_EQ(ReadIni(file_, "GLOBAL", "Mru"), "/d/a.kel");
  EXPECT_EQ(ReadIni(file_, "OTHER", "Mru"), "");
  EXPECT_EQ(ReadIni(file_, "GLOBAL", "DataBase"), "");
  EXPECT_EQ(ReadIni(file_, "GLOBAL", "Extension"), "");
}

TEST_F(IniReadTest, OneLeadingApostropheIsRemoved) {
  Spit(file_, "[S]\none='abc\ntwo=''abc\ninner=it's\nlast=abc'\nalone='\nblank=  'x\n");
  EXPECT_EQ(ReadIni(file_, "S", "one"), "abc");
  EXPECT_EQ(ReadIni(file_, "S", "two"), "'abc");
  EXPECT_EQ(ReadIni(file_, "S", "inner"), "it's");
  EXPECT_EQ(ReadIni(file_, "S", "last"), "abc'");
  EXPECT_EQ(ReadIni(file_, "S", "alone"), "");
  EXPECT_EQ(ReadIni(file_, "S", "blank"), "x");
}

TEST_F(IniReadTest, LongValuesAreCutTo1023Characters) {
  std::string accents;
  for (int i = 0; i < 2000; ++i) accents += "\xc3\xa9";
  Spit(file_, "[S]\nascii=" + std::string(2000, 'x') + "\nexact=" + std::string(1023, 'y') +
                  "\nutf8=" + accents + "\ncp1252=" + std::string(2000, '\xe9') + "\nquoted='" +
                  std::string(2000, 'z') + "\n");
  EXPECT_EQ(ReadIni(file_, "S", "ascii"), std::string(1023, 'x'));
  EXPECT_EQ(ReadIni(file_, "S", "exact"), std::string(1023, 'y'));
  // Characters are counted, not bytes, and no character is cut in half.
  EXPECT_EQ(ReadIni(file_, "S", "utf8"), accents.substr(0, 2046));
  EXPECT_EQ(ReadIni(file_, "S", "cp1252"), accents.substr(0, 2046));
  // The cut comes first, then the apostrophe goes.
  EXPECT_EQ(ReadIni(file_, "S", "quoted"), std::string(1022, 'z'));
}

TEST_F(IniReadTest, NamesMatchWhateverTheirCaseAndBlanksAreTrimmed) {
  Spit(file_, "  [ Global ]  \r\n\tmRU \t=\t /a b.kel \t\r\nk=a=b\r\n");
  EXPECT_EQ(ReadIni(file_, "GLOBAL", "Mru"), "/a b.kel");
  EXPECT_EQ(ReadIni(file_, "global", "MRU"), "/a b.kel");
  EXPECT_EQ(ReadIni(file_, "GLOBAL", "K"), "a=b");
}

TEST_F(IniReadTest, FirstOfDuplicateSectionsAndKeysWins) {
  Spit(file_, "[S]\nk=1\nk=2\n[T]\nt=0\n[s]\nk=3\nj=4\n");
  EXPECT_EQ(ReadIni(file_, "S", "k"), "1");
  EXPECT_EQ(ReadIni(file_, "S", "j"), "");
  EXPECT_EQ(ReadIni(file_, "T", "t"), "0");
}

// A document read in memory keeps what it has read of each section; it must answer as the file
// does, and forget what it read once the text changes.
TEST_F(IniReadTest, TheDocumentInMemoryReadsAsTheFileAndFollowsItsChanges) {
  Spit(file_, "[S]\nk=1\nK=2\n\xc9t\xe9=\xe9\n[T]\nt=0\n[ s ]\nk=3\nj=4\n[R]\n=a\nx=b\n[]\n=r\n");
  IniDocument doc = IniDocument::Load(file_);
  for (const auto& [section, key] :
       std::vector<std::pair<std::string, std::string>>{{"S", "k"},
                                                        {"s", "K"},
                                                        {"S", "j"},
                                                        {" T ", "t"},
                                                        {"S", "\xc9t\xe9"},
                                                        {"S", "été"},
                                                        {"R", ""},
                                                        {"R", "x"},
                                                        {"U", "k"}}) {
    EXPECT_EQ(doc.Get(section, key), ReadIni(file_, section, key)) << section << '/' << key;
  }
  doc.Set("s", "K", "5");
  doc.Set("S", "j", "6");
  EXPECT_EQ(doc.Get("S", "k"), "5");
  EXPECT_EQ(doc.Get("S", "j"), "6");
  ASSERT_EQ(doc.Get("", ""), "r");
  doc.DropRemarksBlock("r");
  EXPECT_EQ(doc.Get("", ""), "");
}

TEST_F(IniReadTest, CommentsAndLinesOutsideSectionsAreNotEntries) {
  Spit(file_, "k=0\n[S]\n;k=1\n#k=2\n  ; j=3\nnoequals\n[not a header\nk=4\n[T]\n");
  EXPECT_EQ(ReadIni(file_, "S", "k"), "4");
  EXPECT_EQ(ReadIni(file_, "S", "j"), "");
  EXPECT_EQ(ReadIni(file_, "S", "noequals"), "");
  EXPECT_EQ(ReadIni(file_, "T", "k"), "");
}

TEST_F(IniReadTest, HostileFilesGiveSensibleResults) {
  EXPECT_EQ(ReadIni(dir_, "S", "k"), "");
  const std::string pipe = dir_ + "/pipe.ini";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(ReadIni(pipe, "S", "k"), "");
  EXPECT_FALSE(WriteIni(pipe, "S", "k", "v"));

  Spit(file_, std::string("[S]\na=1\0 2\nb=\0\nc=3\n", 19));
  EXPECT_EQ(ReadIni(file_, "S", "a"), "1");
  EXPECT_EQ(ReadIni(file_, "S", "b"), "");
  EXPECT_EQ(ReadIni(file_, "S", "c"), "3");

  Spit(file_, "\r\r[S]\rk=v\r\r");
  EXPECT_EQ(ReadIni(file_, "S", "k"), "v");
  Spit(file_, "[S]\nk=v");
  EXPECT_EQ(ReadIni(file_, "S", "k"), "v");

  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>(i * 37 % 256);
  Spit(file_, garbage + "\n[S]\nk=v\n");
  EXPECT_EQ(ReadIni(file_, "S", "k"), "v");
}

TEST_F(IniReadTest, LargeFilesAreHandledInLinearTime) {
  std::string text = "[Big]\n";
  for (int i = 0; i < 100000; ++i)
    text += "key" + std::to_string(i) + "=value " + std::to_string(i) + "\n";
  text += "[Filler]\n";
  while (text.size() < kIniFileLimit - 1000) text += "; " + std::string(78, '-') + "\n";
  text += "[Last]\nk=v\n";
  Spit(file_, text);

  const auto start = test::ThreadCpuTime();
  EXPECT_EQ(ReadIni(file_, "Big", "key0"), "value 0");
  EXPECT_EQ(ReadIni(file_, "Big", "KEY99999"), "value 99999");
  EXPECT_EQ(ReadIni(file_, "Big", "key100000"), "");
  EXPECT_EQ(ReadIni(file_, "Last", "k"), "v");
  ASSERT_TRUE(WriteIni(file_, "Big", "key99999", "changed"));
  ASSERT_TRUE(WriteIni(file_, "Big", "key100000", "added"));
  EXPECT_EQ(ReadIni(file_, "Big", "key99999"), "changed");
  EXPECT_EQ(ReadIni(file_, "Big", "key100000"), "added");
  const std::string old_line = "key99999=value 99999\n";
  const std::string expected =
      text.replace(text.find(old_line), old_line.size(), "key99999=changed\nkey100000=added\n");
  EXPECT_EQ(Slurp(file_), expected);
  // A scan that restarts for each line would take minutes here.
  EXPECT_LT(test::ThreadCpuTime() - start, std::chrono::seconds(10));
}

TEST_F(IniWriteTest, CreatesTheFileAndReplacesValuesInPlace) {
  ASSERT_TRUE(WriteIni(file_, "GLOBAL", "DataBase", "/d/Zivodevu.mdb"));
  EXPECT_EQ(Slurp(file_), "[GLOBAL]\nDataBase=/d/Zivodevu.mdb\n");
  ASSERT_TRUE(WriteIni(file_, "GLOBAL", "Mru", "/d/first.kel"));
  ASSERT_TRUE(WriteIni(file_, "GLOBAL", "Extension", "kel"));
  ASSERT_TRUE(WriteIni(file_, "GLOBAL", "Mru", "/d/second.kel"));
  EXPECT_EQ(Slurp(file_), "[GLOBAL]\nDataBase=/d/Zivodevu.mdb\nMru=/d/second.kel\nExtension=kel\n");
  // An empty value keeps the entry.
  ASSERT_TRUE(WriteIni(file_, "GLOBAL", "Extension", ""));
  EXPECT_EQ(Slurp(file_), "[GLOBAL]\nDataBase=/d/Zivodevu.mdb\nMru=/d/second.kel\nExtension=\n");
  EXPECT_EQ(Entries(), std::set<std::string>{"test.ini"});
}

TEST_F(IniWriteTest, ReplacementKeepsTheLineSpellingAndTheFirstDuplicate) {
  Spit(file_, "[Global]\n  mRU = old value \nx=1\nmru=second\n[GLOBAL]\nMru=other\n");
  ASSERT_TRUE(WriteIni(file_, "GLOBAL", "Mru", "new"));
  EXPECT_EQ(Slurp(file_), "[Global]\n  mRU = new\nx=1\nmru=second\n[GLOBAL]\nMru=other\n");
  ASSERT_TRUE(WriteIni(file_, "global", "y", "2"));
  EXPECT_EQ(Slurp(file_), "[Global]\n  mRU = new\nx=1\nmru=second\ny=2\n[GLOBAL]\nMru=other\n");
}

TEST_F(IniWriteTest, MissingKeyGoesAtTheEndOfItsSection) {
  Spit(file_, "[A]\na1=1\n; last comment of A\n\n\n[B]\nb1=2\n");
  ASSERT_TRUE(WriteIni(file_, "A", "a2", "x"));
  EXPECT_EQ(Slurp(file_), "[A]\na1=1\n; last comment of A\na2=x\n\n\n[B]\nb1=2\n");

  Spit(file_, "[A]\n\n[B]\n");
  ASSERT_TRUE(WriteIni(file_, "A", "a", "1"));
  EXPECT_EQ(Slurp(file_), "[A]\na=1\n\n[B]\n");

  Spit(file_, "[A]\na=1");
  ASSERT_TRUE(WriteIni(file_, "A", "b", "2"));
  EXPECT_EQ(Slurp(file_), "[A]\na=1\nb=2\n");
}

TEST_F(IniWriteTest, MissingSectionGoesAtTheEndOfTheFile) {
  Spit(file_, "[A]\na=1\n\n");
  ASSERT_TRUE(WriteIni(file_, "B", "b", "2"));
  EXPECT_EQ(Slurp(file_), "[A]\na=1\n\n[B]\nb=2\n");

  Spit(file_, "[A]\na=1");
  ASSERT_TRUE(WriteIni(file_, "B", "b", "2"));
  EXPECT_EQ(Slurp(file_), "[A]\na=1\n[B]\nb=2\n");

  Spit(file_, "");
  ASSERT_TRUE(WriteIni(file_, "B", "b", "2"));
  EXPECT_EQ(Slurp(file_), "[B]\nb=2\n");
}

TEST_F(IniWriteTest, EveryOtherByteOfACrlfDocumentIsKept) {
  const std::string head =
      "; Kelvanor design\r\n"
      "\r\n"
      "[SPECIFS]\r\n"
      "Freq=";
  const std::string middle =
      "\r\n"
      "Tesla = 1,5   \r\n"
      "Unknown=keep me\r\n"
      "; end of SPECIFS\r\n";
  const std::string tail =
      "\r\n"
      "[NOYAU]\r\n"
      "# imposed core\r\n"
      "Type=EI 84\r\n";
  Spit(file_, head + "50" + middle + tail);
  ASSERT_TRUE(WriteIni(file_, "SPECIFS", "Freq", "60"));
  ASSERT_TRUE(WriteIni(file_, "SPECIFS", "Amps4", ""));
  ASSERT_TRUE(WriteIni(file_, "REMARQUES", "FreeText", "a\tb\t"));
  EXPECT_EQ(Slurp(file_),
            head + "60" + middle + "Amps4=\r\n" + tail + "[REMARQUES]\r\nFreeText=a\tb\t\r\n");
  EXPECT_EQ(ReadIni(file_, "NOYAU", "Type"), "EI 84");
}

TEST_F(IniWriteTest, FailedWritesLeaveTheOriginalUntouched) {
  const std::string original = "[GLOBAL]\nMru=/d/a.kel\n";
  Spit(file_, original);
  EXPECT_FALSE(WriteIni("", "GLOBAL", "Mru", "x"));
  EXPECT_FALSE(WriteIni(dir_, "GLOBAL", "Mru", "x"));
  EXPECT_TRUE(fs::is_directory(dir_));
  // A folder that is a regular file defeats root as well.
  EXPECT_FALSE(WriteIni(file_ + "/inside.ini", "GLOBAL", "Mru", "x"));
  EXPECT_FALSE(WriteIni(dir_ + "/missing/x.ini", "GLOBAL", "Mru", "x"));
  EXPECT_EQ(Slurp(file_), original);
  EXPECT_EQ(Entries(), std::set<std::string>{"test.ini"});
}

TEST_F(IniWriteTest, ReadOnlyFileOrFolderIsNotWritten) {
  if (!PermissionsAreEnforced()) GTEST_SKIP() << "running with rights that ignore permissions";
  const std::string original = "[GLOBAL]\nMru=/d/a.kel\n";
  Spit(file_, original);
  ::chmod(file_.c_str(), 0444);
  EXPECT_FALSE(WriteIni(file_, "GLOBAL", "Mru", "x"));
  EXPECT_EQ(Slurp(file_), original);

  // A writable file in a read-only folder is rewritten in place; a new file cannot be made.
  ::chmod(file_.c_str(), 0644);
  ::chmod(dir_.c_str(), 0555);
  EXPECT_TRUE(WriteIni(file_, "GLOBAL", "Mru", "x"));
  EXPECT_FALSE(WriteIni(dir_ + "/new.ini", "GLOBAL", "Mru", "x"));
  ::chmod(dir_.c_str(), 0700);
  EXPECT_EQ(Slurp(file_), "[GLOBAL]\nMru=x\n");
  EXPECT_EQ(Entries(), std::set<std::string>{"test.ini"});
}

TEST_F(IniWriteTest, PermissionsAndLinksSurviveAWrite) {
  Spit(file_, "[S]\nk=1\n");
  ::chmod(file_.c_str(), 0640);
  const std::string link = dir_ + "/link.ini";
  fs::create_symlink(file_, link);
  ASSERT_TRUE(WriteIni(link, "S", "k", "2"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Slurp(file_), "[S]\nk=2\n");
  struct stat info {};
  ASSERT_EQ(::stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);

  const mode_t old_mask = ::umask(027);
  const bool created = WriteIni(dir_ + "/new.ini", "S", "k", "1");
  ::umask(old_mask);
  ASSERT_TRUE(created);
  ASSERT_EQ(::stat((dir_ + "/new.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(), (std::set<std::string>{"test.ini", "link.ini", "new.ini"}));
}

// Fault injection: each step of putting the new content in place fails in turn.
int g_fail_step = 0;  // 1 write, 2 write after a partial write, 3 fsync, 4 rename
int g_write_calls = 0;

ssize_t FaultyWrite(int fd, const void* data, std::size_t size) {
  ++g_write_calls;
  if (g_fail_step == 1 || (g_fail_step == 2 && g_write_calls > 1)) {
    errno = ENOSPC;
    return -1;
  }
  // One byte at a time: the writer must carry on after short writes.
  return ::write(fd, data, size == 0 ? 0 : 1);
}
int FaultyFsync(int fd) {
  if (g_fail_step == 3) {
    errno = EIO;
    return -1;
  }
  return ::fsync(fd);
}
int FaultyRename(const char* from, const char* to) {
  if (g_fail_step == 4) {
    errno = EXDEV;
    return -1;
  }
  return ::rename(from, to);
}

class IniFaultTest : public IniTest {
 protected:
  const IniFileOps faulty_{FaultyWrite, FaultyFsync, FaultyRename};
};

TEST_F(IniFaultTest, EveryFailingStepLeavesTheOriginalAndNoTemporaryFile) {
  const std::string original = "[S]\nk=1\n";
  Spit(file_, original);
  for (g_fail_step = 1; g_fail_step <= 4; ++g_fail_step) {
    SCOPED_TRACE(g_fail_step);
    g_write_calls = 0;
    EXPECT_FALSE(WriteIni(file_, "S", "k", "a much longer value", faulty_));
    EXPECT_FALSE(WriteIni(dir_ + "/new.ini", "S", "k", "2", faulty_));
    EXPECT_EQ(Slurp(file_), original);
    EXPECT_EQ(Entries(), std::set<std::string>{"test.ini"});
  }
  g_fail_step = 0;
  ASSERT_TRUE(WriteIni(file_, "S", "k", "a much longer value", faulty_));
  EXPECT_EQ(Slurp(file_), "[S]\nk=a much longer value\n");
}

TEST_F(IniEncodingTest, Windows1252LinesReadAsUtf8AndKeepTheirBytes) {
  std::string high_bytes;
  for (int byte = 0x80; byte <= 0x9F; ++byte) high_bytes += static_cast<char>(byte);
  // The bytes the code page leaves undefined come back as the control characters of the same
  // number.
  const std::string high_text = "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ";
  const std::string kept = "[S]\nName=Caf\xe9 \x80\nHigh=" + high_bytes + "\n";
  Spit(file_, kept + "Other=1\n");
  EXPECT_EQ(ReadIni(file_, "S", "Name"), "Café €");
  EXPECT_EQ(ReadIni(file_, "S", "High"), high_text);
  ASSERT_TRUE(WriteIni(file_, "S", "Other", "2"));
  EXPECT_EQ(Slurp(file_), kept + "Other=2\n");
  // What was read is written back as the same bytes.
  ASSERT_TRUE(WriteIni(file_, "S", "Copy", high_text));
  EXPECT_EQ(Slurp(file_), kept + "Other=2\nCopy=" + high_bytes + "\n");
}

// Every line is Windows-1252; a character it lacks is a numeric character reference, and so is
// the ampersand of a "&#" typed as such: all read back as typed.
TEST_F(IniEncodingTest, WrittenLinesAreWindows1252WithReferencesForTheRest) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Café", "Caf\xe9"},                           // fits
      {"« ½ œ ™ »", "\xab \xbd \x9c \x99 \xbb"},     // fits, above and below 0xA0
      {"Ω 50 Hz é", "&#937; 50 Hz \xe9"},            // Ω does not fit
      {"😀", "&#128512;"},                            // nor beyond 16 bits
      {"&#937; & #1 &#", "&#38;#937; & #1 &#38;#"},  // typed so: kept so
      {"Ã©", "&#195;&#169;"},  // as Windows-1252 bytes it would read back as é
      // so here too, where a reference makes up the bytes' length exactly
      {"中Ã©É€.", "&#20013;&#195;&#169;&#201;&#8364;."},
      {"Caf\xe9", "Caf\xe9"},  // a stray Latin-1 byte counts as é
  };
  for (const auto& [value, bytes] : cases) {
    SCOPED_TRACE(value);
    ASSERT_TRUE(WriteIni(file_, "S", "k", value));
    EXPECT_EQ(Slurp(file_), "[S]\nk=" + bytes + "\n");
    EXPECT_EQ(ReadIni(file_, "S", "k"), value == "Caf\xe9" ? "Café" : value);
  }
  // Each line of a multi-line value is read by itself, so each is encoded by itself.
  ASSERT_TRUE(WriteIni(file_, "", "", "Ã©\nCafé"));
  EXPECT_EQ(Slurp(file_), "[S]\nk=Caf\xe9\n[]\n=&#195;&#169;\nCaf\xe9\n");
  EXPECT_EQ(ReadIni(file_, "", ""), "Ã©");
  // A reference that is none stays as it is.
  Spit(file_, "[S]\nk=&#0; &#x41; &#65 &#;&#9999999999;&#65;\n");
  EXPECT_EQ(ReadIni(file_, "S", "k"), "&#0; &#x41; &#65 &#;&#9999999999;A");
}

TEST_F(IniEncodingTest, NamesMatchAcrossEncodings) {
  Spit(file_, "[R\xe9glages]\nCl\xe9=1\n");
  EXPECT_EQ(ReadIni(file_, "Réglages", "Clé"), "1");
  ASSERT_TRUE(WriteIni(file_, "Réglages", "Clé", "2"));
  EXPECT_EQ(Slurp(file_), "[R\xe9glages]\nCl\xe9=2\n");
  ASSERT_TRUE(WriteIni(file_, "Réglages", "Clé", "Ω"));
  EXPECT_EQ(Slurp(file_), "[R\xe9glages]\nCl\xe9=&#937;\n");
  EXPECT_EQ(ReadIni(file_, "Réglages", "Clé"), "Ω");
}

TEST_F(IniRemarksTest, EmptySectionAndKeyRoundTrip) {
  ASSERT_TRUE(WriteIni(file_, "FAB", "Modele", "Tranformateur Alimentation a.kel"));
  ASSERT_TRUE(WriteIni(file_, "", "", "one line"));
  EXPECT_EQ(Slurp(file_), "[FAB]\nModele=Tranformateur Alimentation a.kel\n[]\n=one line\n");
  EXPECT_EQ(ReadIni(file_, "", ""), "one line");
  ASSERT_TRUE(WriteIni(file_, "", "", "other"));
  EXPECT_EQ(Slurp(file_), "[FAB]\nModele=Tranformateur Alimentation a.kel\n[]\n=other\n");
}

TEST_F(IniRemarksTest, MultiLineEntryIsReplacedWhole) {
  Spit(file_, "[FAB]\nNoyau=EI 84 M6X\n");
  ASSERT_TRUE(WriteIni(file_, "", "", "first\r\nk=v\r\n\r\nthird"));
  EXPECT_EQ(Slurp(file_), "[FAB]\nNoyau=EI 84 M6X\n[]\n=first\r\nk=v\r\n\r\nthird\n");
  EXPECT_EQ(ReadIni(file_, "", ""), "first");
  // Its lines are part of it, not entries.
  EXPECT_EQ(ReadIni(file_, "", "k"), "");

  ASSERT_TRUE(WriteIni(file_, "FAB", "Primaire", "\t(230 Volts)"));
  ASSERT_TRUE(WriteIni(file_, "", "", "x\ny\n"));
  const std::string expected = "[FAB]\nNoyau=EI 84 M6X\nPrimaire=\t(230 Volts)\n[]\n=x\ny\n\n";
  EXPECT_EQ(Slurp(file_), expected);
  // Remarks ending with a line break do not grow on every save.
  ASSERT_TRUE(WriteIni(file_, "", "", "x\ny\n"));
  EXPECT_EQ(Slurp(file_), expected);

  Spit(file_, "[]\n=a\nb\n\n[Z]\nz=1\n");
  ASSERT_TRUE(WriteIni(file_, "", "", "new"));
  EXPECT_EQ(Slurp(file_), "[]\n=new\n[Z]\nz=1\n");
}

}  // namespace
}  // namespace kel
