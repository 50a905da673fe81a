// Documents no user means to open: megabytes, a hundred thousand keys, NUL bytes, a folder, a
// named pipe. The program neither crashes nor hangs, takes a bounded time, and shows what can
// sensibly be read from them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "documents/Ini.h"
#include "reliability/FaultSupport.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

namespace fs = std::filesystem;
using test::FakePlatform;
using test::ReadFile;
using test::WriteFile;

// count copies of c; the size is the point of these tests.
std::string Repeated(char c, std::size_t count) {
  std::string text;
  text.resize(count, c);
  return text;
}

const std::string kSpecifs =
    "[SPECIFS]\nFreq=50\nTesla=1,5\nDCourant=3\nVolts0=230\nVolts1=100\nAmps1=1\n";

// A window of its own for every document, so that nothing of an earlier one shows through.
struct Session {
  explicit Session(const std::string& executable) { platform.executable_path = executable; }
  FakePlatform platform;
  MainForm form{platform, {',', true}};
};

class HostileDocumentTest : public ::testing::Test {
 protected:
  HostileDocumentTest() {
    test::MakeCatalogue(dir.File("cores.db"),
                        {{"EI20", 20, 1.5, 15, 40, 25}, {"EI10", 10, 0.6, 12, 30, 20}});
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", dir.File("cores.db"));
  }

  // Opens path, changes the design and saves it over path, each within the time budget; then
  // the document opened again gives the design that was saved.
  const DesignSheet& OpenSaveReopen(const std::string& path) {
    session = std::make_unique<Session>(dir.File("kelvanor"));
    MainForm& form = session->form;
    const test::Stopwatch opening;
    form.Form_Load(path);
    EXPECT_LT(opening.Seconds(), test::TimeBudgetSeconds()) << "opening";
    form.BtPlusT_Click();
    session->platform.answers = {MsgAnswer::Ok};
    const test::Stopwatch saving;
    EXPECT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Saved);
    EXPECT_LT(saving.Seconds(), test::TimeBudgetSeconds()) << "saving";

    Session again(dir.File("kelvanor"));
    const test::Stopwatch reopening;
    again.form.Form_Load(path);
    EXPECT_LT(reopening.Seconds(), test::TimeBudgetSeconds()) << "opening again";
    const DesignSheet& saved = form.Sheet();
    const DesignSheet& reopened = again.form.Sheet();
    EXPECT_EQ(reopened.TxFreq, saved.TxFreq);
    EXPECT_EQ(reopened.TxTesla, saved.TxTesla);
    EXPECT_EQ(reopened.TxVolts, saved.TxVolts);
    EXPECT_EQ(reopened.TxAmps, saved.TxAmps);
    EXPECT_EQ(reopened.TxRem, saved.TxRem);
    EXPECT_EQ(reopened.LbNoyau, saved.LbNoyau);
    EXPECT_TRUE(again.platform.messages.empty());
    return saved;
  }

  test::TempDir dir;
  std::unique_ptr<Session> session;
};

TEST_F(HostileDocumentTest, DocumentsJustUnderTheSizeLimit) {
  // Sanitizers find the same faults in two megabytes, in a fraction of the time.
  const std::size_t size = test::TimedBuild() ? kIniFileLimit - 1000 : 2'000'000;
  const std::string path = dir.File("big.kel");
  const std::string filler_line = "; " + std::string(98, 'x') + "\n";
  std::string filler;
  while (filler.size() < size) filler += filler_line;

  {
    SCOPED_TRACE("megabytes of comments after the inputs");
    WriteFile(path, kSpecifs + filler);
    const DesignSheet& design = OpenSaveReopen(path);
    EXPECT_EQ(design.TxFreq, "50");
    EXPECT_EQ(design.LbNoyau, "EI10");
    EXPECT_GT(fs::file_size(path), size) << "lines the program does not write stay";
  }
  {
    SCOPED_TRACE("one value of megabytes");
    WriteFile(path, kSpecifs + "[REMARQUES]\nFreeText=" + Repeated('r', size) + "\t\n");
    const DesignSheet& design = OpenSaveReopen(path);
    EXPECT_EQ(design.TxRem, std::string(kIniValueLimit, 'r') + "\r\n");
  }
  {
    SCOPED_TRACE("megabytes of bytes without meaning");
    std::string junk = Repeated('\0', size);
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919) % 251);
    WriteFile(path, junk);
    // Not text: refused at once, the file left as it is, the new design on screen.
    Session refusing(dir.File("kelvanor"));
    const test::Stopwatch opening;
    refusing.form.Form_Load(path);
    EXPECT_LT(opening.Seconds(), test::TimeBudgetSeconds());
    EXPECT_EQ(refusing.form.DocPath(), "");
    EXPECT_EQ(refusing.form.Sheet().TxVolts[0], "230");
    EXPECT_EQ(refusing.platform.messages.size(), 1u);
    EXPECT_EQ(ReadFile(path), junk);
  }
}

