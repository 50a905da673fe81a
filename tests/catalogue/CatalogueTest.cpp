// Catalogue access on real SQLite files: query texts, statuses, the prompt, the core list.

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueDb.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <thread>

#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

using test::FakePlatform;
using test::TempDir;

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() {
    // Masses 2.0, 0.5 and 1.1: the list must follow the mass, not the reference or insertion.
    session.DataBasePath =
        test::MakeCatalogue(dir.File("cat.db"), {{"A-HEAVY", 30, 2.0, 20, 40, 30},
                                                 {"B-LIGHT", 10, 0.5, 12, 30, 20},
                                                 {"C-MID", 20, 1.1, 15, 35, 25}});
  }

  TempDir dir;
  FakePlatform platform;
  CatalogueSession session;
};

TEST(QueryTexts, AreThePrograms) {
  EXPECT_EQ(QueryLightestCore(20 * 0.99),
            "Select * from EI Where SectionFer >= 19.8 Order by Massefer");
  EXPECT_EQ(QueryLightestCore(9.702),
            "Select * from EI Where SectionFer >= 9.702 Order by Massefer");
  EXPECT_EQ(QueryCoreByRef("ei84/35"), "Select * from EI Where Ref = 'EI84/35'");
  EXPECT_EQ(QueryCoreByRef("o'neil"), "Select * from EI Where Ref = 'O''NEIL'");
  EXPECT_EQ(UpperCase("tôle é"), "TÔLE É");
}

TEST_F(CatalogueTest, OpenRecordsetStatuses) {
  ASSERT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Opened);
  std::unique_ptr<Recordset> rs;
  EXPECT_EQ(OpenRecordset(session.CatalogueDb.get(), rs, QueryLightestCore(15), platform), 0);
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rs->Field("REF").text, "C-MID") << "columns are found whatever their case";
  EXPECT_EQ(rs->Field("massefer").number, 1.1);
  EXPECT_THROW(rs->Field("NoSuchColumn"), FieldError);

  EXPECT_EQ(OpenRecordset(session.CatalogueDb.get(), rs, QueryLightestCore(99), platform), -1);
  EXPECT_TRUE(platform.messages.empty()) << "no row is not an error";

  std::unique_ptr<Recordset> kept;
  ASSERT_EQ(OpenRecordset(session.CatalogueDb.get(), kept, kQueryAllRefs, platform), 0);
  const int status =
      OpenRecordset(session.CatalogueDb.get(), kept, "Select * from Nowhere", platform);
  EXPECT_NE(status, 0) << "the previous rows must not be read after a failure";
  EXPECT_NE(status, -1) << "the engine's number, since the old result set has rows";
  EXPECT_EQ(kept->Field("Ref").text, "B-LIGHT") << "the previous result set is kept";
  EXPECT_EQ(platform.clipboard, "Select * from Nowhere");
}

TEST_F(CatalogueTest, QueriesCannotWriteOrChainStatements) {
  ASSERT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Opened);
  std::unique_ptr<Recordset> rs;
  EXPECT_EQ(
      OpenRecordset(session.CatalogueDb.get(), rs, "Select Ref from EI; DROP TABLE EI", platform),
      -1);
  EXPECT_EQ(OpenRecordset(session.CatalogueDb.get(), rs, "DELETE FROM EI", platform), -1);
  EXPECT_EQ(platform.messages.size(), 2u);
  session.CatalogueDb.reset();
  std::vector<std::string> list;
  ASSERT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Opened);
  FillCoreList(session, list, platform, ',');
  EXPECT_EQ(list.size(), 3u) << "the table is untouched";
}

TEST_F(CatalogueTest, CoreListFollowsTheMassAndKeepsItsEntriesOnFailure) {
  std::vector<std::string> list{"old"};
  ASSERT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Opened);
  FillCoreList(session, list, platform, ',');
  EXPECT_EQ(list, (std::vector<std::string>{"B-LIGHT", "C-MID", "A-HEAVY"}));

  session.DataBasePath = test::MakeCatalogue(dir.File("empty.db"), {});
  ASSERT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Opened);
  FillCoreList(session, list, platform, ',');
  EXPECT_EQ(list.size(), 3u) << "an empty table leaves the list as it was";
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(CatalogueTest, CoreWithoutReferenceIsLeftOutOfTheList) {
  test::ExecuteSql(session.DataBasePath, "UPDATE EI SET Ref = NULL WHERE Ref = 'C-MID'");
  std::vector<std::string> list;
  ASSERT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Opened);
  FillCoreList(session, list, platform, ',');
  EXPECT_EQ(list, (std::vector<std::string>{"B-LIGHT", "A-HEAVY"}));
}

TEST_F(CatalogueTest, TrailingSemicolonIsStillOneStatement) {
  ASSERT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Opened);
  std::unique_ptr<Recordset> rs;
  EXPECT_EQ(
      OpenRecordset(session.CatalogueDb.get(), rs, "Select * from EI Where Ref = 'x' ; ", platform),
      -1);
  EXPECT_TRUE(platform.messages.empty()) << "a trailing semicolon is still one statement";
}

