#pragma once
// The iron: the crest induction the primary's volts and turns make in the net section, and the
// iron loss. Sources: the grade's guaranteed loss at 1,5 T, 50 Hz (EN 10106, ReferenceData.h),
// scaled as B² and f^1,3 (NoLoad.h's IronLossW); the README's check, step 4.

#include "check/Check.h"

namespace kel {

// A_net in m²: the catalogue's gross section times the stacking factor.
double NetSectionM2(const CoreRecord& core, const CheckOptions& options);

// The steel's loss figure, the real induction (at the mains and 10 % above) and the iron loss.
// primary: null when the design has none (the chain's induction is then taken over the stacking
// factor).
void CheckIron(const CheckInput& input, const CheckOptions& options, const WindingCheck* primary,
               CheckResult& result);

}  // namespace kel
