#pragma once
// How the catalogue engine fails, for every caller alike: an error number in the manner of the
// Access engine, with a French description for the user. Functions whose failure is an expected
// outcome (opening a file, running a query) return it; the others throw it as a CatalogueError.
// The numbers and their texts are defined here and nowhere else.

#include <stdexcept>
#include <string>

namespace kel {

struct EngineError {
  int number = 0;
  std::string description;
};

// A catalogue failure thrown: its what() is the description, shown as one line.
class CatalogueError : public std::runtime_error {
 public:
  explicit CatalogueError(EngineError error)
      : std::runtime_error(error.description), error_(std::move(error)) {}
  // A failure of the catalogue tool's own making (a command line operand, a CSV line): it has no
  // engine number.
  explicit CatalogueError(const std::string& description)
      : CatalogueError(EngineError{0, description}) {}
  const EngineError& error() const { return error_; }

 private:
  EngineError error_;
};

// A column that a row does not have, or a value that cannot be read as asked.
using FieldError = CatalogueError;

// Error numbers as the Access engine numbers these failures; SQLite's own failures keep SQLite's
// result code.
inline constexpr int kErrFileNotFound = 3024;
inline constexpr int kErrResourceExceeded = 3035;  // a query over its time, memory or size limit
inline constexpr int kErrDamaged = 3049;
inline constexpr int kErrCannotRead = 3051;
inline constexpr int kErrNoTable = 3078;
inline constexpr int kErrUnknownFormat = 3343;
inline constexpr int kErrNotOpen = 3420;

EngineError FileNotFound(const std::string& path);
EngineError CannotRead(const std::string& path);
// detail says what the first bytes were taken for.
EngineError UnknownFormat(const std::string& path, const std::string& detail);
EngineError Damaged(const std::string& path);
EngineError NoTable(const std::string& path);
EngineError NotOpen();

// What stopped a query that ran into one of its limits.
enum class LimitKind { Time, Memory, ValueSize };
EngineError LimitReached(const std::string& path, LimitKind kind, long long amount);
// A query stopped because it called a function that catalogues may not use.
EngineError FunctionRefused(const std::string& path, const std::string& function);

}  // namespace kel
