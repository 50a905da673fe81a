// Access catalogues through the real engine: the sample catalogue, copies of it damaged on
// purpose, the decoding of stored values, and the copy kept in memory between opens.

#include "catalogue/AccessLoader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "catalogue/Catalogue.h"
#include "support/FakePlatform.h"
#include "support/TestFiles.h"
#include "util/NumberText.h"

namespace kel {
namespace {

using test::TempDir;

const std::string kData = KELVANOR_TEST_DATA;
// Jet 4, table EI with 25 cores; EI135's SectionFer is exactly 19.8 (a Double).
const std::string kSample = kData + "/catalogue-ei.mdb";
// The same file with SectionFer and MasseFer made Single columns: type and size changed in the
// table definition, and each row's value rewritten as the nearest single in its first 4 bytes.
const std::string kSingles = kData + "/catalogue-ei-single.mdb";
// The same file with the table renamed EX in the system catalogue.
const std::string kNoTable = kData + "/catalogue-no-ei.mdb";

std::unique_ptr<CatalogueHandle> Open(const std::string& path, EngineError& error,
                                      AccessCache* cache = nullptr) {
  error = {};
  OpenOptions options;
  options.access_cache = cache;
  return CatalogueHandle::Open(path, error, options);
}

std::vector<std::string> Column(CatalogueHandle& db, const std::string& sql,
                                const std::string& column = "Ref") {
  EngineError error;
  std::unique_ptr<Recordset> rows = db.Query(sql, error);
  EXPECT_TRUE(rows) << sql << ": " << error.description;
  std::vector<std::string> values;
  for (; rows && !rows->AtEnd(); rows->MoveNext()) {
    values.push_back(FieldText(rows->Field(column), '.'));
  }
  return values;
}

std::vector<std::string> Head(std::vector<std::string> values, std::size_t count) {
  values.resize(std::min(values.size(), count));
  return values;
}

std::string Sample() {
  return test::ReadFile(kSample);
}

TEST(AccessCatalogue, ChoosesTheLightestCoreReachingTheBound) {
  EngineError error;
  auto db = Open(kSample, error);
  ASSERT_TRUE(db) << error.description;
  const std::string query = QueryLightestCore(20 * 0.99);
  ASSERT_EQ(query, "Select * from EI Where SectionFer >= 19.8 Order by Massefer");
  EXPECT_EQ(Head(Column(*db, query), 2), (std::vector<std::string>{"EI135", "EI120L"}));

  // Every row returned reaches the bound, lightest first.
  const auto sections = Column(*db, query, "SectionFer");
  const auto masses = Column(*db, query, "MasseFer");
  ASSERT_FALSE(sections.empty());
  for (std::size_t i = 0; i < sections.size(); ++i) {
    EXPECT_GE(std::stod(sections[i]), 19.8);
    if (i > 0) {
      EXPECT_LE(std::stod(masses[i - 1]), std::stod(masses[i]));
    }
  }
}

TEST(AccessCatalogue, ListsEveryCoreByMassAndFindsReferencesInAnyCase) {
  EngineError error;
  auto db = Open(kSample, error);
  ASSERT_TRUE(db) << error.description;
  const auto all = Column(*db, kQueryAllRefs);
  EXPECT_EQ(all.size(), 25u);
  EXPECT_EQ(Head(all, 6),
            (std::vector<std::string>{"EI30", "EI38", "EI42", "EI48", "EI54", "EI48L"}));

  EXPECT_EQ(Column(*db, "Select * from EI Where Ref = 'ei135'"), std::vector<std::string>{"EI135"});
  EXPECT_EQ(Column(*db, QueryCoreByRef("ei120l")), std::vector<std::string>{"EI120L"});
  EXPECT_TRUE(Column(*db, QueryCoreByRef("EI999")).empty());

  std::unique_ptr<Recordset> row = db->Query(QueryCoreByRef("EI135"), error);
  ASSERT_TRUE(row && !row->AtEnd()) << error.description;
  EXPECT_EQ(FieldText(row->Field("SectionFer"), '.'), "19.8");
  EXPECT_EQ(FieldText(row->Field("sectionfer"), ','), "19,8");
  EXPECT_EQ(FieldText(row->Field("MasseFer"), '.'), "5.112");
  for (const char* name : {"hautcu", "LargCu", "longspire"}) {
    EXPECT_GT(FieldNumber(row->Field(name)), 0) << name;
  }
}

TEST(AccessCatalogue, SingleColumnsCompareAsTheSingleButShowShort) {
  EngineError error;
  auto db = Open(kSingles, error);
  ASSERT_TRUE(db) << error.description;
  std::unique_ptr<Recordset> row = db->Query(QueryCoreByRef("EI135"), error);
  ASSERT_TRUE(row && !row->AtEnd()) << error.description;
  const FieldValue section = row->Field("SectionFer");
  EXPECT_TRUE(section.single_precision);
  EXPECT_EQ(section.number, static_cast<double>(19.8f));
  EXPECT_EQ(FieldText(section, '.'), "19.8");
  EXPECT_EQ(FieldText(row->Field("MasseFer"), '.'), "5.112");
  EXPECT_FALSE(row->Field("hautcu").single_precision);

  // The single nearest 19.8 lies below 19.8, so the bound passes EI135 by, as Access does.
  EXPECT_EQ(Column(*db, QueryLightestCore(19.8))[0], "EI120L");
  EXPECT_EQ(Column(*db, QueryLightestCore(static_cast<double>(19.8f)))[0], "EI135");
  // Masses stored as singles keep the order of the doubles they came from.
  auto doubles = Open(kSample, error);
  ASSERT_TRUE(doubles) << error.description;
  EXPECT_EQ(Column(*db, kQueryAllRefs), Column(*doubles, kQueryAllRefs));
}

TEST(AccessCatalogue, SqliteCopyGivesTheSameChoices) {
  TempDir dir;
  EngineError error;
  sqlite3* loaded = LoadAccessCatalogue(kSample, error);
  ASSERT_NE(loaded, nullptr) << error.description;
  const std::string copy_path = dir.File("converted.db");
  sqlite3* file = nullptr;
  ASSERT_EQ(sqlite3_open(copy_path.c_str(), &file), SQLITE_OK);
  sqlite3_backup* backup = sqlite3_backup_init(file, "main", loaded, "main");
  ASSERT_NE(backup, nullptr);
  EXPECT_EQ(sqlite3_backup_step(backup, -1), SQLITE_DONE);
  sqlite3_backup_finish(backup);
  sqlite3_close(file);
  sqlite3_close(loaded);

  auto access = Open(kSample, error);
  ASSERT_TRUE(access) << error.description;
  auto sqlite = Open(copy_path, error);
  ASSERT_TRUE(sqlite) << error.description;
  EXPECT_EQ(Column(*access, kQueryAllRefs), Column(*sqlite, kQueryAllRefs));
  // Every section as a bound, and just above it: the boundary cases of the choice.
  for (const std::string& text : Column(*access, "Select SectionFer from EI", "SectionFer")) {
    for (const double bound : {std::stod(text), std::stod(text) + 0.001}) {
      const std::string query = QueryLightestCore(bound);
      EXPECT_EQ(Column(*access, query), Column(*sqlite, query)) << query;
    }
  }
  for (const std::string& ref : Column(*access, kQueryAllRefs)) {
    const std::string query = QueryCoreByRef(ref);
    for (const char* name : {"SectionFer", "MasseFer", "hautcu", "LargCu", "longspire"}) {
      EXPECT_EQ(Column(*access, query, name), Column(*sqlite, query, name)) << ref << name;
    }
  }
}

TEST(AccessCatalogue, DeclaresEveryColumnWithItsType) {
  for (const auto& [path, section_type] :
       {std::pair{kSample, "REAL"}, std::pair{kSingles, "SINGLE"}}) {
    EngineError error;
    sqlite3* db = LoadAccessCatalogue(path, error);
    ASSERT_NE(db, nullptr) << error.description;
    sqlite3_stmt* info = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA table_info(EI)", -1, &info, nullptr), SQLITE_OK);
    std::vector<std::pair<std::string, std::string>> columns;
    while (sqlite3_step(info) == SQLITE_ROW) {
      columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(info, 1)),
                           reinterpret_cast<const char*>(sqlite3_column_text(info, 2)));
    }
    sqlite3_finalize(info);
    sqlite3_close(db);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Ref", "TEXT"},    {"SectionFer", section_type}, {"MasseFer", section_type},
        {"hautcu", "REAL"}, {"LargCu", "REAL"},           {"longspire", "REAL"}};
    EXPECT_EQ(columns, expected) << path;
  }
}

