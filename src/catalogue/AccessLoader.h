#pragma once
// Access catalogues (.mdb, .accdb) are read once into an in-memory SQLite database holding
// their table EI, so that the program's own queries run on them unchanged.
//
// Values keep the meaning the Access engine gives them: a Single column keeps the single's exact
// value (declared SINGLE so that it is shown as the single it is), text compares without regard
// to case, an empty cell stays NULL. An AccessCache serves a file that has not changed since it
// was last read from memory; only a few such files are kept.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "catalogue/CatalogueDb.h"

struct sqlite3;

namespace kel {

// How an Access file is read: in a child process (see OpenOptions) or not, and how long the
// child may take.
struct AccessReadOptions {
  bool apart = true;
  std::chrono::milliseconds time{2000};
};

// A new read-only connection to the in-memory copy of the Access file's table EI; null with
// error filled when the file cannot be read. The caller closes the connection.
sqlite3* LoadAccessCatalogue(const std::string& path, EngineError& error,
                             const AccessReadOptions& options = {});

// Access files already read, kept in memory so that a recalculation, which opens the catalogue
// anew, does not read the file again while it has not changed. Owned by whoever opens
// catalogues (the window's catalogue session) and used from one thread.
class AccessCache {
 public:
  // As LoadAccessCatalogue, served from memory when the file has not changed since it was read.
  sqlite3* Load(const std::string& path, EngineError& error, const AccessReadOptions& options = {});
  // How many times a file has actually been read.
  std::uint64_t Reads() const { return reads_; }
  // Drops every copy kept; connections already handed out stay usable.
  void Forget() { entries_.clear(); }

 private:
  struct Entry {
    std::string key;
    FileStamp stamp;
    std::shared_ptr<const std::string> image;
  };
  std::list<Entry> entries_;  // most recently used first
  std::uint64_t reads_ = 0;
};

// Column types as the Access file records them.
enum class AccessType : int {
  Boolean = 0x01,
  Byte = 0x02,
  Integer = 0x03,
  Long = 0x04,
  Currency = 0x05,
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,
  Binary = 0x09,
  Text = 0x0a,
  Ole = 0x0b,
  Memo = 0x0c,
  Guid = 0x0f,
  Decimal = 0x10,
  Complex = 0x12,
};

// The declared SQLite type for a column of that type (the engine recognises "SINGLE").
std::string AccessDeclaredType(int access_type);

// One value ready for SQLite.
struct AccessCell {
  enum class Kind { Null, Integer, Real, Text, Blob };
  Kind kind = Kind::Null;
  std::int64_t integer = 0;
  double real = 0;
  std::string bytes;  // text in UTF-8, or the raw bytes of a blob
};

// Decodes a value stored in the row itself (every type but Boolean, Memo and OLE, which need
// more than the row's bytes). scale is the number of decimals of a Decimal column. A value too
// short for its type comes back with ok false.
AccessCell DecodeAccessValue(int access_type, const unsigned char* bytes, std::size_t size,
                             int scale, bool jet3, bool& ok);

// Text as a Jet 4 file stores it (UTF-16, possibly in the compressed form that starts with
// FF FE), or as a Jet 3 file does (Windows-1252), in UTF-8.
std::string DecodeAccessText(const unsigned char* bytes, std::size_t size, bool jet3);

// "YYYY-MM-DD HH:MM:SS" for an Access date (days since 30 December 1899, the fraction being the
// time of day); empty when the value is no date at all.
std::string AccessDateText(double days);

}  // namespace kel
