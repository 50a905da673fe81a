// What the engineering check adds to a recalculation: the chain alone, then the chain followed by
// the check as the "Vérification" window makes it (core record, model, the view's texts), once
// with the catalogue's table already read and once reading it.

#include <benchmark/benchmark.h>

#include "check/CheckPanel.h"
#include "app/BatchPlatform.h"
#include "design/Chain.h"

namespace {

enum class Check { None, KeptCore, FreshCore, Alone };

void Run(benchmark::State& state, Check check) {
  kel::BatchPlatform platform("kelvanor-bench");
  kel::CatalogueSession session;
  session.DataBasePath = KELVANOR_BIN_DIR "/Zivodevu.mdb";
  kel::ChainEnvironment env{platform, session, ',', KELVANOR_BIN_DIR, {}, {}};
  kel::DesignSheet sheet;
  sheet.TxVolts[0] = "230";
  sheet.TxVolts[1] = "100";
  sheet.TxAmps[1] = "1";
  sheet.TxVolts[2] = "12";
  sheet.TxAmps[2] = "2";
  kel::Chain chain(sheet, env);
  kel::CoreLookup kept;
  bool checked = true;
  if (check == Check::Alone) chain.ComputeW();
  for (auto _ : state) {
    if (check != Check::Alone) chain.ComputeW();
    if (check == Check::None) {
      benchmark::DoNotOptimize(sheet.Lbn);
      continue;
    }
    kel::CoreLookup fresh;
    kel::CoreLookup& cores = check == Check::FreshCore ? fresh : kept;
    const kel::DesignCheck result =
        kel::CheckDesign(sheet, cores.Find(session.DataBasePath, sheet), false);
    const kel::CheckView view = kel::MakeCheckView(result, ',');
    checked = checked && result.result.has_value();
    benchmark::DoNotOptimize(view.fill);
  }
  if (!platform.record.messages.empty() || !checked) state.SkipWithError("the run failed");
}

void BM_Recalculation(benchmark::State& state) {
  Run(state, Check::None);
}
void BM_RecalculationAndCheck(benchmark::State& state) {
  Run(state, Check::KeptCore);
}
// The first check on a catalogue: its table is read once.
void BM_RecalculationAndCheck_FirstRead(benchmark::State& state) {
  Run(state, Check::FreshCore);
}

// The check by itself, on the sheet one recalculation left.
void BM_CheckAlone(benchmark::State& state) {
  Run(state, Check::Alone);
}

BENCHMARK(BM_CheckAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Recalculation)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecalculationAndCheck)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecalculationAndCheck_FirstRead)->Unit(benchmark::kMicrosecond);

}  // namespace
