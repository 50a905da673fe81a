#include "reliability/FaultSupport.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "support/TestFiles.h"

namespace kel::test {
namespace {

// Sets or clears the immutable flag; false when the file system or our rights do not allow it.
bool SetImmutable(const std::string& path, bool on) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return ok;
}

}  // namespace

bool PermissionsAreEnforced(const std::string& folder) {
  const std::string probe = folder + "/.permission-probe";
  if (::mkdir(probe.c_str(), 0500) != 0) return false;
  const bool denied = ::access(probe.c_str(), W_OK) != 0;
  ::rmdir(probe.c_str());
  return denied;
}

WriteProtection::WriteProtection(std::string path) : path_(std::move(path)) {
  struct stat info {};
  if (::stat(path_.c_str(), &info) != 0) return;
  mode_ = info.st_mode & 07777;
  const std::string parent = std::filesystem::path(path_).parent_path().string();
  if (PermissionsAreEnforced(parent) && ::chmod(path_.c_str(), mode_ & ~0222u) == 0) {
    how_ = "permission bits";
  } else if (SetImmutable(path_, true)) {
    how_ = "immutable flag";
  }
}

WriteProtection::~WriteProtection() {
  if (how_ == "permission bits") ::chmod(path_.c_str(), mode_);
  if (how_ == "immutable flag") SetImmutable(path_, false);
}

SmallDisk::SmallDisk(const std::string& folder, std::size_t bytes) : folder_(folder) {
  std::filesystem::create_directories(folder_);
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
  mounted_ = ::mount("kelvanor-test", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                     options.c_str()) == 0;
}

SmallDisk::~SmallDisk() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

std::size_t SmallDisk::Fill() {
  const std::string filler = folder_ + "/filler";
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return 0;
  const std::string block(4096, 'x');
  std::size_t total = 0;
  for (std::size_t chunk : {std::size_t{4096}, std::size_t{1}}) {
    for (;;) {
      const ssize_t n = ::write(fd, block.data(), chunk);
      if (n <= 0) break;
      total += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  return total;
}

const char* NameOf(FailingStep step) {
  switch (step) {
    case FailingStep::kWriteNoSpace:
      return "write: no space left";
    case FailingStep::kShortWriteThenNoSpace:
      return "half written, then no space left";
    case FailingStep::kFsync:
      return "fsync fails";
    case FailingStep::kRename:
      return "rename refused";
    case FailingStep::kReadIo:
      return "read: I/O error";
    case FailingStep::kChown:
      return "owner cannot be given back";
  }
  return "?";
}

FailingFileOps::FailingFileOps(FailingStep step, std::string only_path, int only_read)
    : state_(std::make_shared<State>(State{step, std::move(only_path), only_read})) {}

IniFileOps FailingFileOps::Ops() const {
  const std::shared_ptr<State> state = state_;
  IniFileOps ops;
  ops.write = [state](int fd, const void* data, std::size_t size) -> ssize_t {
    ++state->writes;
    if (state->step == FailingStep::kShortWriteThenNoSpace && state->writes == 1 && size > 1) {
      return ::write(fd, data, size / 2);
    }
    if (state->step == FailingStep::kWriteNoSpace ||
        state->step == FailingStep::kShortWriteThenNoSpace) {
      errno = ENOSPC;
      return -1;
    }
    return ::write(fd, data, size);
  };
  ops.fsync = [state](int fd) {
    if (state->step == FailingStep::kFsync) {
      errno = EIO;
      return -1;
    }
    return ::fsync(fd);
  };
  ops.rename = [state](const char* from, const char* to) {
    if (state->step == FailingStep::kRename) {
      errno = EACCES;
      return -1;
    }
    return ::rename(from, to);
  };
  ops.read = [state](int fd, void* data, std::size_t size) -> ssize_t {
    if (state->step == FailingStep::kReadIo) {
      std::error_code ec;
      const auto path = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
      const bool this_file = state->only_path.empty() || (!ec && path.string() == state->only_path);
      if (this_file && (++state->reads == state->only_read || state->only_read == 0)) {
        errno = EIO;
        return -1;
      }
    }
    return ::read(fd, data, size);
  };
  ops.fchown = [state](int fd, uid_t owner, gid_t group) {
    if (state->step == FailingStep::kChown) {
      errno = EPERM;
      return -1;
    }
    return ::fchown(fd, owner, group);
  };
  return ops;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

double TimeBudgetSeconds() {
  // Optimised builds answer within a few seconds; sanitizers and -O0 take many times longer.
  return TimedBuild() ? 10 : 120;
}

}  // namespace kel::test
