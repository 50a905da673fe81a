#include "check/TurnsToWind.h"

#include <algorithm>
#include <cmath>

#include "check/Voltages.h"

namespace kel {

namespace {

// The volts a secondary gives under load with turns turns of its wire: the induced volts per
// turn less the drop in a winding of that many turns of the same wire at the same temperature.
double LoadedVolts(double e, int primary_turns, const WindingCheck& w, double turns) {
  return e * turns / primary_turns - w.current_a * *w.r_hot_ohm * turns / w.input.turns;
}

// The fewest turns that give the volts asked for at e; none when no number does.
std::optional<int> TurnsFor(double e, int n0, const WindingCheck& w) {
  // The loaded volts grow by a fixed step per turn; a step of nothing or less never gets there.
  const double step = LoadedVolts(e, n0, w, 1);
  if (!(step > 0) || !(w.input.volts / step < 1e9)) return std::nullopt;
  double turns = std::max(1.0, std::ceil(w.input.volts / step));
  while (turns > 1 && LoadedVolts(e, n0, w, turns - 1) >= w.input.volts) --turns;
  while (LoadedVolts(e, n0, w, turns) < w.input.volts) ++turns;
  return static_cast<int>(turns);
}

// The fewest turns whose no-load EMF reaches the volts asked for a winding that asks for an EMF:
// e is the primary's loaded EMF, to which this winding's own share of the primary's drop, which
// its rectifier's source resistance already holds, is added back.
std::optional<int> NoLoadTurnsFor(double e, int n0, double r_primary, const WindingCheck& w) {
  const double a = r_primary * ReferredCurrent(w) / (static_cast<double>(n0) * n0);
  const double b = e / n0;
  const auto emf = [&](double n) { return (b + a * n) * n; };
  if (!(b > 0) || !(w.input.volts > 0)) return std::nullopt;
  const double root = 2 * w.input.volts / (b + std::sqrt(b * b + 4 * a * w.input.volts));
  if (!(root < 1e9)) return std::nullopt;
  double turns = std::max(1.0, std::ceil(root));
  while (turns > 1 && emf(turns - 1) >= w.input.volts) --turns;
  while (emf(turns) < w.input.volts) ++turns;
  return static_cast<int>(turns);
}

}  // namespace

void TurnsToWind(CheckResult& r, const WindingCheck& primary) {
  const int n0 = primary.input.turns;
  const double v0 = primary.input.volts;
  for (WindingCheck& w : r.windings) {
    if (w.input.row != 0) w.turns_to_wind = w.input.turns;
  }
  bool settled = false, reached = true;
  double e = 0;
  for (r.turns_rounds = 1; r.turns_rounds <= kMaxRounds; ++r.turns_rounds) {
    e = v0 - PrimaryCurrent(r.windings, n0, v0, r.iron_loss_w, true) * *primary.r_hot_ohm;
    bool changed = false;
    for (WindingCheck& w : r.windings) {
      if (w.input.row == 0) continue;
      const std::optional<int> turns =
          w.input.no_load_volts ? NoLoadTurnsFor(e, n0, *primary.r_hot_ohm, w) : TurnsFor(e, n0, w);
      if (!turns) {
        w.unreachable = true;
        reached = false;
      } else if (*turns != *w.turns_to_wind) {
        w.turns_to_wind = turns;
        changed = true;
      }
    }
    if (!reached || !changed) {
      settled = !changed;
      break;
    }
  }
  r.turns_rounds = std::min(r.turns_rounds, kMaxRounds);
  r.turns_converged = settled || !reached;
  for (WindingCheck& w : r.windings) {
    if (w.input.row == 0) continue;
    if (reached && settled) {
      w.loaded_v_at_turns_to_wind = LoadedVolts(e, n0, w, *w.turns_to_wind);
    } else {
      w.turns_to_wind.reset();
      w.turns_unsettled = !settled && reached;
    }
  }
}

}  // namespace kel
