#pragma once
// Every judgement of the check, made here once: each state as an enum, its words (TermOf, a code
// for the JSON and the French text) and its level, the colour every output shows it in. The
// window, the text, the JSON, the sheet and the core search read these and judge nothing
// themselves. The thresholds stay with the effect they judge: the fill's in WindowLayout.cpp, the
// temperature's in Heat.cpp, the idle current's in NoLoad.h.

#include "check/CheckTerms.h"
#include "check/DesignCheck.h"

namespace kel {

// How a figure stands: plain (no judgement), green, orange or red.
enum class Level { Plain, Good, Warn, Bad };

Level LevelOf(FillStatus status);       // ok green, juste orange, trop plein red
Level LevelOf(ThermalVerdict verdict);  // ok green, juste orange, trop chaud red
Level LevelOf(NoLoadVerdict verdict);   // ok green, juste orange, saturé red, sans charge plain
Level LevelOf(FuseStatus status);       // ok green, oversized orange, none red
// The fill and the temperature of a result: red when there are none (a flagged winding, a
// temperature that does not settle).
Level FillLevel(const CheckResult& result);
Level ThermalLevel(const CheckResult& result);
// The real induction at mains +10 %: orange above kInductionAlertT, where common steels saturate.
inline constexpr double kInductionAlertT = 1.7;
Level InductionLevel(double induction_at_110pct_mains_t);
// An incomplete check is red.
Level CompleteLevel(bool complete);

// Whether a design on its core is one to wind, the first reason against it that holds; from the
// best to the worst, in the order the core search sorts them.
enum class Verdict { Ok, Tight, TooHot, Overfull, Unsettled, Unreachable, TooSmall, Incomplete };
Term TermOf(Verdict verdict);  // "ok", "juste", "trop chaud", ... "incomplet"
Level LevelOf(Verdict verdict);
// A core that cannot carry the design whatever its options: anything worse than too hot (overfull,
// turns that do not settle, volts out of reach, too small, incomplete).
bool CannotWork(Verdict verdict);

// One result judged as it is, its turns to wind left aside: ok when it is complete, every
// secondary reaches its volts, its fill is "ok" and its copper is not "trop chaud" for the
// insulation class chosen.
Verdict JudgeResult(const CheckResult& result);
// The design as the workshop winds it (WoundResult): its result's verdict, and its turns must
// stand. Incomplete without a check.
Verdict JudgeDesign(const DesignCheck& check);

// Whether the sheet wants the advised core: whenever the design on its own core is not judged
// ok, as the core search advises only a core judged ok. A design without a check has no core to
// judge.
bool WantsAnotherCore(const DesignCheck& check);

}  // namespace kel
