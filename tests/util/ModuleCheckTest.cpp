// The printing module is looked at before it is loaded: cut short, it would fault inside the
// loader; writable by others, or in a folder they can write, it would run their code.

#include "util/ModuleCheck.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/TestFiles.h"

namespace kel {
namespace {

// A whole shared object of this machine: the printing module where the window is built, else the
// C library.
std::string WholeModule() {
  const std::string module = std::string(KELVANOR_BIN_DIR) + "/kelvanor-print.so";
  if (std::filesystem::exists(module)) return module;
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&::getpid), &info) == 0) return "";
  return info.dli_fname;
}

TEST(ModuleCheck, ACutModuleIsRefusedBeforeTheLoaderMapsIt) {
  const std::string whole = WholeModule();
  ASSERT_FALSE(whole.empty());
  const std::string bytes = test::ReadFile(whole);
  test::TempDir dir;
  const std::string copy = dir.File("kelvanor-print.so");
  test::WriteFile(copy, bytes);
  EXPECT_EQ(DamagedModuleProblem(copy), "") << whole;
  // Cuts inside the headers, inside the loadable parts (where dlopen faulted) and at the very end.
  for (const std::size_t cut : {std::size_t{40}, std::size_t{1000}, bytes.size() / 3,
                                bytes.size() * 2 / 3, bytes.size() - 1}) {
    test::WriteFile(copy, bytes.substr(0, cut));
    EXPECT_NE(DamagedModuleProblem(copy).find("incomplet ou abîmé"), std::string::npos)
        << "cut at " << cut << " of " << bytes.size();
  }
  test::WriteFile(copy, "#!/bin/sh\necho bonjour\n");
  EXPECT_NE(DamagedModuleProblem(copy), "");
}

TEST(ModuleCheck, OnlyFilesAndFoldersNoOneElseCanWriteAreTrusted) {
  test::TempDir dir;
  const uid_t me = ::geteuid();
  const std::string folder = dir.File("lib");
  std::filesystem::create_directory(folder);
  const std::string module = folder + "/kelvanor-print.so";
  test::WriteFile(module, "x");
  ::chmod(folder.c_str(), 0755);
  ::chmod(module.c_str(), 0644);
  ASSERT_EQ(UntrustedModuleProblem(module, me), "") << "the test folder itself is not trusted";

  const auto refused = [&](const std::string& path, const char* why) {
    const std::string problem = UntrustedModuleProblem(path, me);
    EXPECT_NE(problem.find(why), std::string::npos) << path << ": " << problem;
  };
  ::chmod(module.c_str(), 0664);
  refused(module, "modifié par d'autres");
  ::chmod(module.c_str(), 0644);
  ::chmod(folder.c_str(), 0777);
  refused(module, "modifié par d'autres");
  // A sticky folder (the system's temporary folder): others cannot replace what is ours there.
  ::chmod(folder.c_str(), 01777);
  EXPECT_EQ(UntrustedModuleProblem(module, me), "");
  ::chmod(folder.c_str(), 0755);

  // A link from a trusted folder to a module where anyone may write.
  const std::string open_folder = dir.File("ouvert");
  std::filesystem::create_directory(open_folder);
  ::chmod(open_folder.c_str(), 0777);
  test::WriteFile(open_folder + "/m.so", "x");
  ::chmod((open_folder + "/m.so").c_str(), 0644);
  std::filesystem::create_symlink(open_folder + "/m.so", folder + "/lien.so");
  refused(folder + "/lien.so", "modifié par d'autres");

  // Another user's file, and a folder of theirs above ours (the ../lib of a program unpacked in
  // a shared folder). Only root can give a file away.
  if (me != 0) {
    std::printf("[  SKIPPED ] files of another user: only root can make them\n");
    return;
  }
  ASSERT_EQ(::chown(module.c_str(), 65534, 65534), 0);
  refused(module, "appartient à un autre utilisateur");
  ASSERT_EQ(::chown(module.c_str(), 0, 0), 0);
  ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
  refused(module, "appartient à un autre utilisateur");
  refused(folder + "/../lib/kelvanor-print.so", "appartient à un autre utilisateur");
}

}  // namespace
}  // namespace kel
