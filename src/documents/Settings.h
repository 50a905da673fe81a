#pragma once
// The settings file: section GLOBAL with the catalogue path, the last document and the document
// extension.

#include <string>

namespace kel {

inline constexpr const char* kSettingsSection = "GLOBAL";
inline constexpr const char* kKeyDataBase = "DataBase";
inline constexpr const char* kKeyMru = "Mru";
inline constexpr const char* kKeyExtension = "Extension";

// The settings file of the executable at exe_path: beside it, named after it with ".ini". When
// that folder cannot be written and holds no such file (an installed program), the file is
// $XDG_CONFIG_HOME/kelvanor/kelvanor.ini (default ~/.config).
std::string SettingsPathFor(const std::string& exe_path);

}  // namespace kel