TEST(AccessCatalogue, BooleanColumnsCountTrueAsMinusOne) {
  // A Yes/No column keeps its value in the row's null mask. Turning hautcu's type byte (the
  // fourth column descriptor of EI's definition, page 24) into Yes/No makes every row's set
  // bit read as True.
  TempDir dir;
  std::string copy = Sample();
  const std::size_t descriptor = 24 * 4096 + 63 + 12 + 3 * 25;
  ASSERT_EQ(copy[descriptor], static_cast<char>(AccessType::Double));
  copy[descriptor] = static_cast<char>(AccessType::Boolean);
  const std::string path = dir.File("yes-no.mdb");
  test::WriteFile(path, copy);
  EngineError error;
  auto db = Open(path, error);
  ASSERT_TRUE(db) << error.description;
  const auto flags = Column(*db, "Select hautcu from EI", "hautcu");
  EXPECT_EQ(flags, std::vector<std::string>(25, "-1"));
  EXPECT_EQ(Column(*db, "Select Ref from EI Where hautcu = -1").size(), 25u);
}

TEST(AccessCatalogue, ConnectionsAreReadOnlyAndIndependent) {
  EngineError error;
  sqlite3* first = LoadAccessCatalogue(kSample, error);
  ASSERT_NE(first, nullptr) << error.description;
  EXPECT_NE(sqlite3_exec(first, "DELETE FROM EI", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(first);
  auto db = Open(kSample, error);
  ASSERT_TRUE(db) << error.description;
  EXPECT_EQ(Column(*db, kQueryAllRefs).size(), 25u);
}

// Whatever the damage, opening ends in an error for the message box or in a usable catalogue.
void ExpectErrorOrUsable(const std::string& path, const std::string& what) {
  EngineError error;
  auto db = Open(path, error);
  if (!db) {
    EXPECT_NE(error.number, 0) << what;
    EXPECT_NE(error.description.find(path), std::string::npos) << what << ": " << error.description;
    return;
  }
  Column(*db, kQueryAllRefs);
  Column(*db, QueryLightestCore(19.8));
}

TEST(AccessDamagedFile, TruncatedCopiesAreReportedAsDamaged) {
  TempDir dir;
  const std::string sample = Sample();
  // From the bare signature to one byte short, through cuts before the system table's data,
  // before EI's definition, and before EI's rows: never a missing table, always a damaged file.
  for (const std::size_t length :
       {std::size_t{19}, std::size_t{100}, std::size_t{2048}, std::size_t{4096}, std::size_t{4097},
        std::size_t{12288}, std::size_t{40960}, std::size_t{57344}, std::size_t{98304},
        std::size_t{102400}, sample.size() - 4096, sample.size() - 1}) {
    const std::string path = dir.File("cut-" + std::to_string(length) + ".mdb");
    test::WriteFile(path, sample.substr(0, length));
    EngineError error;
    EXPECT_FALSE(Open(path, error)) << length;
    EXPECT_EQ(error.number, 3049) << length << ": " << error.description;
    EXPECT_NE(error.description.find(path), std::string::npos) << length << error.description;
  }
  const std::string empty = dir.File("empty.mdb");
  test::WriteFile(empty, "");
  EngineError error;
  EXPECT_FALSE(Open(empty, error));
  EXPECT_NE(error.description.find(empty), std::string::npos) << error.description;
}

TEST(AccessDamagedFile, ForeignBytesBehindAnAccessNameOrHeader) {
  TempDir dir;
  const std::string sample = Sample();
  std::mt19937 random(20240611);
  std::string noise(sample.size(), '\0');
  for (char& c : noise) c = static_cast<char>(random());

  const std::string pure_noise = dir.File("noise.mdb");
  test::WriteFile(pure_noise, noise);
  const std::string jet_then_noise = dir.File("jet-noise.mdb");
  test::WriteFile(jet_then_noise, sample.substr(0, 4096) + noise.substr(4096));
  std::string jet3 = sample;
  jet3[0x14] = 0;  // Jet 3 version on Jet 4 pages
  const std::string jet3_path = dir.File("jet3.mdb");
  test::WriteFile(jet3_path, jet3);
  std::string unknown = sample;
  unknown[0x14] = 0x7f;
  const std::string unknown_path = dir.File("unknown.mdb");
  test::WriteFile(unknown_path, unknown);

  for (const std::string& path : {pure_noise, jet_then_noise, jet3_path, unknown_path}) {
    EngineError error;
    EXPECT_FALSE(Open(path, error)) << path;
    EXPECT_NE(error.description.find(path), std::string::npos) << error.description;
  }

  // An ACE header over the same pages is read like the Jet 4 file it otherwise is.
  std::string ace = sample;
  std::memcpy(ace.data() + 4, "Standard ACE DB", 15);
  ace[0x14] = 2;
  const std::string ace_path = dir.File("ace.accdb");
  test::WriteFile(ace_path, ace);
  EngineError error;
  auto db = Open(ace_path, error);
  ASSERT_TRUE(db) << error.description;
  EXPECT_EQ(Column(*db, kQueryAllRefs).size(), 25u);
}

TEST(AccessDamagedFile, TableDefinitionWithoutUsageMap) {
  // A table definition names the row holding its map of data pages; byte 55 of a Jet 4
  // definition page is that row's number. Pointing it at a row the page lacks leaves no map, for
  // the system table on page 2 as for EI's definition on page 24 of the sample.
  TempDir dir;
  for (const std::size_t page : {2, 24}) {
    std::string copy = Sample();
    copy[page * 4096 + 55] = 0x6E;
    const std::string path = dir.File("no-map-" + std::to_string(page) + ".mdb");
    test::WriteFile(path, copy);
    EngineError error;
    EXPECT_FALSE(Open(path, error)) << page;
    EXPECT_EQ(error.number, 3049) << error.description;
  }
}

TEST(AccessDamagedFile, ScrambledPagesNeverCrash) {
  TempDir dir;
  const std::string sample = Sample();
  std::mt19937 random(7);
  const std::size_t pages = sample.size() / 4096;
  for (int round = 0; round < 60; ++round) {
    std::string copy = sample;
    const std::size_t page = 1 + random() % (pages - 1);
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < changes; ++i) {
      // Page headers hold the counts and pointers that matter most.
      const std::size_t offset = random() % 2 ? random() % 128 : random() % 4096;
      copy[page * 4096 + offset] = static_cast<char>(random());
    }
    const std::string path = dir.File("scrambled-" + std::to_string(round) + ".mdb");
    test::WriteFile(path, copy);
    ExpectErrorOrUsable(path, "round " + std::to_string(round));
  }
}

TEST(AccessDamagedFile, MissingTableAndSqliteUnderAnAccessName) {
  EngineError error;
  EXPECT_FALSE(Open(kNoTable, error));
  EXPECT_NE(error.description.find("EI"), std::string::npos) << error.description;
  EXPECT_NE(error.description.find(kNoTable), std::string::npos) << error.description;

  TempDir dir;
  const std::string sqlite_path =
      test::MakeCatalogue(dir.File("really-sqlite.mdb"), {{"EI10", 10, 0.6, 12, 30, 20}});
  AccessCache cache;
  auto db = Open(sqlite_path, error, &cache);
  ASSERT_TRUE(db) << error.description;
  EXPECT_EQ(Column(*db, kQueryAllRefs), std::vector<std::string>{"EI10"});
  EXPECT_EQ(cache.Reads(), 0u);
}

TEST(AccessCache, UnchangedFileIsNotReadAgain) {
  TempDir dir;
  const std::string path = dir.File("cat.mdb");
  std::filesystem::copy_file(kSample, path);
  AccessCache cache;
  const std::uint64_t before = cache.Reads();
  EngineError error;
  for (int i = 0; i < 5; ++i) {
    auto db = Open(path, error, &cache);
    ASSERT_TRUE(db) << error.description;
    EXPECT_EQ(Column(*db, kQueryAllRefs).size(), 25u);
  }
  EXPECT_EQ(cache.Reads(), before + 1);

  // A new modification time alone is enough to read the file again.
  const auto when = std::filesystem::last_write_time(path);
  std::filesystem::last_write_time(path, when + std::chrono::seconds(2));
  ASSERT_TRUE(Open(path, error, &cache)) << error.description;
  EXPECT_EQ(cache.Reads(), before + 2);

  // Same size, new content: the copy in memory must follow the file.
  std::string content = test::ReadFile(path);
  const std::string old_ref(
      "E\0I\0"
      "3\0"
      "0\0",
      8);
  const std::size_t at = content.find(old_ref);
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(content.find(old_ref, at + 1), std::string::npos);
  content[at + 2] = 'X';
  test::WriteFile(path, content);
  std::filesystem::last_write_time(path, when + std::chrono::seconds(4));
  auto db = Open(path, error, &cache);
  ASSERT_TRUE(db) << error.description;
  EXPECT_EQ(cache.Reads(), before + 3);
  EXPECT_EQ(Column(*db, kQueryAllRefs)[0], "EX30");
  EXPECT_TRUE(Column(*db, QueryCoreByRef("EI30")).empty());
}

TEST(AccessCache, KeepsOnlyAFewFilesAndOutlivesItsEntries) {
  TempDir dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 6; ++i) {
    paths.push_back(dir.File("copy" + std::to_string(i) + ".mdb"));
    std::filesystem::copy_file(kSample, paths.back());
  }
  EngineError error;
  AccessCache cache;
  auto first = Open(paths[0], error, &cache);
  ASSERT_TRUE(first) << error.description;
  const std::uint64_t before = cache.Reads();
  for (std::size_t i = 1; i < paths.size(); ++i) ASSERT_TRUE(Open(paths[i], error, &cache));
  EXPECT_EQ(cache.Reads(), before + paths.size() - 1);

  ASSERT_TRUE(Open(paths.back(), error, &cache));  // recent: still in memory
  EXPECT_EQ(cache.Reads(), before + paths.size() - 1);
  ASSERT_TRUE(Open(paths.front(), error, &cache));  // oldest: dropped, read again
  EXPECT_EQ(cache.Reads(), before + paths.size());

  cache.Forget();
  EXPECT_EQ(Column(*first, kQueryAllRefs).size(), 25u);
  ASSERT_TRUE(Open(paths.back(), error, &cache));
  EXPECT_EQ(cache.Reads(), before + paths.size() + 1);
}

