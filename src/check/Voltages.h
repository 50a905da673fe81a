#pragma once
// The currents the windings carry and the volts the secondaries give: the transformer as an ideal
// one with each winding's resistance in series (the magnetising branch apart, IdleCheck.h), the
// primary carrying the secondaries' currents by the turns ratio and the iron's in phase. Source:
// the README's check, steps 5, 7 and 9.

#include <vector>

#include "check/Check.h"

namespace kel {

// The share of the primary's current a secondary's current stands for, per turn of it over the
// primary's turns: a centre tap's half √2 times its own.
double ReferredCurrent(const WindingCheck& winding);

// I_load = Σ I_k N_k ÷ N₀ + P_fe ÷ V₀, with the secondaries' turns to wind or their turns.
double PrimaryCurrent(const std::vector<WindingCheck>& windings, int primary_turns,
                      double primary_volts, double iron_loss_w, bool to_wind);

// Each secondary's current density.
void SecondaryCurrents(CheckResult& result);

// The primary's load current (and, until the magnetising current is known, its rated current)
// and its current density.
void LoadPrimary(CheckResult& result, WindingCheck& primary);

// Each secondary's volts at the copper's temperature (HeatCopper done), the output and the
// efficiency.
void CheckVoltages(CheckResult& result, const WindingCheck& primary);

}  // namespace kel
