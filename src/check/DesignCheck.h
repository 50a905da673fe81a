#pragma once
// The check of a design as the last recalculation left it: the inputs and the chosen core taken
// from the design sheet, and the reason when there is no check. The catalogue is never read here:
// the chain has handed its core over on the sheet.

#include <optional>
#include <string>
#include <vector>

#include "check/Check.h"
#include "check/RectifierCheck.h"
#include "design/DesignSheet.h"

namespace kel {

// Why there is no check.
enum class NoCheck { InputError, NoPower, NoCore };

struct DesignCheck {
  std::optional<CheckResult> result;
  // The same design with each secondary's turns to wind (RunCheckAsWound), when they differ.
  std::optional<CheckResult> as_wound;
  NoCheck none = NoCheck::NoPower;  // why there is no result
  CheckOptions options;
  // Option texts that could not be used, and fields read only in part.
  std::vector<std::string> problems;
  std::vector<RectifierRow> rectifiers;  // the rectified secondaries, with the design as wound
};

// The design as the workshop winds it: as_wound where the turns to wind differ, else the result
// itself. The check must have a result.
inline const CheckResult& WoundResult(const DesignCheck& check) {
  return check.as_wound ? *check.as_wound : *check.result;
}

// Whether a result's turns stand: no secondary has turns to wind other than its own turns. False
// for a check whose design as wound did not settle (WoundResult is then the calculation's).
bool TurnsStand(const CheckResult& result);

// The check's inputs as the sheet shows them: per row with whole turns shown in TxSpires, the
// turns, the volts, the amps (the primary's computed current), the diameter in use (DiaCu, or the
// text typed when it is imposed), a centre tap's halves; the frequency and the induction shown
// in LbTrueTesla.
CheckInput CheckInputFromSheet(const DesignSheet& sheet, const CoreRecord& core);

// The whole check of the sheet as the chain's last run left it (its outcome and its core).
// options: the sheet's own ([VERIF] texts, with their problems) unless the caller gives others.
// with_as_wound: also the design as wound (as_wound) and the rectified secondaries; the core
// search winds a core only when the calculation's turns leave it a chance, and does without the
// rectified secondaries. rectified: the rectified secondaries as the design's own check solved
// them, whose rms currents and EMFs the core search judges every core on (no model run per core).
DesignCheck CheckDesign(const DesignSheet& sheet, const std::optional<CheckOptions>& options = {},
                        bool with_as_wound = true,
                        const std::vector<RectifierRow>* rectified = nullptr);

// Told after a diameter typed as strands times a diameter ("2x1,6").
inline constexpr const char* kStrandsHint =
    " : le nombre de brins s'impose dans « Brins » de la Vérification";

// The fields of the sheet whose text is only partly a number, each said as "Fréquence :
// « 6O » est lu 6", so that the check never runs silently on a value the user did not mean.
std::vector<std::string> PartlyReadFields(const DesignSheet& sheet);

// The check with options given over the design's own (the command-line tools' flags); problems
// with any option text, the design's or the given ones, are kept in it.
DesignCheck CheckDesignWith(const DesignSheet& sheet,
                            const std::vector<std::pair<CheckOption, std::string>>& overrides);

}  // namespace kel
