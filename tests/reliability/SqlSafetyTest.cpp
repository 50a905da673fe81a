// Core references with quotes, semicolons, comment markers or a second statement, from a document
// or from the core list, are looked up literally: they never change what SQL runs. The catalogue
// holds the table such a text would drop and a table Victim beside it, and both survive; a core
// whose reference is exactly that text is found.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueDb.h"
#include "documents/Ini.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

using test::FakePlatform;
using test::ReadFile;
using test::WriteFile;

// References that would end the string literal, add a statement or comment out the rest.
const std::vector<std::string> kHostileRefs = {
    "x'; DROP TABLE EI; --",
    "y'); DROP TABLE Victim; --",
    "' OR '1'='1",
    "O'Brien",
    "EI 40;EI 50",
    "a -- b",
    "c /* d */ e",
    "''",
    "\\'; DELETE FROM EI; --",
    "\" OR \"\"=\"",
};

// Texts in the same spirit that no core has.
const std::vector<std::string> kUnknownRefs = {
    "EI10'; DROP TABLE Victim; --",           "' OR 1=1 --", "EI10' --", "x'/*",
    "'; ATTACH DATABASE 'other.db' AS o; --", "EI10'||'",
};

int Rows(const std::string& path, const std::string& table) {
  sqlite3* db = nullptr;
  int count = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    const std::string sql = "SELECT count(*) FROM " + table;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      count = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return count;
}

class SqlSafetyTest : public ::testing::Test {
 protected:
  SqlSafetyTest() {
    std::vector<test::CoreRow> rows = {{"EI10", 10, 0.6, 12, 30, 20},
                                       {"EI20", 20, 1.5, 15, 40, 25}};
    double section = 30;
    for (const std::string& ref : kHostileRefs) rows.push_back({ref, ++section, 3, 18, 50, 30});
    test::MakeCatalogue(catalogue, rows);
    test::ExecuteSql(catalogue,
                     "CREATE TABLE Victim (id INTEGER); INSERT INTO Victim VALUES (1), (2);");
    WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", catalogue);
    bytes = ReadFile(catalogue);
  }

  // The catalogue as it was: same bytes, both tables whole.
  void ExpectCatalogueIntact() {
    EXPECT_EQ(ReadFile(catalogue), bytes);
    EXPECT_EQ(Rows(catalogue, "EI"), static_cast<int>(kHostileRefs.size()) + 2);
    EXPECT_EQ(Rows(catalogue, "Victim"), 2);
  }

  // The section of the row whose reference is ref, as a label shows it.
  static std::string SectionOf(const std::string& ref) {
    const auto at = std::find(kHostileRefs.begin(), kHostileRefs.end(), ref);
    return std::to_string(31 + (at - kHostileRefs.begin()));
  }

  std::unique_ptr<MainForm> Start(FakePlatform& platform, const std::string& command_line) {
    platform.executable_path = dir.File("kelvanor");
    auto form = std::make_unique<MainForm>(platform, MainFormOptions{',', true});
    form->Form_Load(command_line);
    return form;
  }

  static bool QueryFailed(const FakePlatform& platform) {
    return std::any_of(
        platform.messages.begin(), platform.messages.end(),
        [](const test::RecordedMessage& m) { return m.buttons == MsgButtons::YesNo; });
  }

  test::TempDir dir;
  const std::string catalogue = dir.File("cores.db");
  std::string bytes;
};

TEST_F(SqlSafetyTest, ReferenceFromADocumentIsLookedUpLiterally) {
  for (const std::string& ref : kHostileRefs) {
    SCOPED_TRACE(ref);
    // A stored value loses one leading apostrophe on reading, so such a reference has two.
    const std::string stored = ref.front() == '\'' ? "'" + ref : ref;
    WriteFile(dir.File("design.kel"),
              "[SPECIFS]\nFreq=50\nTesla=1,5\nDCourant=3\nVolts0=230\n"
              "Volts1=100\nAmps1=1\n[NOYAU]\nType=" +
                  stored + "\n");
    FakePlatform platform;
    const auto form = Start(platform, dir.File("design.kel"));
    EXPECT_TRUE(form->Sheet().CoreForced);
    EXPECT_EQ(form->Sheet().LbNoyau, ref);
    EXPECT_EQ(form->Sheet().LbFeSect, SectionOf(ref));
    EXPECT_FALSE(QueryFailed(platform)) << platform.clipboard;
  }
  ExpectCatalogueIntact();
}

TEST_F(SqlSafetyTest, ReferencePickedInTheListIsLookedUpLiterally) {
  FakePlatform platform;
  const auto form = Start(platform, "");
  for (const std::string& ref : kHostileRefs) {
    SCOPED_TRACE(ref);
    EXPECT_NE(std::find(form->CoreList().begin(), form->CoreList().end(), ref),
              form->CoreList().end());
    form->LstCore_DblClick(ref);
    EXPECT_EQ(form->Sheet().LbNoyau, ref);
    EXPECT_EQ(form->Sheet().LbFeSect, SectionOf(ref));
  }
  EXPECT_FALSE(QueryFailed(platform)) << platform.clipboard;
  ExpectCatalogueIntact();
}

TEST_F(SqlSafetyTest, UnknownHostileReferenceFindsNothingAndChangesNothing) {
  FakePlatform platform;
  const auto form = Start(platform, "");
  for (const std::string& ref : kUnknownRefs) {
    SCOPED_TRACE(ref);
    form->LstCore_DblClick(ref);
    EXPECT_EQ(form->Sheet().LbNoyau, "?") << "no core has this reference";
    EXPECT_EQ(form->Sheet().TxNoyau, ref);
    form->LstCore_DblClick("EI20");
    EXPECT_EQ(form->Sheet().LbNoyau, "EI20");
  }
  EXPECT_FALSE(QueryFailed(platform)) << platform.clipboard;
  ExpectCatalogueIntact();
}

TEST_F(SqlSafetyTest, TheEngineRunsOneReadOnlyStatementAtATime) {
  EngineError error;
  const auto db = CatalogueHandle::Open(catalogue, error);
  ASSERT_NE(db, nullptr) << error.description;
  // Whatever reaches the engine, it neither runs a second statement nor changes the file.
  for (const std::string sql :
       {"Select * from EI; DROP TABLE Victim", "DROP TABLE Victim", "Delete from EI",
        "Insert into Victim values (3)", "Update EI set Ref = 'z'", "Select 1; Select 2"}) {
    SCOPED_TRACE(sql);
    error = {};
    EXPECT_EQ(db->Query(sql, error), nullptr);
    EXPECT_NE(error.number, 0);
  }
  error = {};
  EXPECT_NE(db->Query("Select Ref from EI -- ; DROP TABLE Victim", error), nullptr)
      << error.description;
  ExpectCatalogueIntact();
}

}  // namespace
}  // namespace kel
