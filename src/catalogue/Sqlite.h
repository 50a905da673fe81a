#pragma once
// The one wrapper of SQLite handles in the program: connections, statements, and the limits that
// every query on a catalogue runs under. Every SQLite failure becomes a CatalogueError carrying
// SQLite's result code and description.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "catalogue/EngineErrors.h"

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_context;
struct sqlite3_value;

namespace kel {

struct SqliteCloser {
  void operator()(sqlite3* db) const;
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteCloser>;

// sqlite3_open_v2 with the given flags (a URI is accepted); throws CatalogueError.
SqliteDb OpenSqlite(const std::string& name, int flags);

class QueryGuard;

// A prepared statement; each failure throws a CatalogueError with SQLite's own description, or
// with the limit it ran into when a guard watches it.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql, const QueryGuard* guard = nullptr);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  sqlite3_stmt* get() const { return statement_; }
  // Advances to the next row: true on a row, false when done, a CatalogueError on a failure.
  bool Step();
  void Reset();

 private:
  sqlite3* db_;
  const QueryGuard* guard_;
  sqlite3_stmt* statement_ = nullptr;
};

// Runs sql (several statements allowed); throws CatalogueError.
void Exec(sqlite3* db, const std::string& sql);

// SQLite's failure on db as the engine reports it.
EngineError SqliteFailure(sqlite3* db, int rc);

// name in double quotes, inner quotes doubled, usable as an SQL identifier.
std::string SqlName(std::string_view name);

// What a single query on a catalogue may take. A catalogue is a file from anywhere: a view over
// an endless recursive query or a value built by zeroblob() must not hang the program, fill the
// temporary folder or exhaust memory. Real catalogues need a few milliseconds and kilobytes.
struct QueryLimits {
  std::chrono::milliseconds time{2000};
  // Growth of SQLite's memory while the query runs; temporary storage (sorting, views) is kept
  // in memory, so this caps it too.
  std::int64_t memory = std::int64_t{64} << 20;
  // The longest text or blob a value may be.
  int value_size = 1 << 20;
};

// Watches the queries of one connection; owned by whoever owns the connection and living as long
// as it does.
class QueryGuard {
 public:
  QueryGuard(sqlite3* db, const QueryLimits& limits, std::string path);
  ~QueryGuard();
  QueryGuard(const QueryGuard&) = delete;
  QueryGuard& operator=(const QueryGuard&) = delete;

  // Starts the clock and the memory count of a new query.
  void Arm();
  // The failure to report for SQLite's result code rc: the limit that stopped the query when one
  // did, else SQLite's own failure.
  EngineError Failure(int rc) const;

 private:
  static int Progress(void* self);
  static void Refuse(sqlite3_context* context, int count, sqlite3_value** values);

  sqlite3* db_;
  QueryLimits limits_;
  std::string path_;
  std::chrono::steady_clock::time_point deadline_{};
  std::int64_t memory_at_start_ = 0;
  bool over_time_ = false;
  bool over_memory_ = false;
  // What a refused function's calls report to: this guard and the function's name.
  struct Refusal {
    QueryGuard* guard;
    const char* name;
  };
  std::array<Refusal, 2> refusals_{};
  const char* refused_function_ = nullptr;
};

}  // namespace kel
