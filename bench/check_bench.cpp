// What the engineering check adds to a recalculation: the chain alone, then the chain followed by
// the check as the "Vérification" window makes it (model and the view's texts), and the check by
// itself. The check reads no catalogue: the chain hands its core over on the sheet.

#include <benchmark/benchmark.h>

#include "app/BatchPlatform.h"
#include "check/DesignCheck.h"
#include "design/Chain.h"
#include "report/CheckView.h"

namespace {

enum class Check { None, WithChain, Alone };

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
  bool checked = true;
  if (check == Check::Alone) chain.ComputeW();
  for (auto _ : state) {
    if (check != Check::Alone) chain.ComputeW();
    if (check == Check::None) {
      benchmark::DoNotOptimize(sheet.Lbn);
      continue;
    }
    const kel::DesignCheck result = kel::CheckDesign(sheet);
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
  Run(state, Check::WithChain);
}

// The check by itself, on the sheet one recalculation left.
void BM_CheckAlone(benchmark::State& state) {
  Run(state, Check::Alone);
}

BENCHMARK(BM_CheckAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Recalculation)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecalculationAndCheck)->Unit(benchmark::kMicrosecond);

}  // namespace
