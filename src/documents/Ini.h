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
// - A write keeps the file's permission bits, goes through a symbolic link into the file it names,
//   fails on a file without write permission even in a writable folder, and leaves a file whose
//   content would not change as it is.

#include <sys/types.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kel {

inline constexpr std::size_t kIniValueLimit = 1023;

// The value of key in section, cut to kIniValueLimit characters, with one leading apostrophe
// removed; empty when the file, section or key is missing.
std::string ReadIni(const std::string& path, std::string_view section, std::string_view key);

// ReadIni trims blanks and then takes one leading apostrophe away, so a text that starts with an
// apostrophe or a blank is written behind one more apostrophe: it then reads back as it was.
std::string QuotedIniValue(const std::string& text);

// Sets key in section to value, creating the file, section or key as needed. False when the file
// could not be written; the original is then untouched.
bool WriteIni(const std::string& path, std::string_view section, std::string_view key,
              std::string_view value);

// Several reads and writes of one file applied as one change: the file is read once, and Save
// replaces it atomically with every change made, or leaves it as it was.
class IniDocument {
 public:
  // The file's content; an empty document when it is missing or not a readable regular file.
  static IniDocument Load(const std::string& path);
  // As ReadIni, on the document in memory.
  std::string Get(std::string_view section, std::string_view key) const;
  // The entries of section that Get can read, as it reads them, in the order of the file; keys
  // as the file spells them. One pass over the document, however many entries.
  std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;
  // As WriteIni, on the document in memory.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes a section without a name ("[]") that comes after every one of the given sections,
  // with every line after it. The program writes that section last, for the manufacturing
  // sheet's remarks; their lines may look like headers, so only dropping the whole tail before
  // writing it again keeps old lines from staying behind. An unnamed section with one of the
  // given sections below it is not the program's tail and stays.
  void DropUnnamedTailAfter(std::initializer_list<std::string_view> sections);
  // Writes the document to path (as WriteIni writes); true when the file holds it afterwards. A
  // file that already holds exactly this content is not rewritten.
  bool Save(const std::string& path) const;

 private:
  std::string text_;
};

// The system calls through which WriteIni puts the new content in place: writing and flushing the
// temporary file, then renaming it over the original. Tests swap them to make a write fail at any
// of these steps (a full disk, a failed flush, a failed rename).
struct IniFileOps {
  ssize_t (*write)(int fd, const void* data, std::size_t size);
  int (*fsync)(int fd);
  int (*rename)(const char* from, const char* to);
};

// The operations of the system, which WriteIni uses unless told otherwise.
IniFileOps SystemIniFileOps();

// Makes WriteIni use ops from now on; returns the operations used until now.
IniFileOps SetIniFileOps(const IniFileOps& ops);

}  // namespace kel
