#include "app/RectifierApply.h"

#include <cmath>

#include "check/DesignCheck.h"
#include "util/NumberText.h"
#include "util/OutputText.h"

namespace kel {

namespace {

// The texts put into the fields: to the hundredth of a volt and the thousandth of an amp, finer
// than the tolerance asks and as a person would type them.
std::string VoltsText(double volts, char sep) {
  return Fixed(volts, 2, sep);
}
std::string AmpsText(double amps, char sep) {
  return Fixed(amps, 3, sep);
}

}  // namespace

ApplyOutcome ApplyRectifiers(MainForm& form) {
  ApplyOutcome outcome;
  DesignSheet& sheet = form.Sheet();
  const PerRow<std::string> volts_before = sheet.TxVolts, amps_before = sheet.TxAmps;
  const bool modified_before = sheet.Modified;
  const auto restore = [&] {
    if (sheet.TxVolts == volts_before && sheet.TxAmps == amps_before) return;
    sheet.TxVolts = volts_before;
    sheet.TxAmps = amps_before;
    form.ComputeW();
    sheet.Modified = modified_before;
    form.UpdateTitle(modified_before);
  };
  const char sep = form.DecimalSeparator();
  DesignCheck check = CheckDesign(sheet);
  for (outcome.rounds = 1; outcome.rounds <= kMaxApplyRounds; ++outcome.rounds) {
    // Each solved row with the capacitor it settled on, to judge the next round's R_s with.
    std::vector<std::pair<RectifierRow, double>> applied;
    for (const RectifierRow& row : check.rectifiers) {
      if (!row.solution.Solved()) {
        outcome.status = row.solution.status;
        outcome.row = row.setting.row;
        restore();
        return outcome;
      }
      const int k = row.setting.row;
      sheet.TxVolts[k] = VoltsText(row.solution.e_rms, sep);
      sheet.TxAmps[k] = AmpsText(row.solution.period.winding_rms_a, sep);
      applied.emplace_back(row, ReadNumber(sheet.TxVolts[k]));
    }
    if (applied.empty()) return outcome;
    form.ComputeW();
    check = CheckDesign(sheet);
    outcome.dc_v.clear();
    bool settled = check.rectifiers.size() == applied.size();
    for (std::size_t i = 0; settled && i < applied.size(); ++i) {
      const auto& [before, e_applied] = applied[i];
      const RectifierRow& now = check.rectifiers[i];
      const std::optional<double> dc =
          now.source_ohm ? DcVoltsAt(before.setting.request, ReadNumber(sheet.TxFreq),
                                     *now.source_ohm, before.solution.capacitor_uf, e_applied)
                         : std::nullopt;
      settled = dc && std::fabs(*dc - before.setting.request.dc_v) <= kApplyToleranceV;
      if (dc) outcome.dc_v.emplace_back(before.setting.row, *dc);
    }
    if (settled) {
      outcome.changed = sheet.TxVolts != volts_before || sheet.TxAmps != amps_before;
      if (outcome.changed) {
        sheet.Modified = true;
        form.UpdateTitle(true);
      }
      return outcome;
    }
  }
  outcome.rounds = kMaxApplyRounds;
  outcome.status = RectifierStatus::NotSettled;
  restore();
  return outcome;
}

std::string ApplyOutcomeText(const ApplyOutcome& outcome) {
  if (outcome.status == RectifierStatus::Ok) {
    return outcome.changed ? "Appliqué en " + std::to_string(outcome.rounds) + " tour" +
                                 (outcome.rounds > 1 ? "s" : "")
                           : "Rien à appliquer";
  }
  std::string text(TermOf(outcome.status).text);
  if (outcome.row > 0) text = RowName(outcome.row) + " : " + text;
  return text + " ; le projet est inchangé";
}

}  // namespace kel
