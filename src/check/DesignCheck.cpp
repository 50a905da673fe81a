#include "check/DesignCheck.h"

#include <map>

#include "util/NumberText.h"

namespace kel {

CheckInput CheckInputFromSheet(const DesignSheet& s, const CoreRecord& core) {
  CheckInput in;
  in.core = core;
  in.frequency_hz = ReadNumber(s.TxFreq);
  in.induction_t = ReadNumber(s.LbTrueTesla);
  for (int i = 0; i < kRows; ++i) {
    // The turns as shown, read as the wire length reads them.
    const double turns = NumberValue(s.TxSpires[i]);
    if (!(turns >= 1 && turns < 1e9)) continue;
    // An imposed diameter is the one typed, not its single-precision copy: 0,85 stays 0.85.
    const bool imposed = s.DiaForced[i];
    in.windings.push_back({i, static_cast<int>(turns), ReadNumber(s.TxVolts[i]), s.Amps[i],
                           imposed ? ReadNumber(s.TxDiaCu[i]) : s.DiaCu[i], imposed});
  }
  return in;
}

DesignCheck CheckDesign(const DesignSheet& sheet, const std::optional<CheckOptions>& options,
                        bool with_as_wound) {
  DesignCheck check;
  check.options = options ? *options : OptionsFromTexts(sheet.VerifOptions, check.problems);
  const std::optional<CoreRecord>& core = sheet.Core;
  switch (sheet.Outcome) {
    case ChainOutcome::InputError:
      check.none = NoCheck::InputError;
      break;
    case ChainOutcome::NoPower:
      check.none = NoCheck::NoPower;
      break;
    case ChainOutcome::NoCore:
      check.none = NoCheck::NoCore;
      break;
    case ChainOutcome::Ran:
      // A core without a window has nowhere to put a winding.
      if (!core || !(core->section_cm2 > 0 && core->window_height_mm > 0 &&
                     core->window_width_mm > 0 && core->mean_turn_cm > 0)) {
        check.none = NoCheck::NoCore;
      } else {
        CheckInput input = CheckInputFromSheet(sheet, *core);
        input.full = with_as_wound;
        check.result = RunCheck(input, check.options);
        if (with_as_wound) check.as_wound = RunCheckAsWound(input, check.options, *check.result);
      }
      break;
  }
  return check;
}

DesignCheck CheckDesignWith(const DesignSheet& sheet,
                            const std::vector<std::pair<CheckOption, std::string>>& overrides) {
  std::map<std::string, std::string> texts = sheet.VerifOptions;
  for (const auto& [option, text] : overrides) SetOptionText(texts, option, text);
  std::vector<std::string> problems;
  const CheckOptions options = OptionsFromTexts(texts, problems);
  DesignCheck check = CheckDesign(sheet, options);
  check.problems = problems;
  return check;
}

}  // namespace kel
