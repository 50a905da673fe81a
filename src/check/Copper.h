#pragma once
// The copper of each winding: its length, resistance and mass from its mean turn, and what it
// loses at a temperature. Source: annealed copper of the International Annealed Copper Standard
// (IEC 60028: 0,017241 Ω·mm²/m and 0,00393 /K at 20 °C, 8,89 g/cm³).

#include "check/Check.h"

namespace kel {

// A resistance known at 20 °C, at temperature_c.
double HotResistance(double r20_ohm, double temperature_c);

// The length, R20 and mass of every winding whose mean turn the layout gave.
void WindCopper(CheckResult& result);

// Σ I² R(T) over the windings (a centre-tapped winding's two halves), every one laid out.
double CopperLossW(const CheckResult& result, double temperature_c);

// Each winding's resistance and loss at temperature_c, and their total.
void HeatCopper(CheckResult& result, double temperature_c);

}  // namespace kel
