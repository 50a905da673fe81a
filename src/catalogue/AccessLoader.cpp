#include "catalogue/AccessLoader.h"

namespace kel {

sqlite3* LoadAccessCatalogue(const std::string& path, EngineError& error) {
  error = {3343, "Les catalogues Access ne sont pas lus par cette version : " + path};
  return nullptr;
}

}  // namespace kel
