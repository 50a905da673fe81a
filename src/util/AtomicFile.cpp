#include "util/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "util/Paths.h"

namespace kel {
namespace {

// Longest file name most file systems take.
constexpr std::size_t kNameLimit = 255;

// The file a path names once symbolic links are followed, where there is one; the path as it is
// for a new file or a plain one.
std::string Resolved(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  return error ? path : resolved.string();
}

// The folder that holds path, as open(2) takes it. Only "/" separates: "a\\b.svg" is one name.
std::string FolderPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NamePart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target, ReplaceCalls calls)
    : calls_(std::move(calls)), target_(Resolved(target)) {
  if (!calls_.write) calls_.write = ::write;
  if (!calls_.fsync) calls_.fsync = ::fsync;
  if (!calls_.rename) calls_.rename = ::rename;
  if (target_.empty()) {
    Fail(ENOENT);
    return;
  }
  struct stat info {};
  if (::stat(target_.c_str(), &info) == 0) {
    // The rename would replace a write-protected file all the same, and a folder is no file.
    if (S_ISDIR(info.st_mode)) {
      Fail(EISDIR);
      return;
    }
    if (::access(target_.c_str(), W_OK) != 0) {
      Fail(errno);
      return;
    }
    // A pipe or a device (/dev/stdout) cannot be replaced, only written to. A pipe nobody reads
    // is refused at once (ENXIO) rather than waited on; once open, writes wait as usual.
    if (!S_ISREG(info.st_mode)) {
      fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
      if (fd_ < 0) {
        Fail(errno);
        return;
      }
      ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
      return;
    }
    mode_ = info.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode_ = 0666 & ~mask;
  }
  const std::string name = NamePart(target_);
  const std::string stem = name.size() + 11 <= kNameLimit ? "." + name : ".kelvanor";
  std::string pattern = FolderPart(target_) + "/" + stem + ".tmpXXXXXX";
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) {
    Fail(errno);
    return;
  }
  temp_ = pattern;
}

ReplacementFile::~ReplacementFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

bool ReplacementFile::Fail(int error) {
  error_ = std::strerror(error);
  return false;
}

bool ReplacementFile::Write(std::string_view data) {
  if (fd_ < 0) return false;
  while (!data.empty()) {
    const ssize_t written = calls_.write(fd_, data.data(), data.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return Fail(written < 0 ? errno : ENOSPC);
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool ReplacementFile::Commit() {
  if (fd_ < 0) return false;
  if (temp_.empty()) {
    committed_ = ::close(fd_) == 0 || Fail(errno);
    fd_ = -1;
    return committed_;
  }
  const bool flushed =
      (::fchmod(fd_, mode_) == 0 || Fail(errno)) && (calls_.fsync(fd_) == 0 || Fail(errno));
  const bool closed = ::close(fd_) == 0 || Fail(errno);
  fd_ = -1;
  if (!flushed || !closed) return false;
  if (calls_.rename(temp_.c_str(), target_.c_str()) != 0) return Fail(errno);
  committed_ = true;
  // Makes the rename itself durable; the content is already on disk, so a failure changes nothing.
  const int folder_fd = ::open(FolderPart(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd >= 0) {
    ::fsync(folder_fd);
    ::close(folder_fd);
  }
  return true;
}

bool ReplaceFileWith(const std::string& target, std::string_view content, std::string& error,
                     const ReplaceCalls& calls) {
  ReplacementFile file(target, calls);
  const bool ok = file.Ok() && file.Write(content) && file.Commit();
  if (!ok) error = file.Error();
  return ok;
}

}  // namespace kel
