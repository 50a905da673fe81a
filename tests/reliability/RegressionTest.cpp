// Faults found by the fuzz targets and by the reliability review, each kept as the smallest input
// that showed it.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "catalogue/CatalogueDb.h"
#include "documents/DesignDocument.h"
#include "documents/Ini.h"
#include "reliability/FaultSupport.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

using test::ReadFile;
using test::WriteFile;

class RegressionTest : public ::testing::Test {
 protected:
  // Writes key=value twice; the second write must find nothing to change.
  std::string WrittenTwice(const std::string& content, const std::string& section,
                           const std::string& key, const std::string& value) {
    WriteFile(file, content);
    EXPECT_TRUE(WriteIni(file, section, key, value));
    std::string once = ReadFile(file);
    EXPECT_TRUE(WriteIni(file, section, key, value));
    EXPECT_EQ(ReadFile(file), once) << "the same value written again changed the file";
    return once;
  }

  test::TempDir dir;
  const std::string file = dir.File("test.ini");
};

// fuzz_document: a design document whose core reads as "'" (stored as Type='') lost its imposed
// core on the way through a save, since the stored "'" read back empty; an induction read as
// " 1,5" (stored as Tesla=' 1,5) came back as "1,5".
TEST_F(RegressionTest, FieldTextsStartingWithAnApostropheOrABlankSurviveASave) {
  test::MakeCatalogue(dir.File("cores.db"), {{"EI10", 10, 0.6, 12, 30, 20}});
  WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", dir.File("cores.db"));
  WriteFile(dir.File("in.kel"),
            "[SPECIFS]\nFreq=''50\nTesla=' 1,5\nDCourant=3\nVolts0=230\nVolts1=100\nAmps1=1\n"
            "[CUIVRE]\nDia1=''\n[NOYAU]\nType=''\n");
  test::FakePlatform platform;
  platform.executable_path = dir.File("kelvanor");
  MainForm form(platform, {',', true});
  form.Form_Load(dir.File("in.kel"));
  ASSERT_EQ(form.Sheet().TxFreq, "'50");
  ASSERT_EQ(form.Sheet().TxTesla, " 1,5");
  ASSERT_TRUE(form.Sheet().CoreForced);
  ASSERT_EQ(form.Sheet().TxNoyau, "'");
  ASSERT_TRUE(form.Sheet().DiaForced[1]);
  platform.dialog_answers = {dir.File("out.kel")};
  form.MnuEnregistrerSous_Click();

  MainForm reopened(platform, {',', true});
  reopened.Form_Load(dir.File("out.kel"));
  EXPECT_EQ(reopened.Sheet().TxFreq, "'50");
  EXPECT_EQ(reopened.Sheet().TxTesla, " 1,5");
  EXPECT_TRUE(reopened.Sheet().CoreForced);
  EXPECT_EQ(reopened.Sheet().TxNoyau, "'");
  EXPECT_TRUE(reopened.Sheet().DiaForced[1]);
  EXPECT_EQ(reopened.Sheet().TxDiaCu[1], "'");
}

// fuzz_document: remarks with a CR or an LF on its own (possible in the parts form) were written
// raw into the tab form, whose line then ended early; its rest became an empty-key entry that
// took in the parts, and the remarks came back cut. A NUL, which ends a value on reading, was
// taken for part of the tab form, so no parts were written and the remarks came back cut too.
TEST_F(RegressionTest, RemarksWithStrayLineBreaksOrNulComeBackWhole) {
  test::FakePlatform platform;
  platform.executable_path = dir.File("kelvanor");
  for (const std::string& remarks :
       {std::string("a\rb\n\r\n =|\tc\\"), std::string("x\ny"), std::string("nul\0after", 9)}) {
    SCOPED_TRACE(remarks);
    MainForm form(platform, {',', true});
    form.TxRem_Change(remarks);
    platform.dialog_answers = {dir.File("remarks.kel")};
    platform.answers = {MsgAnswer::Ok};
    form.MnuEnregistrerSous_Click();
    MainForm reopened(platform, {',', true});
    reopened.Form_Load(dir.File("remarks.kel"));
    EXPECT_EQ(reopened.Sheet().TxRem, remarks);
    EXPECT_EQ(ReadIni(dir.File("remarks.kel"), "REMARQUES", ""), "") << "no stray entry";
  }
}