TEST(AccessValues, NumbersDecodeExactlyFromTheirBytes) {
  bool ok = false;
  const auto decode = [&](AccessType type, std::vector<unsigned char> bytes, int scale = 0) {
    return DecodeAccessValue(static_cast<int>(type), bytes.data(), bytes.size(), scale, false, ok);
  };
  const auto le = [](auto value) {
    std::vector<unsigned char> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
  };
  AccessCell cell = decode(AccessType::Single, le(19.8f));
  EXPECT_TRUE(ok);
  EXPECT_EQ(cell.kind, AccessCell::Kind::Real);
  EXPECT_EQ(cell.real, static_cast<double>(19.8f));
  EXPECT_NE(cell.real, 19.8);
  EXPECT_EQ(decode(AccessType::Double, le(19.8)).real, 19.8);
  EXPECT_EQ(decode(AccessType::Currency, le(std::int64_t{-123456})).real, -12.3456);
  EXPECT_EQ(decode(AccessType::Byte, {200}).integer, 200);
  EXPECT_EQ(decode(AccessType::Integer, le(std::int16_t{-2})).integer, -2);
  EXPECT_EQ(decode(AccessType::Long, le(std::int32_t{-70000})).integer, -70000);

  // Decimal: sign byte, then four 32-bit words from the most significant.
  std::vector<unsigned char> decimal(17, 0);
  decimal[0] = 0x80;
  const auto low = le(std::uint32_t{1980});
  std::copy(low.begin(), low.end(), decimal.begin() + 13);
  EXPECT_EQ(decode(AccessType::Decimal, decimal, 2).real, -19.8);
  decimal[0] = 0;
  decimal[9] = 1;  // the third word counts units of 2^32
  EXPECT_EQ(decode(AccessType::Decimal, decimal, 0).real, 4294967296.0 + 1980.0);

  decode(AccessType::Double, {1, 2, 3});
  EXPECT_FALSE(ok);
  decode(AccessType::Decimal, std::vector<unsigned char>(17, 0), 40);
  EXPECT_FALSE(ok);
}

