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

Term TermOf(WindingFlag flag);     // "" for None
Term TermOf(FillStatus status);    // "ok", "juste", "trop plein"
Term TermOf(ThermalClass class_);  // "classe A" ... "hors classe"
Term TermOf(NoCheck reason);       // "Erreur de saisie", "pas de puissance", "pas de noyau"

}  // namespace kel
