#pragma once
// INI files: settings, design documents and manufacturing sheets are all read and written one
// key at a time through these two routines.
//
// Layout: "[Section]" lines open sections, "key=value" lines are entries. Section and key names
// match without regard to case, blanks around keys and values are trimmed, the first of two equal
// names wins. A write replaces a value in place, appends a missing key at the end of its section
// and a missing section at the end of the file, and leaves every other byte of the file as it was.
// Writes go to a temporary file in the same folder that is then renamed over the original, so a
// crash or a full disk never leaves a half-written file.
//
// Values are exchanged as UTF-8. A file's line is read as UTF-8 when it is valid UTF-8 and as
// Windows-1252 otherwise; a written line is Windows-1252 when every character fits, else UTF-8.
// (A Windows-1252 line that would happen to be valid UTF-8, such as the two characters "Ã©", is
// written as UTF-8 instead, so that it reads back as written.) Lines the write does not touch keep
// their bytes, whatever their encoding.
//
// Details of the layout:
// - Lines end with LF, CR LF or a lone CR. Lines added to an existing file get the ending of its
//   first line; a new file, or one without any line break, gets LF.
// - A section header is a line whose first non-blank character is "[" and that holds a "]"; the
//   name is what lies between the "[" and the last "]", blanks trimmed. Lines above the first
//   header belong to no section. Only the first section of a given name counts: keys of a later
//   duplicate are neither read nor written.
// - Lines whose first non-blank character is ";" or "#" are comments; lines without "=" are
//   ignored. The key is the text before the first "="; keys cannot hold "=" or line breaks.
// - A missing key goes directly after the last non-blank line (entry or comment) of its section,
//   before the blank lines that separate it from the next section, and before the section's
//   empty-key entry (below) if it has one; a missing empty-key entry goes after those blank
//   lines, as they would otherwise become its lines. A missing section goes at the end of the
//   file, without a blank line before it.
// - A replaced entry keeps its line's key spelling and the blanks up to the value; only the value
//   changes.
// - The empty section name is written "[]" and an entry with an empty key "=value". Such an entry
//   holds the manufacturing sheet's remarks and may span several lines: its value is written raw,
//   line breaks included, and every line after it up to the next section header (or the end of
//   the file) belongs to it, is never taken for an entry and is replaced with it. Reading it gives
//   its first line only. Hence keys added to its section go above it, and a remarks line that
//   starts with "[" and holds a "]" ends it early, its remaining lines staying behind at the next
//   write.
// - kIniValueLimit counts characters (Unicode code points) of the decoded value, so a value is
//   never cut inside a character; for text that fits Windows-1252 this is also its byte count in
//   that encoding. A NUL byte in a file ends the value it stands in.
// - A write keeps the file's identity: owner and group where they can be given back, permission
//   bits, ACLs and extended attributes. Where a new file cannot carry all of it (a hard-linked
//   file, an owner this process cannot restore, an attribute it cannot set) or cannot be created
//   (a folder without write permission), the new content goes into the file itself, after a copy
//   of the old content has been put on disk beside it (or, in a folder without write permission,
//   in the user's cache folder); the copy goes once the new content is on disk, and a write that
//   fails puts the old content back. A write goes through a symbolic link into the file it names,
//   fails on a file without write permission even in a writable folder, and leaves a file whose
//   content would not change as it is.
// - The temporary file is "." + name + "." + six letters or digits, or ".kel-" + sixteen hex
//   digits of the name + "." + six letters or digits where that would exceed the file-name limit.
//   Its writer holds a lock on it; such a file of the same document that nobody holds and that is
//   more than a minute old was left by an interrupted write and is removed at the next write.
// - A file over kIniFileLimit bytes is not read at all: it reads like a file that cannot be read,
//   and no write replaces a file that could not be read.
// - A value written under a named key never breaks the layout: a line break in it is written as
//   a blank.

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <utility>
#include <vector>
#include "util/Paths.h"

