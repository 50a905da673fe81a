#include "util/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

}  // namespace kel
