#include "documents/Settings.h"

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "documents/Ini.h"
#include "util/Paths.h"

namespace kel {
namespace {

constexpr std::string_view kUriPrefix = "file://";

bool StoresAsItIs(std::string_view path) {
  if (path.substr(0, kUriPrefix.size()) == kUriPrefix || !IsUtf8(path)) return false;
  if (!path.empty() && (path.back() == ' ' || path.back() == '\t')) return false;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

bool IsPlainUriByte(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') ||
         std::string_view("/-._~").find(static_cast<char>(byte)) != std::string_view::npos;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string StoredPath(const std::string& path) {
  if (StoresAsItIs(path)) return path;
  std::string uri(kUriPrefix);
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsPlainUriByte(byte)) {
      uri += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      uri += escaped;
    }
  }
  return uri;
}

std::string PathFromStored(const std::string& value) {
  if (value.compare(0, kUriPrefix.size(), kUriPrefix) != 0) return value;
  std::string path;
  for (std::size_t i = kUriPrefix.size(); i < value.size(); ++i) {
    const int high = i + 2 < value.size() && value[i] == '%' ? HexDigit(value[i + 1]) : -1;
    const int low = high >= 0 ? HexDigit(value[i + 2]) : -1;
    if (low >= 0) {
      path += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      path += value[i];
    }
  }
  return path;
}

std::string StoredCataloguePath(const std::string& settings_path, const IniFileOps& ops) {
  return PathFromStored(ReadIni(settings_path, kSettingsSection, kKeyDataBase, ops));
}

std::string SettingsFileOf(const std::string& exe_path) {
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
  return config + "/kelvanor/kelvanor.ini";
}

std::string SettingsPathFor(const std::string& exe_path) {
  std::string path = SettingsFileOf(exe_path);
  // Should this fail, the writes fail silently like any other unwritable settings file.
  std::error_code ignored;
  if (!path.empty()) std::filesystem::create_directories(FolderOf(path), ignored);
  return path;
}

}  // namespace kel
