#include "check/CheckTerms.h"

namespace kel {

Term TermOf(WindingFlag flag) {
  switch (flag) {
    case WindingFlag::OffTable:
      return {"off_table", "hors table"};
    case WindingFlag::TooThick:
      return {"too_thick", "fil trop gros"};
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

Term TermOf(ThermalClass class_) {
  switch (class_) {
    case ThermalClass::A:
      return {"A", "classe A"};
    case ThermalClass::E:
      return {"E", "classe E"};
    case ThermalClass::B:
      return {"B", "classe B"};
    case ThermalClass::F:
      return {"F", "classe F"};
    case ThermalClass::H:
      return {"H", "classe H"};
    case ThermalClass::Beyond:
      break;
  }
  return {"beyond", "hors classe"};
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
