#include "util/Paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

namespace kel {

namespace {

// One separator serves the whole path: "/" as soon as the path holds one, else "\". Paths typed
// by hand may mix both, and the other character then counts as part of a name.
char SeparatorOf(std::string_view path) {
  return path.find('/') != std::string_view::npos ? '/' : '\\';
}

}  // namespace

std::string FileNameOf(std::string_view path) {
  const auto pos = path.rfind(SeparatorOf(path));
  if (pos == std::string_view::npos) return std::string(path);
  return std::string(path.substr(pos + 1));
}

std::string FolderOf(std::string_view path) {
  const auto pos = path.rfind(SeparatorOf(path));
  if (pos == std::string_view::npos) return {};
  return std::string(path.substr(0, pos));
}

// A folder answers false: every caller goes on to read or overwrite the path as a file, which a
// folder cannot serve.
bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  return !S_ISDIR(info.st_mode);
}

bool IsSpecialFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string DataFolderFor(const std::string& exe_path, std::string_view data_file) {
  std::string own = FolderOf(exe_path);
  const std::string name(data_file);
  if (FileExists(own + "/" + name)) return own;
  const std::filesystem::path bin(own);
  if (bin.has_parent_path() && bin.filename() == "bin") {
    std::string shared = (bin.parent_path() / "share" / "kelvanor").string();
    if (FileExists(shared + "/" + name)) return shared;
  }
  return own;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  // A process started without HOME (a service, su without -l) still runs for an account.
  passwd account{};
  passwd* found = nullptr;
  std::string buffer(16384, '\0');
  if (getpwuid_r(getuid(), &account, buffer.data(), buffer.size(), &found) == 0 && found &&
      account.pw_dir && account.pw_dir[0] == '/') {
    return account.pw_dir;
  }
  return {};
}

std::string UserConfigFolder() {
  // A relative XDG_CONFIG_HOME is to be ignored, like an unset one.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/.config";
}

std::string UserCacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/.cache";
}

std::string DialogFolderFor(const std::string& path) {
  const std::string folder = FolderOf(path);
  return FolderExists(folder) ? folder : UserDocumentsFolder();
}

std::string UserDocumentsFolder() {
  const std::string home = HomeFolder();
  const std::string config = UserConfigFolder();
  std::string documents;
  // user-dirs.dirs is a shell fragment of lines XDG_DOCUMENTS_DIR="$HOME/Documents"; the value
  // is either an absolute path or one relative to $HOME. The last assignment counts. The file is
  // small; a huge or binary one is not read past a few kilobytes.
  std::ifstream in(config + "/user-dirs.dirs");
  constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
  std::string line;
  for (int lines = 0; !config.empty() && lines < 200 && std::getline(in, line); ++lines) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, kKey.size(), kKey) != 0) continue;
    std::string value = line.substr(start + kKey.size());
    if (!value.empty() && value.front() == '"') {
      const std::size_t end = value.find('"', 1);
      value = end == std::string::npos ? std::string() : value.substr(1, end - 1);
    }
    if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
      value = home.empty() ? std::string() : home + value.substr(5);
    }
    if (!value.empty() && value.front() == '/') documents = value;
  }
  if (FolderExists(documents)) return documents;
  return FolderExists(home) ? home : std::string();
}

bool RemoveFile(const std::string& path, std::int16_t retry_ms,
                const std::function<void()>& process_events) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const auto retry_time = std::chrono::milliseconds(retry_ms);
  for (;;) {
    // A path whose folder part is missing or is a file cannot name an existing file either, so
    // ENOTDIR counts as gone just like ENOENT.
    if (unlink(path.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR) return true;
    if (process_events) process_events();
    if (Clock::now() - start >= retry_time) return false;
  }
}

int RejoinFields(std::string& text, std::string_view separator, std::string_view joiner) {
  std::string result;
  int count = 0;
  if (separator.empty()) {
    // Nothing to cut at: the whole text is the one piece.
    if (!text.empty()) {
      result = text;
      result += joiner;
      count = 1;
    }
  } else {
    // Pieces follow one another up to the first empty one; whatever comes after it is dropped.
    std::size_t start = 0;
    while (start < text.size()) {
      auto pos = text.find(separator, start);
      if (pos == std::string::npos) pos = text.size();
      if (pos == start) break;
      result.append(text, start, pos - start);
      result += joiner;
      ++count;
      start = pos + separator.size();
    }
  }
  text = std::move(result);
  return count;
}

FileStamp StampFromStat(const struct stat& info) {
  const auto ns = [](const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
  };
  return FileStamp{static_cast<std::uintmax_t>(info.st_size), ns(info.st_mtim), ns(info.st_ctim),
                   static_cast<std::uintmax_t>(info.st_dev),
                   static_cast<std::uintmax_t>(info.st_ino)};
}

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return std::nullopt;
  }
  return StampFromStat(info);
}

}  // namespace kel
