#include "support/TestFiles.h"

#include <sqlite3.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

// clang spells "built with AddressSanitizer" its own way.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KELVANOR_TEST_CLANG_ASAN 1
#endif
#endif
#ifndef KELVANOR_TEST_CLANG_ASAN
#define KELVANOR_TEST_CLANG_ASAN 0
#endif

namespace kel::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kelvanor-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests may leave read-only folders behind; give them back their rights before removing.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void ExecuteSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + path);
  }
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("SQL failed: " + message);
}

std::string MakeCatalogue(const std::string& path, const std::vector<CoreRow>& rows) {
  std::ostringstream sql;
  sql.precision(17);
  sql << "CREATE TABLE EI (Ref TEXT COLLATE NOCASE, SectionFer REAL, MasseFer REAL, "
         "hautcu REAL, LargCu REAL, longspire REAL);";
  for (const auto& r : rows) {
    std::string ref;
    for (char c : r.ref) {
      ref += c;
      if (c == '\'') ref += '\'';
    }
    sql << "INSERT INTO EI VALUES ('" << ref << "'," << r.section << "," << r.mass << ","
        << r.usable_height << "," << r.width << "," << r.turn_length << ");";
  }
  ExecuteSql(path, sql.str());
  return path;
}

std::chrono::nanoseconds ThreadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

bool TimedBuild() {
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__) && !KELVANOR_TEST_CLANG_ASAN
  return true;
#else
  return false;
#endif
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string MakeDamagedCatalogue(const std::string& path) {
  ExecuteSql(path,
             "CREATE TABLE EI (Ref TEXT COLLATE NOCASE, SectionFer REAL, MasseFer REAL, "
             "hautcu REAL, LargCu REAL, longspire REAL);"
             "INSERT INTO EI WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
             "WHERE i < 3000) SELECT 'EI-LONG-REFERENCE-' || i, 10 + i, 0.5 + i / 1000.0, "
             "12, 30, 20 FROM n;"
             "CREATE INDEX EI_MasseFer ON EI (MasseFer);");
  // The last leaf page of the table (type byte 0x0D) before the index pages gets a byte no page
  // type has.
  std::string bytes = ReadFile(path);
  constexpr std::size_t kPage = 4096;
  std::size_t last_leaf = 0;
  for (std::size_t page = 1; page * kPage < bytes.size(); ++page) {
    if (bytes[page * kPage] == '\x0D') last_leaf = page;
  }
  if (last_leaf < 3) throw std::runtime_error("no table page to damage in " + path);
  bytes[last_leaf * kPage] = '\x07';
  WriteFile(path, bytes);
  return path;
}

}  // namespace kel::test
