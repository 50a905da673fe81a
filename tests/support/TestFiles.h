#pragma once
// Temporary folders and SQLite catalogues made by the tests themselves.

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace kel::test {

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct CoreRow {
  std::string ref;
  double section;
  double mass;
  double usable_height;  // hautcu
  double width;          // LargCu
  double turn_length;    // longspire
};

// Writes an SQLite catalogue with table EI holding rows; returns its path.
std::string MakeCatalogue(const std::string& path, const std::vector<CoreRow>& rows);

// Runs SQL on a catalogue file (to make broken catalogues).
void ExecuteSql(const std::string& path, const std::string& sql);

// Writes a catalogue of 3000 cores, indexed by mass, whose last table page is damaged: a query
// through the mass index finds the lightest cores, a read of the whole table fails on the way.
// The lightest core is "EI-LONG-REFERENCE-1" (11 cm², 0.501 kg, hautcu 12, LargCu 30,
// longspire 20). Returns its path.
std::string MakeDamagedCatalogue(const std::string& path);

// The processor time the calling thread has used. Tests that hold a cost bound measure this, not
// the wall clock, so that a loaded machine or a sanitizer's other threads do not make them fail.
std::chrono::nanoseconds ThreadCpuTime();

// True in an optimised build without sanitizers: where timings mean something, and where a
// property test can afford its whole sample (sanitizers find the same faults in fewer cases).
bool TimedBuild();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

// Sets (or, with nullptr, unsets) an environment variable until the object goes.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace kel::test