TEST_F(HostileDocumentTest, HundredThousandKeysBeforeTheInputs) {
  // Sanitizers find the same faults in a fifth of the keys, in a fraction of the time.
  const int count = test::TimedBuild() ? 100'000 : 20'000;
  std::string keys = "[SPECIFS]\n";
  for (int i = 0; i < count; ++i)
    keys += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  const std::string path = dir.File("keys.kel");
  WriteFile(path, keys + kSpecifs.substr(sizeof("[SPECIFS]\n") - 1));
  const DesignSheet& design = OpenSaveReopen(path);
  EXPECT_EQ(design.TxVolts[1], "100");
  EXPECT_EQ(design.LbNoyau, "EI10");
  EXPECT_EQ(ReadIni(path, "SPECIFS", "Key" + std::to_string(count - 1)), std::to_string(count - 1));
}

// A NUL byte is in no text file: wherever it stands, the file is no document and is not opened
// (saving over it would replace what it really is).
TEST_F(HostileDocumentTest, NulBytesMakeAFileNoDocument) {
  const std::string path = dir.File("nul.kel");
  for (const std::string& bytes : {std::string("\0[x]\n", 5) + kSpecifs,
                                   kSpecifs + std::string("Volts2=1\0"
                                                          "2\n",
                                                          10),
                                   kSpecifs + std::string("[NOYAU]\nType=EI\0"
                                                          "20\n",
                                                          19)}) {
    WriteFile(path, bytes);
    Session session_of_nul(dir.File("kelvanor"));
    session_of_nul.form.Form_Load(path);
    EXPECT_EQ(session_of_nul.form.DocPath(), "");
    EXPECT_EQ(session_of_nul.form.Sheet().TxVolts[0], "230") << "the new design";
    ASSERT_EQ(session_of_nul.platform.messages.size(), 1u);
    EXPECT_NE(session_of_nul.platform.messages[0].text.find("n'est pas un document"),
              std::string::npos);
    EXPECT_EQ(ReadFile(path), bytes);
  }
}

TEST_F(HostileDocumentTest, FolderOrPipeInsteadOfADocument) {
  const std::string folder = dir.File("folder.kel");
  fs::create_directory(folder);
  const std::string pipe = dir.File("pipe.kel");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);

  for (const std::string& path : {folder, pipe}) {
    SCOPED_TRACE(path);
    Session session_of_path(dir.File("kelvanor"));
    FakePlatform& fake = session_of_path.platform;
    MainForm& opened = session_of_path.form;
    const test::Stopwatch opening;
    opened.Form_Load(path);
    EXPECT_LT(opening.Seconds(), test::TimeBudgetSeconds());
    EXPECT_EQ(opened.DocPath(), path);
    EXPECT_EQ(opened.Sheet().TxFreq, "") << "read as a document without entries";
    EXPECT_TRUE(fake.messages.empty());

    opened.TxRem_Change("note");
    fake.answers = {MsgAnswer::Ok};
    EXPECT_EQ(opened.SaveDesign(), MainForm::SaveOutcome::Failed);
    ASSERT_FALSE(fake.messages.empty());
    EXPECT_NE(fake.messages.back().text.find(path), std::string::npos);
    EXPECT_TRUE(opened.Modified());
  }
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_TRUE(fs::is_fifo(pipe));
}

}  // namespace
}  // namespace kel
