#pragma once
// The settings file: section GLOBAL with the catalogue path, the last document and the document
// extension.

#include <string>

namespace kel {

inline constexpr const char* kSettingsSection = "GLOBAL";
inline constexpr const char* kKeyDataBase = "DataBase";
inline constexpr const char* kKeyMru = "Mru";
inline constexpr const char* kKeyExtension = "Extension";

// The settings file of the executable at exe_path: beside it, named after it with ".ini", when
// such a file already lies there (a portable copy); otherwise
// $XDG_CONFIG_HOME/kelvanor/kelvanor.ini (default ~/.config), whose folder is created. Empty
// when no home folder is known.
std::string SettingsPathFor(const std::string& exe_path);

}  // namespace kel
