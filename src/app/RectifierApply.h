#pragma once
// "Appliquer au projet": every rectified secondary's no-load EMF and rms current put into the
// design as that secondary's volts and amps at once, the chain and the check run again, and so on
// until each secondary's applied EMF gives its DC volts under its new R_s within kApplyToleranceV.
// Settling one secondary moves the primary's share and the core of the others.

#include <string>
#include <vector>

#include "app/MainForm.h"
#include "check/Rectifier.h"

namespace kel {

inline constexpr int kMaxApplyRounds = 10;
inline constexpr double kApplyToleranceV = 0.05;

struct ApplyOutcome {
  RectifierStatus status = RectifierStatus::Ok;
  int row = 0;  // the secondary that stopped it, when not Ok
  int rounds = 0;
  bool changed = false;  // the design's volts or amps changed (and it is marked modified)
  // Each rectified secondary's DC volts at its applied EMF under the last R_s.
  std::vector<std::pair<int, double>> dc_v;
};

// Applies to the form's design. When a secondary has no solution, or the rounds do not settle,
// the design's volts and amps are put back as they were and the outcome says which.
ApplyOutcome ApplyRectifiers(MainForm& form);

// The sentence the window and the tools say of an outcome.
std::string ApplyOutcomeText(const ApplyOutcome& outcome);

}  // namespace kel
