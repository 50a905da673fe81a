#pragma once
// The turns to wind: for every secondary together, the fewest turns that give the volts asked
// for under load (or, for a rectified one, the EMF asked for), the primary's drop following the
// turns of all of them. Source: the README's check, step 8.

#include "check/Check.h"

namespace kel {

// At the copper's temperature (HeatCopper done): sets each secondary's turns_to_wind and the
// volts they give, or why there are none (unreachable, turns_unsettled), and result.turns_rounds.
void TurnsToWind(CheckResult& result, const WindingCheck& primary);

}  // namespace kel