// Review: the number of remarks parts was taken from the document as it stands: 1e300 was
// converted to int (undefined), 100000000 meant as many look-ups over the whole document.
TEST_F(RegressionTest, AnnouncedNumberOfRemarksPartsCostsNothing) {
  for (const char* announced : {"1e300", "100000000", "-5", "2,5"}) {
    SCOPED_TRACE(announced);
    WriteFile(file, std::string("[REMARQUES]\nFreeText=ab\t\nFreeTextParts=") + announced +
                        "\nFreeText1=|a|\nFreeText2=|b|\n");
    const auto start = test::ThreadCpuTime();
    const DesignEntries entries = ReadDesignDocument(file, {});
    EXPECT_LT(test::ThreadCpuTime() - start, std::chrono::seconds(2));
    EXPECT_EQ(entries.remarks, announced[0] == '-' ? "ab\r\n" : "ab");
  }
}

// fuzz_ini: a value starting with a blank gained one more blank at every write.
TEST_F(RegressionTest, ValueStartingWithABlankIsWrittenTheSameEveryTime) {
  EXPECT_EQ(WrittenTwice("[S]\nk = old\n", "S", "k", " aaaa"), "[S]\nk = aaaa\n");
  EXPECT_EQ(ReadIni(file, "S", "k"), "aaaa");
}

// fuzz_ini: an empty-key entry added to a section took in the blank lines that close the section
// and dropped them at its next write.
TEST_F(RegressionTest, EmptyKeyEntryLeavesTheBlankLinesBetweenSections) {
  EXPECT_EQ(WrittenTwice("[S]\nk=v\n\n[T]\nx=1\n", "S", "", "remarks"),
            "[S]\nk=v\n\n=remarks\n[T]\nx=1\n");
  EXPECT_EQ(ReadIni(file, "S", "k"), "v");
  EXPECT_EQ(ReadIni(file, "T", "x"), "1");
  EXPECT_EQ(WrittenTwice("[S]\nk=v", "S", "", "r"), "[S]\nk=v\n=r\n");
}

// fuzz_ini: a multi-line value ending with a line break, written over the last line of a file
// without a final line break, grew by one line break at its next write.
TEST_F(RegressionTest, MultiLineValueAtTheEndOfTheFileKeepsItsSize) {
  EXPECT_EQ(WrittenTwice("[]\n=old", "", "", "a\r\nb\r\n"), "[]\n=a\r\nb\r\n\n");
  EXPECT_EQ(ReadIni(file, "", ""), "a");
}

// fuzz_ini: in a file whose lines end with a lone CR, a key added before a line ending with LF
// joined that line's LF to its own CR, and the line was gone.
TEST_F(RegressionTest, KeyAddedInALoneCrFileKeepsTheNextLine) {
  WriteFile(file, "[S]\rk=v\n\n[T]\r");
  ASSERT_TRUE(WriteIni(file, "S", "new", "1"));
  EXPECT_EQ(ReadFile(file), "[S]\rk=v\nnew=1\r\n\n[T]\r");
  EXPECT_EQ(ReadIni(file, "S", "new"), "1");
  EXPECT_EQ(ReadIni(file, "S", "k"), "v");
}

// fuzz_document: a key added to a section below an empty-key entry became one of that entry's
// lines. Saved over a document whose REMARQUES held such a line, remarks kept in parts lost
// their parts and came back empty.
TEST_F(RegressionTest, KeyAddedBelowAnEmptyKeyEntryStaysAKey) {
  WriteFile(file, "[S]\na=1\n=remarks\nmore\n[T]\n");
  ASSERT_TRUE(WriteIni(file, "S", "b", "2"));
  EXPECT_EQ(ReadFile(file), "[S]\na=1\nb=2\n=remarks\nmore\n[T]\n");
  EXPECT_EQ(ReadIni(file, "S", "b"), "2");
  EXPECT_EQ(ReadIni(file, "S", ""), "remarks");

  test::FakePlatform platform;
  platform.executable_path = dir.File("kelvanor");
  WriteFile(dir.File("doc.kel"), "[REMARQUES]\nFreeText=a\t\n=stray line\n");
  MainForm form(platform, {',', true});
  form.SetSettingsPath(dir.File("kelvanor.ini"));
  form.Form_Load(dir.File("doc.kel"));
  form.TxRem_Change("tab\tinside");  // the tab form cannot hold it: it goes in parts
  platform.answers = {MsgAnswer::Ok};
  ASSERT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Saved);
  MainForm reopened(platform, {',', true});
  reopened.Form_Load(dir.File("doc.kel"));
  EXPECT_EQ(reopened.Sheet().TxRem, "tab\tinside");
}

