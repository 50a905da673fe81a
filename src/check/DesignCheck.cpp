#include "check/DesignCheck.h"

#include <map>
#include <utility>

#include "util/NumberText.h"

namespace kel {

namespace {
// "2x1,6" in a diameter is a count of strands the field cannot take.
const char* StrandsHint(const std::string& text) {
  return text.find_first_of("xX*") != std::string::npos || text.find("×") != std::string::npos
             ? kStrandsHint
             : "";
}
}  // namespace

CheckInput CheckInputFromSheet(const DesignSheet& s, const CoreRecord& core) {
  CheckInput in;
  in.core = core;
  in.frequency_hz = ReadNumber(s.TxFreq);
  in.induction_t = ReadNumber(s.LbTrueTesla);
  for (int i = 0; i < kRows; ++i) {
    // The turns as shown, read as the wire length reads them.
    const double turns = NumberValue(s.TxSpires[i]);
    if (!(turns >= 1 && turns < 1e9)) {
      // A winding asked for is said to be missing, never dropped without a word.
      if (ReadNumber(s.TxVolts[i]) != 0) {
        in.left_out.push_back(
            {i, turns >= 1 ? LeftOutReason::TooManyTurns : LeftOutReason::UnderOneTurn});
      }
      continue;
    }
    // An imposed diameter is the one typed, not its single-precision copy: 0,85 stays 0.85.
    const bool imposed = s.DiaForced[i];
    in.windings.push_back({i, static_cast<int>(turns), ReadNumber(s.TxVolts[i]), s.Amps[i],
                           imposed ? ReadNumber(s.TxDiaCu[i]) : s.DiaCu[i], imposed});
  }
  MarkCentreTaps(in, s.VerifOptions);
  return in;
}

bool TurnsStand(const CheckResult& r) {
  for (const WindingCheck& w : r.windings) {
    if (w.input.row != 0 && w.turns_to_wind && *w.turns_to_wind != w.input.turns) return false;
  }
  return true;
}

std::vector<std::string> PartlyReadFields(const DesignSheet& s) {
  std::vector<std::string> notes;
  const auto note = [&notes](const std::string& caption, const std::string& text,
                             const char* hint = "") {
    const std::string read = PartlyReadNote(text, ',');
    if (!read.empty()) notes.push_back(caption + " : " + read + hint + ".");
  };
  note("Fréquence", s.TxFreq);
  note("Induction", s.TxTesla);
  note("Densité de courant", s.TxDCourant);
  for (int i = 0; i < kRows; ++i) {
    const std::string row = i == 0 ? "primaire" : "secondaire " + std::to_string(i);
    note("Volts " + row, s.TxVolts[i]);
    if (i > 0) note("Amps " + row, s.TxAmps[i]);
    note("Réèl " + row, s.TxDiaCu[i], StrandsHint(s.TxDiaCu[i]));
  }
  return notes;
}

DesignCheck CheckDesign(const DesignSheet& sheet, const std::optional<CheckOptions>& options,
                        bool with_as_wound, const std::vector<RectifierRow>* rectified) {
  DesignCheck check;
  check.options = options ? *options : OptionsFromTexts(sheet.VerifOptions, check.problems);
  if (with_as_wound) {
    for (int row = 1; row <= kRectifierRows; ++row) {
      IsCentreTapped(sheet.VerifOptions, row, &check.problems);
    }
  }
  const std::optional<CoreRecord>& core = sheet.Core;
  // The rectified secondaries only where the design is judged as it will be wound.
  const std::vector<RectifierSetting> settings =
      with_as_wound ? RectifiersFromTexts(sheet.VerifOptions, check.problems)
                    : std::vector<RectifierSetting>{};
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
        if (rectified) ApplyRectifiedRows(*rectified, input);
        check.result = RunCheck(input, check.options);
        if (with_as_wound) {
          if (!RunRectifiedCheck(input, check.options, settings, *check.result, check.rectifiers)) {
            // Figures of a round that is not the last would pass for the design's.
            for (RectifierRow& row : check.rectifiers) {
              if (row.solution.Solved()) row.solution.status = RectifierStatus::NotSettled;
            }
          }
          check.as_wound = RunCheckAsWound(input, check.options, *check.result);
          if (check.as_wound) CountRectifiedOutput(check.rectifiers, *check.as_wound);
          // Turns to wind that, once wound, ask for others again stand nowhere: the sheet winds
          // the calculation's turns, and every output says these are none to wind.
          if (!check.as_wound) {
            for (WindingCheck& w : check.result->windings) {
              if (w.input.row != 0 && w.turns_to_wind && *w.turns_to_wind != w.input.turns) {
                w.turns_unsettled = true;
              }
            }
          }
        }
      }
      break;
  }
  // Without a check, every rectified secondary is listed with no figures.
  if (!check.result) check.rectifiers = CheckRectifiers(settings, 0, nullptr);
  return check;
}

DesignCheck CheckDesignWith(const DesignSheet& sheet,
                            const std::vector<std::pair<CheckOption, std::string>>& overrides) {
  std::map<std::string, std::string> texts = sheet.VerifOptions;
  for (const auto& [option, text] : overrides) SetOptionText(texts, option, text);
  std::vector<std::string> problems;
  const CheckOptions options = OptionsFromTexts(texts, problems);
  DesignCheck check = CheckDesign(sheet, options);
  check.problems.insert(check.problems.begin(), problems.begin(), problems.end());
  for (std::string& note : PartlyReadFields(sheet)) check.problems.push_back(std::move(note));
  return check;
}

}  // namespace kel
