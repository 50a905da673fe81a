#include "catalogue/EngineErrors.h"

namespace kel {

EngineError FileNotFound(const std::string& path) {
  return {kErrFileNotFound, "Fichier catalogue introuvable : " + path};
}

EngineError CannotRead(const std::string& path) {
  return {kErrCannotRead, "Impossible de lire le fichier catalogue " + path};
}

EngineError UnknownFormat(const std::string& path, const std::string& detail) {
  return {kErrUnknownFormat,
          "Format de base de données non reconnu : " + path + " (" + detail + ")"};
}

EngineError Damaged(const std::string& path) {
  return {kErrDamaged,
          "Le catalogue " + path + " est endommagé ou tronqué : il ne peut pas être lu"};
}

EngineError NoTable(const std::string& path) {
  return {kErrNoTable, "La table EI est introuvable dans le catalogue " + path};
}

EngineError NotOpen() {
  return {kErrNotOpen, "le catalogue n'est pas ouvert"};
}

EngineError LimitReached(const std::string& path, LimitKind kind, long long amount) {
  std::string why;
  switch (kind) {
    case LimitKind::Time:
      why = "elle durait plus de " + (amount % 1000 == 0 ? std::to_string(amount / 1000) + " s"
                                                         : std::to_string(amount) + " ms");
      break;
    case LimitKind::Memory:
      why = "elle demandait plus de " + std::to_string(amount / (1024 * 1024)) + " Mo de mémoire";
      break;
    case LimitKind::ValueSize:
      why = "une valeur dépassait " + std::to_string(amount / 1024) + " ko";
      break;
  }
  return {kErrResourceExceeded, "Le catalogue " + path +
                                    " n'est pas utilisable : sa lecture a été arrêtée, car " + why +
                                    "."};
}

EngineError FunctionRefused(const std::string& path, const std::string& function) {
  return {kErrResourceExceeded, "Le catalogue " + path +
                                    " n'est pas utilisable : sa lecture a été arrêtée, car elle "
                                    "appelait la fonction " +
                                    function + ", qu'un catalogue ne peut employer."};
}

}  // namespace kel
