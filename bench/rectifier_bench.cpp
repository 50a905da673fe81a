// The rectifier and capacitor model: one secondary with its capacitor given and with it chosen
// over E6 (the time the "Vérification" window and --analysis add per rectified secondary), and
// "Appliquer au projet" on the ±15 V design of the README, which reloads it for each run.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/BatchPlatform.h"
#include "app/RectifierApply.h"
#include "check/Rectifier.h"

namespace {

// 24 V DC at 2 A from a bridge, behind 0,3 Ω.
void Solve(benchmark::State& state, bool given) {
  kel::RectifierRequest request{kel::RectifierType::Bridge, 24, 2, 4700, 0.8};
  if (!given) request.capacitor_uf.reset();
  bool solved = true;
  for (auto _ : state) {
    const kel::RectifierSolution s = kel::SolveRectifier(request, 50, 0.3);
    solved = solved && s.Solved();
    benchmark::DoNotOptimize(s.e_rms);
  }
  if (!solved) state.SkipWithError("not solved");
}

void BM_RectifierCapacitorGiven(benchmark::State& state) {
  Solve(state, true);
}
void BM_RectifierCapacitorChosen(benchmark::State& state) {
  Solve(state, false);
}

void BM_ApplyDual15V(benchmark::State& state) {
  const std::string folder =
      (std::filesystem::temp_directory_path() / ("kelvanor-rectifier-" + std::to_string(getpid())))
          .string();
  std::filesystem::create_directories(folder);
  const std::string document = folder + "/d.kel";
  std::FILE* out = std::fopen(document.c_str(), "w");
  std::fputs(
      "[SPECIFS]\nFreq=50\nTesla=1.5\nDCourant=3\nVolts0=230\nVolts1=12\nAmps1=0.5\nVolts2=12\n"
      "Amps2=0.5\n[NOYAU]\nType=EI66/22\n[VERIF]\nRedresseur1=pont\nVoltsContinus1=15\n"
      "AmpsContinus1=0,5\nRedresseur2=pont\nVoltsContinus2=15\nAmpsContinus2=0,5\n",
      out);
  std::fclose(out);
  kel::BatchPlatform platform("kelvanor-bench");
  kel::MainForm form(platform, {',', false});
  form.SetSettingsPath(folder + "/kelvanor.ini");
  form.SetDataBasePath(KELVANOR_BIN_DIR "/Zivodevu.mdb");
  bool settled = true;
  for (auto _ : state) {
    state.PauseTiming();
    form.LoadDocument(document);
    state.ResumeTiming();
    const kel::ApplyOutcome outcome = kel::ApplyRectifiers(form);
    settled = settled && outcome.status == kel::RectifierStatus::Ok;
    state.counters["rounds"] = outcome.rounds;
  }
  if (!settled) state.SkipWithError("not settled");
  std::filesystem::remove_all(folder);
}

BENCHMARK(BM_RectifierCapacitorGiven)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RectifierCapacitorChosen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyDual15V)->Unit(benchmark::kMillisecond);

}  // namespace