TEST_F(CatalogueTest, CaseFreeIndexOfTheFileStillFindsEveryReference) {
  // Characters between the upper- and lower-case letters ("_") order differently when text is
  // folded to upper rather than lower case; the file's index was built folding to lower case.
  const std::string path = dir.File("indexed.db");
  test::ExecuteSql(path,
                   "CREATE TABLE EI (Ref TEXT PRIMARY KEY COLLATE NOCASE, SectionFer REAL, "
                   "MasseFer REAL, hautcu REAL, LargCu REAL, longspire REAL);"
                   "INSERT INTO EI VALUES ('EI_30',1,1,1,1,1),('EIA30',1,2,1,1,1),"
                   "('EIB30',1,3,1,1,1),('EIZ30',1,4,1,1,1),('EIC30',1,5,1,1,1);");
  session.DataBasePath = path;
  ASSERT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Opened);
  for (const char* ref : {"EI_30", "eia30", "EIB30", "EIZ30", "eic30"}) {
    std::unique_ptr<Recordset> rs;
    EXPECT_EQ(OpenRecordset(session.CatalogueDb.get(), rs, QueryCoreByRef(ref), platform), 0)
        << ref;
  }
}

TEST_F(CatalogueTest, FormatIsRecognisedByContentNotName) {
  EXPECT_EQ(DetectCatalogueFormat(session.DataBasePath), CatalogueFormat::Sqlite);
  test::WriteFile(dir.File("text.mdb"), "Ref,SectionFer\n");
  EXPECT_EQ(DetectCatalogueFormat(dir.File("text.mdb")), CatalogueFormat::Unknown);
  EXPECT_EQ(DetectCatalogueFormat(dir.File("none.mdb")), CatalogueFormat::Missing);
  std::string jet(64, '\0');
  jet.replace(4, 15, "Standard Jet DB");
  test::WriteFile(dir.File("renamed.db"), jet);
  EXPECT_EQ(DetectCatalogueFormat(dir.File("renamed.db")), CatalogueFormat::Access);
  EngineError error;
  EXPECT_EQ(CatalogueHandle::Open(dir.File("text.mdb"), error), nullptr);
  EXPECT_NE(error.description.find("text.mdb"), std::string::npos);
}

TEST(FieldValues, TextAndNumbers) {
  FieldValue single{FieldValue::Kind::Number, static_cast<double>(19.8f), "", true};
  EXPECT_EQ(FieldText(single, ','), "19,8");
  FieldValue plain{FieldValue::Kind::Number, 0.6, "", false};
  EXPECT_EQ(FieldText(plain, ','), "0,6");
  EXPECT_THROW(FieldText(FieldValue{}, ','), FieldError);
  EXPECT_THROW(FieldNumber(FieldValue{}), FieldError);
  EXPECT_EQ(FieldNumber({FieldValue::Kind::Text, 0, " 12,5 ", false}), 12.5);
  EXPECT_THROW(FieldNumber({FieldValue::Kind::Text, 0, "12 mm", false}), FieldError);
  EXPECT_THROW(FieldNumber({FieldValue::Kind::Text, 0, "", false}), FieldError);
}

// The limits every catalogue query runs under, each at its own bound: a value of a few megabytes
// (not only the thousand-megabyte blob SQLite refuses anyway), a pattern over 200 characters,
// both slow formatting functions; a clock and a memory count that start again with each query.
TEST_F(CatalogueTest, QueryLimitsHoldAtTheirBoundsAndRestartWithEachQuery) {
  QueryLimits limits;
  limits.time = std::chrono::milliseconds(150);
  limits.memory = std::int64_t{4} << 20;
  EngineError error;
  OpenOptions options;
  options.limits = limits;
  const auto db = CatalogueHandle::Open(session.DataBasePath, error, options);
  ASSERT_NE(db, nullptr) << error.description;
  const struct {
    const char* sql;
    const char* told;  // empty: the query runs
  } kQueries[] = {
      {"SELECT zeroblob(4000000)", "une valeur dépassait 1024 ko"},
      {"SELECT zeroblob(1000000)", ""},
      {"SELECT 1 FROM EI WHERE Ref LIKE '%", "pattern"},  // 300 characters, below
      {"SELECT printf('%d', 1)", "printf"},
      {"SELECT format('%d', 1)", "format"},
  };
  for (const auto& [sql, told] : kQueries) {
    std::string text = sql;
    if (text.back() == '%') text += std::string(298, '%') + "'";
    SCOPED_TRACE(text.substr(0, 60));
    EngineError failure;
    const auto rows = db->Query(text, failure);
    if (*told == '\0') {
      EXPECT_NE(rows, nullptr) << failure.description;
    } else {
      EXPECT_EQ(rows, nullptr);
      EXPECT_NE(failure.description.find(told), std::string::npos) << failure.description;
    }
  }

  // Idle for longer than the time limit, with more memory already held elsewhere in the
  // process than the memory limit: a short query still runs (long enough for the limits to be
  // looked at, which happens every thousand steps).
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &other), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(other,
                   "CREATE TABLE t(b); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT "
                   "i + 1 FROM n WHERE i < 80) INSERT INTO t SELECT randomblob(100000) FROM n",
                   nullptr, nullptr, nullptr),
      SQLITE_OK);
  ASSERT_GT(sqlite3_memory_used(), limits.memory);
  EngineError failure;
  EXPECT_NE(db->Query("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                      "20000) SELECT count(*) FROM n",
                      failure),
            nullptr)
      << failure.description;
  sqlite3_close(other);
}

// Without a limit given, a query that never ends stops at 2 s.
TEST_F(CatalogueTest, TheDefaultTimeLimitIsTwoSeconds) {
  test::ExecuteSql(dir.File("cat.db"),
                   "CREATE VIEW endless AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                   "FROM n) SELECT i FROM n WHERE i < 0");
  EngineError error;
  const auto db = CatalogueHandle::Open(session.DataBasePath, error);
  ASSERT_NE(db, nullptr);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(db->Query("SELECT * FROM endless", error), nullptr);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(seconds, 1.9);
  EXPECT_LT(seconds, 4.0);
}
}  // namespace
}  // namespace kel
