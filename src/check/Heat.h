#pragma once
// The heat: the copper's temperature where the losses and the cooling surface balance, and how it
// stands against the insulation class. Sources: McLyman, "Transformer and Inductor Design
// Handbook", the temperature rise of a transformer from its area product (At = 41,3 √(Wa·Ac),
// ΔT = 450 (P/At)^0,826); the class limits of IEC 61558-1 (CheckOptions.h).

#include "check/Check.h"

namespace kel {

// At, cm², of the core's window area and iron section.
double CoolingSurfaceCm2(const CoreRecord& core);

// From the ambient, the temperature again until it settles (kConvergedK, at most kMaxRounds),
// the copper losses following it (Copper.h); then the rise, the verdict and the class required.
// Every winding must be laid out, with result.surface_cm2 and result.iron_loss_w known.
void SettleTemperature(const CheckOptions& options, CheckResult& result);

}  // namespace kel
