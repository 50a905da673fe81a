#pragma once
// What every program prints for --version.

#include <string>
#include <string_view>

#include "kelvanor/Version.h"

namespace kel {

inline std::string VersionNotice(std::string_view program) {
  return std::string(program) + " " + kVersionText +
         "\n"
         "Copyright (C) 2026 les développeurs de Kelvanor\n"
         "Licence GPLv3+ : GNU GPL version 3 ou ultérieure <https://gnu.org/licenses/gpl.html>\n"
         "Ceci est un logiciel libre : vous êtes libre de le modifier et de le redistribuer.\n"
         "Il n'est accompagné d'AUCUNE GARANTIE, dans les limites permises par la loi.\n";
}

}  // namespace kel
