#include "util/ModuleCheck.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kel {
namespace {

// The file or folder at path, as lstat finds it, judged as a holder of code for user.
std::string EntryProblem(const std::string& path, uid_t user) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return path + " : " + std::strerror(errno);
  if (info.st_uid != 0 && info.st_uid != user) {
    return path + " appartient à un autre utilisateur (uid " + std::to_string(info.st_uid) + ")";
  }
  // A link's own bits mean nothing; what it names is judged on the resolved path.
  if (S_ISLNK(info.st_mode)) return "";
  const bool sticky_folder = S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0;
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && !sticky_folder) {
    return path + " peut être modifié par d'autres utilisateurs";
  }
  return "";
}

// path and every folder above it, up to "/", each judged.
std::string ChainProblem(std::string path, uid_t user) {
  while (!path.empty()) {
    if (std::string problem = EntryProblem(path, user); !problem.empty()) return problem;
    if (path == "/") break;
    const std::size_t slash = path.rfind('/');
    path = slash == 0 ? "/" : path.substr(0, slash);
  }
  return "";
}

bool Within(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  return offset <= size && length <= size - offset;
}

}  // namespace

std::string UntrustedModuleProblem(const std::string& path, uid_t user) {
  std::string given = path;
  if (given.empty() || given.front() != '/') {
    char* folder = ::getcwd(nullptr, 0);
    if (folder == nullptr) return path + " : " + std::strerror(errno);
    given = std::string(folder) + "/" + given;
    std::free(folder);
  }
  char* real = ::realpath(given.c_str(), nullptr);
  if (real == nullptr) return path + " : " + std::strerror(errno);
  const std::string resolved = real;
  std::free(real);
  struct stat info {};
  if (::stat(resolved.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return path + " n'est pas un fichier ordinaire";
  }
  // The path as given may pass through folders (and links in them) that the resolved one skips.
  if (std::string problem = ChainProblem(given, user); !problem.empty()) return problem;
  return ChainProblem(resolved, user);
}

std::string DamagedModuleProblem(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return path + " : " + std::strerror(errno);
  const auto damaged = [&path, fd](const char* why) {
    ::close(fd);
    return path + " est incomplet ou abîmé (" + why + ")";
  };
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return damaged("pas un fichier");
  const auto size = static_cast<std::uint64_t>(info.st_size);
  ElfW(Ehdr) header{};
  if (::pread(fd, &header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) ||
      std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
    return damaged("pas une bibliothèque ELF");
  }
  constexpr unsigned char kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
  constexpr unsigned char kOrder =
      __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
  if (header.e_ident[EI_CLASS] != kClass || header.e_ident[EI_DATA] != kOrder ||
      header.e_type != ET_DYN) {
    return damaged("pas une bibliothèque de cette machine");
  }
  if (header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phnum == 0 ||
      !Within(header.e_phoff, std::uint64_t{header.e_phnum} * sizeof(ElfW(Phdr)), size)) {
    return damaged("en-têtes de programme hors du fichier");
  }
  if (header.e_shoff != 0 &&
      !Within(header.e_shoff, std::uint64_t{header.e_shnum} * header.e_shentsize, size)) {
    return damaged("en-têtes de sections hors du fichier");
  }
  std::vector<ElfW(Phdr)> parts(header.e_phnum);
  const auto bytes = static_cast<ssize_t>(parts.size() * sizeof(ElfW(Phdr)));
  if (::pread(fd, parts.data(), static_cast<std::size_t>(bytes),
              static_cast<off_t>(header.e_phoff)) != bytes) {
    return damaged("en-têtes de programme illisibles");
  }
  for (const ElfW(Phdr) & part : parts) {
    // The loader maps these parts and reads the others through them.
    if (part.p_filesz != 0 && !Within(part.p_offset, part.p_filesz, size)) {
      return damaged("une partie chargée dépasse la fin du fichier");
    }
  }
  ::close(fd);
  return "";
}

std::string ModuleProblem(const std::string& path) {
  if (std::string problem = UntrustedModuleProblem(path, ::geteuid()); !problem.empty()) {
    return problem;
  }
  return DamagedModuleProblem(path);
}

}  // namespace kel