TEST(AccessValues, TextsDatesAndOtherTypes) {
  const auto text = [](std::vector<unsigned char> bytes, bool jet3 = false) {
    return DecodeAccessText(bytes.data(), bytes.size(), jet3);
  };
  EXPECT_EQ(text({'E', 0, 'I', 0, '1', 0}), "EI1");
  EXPECT_EQ(text({0xFF, 0xFE, 'E', 'I', '1', '3', '5'}), "EI135");
  // Compressed, then switched to full units for "é" and "€", then back.
  EXPECT_EQ(text({0xFF, 0xFE, 'R', 0, 0xE9, 0x00, 0xAC, 0x20, 0, 'f'}),
            "R\xC3\xA9\xE2\x82\xAC"
            "f");
  EXPECT_EQ(text({0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80");  // a surrogate pair
  EXPECT_EQ(text({0x80, 0xE9, 'a'}, true),
            "\xE2\x82\xAC\xC3\xA9"
            "a");

  EXPECT_EQ(AccessDateText(0), "1899-12-30 00:00:00");
  EXPECT_EQ(AccessDateText(2), "1900-01-01 00:00:00");
  EXPECT_EQ(AccessDateText(36526), "2000-01-01 00:00:00");
  EXPECT_EQ(AccessDateText(45000.5), "2023-03-15 12:00:00");
  EXPECT_EQ(AccessDateText(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(AccessDateText(36526.99999999), "2000-01-02 00:00:00");
  EXPECT_EQ(AccessDateText(1e300), "");

  bool ok = false;
  const std::vector<unsigned char> guid = {0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56,
                                           0x9A, 0xBC, 0xDE, 0xF0, 0x01, 0x23, 0x45, 0x67};
  EXPECT_EQ(
      DecodeAccessValue(static_cast<int>(AccessType::Guid), guid.data(), guid.size(), 0, false, ok)
          .bytes,
      "{12345678-1234-5678-9ABC-DEF001234567}");
  const AccessCell blob =
      DecodeAccessValue(static_cast<int>(AccessType::Binary), guid.data(), 3, 0, false, ok);
  EXPECT_EQ(blob.kind, AccessCell::Kind::Blob);
  EXPECT_EQ(blob.bytes, std::string("\x78\x56\x34"));

  EXPECT_EQ(AccessDeclaredType(static_cast<int>(AccessType::Single)), "SINGLE");
  EXPECT_EQ(AccessDeclaredType(static_cast<int>(AccessType::Double)), "REAL");
  EXPECT_EQ(AccessDeclaredType(static_cast<int>(AccessType::Boolean)), "INTEGER");
  EXPECT_EQ(AccessDeclaredType(static_cast<int>(AccessType::Memo)), "TEXT COLLATE NOCASE");
  EXPECT_EQ(AccessDeclaredType(0x7f), "BLOB");
}

}  // namespace
}  // namespace kel

namespace kel {
namespace {

TEST(AccessCatalogueCache, AFileRenamedOverTheCachedOneIsReadAgain) {
  TempDir dir;
  const std::string path = dir.File("cat.mdb");
  test::WriteFile(path, test::ReadFile(kSample));
  EngineError error;
  AccessCache cache;
  ASSERT_TRUE(Open(path, error, &cache)) << error.description;
  // Same size, same modification time, other content: only the inode tells them apart.
  const std::string other = dir.File("other.mdb");
  test::WriteFile(other, test::ReadFile(kNoTable));
  ASSERT_EQ(std::filesystem::file_size(other), std::filesystem::file_size(path));
  std::filesystem::last_write_time(other, std::filesystem::last_write_time(path));
  std::filesystem::rename(other, path);
  EXPECT_FALSE(Open(path, error, &cache)) << "the renamed file has no table EI";
}

}  // namespace
}  // namespace kel

namespace kel {
namespace {

// libmdb writes warnings about damaged pages straight to the standard error. They must not reach
// the user, and silencing them must not take the standard error away from the rest of the
// program meanwhile: a thread writing to it all along loses nothing.
TEST(AccessDamagedFile, LibmdbWarningsStayOutOfTheProgramsStandardError) {
  TempDir dir;
  std::string jet3 = test::ReadFile(kSample);
  jet3[0x14] = 0;  // Jet 3 version on Jet 4 pages: libmdb complains as it reads
  const std::string damaged = dir.File("jet3.mdb");
  test::WriteFile(damaged, jet3);

  const auto captured = [&](bool apart) {
    const std::string log = dir.File(apart ? "apart.log" : "within.log");
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int file = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(file, STDERR_FILENO);
    std::atomic<bool> done{false};
    std::size_t written = 0;
    std::thread writer([&] {
      while (!done) {
        if (::write(STDERR_FILENO, "x", 1) == 1) ++written;
      }
    });
    OpenOptions options;
    options.read_access_apart = apart;
    for (int i = 0; i < 3; ++i) {
      EngineError error;
      CatalogueHandle::Open(damaged, error, options);
    }
    done = true;
    writer.join();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(file);
    const std::string got = test::ReadFile(log);
    return std::pair{got, std::string(written, 'x')};
  };
  const auto [apart, expected] = captured(true);
  EXPECT_EQ(apart, expected) << "the writer's bytes, all of them and nothing else";
  // The same reading within the process shows what there was to silence.
  const auto [within, written] = captured(false);
  EXPECT_NE(within, written) << "libmdb said nothing: this test proves nothing";
}

}  // namespace
}  // namespace kel

namespace kel {
namespace {

// A reading of an Access file that outlasts the deadline is stopped, told once, and the file is
// left alone until it changes.
TEST(AccessDamagedFile, ReadingPastTheDeadlineIsStoppedAndToldOnce) {
  TempDir dir;
  test::FakePlatform platform;
  CatalogueSession session;
  session.DataBasePath = dir.File("cat.mdb");
  std::filesystem::copy_file(kSample, session.DataBasePath);
  session.limits.time = std::chrono::milliseconds(0);
  EXPECT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Failed);
  EXPECT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Failed);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find(session.DataBasePath), std::string::npos);
  EXPECT_NE(platform.messages[0].text.find("arrêtée"), std::string::npos);

  // Remembered as refused until the file changes, whatever the limits of the next open.
  session.limits = {};
  EXPECT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Failed);
  std::filesystem::last_write_time(session.DataBasePath,
                                   std::filesystem::file_time_type::clock::now());
  EXPECT_EQ(OpenCatalogue(session, platform, dir.path()), OpenOutcome::Opened);
  EXPECT_EQ(platform.messages.size(), 1u);
}

}  // namespace
}  // namespace kel
