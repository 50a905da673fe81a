#pragma once
// The layout of the winding window: the wire each winding takes, how it lies in its chamber (turns
// per layer, layers, build), what lies under it and so its mean turn, and how full the window is.
// Sources: the wire sizes and enamel builds of IEC 60317-0-1 (ReferenceData.h); the layer-wound
// bobbin of the README's check, steps 1 to 3 (the bobbin's perimeter P = 10 l − π H, the
// catalogue's turn taken at mid-window).

#include "check/Check.h"

namespace kel {

// Fills in result.windings (from the input's, in order), the chambers, the tape, the bobbin's
// perimeter, each laid-out winding's mean turn (copper.mean_turn_mm; the rest of its copper is
// Copper.h's), the build and fill of the fuller chamber, and whether the check is complete.
void LayOutWindow(const CheckInput& input, const CheckOptions& options, CheckResult& result);

}  // namespace kel
