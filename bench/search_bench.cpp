// The core search ("Noyau conseillé") as kelvanor-calc --cores and the "Vérification" window
// make it: the catalogue read in one query, then every core imposed on a copy of the design and
// checked. On the bundled catalogue and on generated catalogues of 1,000 and 10,000 EI cores,
// whose times must grow in proportion.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "app/BatchPlatform.h"
#include "app/CoreSearch.h"
#include "app/DesignService.h"
#include "documents/Ini.h"

namespace {

// EI laminations of tongue a / 3 for a from 30 to 150 mm, stacked a / 3 to 2 a / 3, with the
// bundled catalogue's proportions (window a / 6 × a / 2 less the bobbin, stacking 0.96).
std::string GeneratedCatalogue(int cores) {
  static std::map<int, std::string> made;
  if (auto found = made.find(cores); found != made.end()) return found->second;
  std::string file =
      (std::filesystem::temp_directory_path() /
       ("kelvanor-search-" + std::to_string(cores) + "-" + std::to_string(getpid()) + ".db"))
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
  std::uniform_real_distribution<double> width(30, 150), stack(1.0 / 3, 2.0 / 3);
  for (int i = 0; i < cores; ++i) {
    const double a = width(random), b = a * stack(random), tongue = a / 3;
    const double iron_mm2 = a * a * 5 / 6 - 2 * (a / 6) * (a / 2);
    const std::string ref = "EI" + std::to_string(static_cast<int>(a)) + "/" +
                            std::to_string(static_cast<int>(b)) + "-" + std::to_string(i);
    sqlite3_bind_text(insert, 1, ref.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(insert, 2, tongue * b * 0.96 / 100);
    sqlite3_bind_double(insert, 3, iron_mm2 * b * 0.96 * 7.65e-6);
    sqlite3_bind_double(insert, 4, a / 6 - 2);
    sqlite3_bind_double(insert, 5, a / 2 - 3);
    sqlite3_bind_double(insert, 6, (2 * (tongue + b) + 3.14159 * a / 6) / 10);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  made[cores] = file;
  if (made.size() == 1) {
    std::atexit([] {
      for (const auto& [count, path] : made) std::remove(path.c_str());
    });
  }
  return file;
}

// 230 V → 24 V at 50 VA, 1.5 T, 3 A/mm², loaded as the calculator loads a document.
constexpr const char* k24Volts =
    "[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\nVolts1=24\nAmps1=2.083\n";
// A valve amplifier's HT, 350 V 120 mA DC from a centre tap and 47 µF: the model solved once on
// the design's own core, every core judged on its rms current.
constexpr const char* kRectifiedHt =
    "[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\nVolts1=301.1\nAmps1=0.15\n"
    "[VERIF]\nRedresseur1=point-milieu\nVoltsContinus1=350\nAmpsContinus1=0.12\n"
    "Condensateur1=47\n";

void Search(benchmark::State& state, const std::string& catalogue, const char* text = k24Volts) {
  const std::string folder =
      (std::filesystem::temp_directory_path() / ("kelvanor-search-" + std::to_string(getpid())))
          .string();
  std::filesystem::create_directories(folder);
  const std::string document = folder + "/d.kel";
  std::FILE* out = std::fopen(document.c_str(), "w");
  std::fputs(text, out);
  std::fclose(out);
  kel::BatchPlatform platform("kelvanor-bench");
  kel::DesignService design(platform, ',');
  design.SetDataBasePath(catalogue);
  if (!design.Load(document)) state.SkipWithError("document illisible");
  std::size_t cores = 0;
  for (auto _ : state) {
    const kel::CoreSearchResult result = kel::SearchDesignCores(design, kel::CheckOptions{});
    cores = result.cores.size();
    if (result.catalogue_failed) state.SkipWithError(result.none.c_str());
    benchmark::DoNotOptimize(result.advised);
  }
  state.counters["cores"] = static_cast<double>(cores);
  state.SetComplexityN(static_cast<benchmark::IterationCount>(cores));
  std::filesystem::remove_all(folder);
}

void BM_CoreSearch_Bundled(benchmark::State& state) {
  Search(state, KELVANOR_BIN_DIR "/Zivodevu.mdb");
}
void BM_CoreSearch_Rectified(benchmark::State& state) {
  Search(state, KELVANOR_BIN_DIR "/Zivodevu.mdb", kRectifiedHt);
}
void BM_CoreSearch(benchmark::State& state) {
  Search(state, GeneratedCatalogue(static_cast<int>(state.range(0))));
}

BENCHMARK(BM_CoreSearch_Bundled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoreSearch_Rectified)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoreSearch)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
