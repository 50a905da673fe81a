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

// The README's example (230 V → 100 V 1 A, 1.7 T, 3.6 A/mm²), deep in saturation: the check with
// its idle figures, the advised induction and the switch-on simulated over 10 periods, and the
// view's texts. The limit is 20 ms.
void BM_CheckWithSwitchOn(benchmark::State& state) {
  kel::BatchPlatform platform("kelvanor-bench");
  kel::CatalogueSession session;
  session.DataBasePath = KELVANOR_BIN_DIR "/Zivodevu.mdb";
  kel::ChainEnvironment env{platform, session, ',', KELVANOR_BIN_DIR, {}, {}};
  kel::DesignSheet sheet;
  sheet.TxFreq = "50";
  sheet.TxTesla = "1.7";
  sheet.TxDCourant = "3.6";
  sheet.TxVolts[0] = "230";
  sheet.TxVolts[1] = "100";
  sheet.TxAmps[1] = "1";
  kel::Chain(sheet, env).ComputeW();
  bool simulated = true;
  for (auto _ : state) {
    const kel::DesignCheck result = kel::CheckDesign(sheet);
    const kel::CheckView view = kel::MakeCheckView(result, ',');
    simulated = simulated && result.result && result.result->switch_on &&
                result.result->switch_on->figures.peak_a;
    benchmark::DoNotOptimize(view.fill);
  }
  if (!platform.record.messages.empty() || !simulated) state.SkipWithError("the run failed");
}

BENCHMARK(BM_CheckAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckWithSwitchOn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recalculation)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecalculationAndCheck)->Unit(benchmark::kMicrosecond);

}  // namespace
