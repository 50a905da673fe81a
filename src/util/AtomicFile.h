#pragma once
// Files replaced whole: the new content goes to a temporary file in the target's folder, is
// flushed to disk, and is renamed over the target only once complete. Whatever happens meanwhile
// (a full disk, a killed writer, a power cut), the target holds either its old or its new content.
// Exports, reports and converted catalogues are written this way.

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kel {

// The system calls that put the content on disk; an empty member is the system's own. Tests pass
// one that fails (ENOSPC from write, a failed flush or rename) or one that kills the writer.
struct ReplaceCalls {
  std::function<ssize_t(int fd, const void* data, std::size_t size)> write = nullptr;
  std::function<int(int fd)> fsync = nullptr;
  std::function<int(const char* from, const char* to)> rename = nullptr;
};

// The file that will replace target. A symbolic link at target is followed: the file it names is
// replaced and the link stays. The temporary file is "." + name + ".tmp" + six characters (a
// shorter name where that one would be too long), created private and given, on Commit, the
// target's permission bits or, for a new file, 0666 less the umask. A pipe or a device at target
// is written directly, having nothing to replace; a pipe without a reader is refused (ENXIO)
// rather than waited on. Only "/" separates folders: a backslash is part of a name.
class ReplacementFile {
 public:
  explicit ReplacementFile(const std::string& target, ReplaceCalls calls = {});
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // False when no temporary file could be made; Error() tells why. A target that is a folder or
  // an existing file without write permission is refused here, before anything is written.
  bool Ok() const { return fd_ >= 0; }
  // The temporary file, for writers that open it by name (SQLite); they close it before Commit.
  // Empty when target is a pipe or a device.
  const std::string& Path() const { return temp_; }
  // Appends data; false (Error() set) on a short or failed write.
  bool Write(std::string_view data);
  // Flushes the file, renames it over the target and flushes the folder. False (Error() set) when
  // any step failed; the target is then as it was and the temporary file is gone.
  bool Commit();
  // The system's reason for the last failure, in French where the C library speaks it.
  const std::string& Error() const { return error_; }

 private:
  bool Fail(int error);

  ReplaceCalls calls_;
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  mode_t mode_ = 0;
  bool committed_ = false;
  std::string error_;
};

// content in place of target, as ReplacementFile writes it. False with error set on failure; the
// target is then untouched.
bool ReplaceFileWith(const std::string& target, std::string_view content, std::string& error,
                     const ReplaceCalls& calls = {});

}  // namespace kel
