#include "FuzzSupport.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "support/TestFiles.h"

namespace kel::fuzz {

void Fail(const char* file, int line, const std::string& what) {
  std::fprintf(stderr, "\n%s:%d: expectation failed: %s\n", file, line, what.c_str());
  std::fflush(stderr);
  std::abort();
}

const std::string& ScratchFolder() {
  static const std::unique_ptr<test::TempDir> folder = [] {
    struct stat info {};
    if (std::getenv("TMPDIR") == nullptr && ::stat("/dev/shm", &info) == 0 &&
        S_ISDIR(info.st_mode)) {
      ::setenv("TMPDIR", "/dev/shm", 0);
    }
    return std::make_unique<test::TempDir>();
  }();
  return folder->path();
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail(__FILE__, __LINE__, "cannot write " + path);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Shown(std::string_view text) {
  // Long texts keep their two ends, where the differences usually are.
  if (text.size() > 400) {
    return Shown(text.substr(0, 150)) + "...(" + std::to_string(text.size() - 300) + " bytes)..." +
           Shown(text.substr(text.size() - 150));
  }
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\\' || byte == '"') {
      out += '\\';
      out += c;
    } else if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    }
  }
  return out + "\"";
}

}  // namespace kel::fuzz
