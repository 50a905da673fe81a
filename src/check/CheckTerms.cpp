#include "check/CheckTerms.h"

namespace kel {

Term TermOf(WindingFlag flag) {
  switch (flag) {
    case WindingFlag::OffTable:
      return {"off_table", "hors table"};
    case WindingFlag::TooThick:
      return {"too_thick", "fil trop gros"};
    case WindingFlag::NoRoom:
      return {"no_room", "les marges ne laissent pas de place"};
    case WindingFlag::None:
      break;
  }
  return {"", ""};
}

Term TermOf(FillStatus status) {
  switch (status) {
    case FillStatus::Ok:
      return {"ok", "ok"};
    case FillStatus::Tight:
      return {"tight", "juste"};
    case FillStatus::Overfull:
      break;
  }
  return {"overfull", "trop plein"};
}

Term TermOf(ThermalVerdict verdict) {
  switch (verdict) {
    case ThermalVerdict::Ok:
      return {"ok", "ok"};
    case ThermalVerdict::Tight:
      return {"tight", "juste"};
    case ThermalVerdict::TooHot:
      break;
  }
  return {"too_hot", "trop chaud"};
}

Term TermOf(InsulationClass insulation_class) {
  // The letter is the option's text as well: one spelling, in CheckOptions.
  const char* name = ClassName(insulation_class);
  return {insulation_class == InsulationClass::None ? "none" : name, name};
}

Term TermOf(LeftOutReason reason) {
  return reason == LeftOutReason::TooManyTurns ? Term{"too_many_turns", "trop de spires"}
                                               : Term{"under_one_turn", "moins d'une spire"};
}

Term TermOf(NoCheck reason) {
  switch (reason) {
    case NoCheck::InputError:
      // The same words as the chain's message box.
      return {"input_error", kInputErrorMessage};
    case NoCheck::NoPower:
      return {"no_power", "pas de puissance"};
    case NoCheck::NoCore:
      break;
  }
  return {"no_core", "pas de noyau"};
}

}  // namespace kel
