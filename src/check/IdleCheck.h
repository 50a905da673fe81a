#pragma once
// The check's idle side: the design's figures handed to the no-load model (NoLoad.h), the
// switch-on (SwitchOn.h) and the fuses (Fuses.h), which hold their own sources.

#include "check/Check.h"

namespace kel {

// Each secondary's fuse, in winding order.
void ChooseSecondaryFuses(CheckResult& result);

// The idle figures, the rated current, the switch-on (a full check only) and the primary's fuse:
// wherever the primary is not flagged, and what needs only its volts and turns even when it is.
// Needs the iron (Iron.h), the load current (Voltages.h) and the secondaries' fuses.
void CheckIdle(const CheckInput& input, const WindingCheck& primary, double section_m2,
               CheckResult& result);

}  // namespace kel
