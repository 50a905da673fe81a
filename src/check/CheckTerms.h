#pragma once
// The words of the check's states: for each, a stable code that scripts may compare and the
// French text every output shows.

#include <string_view>

#include "check/Check.h"
#include "check/DesignCheck.h"

namespace kel {

struct Term {
  std::string_view code;  // "no_core"
  std::string_view text;  // "pas de noyau"
};

Term TermOf(WindingFlag flag);                  // "" for None
Term TermOf(FillStatus status);                 // "ok", "juste", "trop plein"
Term TermOf(ThermalVerdict verdict);            // "ok", "juste", "trop chaud"
Term TermOf(InsulationClass insulation_class);  // "A" ... "H", "hors classe"
Term TermOf(NoCheck reason);        // "Erreur de saisie", "pas de puissance", "pas de noyau"
Term TermOf(LeftOutReason reason);  // "moins d'une spire", "trop de spires"

// Said of a secondary whose volts no number of turns reaches.
inline constexpr Term kUnreachable = {"unreachable", "tension inatteignable"};
// Said of a secondary whose turns to wind did not settle or do not stand once wound.
inline constexpr Term kTurnsUnsettled = {"turns_unsettled", "spires à bobiner instables"};

}  // namespace kel
