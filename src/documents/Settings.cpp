#include "documents/Settings.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "util/Paths.h"

namespace kel {

std::string SettingsPathFor(const std::string& exe_path) {
  const std::size_t slash = exe_path.rfind('/');
  const bool has_folder = slash != std::string::npos;
  std::string name = has_folder ? exe_path.substr(slash + 1) : exe_path;
  // Only the file name's own extension goes; a name that merely starts with a dot keeps it.
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  std::string beside = (has_folder ? exe_path.substr(0, slash + 1) : "") + name + ".ini";

  // A settings file beside the program makes a portable copy that carries its settings along.
  // Otherwise settings are the user's: a folder of programs such as /usr/bin is shared by every
  // user and not theirs to write, and a build tree is thrown away with its settings.
  if (FileExists(beside)) return beside;
  const std::string config = UserConfigFolder();
  // Without any home there is nowhere to keep settings: they read as empty and writes fail.
  if (config.empty()) return {};
  const std::string own_folder = config + "/kelvanor";
  // Should this fail, the writes fail silently like any other unwritable settings file.
  std::error_code ignored;
  std::filesystem::create_directories(own_folder, ignored);
  return own_folder + "/kelvanor.ini";
}

}  // namespace kel
