#include "check/Verdict.h"

#include <algorithm>

namespace kel {

Level LevelOf(FillStatus status) {
  switch (status) {
    case FillStatus::Ok:
      return Level::Good;
    case FillStatus::Tight:
      return Level::Warn;
    case FillStatus::Overfull:
      break;
  }
  return Level::Bad;
}

Level LevelOf(ThermalVerdict verdict) {
  switch (verdict) {
    case ThermalVerdict::Ok:
      return Level::Good;
    case ThermalVerdict::Tight:
      return Level::Warn;
    case ThermalVerdict::TooHot:
      break;
  }
  return Level::Bad;
}

Level LevelOf(NoLoadVerdict verdict) {
  switch (verdict) {
    case NoLoadVerdict::Ok:
      return Level::Good;
    case NoLoadVerdict::Tight:
      return Level::Warn;
    case NoLoadVerdict::Saturated:
      return Level::Bad;
    case NoLoadVerdict::Unloaded:
      break;
  }
  return Level::Plain;
}

Level LevelOf(FuseStatus status) {
  switch (status) {
    case FuseStatus::Ok:
      return Level::Good;
    case FuseStatus::Oversized:
      return Level::Warn;
    case FuseStatus::None:
      break;
  }
  return Level::Bad;
}

Level FillLevel(const CheckResult& r) {
  return r.fill_status ? LevelOf(*r.fill_status) : Level::Bad;
}

Level ThermalLevel(const CheckResult& r) {
  return r.thermal_verdict && r.converged ? LevelOf(*r.thermal_verdict) : Level::Bad;
}

Level InductionLevel(double induction_at_110pct_mains_t) {
  return induction_at_110pct_mains_t > kInductionAlertT ? Level::Warn : Level::Good;
}

Level CompleteLevel(bool complete) {
  return complete ? Level::Good : Level::Bad;
}

Term TermOf(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok:
      return {"ok", "ok"};
    case Verdict::Tight:
      return {"tight", "juste"};
    case Verdict::TooHot:
      return {"too_hot", "trop chaud"};
    case Verdict::Overfull:
      return {"overfull", "trop plein"};
    case Verdict::Unsettled:
      return {"turns_unsettled", "spires instables"};
    case Verdict::Unreachable:
      return {"unreachable", "tension inatteignable"};
    case Verdict::TooSmall:
      // Incomplete because the copper's temperature runs away: the core is too small.
      return {"too_small", "trop petit : la température ne se stabilise pas"};
    case Verdict::Incomplete:
      break;
  }
  return {"incomplete", "incomplet"};
}

Level LevelOf(Verdict verdict) {
  return verdict == Verdict::Ok      ? Level::Good
         : verdict == Verdict::Tight ? Level::Warn
                                     : Level::Bad;
}

bool CannotWork(Verdict verdict) {
  return verdict >= Verdict::Overfull;
}

Verdict JudgeResult(const CheckResult& r) {
  // Complete: every winding in the figures, a fill and a temperature that settled.
  if (r.complete && !r.windings.empty() && !r.converged) return Verdict::TooSmall;
  if (!r.complete || r.windings.empty() || !r.fill_status || !r.thermal_verdict) {
    return Verdict::Incomplete;
  }
  if (std::any_of(r.windings.begin(), r.windings.end(),
                  [](const WindingCheck& w) { return w.unreachable; })) {
    return Verdict::Unreachable;
  }
  if (*r.fill_status == FillStatus::Overfull) return Verdict::Overfull;
  // The worse of the two first: a copper too hot outweighs a window only just full.
  if (*r.thermal_verdict == ThermalVerdict::TooHot) return Verdict::TooHot;
  if (*r.fill_status == FillStatus::Tight) return Verdict::Tight;
  return Verdict::Ok;
}

Verdict JudgeDesign(const DesignCheck& check) {
  if (!check.result) return Verdict::Incomplete;
  const CheckResult& wound = WoundResult(check);
  const Verdict verdict = JudgeResult(wound);
  // Figures of turns the workshop would not wind are no ground to advise a core on.
  if (verdict != Verdict::Incomplete && !TurnsStand(wound)) return Verdict::Unsettled;
  return verdict;
}

bool WantsAnotherCore(const DesignCheck& check) {
  return check.result && JudgeDesign(check) != Verdict::Ok;
}

}  // namespace kel
