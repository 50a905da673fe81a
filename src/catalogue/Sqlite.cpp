#include "catalogue/Sqlite.h"

#include <sqlite3.h>

namespace kel {

void SqliteCloser::operator()(sqlite3* db) const {
  sqlite3_close_v2(db);
}

EngineError SqliteFailure(sqlite3* db, int rc) {
  return {rc, db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc)};
}

namespace {

// By default every connection starts with a bulk allocation of twenty page slots, written through
// at once: more than a catalogue of a few pages ever fills, and memory touched for the first time
// is what starting the program pays most for. Slots are then taken one at a time as pages are
// read. This must come before SQLite's first use in the process; set once, before any connection.
void ConfigureSqlite() {
  static const bool configured = [] {
    sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    return true;
  }();
  static_cast<void>(configured);
}

}  // namespace

SqliteDb OpenSqlite(const std::string& name, int flags) {
  ConfigureSqlite();
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
  SqliteDb db(raw);
  if (rc != SQLITE_OK) throw CatalogueError(SqliteFailure(raw, rc));
  return db;
}

Statement::Statement(sqlite3* db, const std::string& sql, const QueryGuard* guard)
    : db_(db), guard_(guard) {
  const int rc =
      sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement_, nullptr);
  if (rc != SQLITE_OK) throw CatalogueError(SqliteFailure(db, rc));
}

Statement::~Statement() {
  sqlite3_finalize(statement_);
}

bool Statement::Step() {
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw CatalogueError(guard_ != nullptr ? guard_->Failure(rc) : SqliteFailure(db_, rc));
}

void Statement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

void Exec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    EngineError error{rc, message != nullptr ? message : sqlite3_errmsg(db)};
    sqlite3_free(message);
    throw CatalogueError(std::move(error));
  }
}

std::string SqlName(std::string_view name) {
  std::string quoted = "\"";
  for (const char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

namespace {

// How many virtual-machine steps pass between two looks at the clock and the memory: a few
// microseconds of work, so that a limit is noticed at once and costs nothing.
constexpr int kStepsBetweenChecks = 1000;

// The longest LIKE or GLOB pattern: a pattern runs inside one function call, out of the
// deadline's reach, and its cost grows with its length times the text's.
constexpr int kLongestPattern = 200;

// Built-in functions that can spend seconds inside one call, out of the deadline's reach:
// printf('%.*c', 1000000000, 'x') loops a thousand million times even when the value-size limit
// refuses the result. No catalogue needs them.
constexpr std::array<const char*, 2> kRefusedFunctions = {"printf", "format"};

}  // namespace

QueryGuard::QueryGuard(sqlite3* db, const QueryLimits& limits, std::string path)
    : db_(db), limits_(limits), path_(std::move(path)) {
  sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, limits_.value_size);
  sqlite3_limit(db_, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, kLongestPattern);
  for (std::size_t i = 0; i < kRefusedFunctions.size(); ++i) {
    refusals_[i] = {this, kRefusedFunctions[i]};
    sqlite3_create_function_v2(db_, kRefusedFunctions[i], -1, SQLITE_UTF8, &refusals_[i],
                               &QueryGuard::Refuse, nullptr, nullptr, nullptr);
  }
  // Sorting and materialised views go to memory, where the memory limit sees them, and never to
  // the temporary folder.
  sqlite3_exec(db_, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
  sqlite3_progress_handler(db_, kStepsBetweenChecks, &QueryGuard::Progress, this);
  Arm();
}

QueryGuard::~QueryGuard() {
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
}

void QueryGuard::Arm() {
  deadline_ = std::chrono::steady_clock::now() + limits_.time;
  memory_at_start_ = sqlite3_memory_used();
  over_time_ = false;
  over_memory_ = false;
  refused_function_ = nullptr;
}

void QueryGuard::Refuse(sqlite3_context* context, int /*count*/, sqlite3_value** /*values*/) {
  const auto& refusal = *static_cast<const Refusal*>(sqlite3_user_data(context));
  refusal.guard->refused_function_ = refusal.name;
  sqlite3_result_error(context, refusal.name, -1);
}

int QueryGuard::Progress(void* self) {
  auto& guard = *static_cast<QueryGuard*>(self);
  if (std::chrono::steady_clock::now() > guard.deadline_) guard.over_time_ = true;
  if (sqlite3_memory_used() - guard.memory_at_start_ > guard.limits_.memory) {
    guard.over_memory_ = true;
  }
  return guard.over_time_ || guard.over_memory_ ? 1 : 0;
}

EngineError QueryGuard::Failure(int rc) const {
  const int primary = rc & 0xFF;
  if (refused_function_ != nullptr) return FunctionRefused(path_, refused_function_);
  if (primary == SQLITE_INTERRUPT && over_memory_) {
    return LimitReached(path_, LimitKind::Memory, limits_.memory);
  }
  if (primary == SQLITE_INTERRUPT && over_time_) {
    return LimitReached(path_, LimitKind::Time, limits_.time.count());
  }
  if (primary == SQLITE_TOOBIG)
    return LimitReached(path_, LimitKind::ValueSize, limits_.value_size);
  if (primary == SQLITE_NOMEM) return LimitReached(path_, LimitKind::Memory, limits_.memory);
  return {sqlite3_extended_errcode(db_), sqlite3_errmsg(db_)};
}

}  // namespace kel