// fuzz_document: saved over a document whose inputs lay below its sheet's remarks section "[]",
// the inputs were written there and then dropped with that section's old lines.
TEST_F(RegressionTest, InputsBelowTheSheetRemarksSurviveASave) {
  test::FakePlatform platform;
  platform.executable_path = dir.File("kelvanor");
  WriteFile(dir.File("doc.kel"),
            "[]\n=old remarks\n[SPECIFS]\nFreq=60\nTesla=1,2\nVolts0=115\nVolts1=12\nAmps1=2\n");
  MainForm form(platform, {',', true});
  form.SetSettingsPath(dir.File("kelvanor.ini"));
  form.Form_Load(dir.File("doc.kel"));
  ASSERT_EQ(form.Sheet().TxFreq, "60");
  platform.answers = {MsgAnswer::Ok};
  ASSERT_EQ(form.SaveDesign(), MainForm::SaveOutcome::Saved);
  MainForm reopened(platform, {',', true});
  reopened.Form_Load(dir.File("doc.kel"));
  EXPECT_EQ(reopened.Sheet().TxFreq, "60");
  EXPECT_EQ(reopened.Sheet().TxVolts[1], "12");
}

// Review: a core whose reference has a lower-case accented letter was never found, since the
// look-up upper-cases the reference and SQLite's NOCASE knows ASCII letters only.
TEST_F(RegressionTest, AccentedReferencesAreFoundWhateverTheirCase) {
  test::MakeCatalogue(dir.File("cores.db"), {{"EI10", 10, 0.6, 12, 30, 20},
                                             {"étoile", 12, 0.7, 13, 32, 21},
                                             {"ÉCLAIR", 14, 0.8, 13, 32, 21}});
  WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", dir.File("cores.db"));
  test::FakePlatform platform;
  platform.executable_path = dir.File("kelvanor");
  MainForm form(platform, {',', true});
  form.Form_Load("");
  for (const auto& [picked, found] : {std::pair{"étoile", "étoile"},
                                      {"ÉTOILE", "étoile"},
                                      {"éclair", "ÉCLAIR"},
                                      {"ei10", "EI10"}}) {
    SCOPED_TRACE(picked);
    form.LstCore_DblClick(picked);
    EXPECT_EQ(form.Sheet().LbNoyau, found);
  }
}

// fuzz_catalogue: a catalogue in WAL mode, opened read-only, left catalogue-wal and catalogue-shm
// files behind in the user's folder.
TEST_F(RegressionTest, ReadingACatalogueLeavesNothingBesideIt) {
  std::filesystem::create_directory(dir.File("a b?c#d%e é"));
  const std::string path = dir.File("a b?c#d%e é/cores.db");
  test::MakeCatalogue(path, {{"EI10", 10, 0.6, 12, 30, 20}});
  test::ExecuteSql(path, "PRAGMA journal_mode=WAL");
  EngineError error;
  {
    const auto db = CatalogueHandle::Open(path, error);
    ASSERT_NE(db, nullptr) << error.description;
    std::unique_ptr<Recordset> rows = db->Query("Select Ref from EI", error);
    ASSERT_NE(rows, nullptr) << error.description;
    EXPECT_EQ(rows->Field("Ref").text, "EI10");
    EXPECT_EQ(test::FolderEntries(dir.File("a b?c#d%e é")), std::vector<std::string>{"cores.db"});
  }
  EXPECT_EQ(test::FolderEntries(dir.File("a b?c#d%e é")), std::vector<std::string>{"cores.db"});

  // Rows another program has written but not yet moved out of its journal are read all the same.
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(writer, "PRAGMA wal_autocheckpoint=0; INSERT INTO EI (Ref) VALUES ('EI99')",
                   nullptr, nullptr, nullptr),
      SQLITE_OK);
  {
    const auto db = CatalogueHandle::Open(path, error);
    ASSERT_NE(db, nullptr) << error.description;
    std::unique_ptr<Recordset> rows = db->Query("Select count(*) AS n from EI", error);
    ASSERT_NE(rows, nullptr) << error.description;
    EXPECT_EQ(rows->Field("n").number, 2);
  }
  sqlite3_close(writer);
}

}  // namespace
}  // namespace kel
