// How long one recalculation takes, beside the bare SQLite work that it cannot avoid: opening the
// catalogue read-only, preparing and stepping its two queries, closing it.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "app/BatchPlatform.h"
#include "catalogue/AccessLoader.h"
#include "catalogue/Catalogue.h"
#include "design/Chain.h"

namespace {

std::string BundledCatalogue() {
  return KELVANOR_BIN_DIR "/Zivodevu.mdb";
}

// A catalogue of 10,000 cores made once per process, shaped like the converter's output.
std::string LargeCatalogue() {
  static const std::string path = [] {
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("kelvanor-bench-10k-" + std::to_string(getpid()) + ".db"))
                                 .string();
    std::remove(file.c_str());
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE EI (Ref TEXT COLLATE NOCASE, SectionFer REAL, MasseFer REAL, "
                 "hautcu REAL, LargCu REAL, longspire REAL);"
                 "CREATE INDEX EI_SectionFer ON EI(SectionFer);"
                 "CREATE INDEX EI_MasseFer ON EI(MasseFer); BEGIN;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO EI VALUES (?,?,?,?,?,?)", -1, &insert, nullptr);
    std::mt19937 random(42);
    std::uniform_real_distribution<double> size(1.0, 150.0);
    for (int i = 0; i < 10000; ++i) {
      const double section = size(random);
      const std::string ref = "EIX" + std::to_string(i);
      sqlite3_bind_text(insert, 1, ref.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_double(insert, 2, section);
      sqlite3_bind_double(insert, 3, section * 0.06 + size(random) * 0.001);
      sqlite3_bind_double(insert, 4, 3 + section / 10);
      sqlite3_bind_double(insert, 5, 13 + section / 5);
      sqlite3_bind_double(insert, 6, 6 + section / 4);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::atexit([] { std::remove(LargeCatalogue().c_str()); });
    return file;
  }();
  return path;
}

std::string AccessFixture() {
  return KELVANOR_TEST_DATA "/catalogue-ei.mdb";
}

// The Access fixture's table as an SQLite file, made through the loader once per process.
std::string AccessFixtureAsSqlite() {
  static const std::string path = [] {
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("kelvanor-bench-access-" + std::to_string(getpid()) + ".db"))
                                 .string();
    kel::EngineError error;
    sqlite3* loaded = kel::LoadAccessCatalogue(AccessFixture(), error);
    sqlite3* copy = nullptr;
    sqlite3_open(file.c_str(), &copy);
    sqlite3_backup* backup = sqlite3_backup_init(copy, "main", loaded, "main");
    sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    sqlite3_close(copy);
    sqlite3_close(loaded);
    std::atexit([] { std::remove(AccessFixtureAsSqlite().c_str()); });
    return file;
  }();
  return path;
}

void RunChain(benchmark::State& state, const std::string& catalogue) {
  kel::BatchPlatform platform("kelvanor-bench");
  kel::CatalogueSession session;
  session.DataBasePath = catalogue;
  kel::ChainEnvironment env{platform, session, ',', KELVANOR_BIN_DIR, {}, {}};
  kel::DesignSheet sheet;
  sheet.TxVolts[0] = "230";
  sheet.TxVolts[1] = "100";
  sheet.TxAmps[1] = "1";
  sheet.TxVolts[2] = "12";
  sheet.TxAmps[2] = "2";
  kel::Chain chain(sheet, env);
  for (auto _ : state) {
    chain.ComputeW();
    benchmark::DoNotOptimize(sheet.Lbn);
  }
  if (!platform.record.messages.empty() || sheet.LbNoyau == "?")
    state.SkipWithError("the run failed");
}

void StepOnce(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
  benchmark::DoNotOptimize(sqlite3_step(statement));
  sqlite3_finalize(statement);
}

// One run of the baseline, apart so that an instruction count (callgrind --toggle-collect) can
// name it as it names kel::Chain::ComputeW.
[[gnu::noinline]] void BaselineOnce(const std::string& catalogue, const std::string& query) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(catalogue.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  StepOnce(db, query.c_str());
  StepOnce(db, query.c_str());
  sqlite3_close_v2(db);
}

void RunBaseline(benchmark::State& state, const std::string& catalogue) {
  const std::string query = kel::QueryLightestCore(9.702);
  for (auto _ : state) BaselineOnce(catalogue, query);
}

void BM_ComputeW_Bundled(benchmark::State& state) {
  RunChain(state, BundledCatalogue());
}
void BM_SqliteBaseline_Bundled(benchmark::State& state) {
  RunBaseline(state, BundledCatalogue());
}
void BM_ComputeW_10k(benchmark::State& state) {
  RunChain(state, LargeCatalogue());
}
void BM_SqliteBaseline_10k(benchmark::State& state) {
  RunBaseline(state, LargeCatalogue());
}

// An unchanged Access catalogue is read once; later recalculations use the cached copy.
void BM_ComputeW_Access(benchmark::State& state) {
  RunChain(state, AccessFixture());
}
void BM_ComputeW_AccessAsSqlite(benchmark::State& state) {
  RunChain(state, AccessFixtureAsSqlite());
}

BENCHMARK(BM_ComputeW_Bundled)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteBaseline_Bundled)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComputeW_10k)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteBaseline_10k)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComputeW_Access)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComputeW_AccessAsSqlite)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
