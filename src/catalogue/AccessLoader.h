#pragma once
// Access catalogues (.mdb, .accdb) are read once into an in-memory SQLite database holding
// their table EI, so that the program's own queries run on them unchanged.

#include <string>

#include "catalogue/CatalogueDb.h"

struct sqlite3;

namespace kel {

// A new connection to the in-memory copy of the Access file's table EI; null with error filled
// when the file cannot be read.
sqlite3* LoadAccessCatalogue(const std::string& path, EngineError& error);

}  // namespace kel