namespace kel {

inline constexpr std::size_t kIniValueLimit = 1023;

// The largest INI file the program reads. A real document is under 10 kB; anything near this size
// is not one of the program's files, and refusing it before reading keeps memory bounded.
inline constexpr std::size_t kIniFileLimit = 4 * 1024 * 1024;
// What a reader gets back for a stored value (decoded): blanks trimmed, cut at a NUL and to
// kIniValueLimit characters, one leading apostrophe removed.
std::string IniValueAsRead(std::string_view value);

// "plus de 4 Mo": the limit as the messages about a file over it say it.
inline std::string IniFileLimitText() {
  return "plus de " + std::to_string(kIniFileLimit / (1024 * 1024)) + " Mo";
}

// What became of an attempt to read a file.
enum class FileRead {
  kRead,        // read whole
  kMissing,     // no such file (or a path through something that is not a folder)
  kNotAFile,    // a folder, a pipe, a device: read as an empty file, never written
  kUnreadable,  // exists, but reading it failed (permission, I/O error)
  kTooLarge,    // over kIniFileLimit bytes, or more than memory could hold
};

// True when a file in this state must neither be taken for an empty one nor be written over.
inline bool IsReadFailure(FileRead read) {
  return read == FileRead::kUnreadable || read == FileRead::kTooLarge;
}

// The system calls through which the INI routines read a file and put new content in place:
// writing and flushing the temporary file (or the file itself), renaming it over the original,
// giving it its owner back. Whoever reads or writes the files passes them down; tests pass
// calls that fail at one step (a full disk, a failed flush, a failed rename, an I/O error while
// reading, an owner that cannot be restored). An empty member stands for the system's own call,
// so IniFileOps{} is the system.
struct IniFileOps {
  std::function<ssize_t(int fd, const void* data, std::size_t size)> write = nullptr;
  std::function<int(int fd)> fsync = nullptr;
  std::function<int(const char* from, const char* to)> rename = nullptr;
  std::function<ssize_t(int fd, void* data, std::size_t size)> read = nullptr;
  std::function<int(int fd, uid_t owner, gid_t group)> fchown = nullptr;
};

// The value of key in section, cut to kIniValueLimit characters, with one leading apostrophe
// removed; empty when the file, section or key is missing.
std::string ReadIni(const std::string& path, std::string_view section, std::string_view key,
                    const IniFileOps& ops = {});

// ReadIni trims blanks and then takes one leading apostrophe away, so a text that starts with an
// apostrophe or a blank is written behind one more apostrophe: it then reads back as it was.
std::string QuotedIniValue(const std::string& text);

// True when text is well-formed UTF-8 (the form in which values are exchanged).
bool IsUtf8(std::string_view text);

// Sets key in section to value, creating the file, section or key as needed. False when the file
// could not be written; the original is then untouched.
bool WriteIni(const std::string& path, std::string_view section, std::string_view key,
              std::string_view value, const IniFileOps& ops = {});

// Several reads and writes of one file applied as one change: the file is read once, and Save
// replaces it atomically with every change made, or leaves it as it was.
class IniDocument {
 public:
  // The file's content; an empty document when it is missing or not a readable regular file.
  static IniDocument Load(const std::string& path, const IniFileOps& ops = {});
  // How the load went, and the file's stamp as it was read.
  FileRead Read() const { return read_; }
  const std::optional<FileStamp>& Stamp() const { return stamp_; }
  // The file's bytes with the changes made so far, as Save would write them.
  const std::string& Text() const { return text_; }
  // As ReadIni, on the document in memory.
  std::string Get(std::string_view section, std::string_view key) const;
  // The entries of section that Get can read, as it reads them, in the order of the file; keys
  // as the file spells them. One pass over the document, however many entries.
  std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;
  // As WriteIni, on the document in memory.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes the manufacturing sheet's remarks block, the "[]" header and the lines of its entry
  // "=" + remarks, where remarks are the lines the program last wrote there; lines after them are
  // kept, and so is everything below the next header. When the block does not hold those lines
  // (edited by hand), the header and the lines up to the next header go, as an INI reader sees
  // the entry. Remarks lines that look like headers thus neither end the block early nor stay
  // behind to pile up.
  void DropRemarksBlock(std::string_view remarks);
  // Writes the document to path (as WriteIni writes); true when the file holds it afterwards. A
  // file that already holds exactly this content is not rewritten. A document loaded from a file
  // that could not be read is never written.
  bool Save(const std::string& path, const IniFileOps& ops = {}) const;

 private:
  std::string text_;
  FileRead read_ = FileRead::kMissing;
  std::optional<FileStamp> stamp_;
  // The entries of each section Get has read, by its name folded to lower case, so that reading
  // a design's keys takes one pass per section rather than one per key (a document of megabytes
  // took seconds); dropped whenever the text changes. Not for several threads at once.
  mutable std::map<std::string, std::vector<std::pair<std::string, std::string>>, std::less<>>
      read_sections_;
};

}  // namespace kel
