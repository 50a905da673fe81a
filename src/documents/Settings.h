#pragma once
// The settings file: section GLOBAL with the catalogue path, the last document and the document
// extension.

#include <string>

#include "documents/Ini.h"

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
// The same path without creating anything, for the tools, which only read the settings.
std::string SettingsFileOf(const std::string& exe_path);

// How a path is kept under Mru or DataBase. A path that reads back byte for byte as one line of
// text is stored as it is. Any other (a name in another encoding than UTF-8, a line break, a
// blank at either end) is stored as a file: URI whose bytes outside letters, digits and "/-._~"
// are %-escaped, so that it never breaks the file's layout and comes back as the same bytes.
std::string StoredPath(const std::string& path);
// The path a stored value stands for: the value itself, or the bytes of a file: URI.
std::string PathFromStored(const std::string& value);

// The catalogue path kept in the settings file at settings_path (DataBase), decoded; empty when
// there is none.
std::string StoredCataloguePath(const std::string& settings_path, const IniFileOps& ops = {});

}  // namespace kel
