// Catalogues made to hang the program, exhaust its memory or break half-way through a list, and
// the catalogue tool's verdict on each row against the core-selection step's.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>

#include "app/MainForm.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueTool.h"
#include "design/Chain.h"
#include "documents/Ini.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"

namespace kel {
namespace {

using test::FakePlatform;
using test::TempDir;

// The columns a view needs to pass for table EI, around a hostile Ref.
std::string ViewOf(const std::string& ref, const std::string& from = "") {
  return "CREATE VIEW EI AS SELECT " + ref +
         " AS Ref, 10.0 AS SectionFer, 0.6 AS MasseFer, 12.0 AS hautcu, 30.0 AS LargCu, "
         "20.0 AS longspire " +
         from;
}

const std::string kEndless =
    "FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i FROM n)";

struct Attack {
  const char* name;
  std::string view;
  const char* told;  // what the message says stopped the reading
  QueryLimits limits;
};

QueryLimits Limits(int milliseconds, std::int64_t memory) {
  QueryLimits limits;
  limits.time = std::chrono::milliseconds(milliseconds);
  limits.memory = memory;
  return limits;
}

void PrintTo(const Attack& attack, std::ostream* out) {
  *out << attack.name;
}

class HostileCatalogueTest : public ::testing::TestWithParam<Attack> {};

// At start-up on a document, the core selection and the core list both meet the catalogue: it is
// told once, naming the file, the list stays empty, and the window comes up at once.
TEST_P(HostileCatalogueTest, StartUpTellsOnceAndGoesOnWithAnEmptyList) {
  const Attack& attack = GetParam();
  TempDir dir;
  FakePlatform platform;
  platform.executable_path = dir.File("kelvanor");
  const std::string catalogue = dir.File("hostile.db");
  test::ExecuteSql(catalogue, attack.view);
  WriteIni(dir.File("kelvanor.ini"), "GLOBAL", "DataBase", catalogue);
  test::WriteFile(dir.File("design.kel"),
                  "[SPECIFS]\r\nFreq=50\r\nTesla=1.7\r\nDCourant=3.6\r\nVolts0=230\r\n"
                  "Volts1=100\r\nAmps1=1\r\n");
  MainForm form{platform, {',', true}};
  form.SetCatalogueLimits(attack.limits);

  const auto start = std::chrono::steady_clock::now();
  form.Form_Load(dir.File("design.kel"));
  const auto took = std::chrono::steady_clock::now() - start;

  ASSERT_EQ(platform.messages.size(), 1u)
      << (platform.messages.empty() ? "no message" : platform.messages.back().text);
  const test::RecordedMessage& told = platform.messages.front();
  EXPECT_EQ(told.buttons, MsgButtons::Ok);
  EXPECT_NE(told.text.find(catalogue), std::string::npos) << told.text;
  EXPECT_NE(told.text.find(attack.told), std::string::npos) << told.text;
  EXPECT_TRUE(form.CoreList().empty());
  EXPECT_FALSE(platform.ended);
  EXPECT_LT(took, std::chrono::seconds(3));

  // A recalculation leaves the refused file alone: no new wait, no new message.
  form.GotFocus({Control::TxAmps, 1});
  form.SetText({Control::TxAmps, 1}, "2");
  form.LostFocus({Control::TxAmps, 1});
  EXPECT_EQ(platform.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Attacks, HostileCatalogueTest,
    ::testing::Values(Attack{"RecursiveView", ViewOf("'EI' || i", kEndless), "plus de 200 ms",
                             Limits(200, std::int64_t{1} << 30)},
                      Attack{"RecursiveViewOfBigRows",
                             ViewOf("hex(zeroblob(50000)) || i", kEndless), "plus de 16 Mo",
                             Limits(60000, std::int64_t{16} << 20)},
                      Attack{"Zeroblob", ViewOf("zeroblob(1000000000)"), "une valeur dépassait",
                             Limits(60000, std::int64_t{1} << 30)},
                      Attack{"PrintfPadding", ViewOf("printf('%.*c', 1000000000, 'x')"),
                             "la fonction printf", Limits(60000, std::int64_t{1} << 30)},
                      // Rows handed out one by one: SQLite holds little, the list would hold all.
                      Attack{"ManyRowsOf500kB",
                             ViewOf("hex(zeroblob(250000)) || i",
                                    "FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + "
                                    "1 FROM n WHERE i < 40) SELECT i FROM n)"),
                             "ou de 16 Mo de texte", Limits(60000, std::int64_t{1} << 30)}),
    [](const auto& info) { return std::string(info.param.name); });

// A page that breaks half-way through the core list is reported, not taken for its end: the list
// keeps what it held rather than showing the cores before the damage as the whole catalogue.
TEST(DamagedCatalogue, BrokenPageInTheListIsReportedAndTheListKept) {
  TempDir dir;
  const std::string path = dir.File("cat.db");
  test::ExecuteSql(path,
                   "CREATE TABLE EI (Ref TEXT COLLATE NOCASE, SectionFer REAL, MasseFer REAL, "
                   "hautcu REAL, LargCu REAL, longspire REAL);"
                   "INSERT INTO EI WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                   "WHERE i < 3000) SELECT 'EI-LONG-REFERENCE-' || i, 10 + i, 0.5 + i / 1000.0, "
                   "12, 30, 20 FROM n;"
                   "CREATE INDEX EI_MasseFer ON EI (MasseFer);");

  // The last leaf page of the table (type byte 0x0D) before the index pages gets a byte no page
  // type has: the list query walks the index and meets it only on its way.
  std::string bytes = test::ReadFile(path);
  constexpr std::size_t kPage = 4096;
  std::size_t last_leaf = 0;
  for (std::size_t page = 1; page * kPage < bytes.size(); ++page) {
    if (bytes[page * kPage] == '\x0D') last_leaf = page;
  }
  ASSERT_GT(last_leaf, 2u);
  bytes[last_leaf * kPage] = '\x07';
  test::WriteFile(path, bytes);

  FakePlatform platform;
  CatalogueSession session;
  session.DataBasePath = path;
  ASSERT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Opened);
  std::vector<std::string> list = {"ANCIENNE"};
  FillCoreList(session, list, platform, ',');
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_NE(platform.messages[0].title.find("malformed"), std::string::npos)
      << platform.messages[0].title;
  EXPECT_EQ(list, std::vector<std::string>{"ANCIENNE"});
}

// Every row the catalogue tool calls unusable for a hand pick is one the core-selection step
// cannot pick, and every other row is picked exactly: same case folding, same apostrophes.
TEST(CatalogueCheck, AgreesWithTheCoreSelectionOnEveryRow) {
  TempDir dir;
  const std::vector<std::string> refs = {"EI30/10", "ei30/10", "étoile", "ÉTOILE",
                                         "O'NEIL",  "Ça-VA",   "ça-va2"};
  std::ofstream csv(dir.File("cores.csv"));
  csv << "Ref,SectionFer,MasseFer,hautcu,LargCu,longspire\n";
  for (std::size_t i = 0; i < refs.size(); ++i) csv << refs[i] << "," << i + 1 << ",1,12,30,20\n";
  csv.close();
  std::ostringstream ignored;
  ConvertCatalogue(dir.File("cores.csv"), dir.File("nocase.db"), false, ignored);
  // The same rows in a table whose Ref compares byte for byte.
  test::ExecuteSql(dir.File("binary.db"),
                   "CREATE TABLE EI (Ref TEXT, SectionFer, MasseFer, hautcu, LargCu, longspire);"
                   "ATTACH '" +
                       dir.File("nocase.db") +
                       "' AS other;"
                       "INSERT INTO EI SELECT * FROM other.EI ORDER BY rowid;");

  for (const char* name : {"nocase.db", "binary.db"}) {
    const std::string path = dir.File(name);
    std::ostringstream report;
    CheckCatalogue(path, report);
    std::set<std::string> unusable;
    std::istringstream lines(report.str());
    for (std::string line; std::getline(lines, line);) {
      const auto comma = line.find(", ");
      const auto colon = line.find(" : ");
      if (comma != std::string::npos && colon != std::string::npos) {
        unusable.insert(line.substr(comma + 2, colon - comma - 2));
      }
    }
    for (std::size_t i = 0; i < refs.size(); ++i) {
      FakePlatform platform;
      CatalogueSession session;
      session.DataBasePath = path;
      ChainEnvironment env{platform, session, ',', dir.path(), {}, {}};
      DesignSheet sheet;
      sheet.TxVolts[0] = "230";
      sheet.TxVolts[1] = "100";
      sheet.TxAmps[1] = "1";
      sheet.TxNoyau = refs[i];
      sheet.CoreForced = true;
      Chain(sheet, env).ComputeW();
      const bool picked = sheet.LbNoyau == refs[i] && sheet.LbFeSect == std::to_string(i + 1);
      EXPECT_EQ(picked, unusable.count(refs[i]) == 0)
          << name << ", " << refs[i] << ": the chain shows " << sheet.LbNoyau << "\n"
          << report.str();
    }
  }
}

}  // namespace
}  // namespace kel
