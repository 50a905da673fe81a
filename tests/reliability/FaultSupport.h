#pragma once
// Ways to make the file system refuse a save, for the reliability tests: permissions where they
// are enforced, the immutable flag where the tests run with rights that ignore permissions, a
// small memory file system that is full, and failing system calls under the INI writer.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "documents/Ini.h"

namespace kel::test {

// A small design of one secondary whose primary current is left to the chain.
inline constexpr const char* kSmallDesign =
    "[SPECIFS]\nFreq=50\nTesla=1,5\nDCourant=3\nVolts0=230\nAmps0=\nVolts1=100\nAmps1=1\n";

// True when missing write permission stops this process (it does not for root).
bool PermissionsAreEnforced(const std::string& folder);

// Makes a file or folder refuse writes for as long as the object lives: by its permission bits
// when they are enforced, else by the immutable flag. how() says which; empty when neither works
// here (the test should then skip).
class WriteProtection {
 public:
  explicit WriteProtection(std::string path);
  ~WriteProtection();
  WriteProtection(const WriteProtection&) = delete;
  WriteProtection& operator=(const WriteProtection&) = delete;
  const std::string& how() const { return how_; }

 private:
  std::string path_;
  std::string how_;
  unsigned mode_ = 0;
};

// A memory file system of the given size mounted on a fresh folder, unmounted when the object
// goes. mounted() is false where this process may not mount (the test should then skip).
class SmallDisk {
 public:
  SmallDisk(const std::string& folder, std::size_t bytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool mounted() const { return mounted_; }
  const std::string& folder() const { return folder_; }
  // Fills the remaining space with a file; returns the bytes written.
  std::size_t Fill();

 private:
  std::string folder_;
  bool mounted_ = false;
};

// One failing step of the INI routines' system calls: writing, flushing or renaming the new
// file, reading a file (an I/O error), giving a new file its owner back (a group member saving a
// colleague's file).
enum class FailingStep { kWriteNoSpace, kShortWriteThenNoSpace, kFsync, kRename, kReadIo, kChown };
const char* NameOf(FailingStep step);

// Hands out system calls in which step fails, to pass to the code under test; the other calls
// are the system's. Every copy of Ops() shares this object's counts, and stays valid after it.
class FailingFileOps {
 public:
  // With only_path, reads fail for that file alone; with only_read, only its nth read (from 1):
  // a failure that is gone when the file is read again.
  explicit FailingFileOps(FailingStep step, std::string only_path = "", int only_read = 0);
  IniFileOps Ops() const;

 private:
  struct State {
    FailingStep step;
    std::string only_path;
    int only_read = 0;
    int writes = 0;
    int reads = 0;
  };
  std::shared_ptr<State> state_;
};

// Names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

// Seconds since construction.
class Stopwatch {
 public:
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// How long a hostile input may take: a few seconds in an optimised build, generously more under
// sanitizers or without optimisation.
double TimeBudgetSeconds();

}  // namespace kel::test
