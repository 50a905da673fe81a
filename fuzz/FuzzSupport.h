#pragma once
// What the fuzz targets share: a broken expectation stops the run with a readable message (so
// libFuzzer records the input as a crash), and files live in one scratch folder per process.

#include <string>
#include <string_view>
#include <vector>

namespace kel::fuzz {

[[noreturn]] void Fail(const char* file, int line, const std::string& what);

#define FUZZ_CHECK(condition, what)                                  \
  do {                                                               \
    if (!(condition)) ::kel::fuzz::Fail(__FILE__, __LINE__, (what)); \
  } while (false)

// A folder for this process's files, removed at exit. It is on a memory file system when the
// machine has one, so that the many small atomic writes (each with its fsync) cost little.
const std::string& ScratchFolder();

void WriteBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);

// Names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

// The text with control characters and bytes above 0x7E escaped, for messages.
std::string Shown(std::string_view text);

}  // namespace kel::fuzz
