#include "documents/Ini.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <new>

#include "util/Text.h"

namespace kel {
namespace {

constexpr std::size_t kNpos = std::string_view::npos;

// ops with every empty member replaced by the system's own call; the routines below take ops in
// this form.
IniFileOps WithSystemCalls(IniFileOps ops) {
  if (!ops.write) ops.write = ::write;
  if (!ops.fsync) ops.fsync = ::fsync;
  if (!ops.rename) ops.rename = ::rename;
  if (!ops.read) ops.read = ::read;
  if (!ops.fchown) ops.fchown = ::fchown;
  return ops;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The text as UTF-8: itself when it is valid UTF-8 (plain ASCII included), else read as
// Windows-1252 into storage. Applied to each line of a file and to the values callers pass in, so
// that a caller's stray Latin-1 byte is treated exactly like one found in an old file.
std::string_view Decode(std::string_view raw, std::string& storage) {
  if (IsValidUtf8(raw)) return raw;
  storage.clear();
  storage.reserve(raw.size() + raw.size() / 2);
  for (const char c : raw) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      storage += c;
    } else {
      AppendUtf8(storage, Cp1252CodePoint(byte));
    }
  }
  return storage;
}

// A line of a file as UTF-8: Decode, then each numeric character reference "&#N;" (N decimal,
// a character other than NUL) as its character. The program writes with them the characters
// Windows-1252 lacks, and "&#38;" for the ampersand of a "&#" typed as such.
std::string_view DecodeFileLine(std::string_view raw, std::string& storage) {
  const std::string_view text = Decode(raw, storage);
  if (text.find("&#") == kNpos) return text;
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    if (text.compare(at, 2, "&#") == 0) {
      std::size_t end = at + 2;
      char32_t code = 0;
      while (end < text.size() && end - at < 10 && text[end] >= '0' && text[end] <= '9') {
        code = code * 10 + static_cast<char32_t>(text[end] - '0');
        ++end;
      }
      if (end > at + 2 && end < text.size() && text[end] == ';' && code > 0 && code <= 0x10FFFF &&
          !(code >= 0xD800 && code <= 0xDFFF)) {
        AppendUtf8(out, code);
        at = end + 1;
        continue;
      }
    }
    out += text[at++];
  }
  storage = std::move(out);
  return storage;
}

// One line (valid UTF-8, without line break) in the form it is written to a file: Windows-1252,
// every character it lacks as "&#N;", and the ampersand of a "&#" as "&#38;" so that it reads
// back as typed. all_referenced: every character beyond ASCII so.
std::string EncodeLine(std::string_view utf8, bool all_referenced = false) {
  std::string bytes;
  bytes.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t length = std::max<std::size_t>(Utf8Length(utf8, at), 1);
    const char32_t code = Utf8CodePoint(utf8, at, length);
    const int byte = code < 0x80 || !all_referenced ? Cp1252Byte(code) : -1;
    if (code == '&' && utf8.compare(at + 1, 1, "#") == 0) {
      bytes += "&#38;";
    } else if (byte < 0) {
      bytes += "&#" + std::to_string(static_cast<std::uint32_t>(code)) + ";";
    } else {
      bytes += static_cast<char>(byte);
    }
    at += length;
  }
  // Windows-1252 bytes that also form valid UTF-8 (as "Ã©" does) would read back as other
  // characters. Any byte above ASCII tells, not the length: a reference can make it up exactly.
  const bool high = std::any_of(bytes.begin(), bytes.end(),
                                [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (!all_referenced && high && IsValidUtf8(bytes)) {
    return EncodeLine(utf8, true);
  }
  return bytes;
}

struct Line {
  std::size_t begin = 0;
  std::size_t content_end = 0;  // where the line break starts
  std::size_t end = 0;          // after the line break
};

Line LineAt(std::string_view text, std::size_t begin) {
  // A plain scan: find_first_of calls memchr on its two-byte set once per byte of the line, which
  // made opening a document of megabytes take seconds (and minutes under the sanitizers).
  std::size_t brk = begin;
  while (brk < text.size() && text[brk] != '\n' && text[brk] != '\r') ++brk;
  if (brk == text.size()) return {begin, text.size(), text.size()};
  std::size_t end = brk + 1;
  if (text[brk] == '\r' && end < text.size() && text[end] == '\n') ++end;
  return {begin, brk, end};
}

// Encodes every line of a text on its own, keeping its line breaks as they are: a multi-line
// value is read back line by line, so each line must decode by itself.
std::string EncodeText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const Line line = LineAt(utf8, at);
    out += EncodeLine(utf8.substr(line.begin, line.content_end - line.begin));
    out.append(utf8.substr(line.content_end, line.end - line.content_end));
    at = line.end;
  }
  return out;
}

// The line break of the file's first line, which added lines follow; LF for a file without one.
std::string_view LineBreakOf(std::string_view text) {
  const Line first = LineAt(text, 0);
  if (first.end == first.content_end) return "\n";
  return text.substr(first.content_end, first.end - first.content_end);
}

enum class LineKind { kBlank, kOther, kHeader, kEntry };

struct ParsedLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;        // section of a header, key of an entry
  std::string_view value;       // entry value, trimmed
  std::size_t value_start = 0;  // where the value starts, blanks after "=" skipped
};

ParsedLine Parse(std::string_view line) {
  ParsedLine parsed;
  const std::size_t first = line.find_first_not_of(" \t");
  if (first == kNpos) {
    parsed.kind = LineKind::kBlank;
    return parsed;
  }
  if (line[first] == ';' || line[first] == '#') return parsed;
  if (line[first] == '[') {
    const std::size_t close = line.rfind(']');
    if (close != kNpos && close > first) {
      parsed.kind = LineKind::kHeader;
      parsed.name = Trim(line.substr(first + 1, close - first - 1));
      return parsed;
    }
  }
  const std::size_t equals = line.find('=');
  if (equals == kNpos) return parsed;
  parsed.kind = LineKind::kEntry;
  parsed.name = Trim(line.substr(0, equals));
  parsed.value_start = equals + 1;
  while (parsed.value_start < line.size() && IsBlank(line[parsed.value_start])) {
    ++parsed.value_start;
  }
  parsed.value = Trim(line.substr(parsed.value_start));
  return parsed;
}

// Where a key and its section are in a file's text.
struct Location {
  bool section_found = false;
  // Just after the section's last non-blank line, where a missing key goes.
  std::size_t insert_at = 0;
  bool insert_needs_line_break = false;  // that line ends the file without a line break
  // Where the section ends: the next header, or the end of the file. An empty-key entry goes
  // there, since every line below it up to that point would become one of its lines.
  std::size_t section_end = 0;
  bool section_end_needs_line_break = false;

  bool key_found = false;
  // The entry's lines, the line break of its last line excluded.
  std::size_t key_begin = 0;
  std::size_t key_content_end = 0;
  std::string prefix;  // the entry's first line up to its value, decoded
  std::string value;   // the value on the entry's first line, decoded
};

// One pass over the text that stops at the end of the first section named section, so lookups
// stay linear in the size of the file.
Location Locate(std::string_view text, std::string_view section, std::string_view key) {
  Location found;
  bool in_section = false;
  bool in_continuation = false;  // below an empty-key entry, whose lines run to the next header
  bool extending_key = false;    // and that entry is the one looked for
  std::string storage;
  for (std::size_t at = 0; at < text.size();) {
    const Line line = LineAt(text, at);
    at = line.end;
    const std::string_view decoded =
        DecodeFileLine(text.substr(line.begin, line.content_end - line.begin), storage);
    const ParsedLine parsed = Parse(decoded);
    if (parsed.kind == LineKind::kHeader) {
      if (in_section) {
        found.section_end = line.begin;
        return found;
      }
      if (EqualNoCase(parsed.name, section)) {
        in_section = found.section_found = true;
        found.insert_at = line.end;
        found.insert_needs_line_break = line.end == line.content_end;
      }
      continue;
    }
    if (!in_section) continue;
    if (in_continuation) {
      if (extending_key) found.key_content_end = line.content_end;
      continue;
    }
    // Below an empty-key entry every line is its own: a missing key goes before it, where it
    // stays a key of its own.
    const bool opens_continuation = parsed.kind == LineKind::kEntry && parsed.name.empty();
    if (parsed.kind != LineKind::kBlank && !opens_continuation) {
      found.insert_at = line.end;
      found.insert_needs_line_break = line.end == line.content_end;
    }
    if (parsed.kind != LineKind::kEntry) continue;
    if (!found.key_found && EqualNoCase(parsed.name, key)) {
      found.key_found = true;
      found.key_begin = line.begin;
      found.key_content_end = line.content_end;
      found.prefix = decoded.substr(0, parsed.value_start);
      found.value = parsed.value;
      extending_key = parsed.name.empty();
    }
    if (parsed.name.empty()) in_continuation = true;
  }
  found.section_end = text.size();
  found.section_end_needs_line_break = !text.empty() && text.back() != '\n' && text.back() != '\r';
  return found;
}

// The whole content of a regular file. Anything but kRead leaves content empty. A file over the
// limit is turned down from its size before any byte is read; one that grows while it is read, or
// whose size the system does not tell (as in /proc), is turned down once the limit is passed.
FileRead ReadWholeFile(const std::string& path, const IniFileOps& ops, std::string& content,
                       std::optional<FileStamp>* stamp = nullptr) {
  content.clear();
  if (path.empty()) return FileRead::kMissing;
  // Without O_NONBLOCK, opening a named pipe would wait for a writer before fstat could turn it
  // down; for a regular file the flag changes nothing.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return errno == ENOENT || errno == ENOTDIR ? FileRead::kMissing : FileRead::kUnreadable;
  }
  struct stat info {};
  FileRead result = FileRead::kRead;
  if (::fstat(fd, &info) != 0) {
    result = FileRead::kUnreadable;
  } else if (!S_ISREG(info.st_mode)) {
    result = FileRead::kNotAFile;
  } else if (info.st_size < 0 || static_cast<std::size_t>(info.st_size) > kIniFileLimit) {
    result = FileRead::kTooLarge;
  }
  if (stamp && result == FileRead::kRead) *stamp = StampFromStat(info);
  try {
    if (result == FileRead::kRead) content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    while (result == FileRead::kRead) {
      const ssize_t count = ops.read(fd, buffer, sizeof buffer);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) result = FileRead::kUnreadable;
      if (count <= 0) break;
      if (content.size() + static_cast<std::size_t>(count) > kIniFileLimit) {
        result = FileRead::kTooLarge;
        break;
      }
      content.append(buffer, static_cast<std::size_t>(count));
    }
  } catch (const std::bad_alloc&) {
    result = FileRead::kTooLarge;
  }
  ::close(fd);
  if (result != FileRead::kRead) {
    content.clear();
    content.shrink_to_fit();
  }
  return result;
}

// The file's text with key in section set to value.
std::string Edit(std::string_view text, std::string_view section, std::string_view key,
                 std::string_view value) {
  std::string storage;
  const std::string_view utf8_value = Decode(value, storage);
  const Location found = Locate(text, section, key);
  std::string out;
  out.reserve(text.size() + value.size() + section.size() + key.size() + 8);
  if (found.key_found) {
    std::string prefix = found.prefix;
    // A value that starts with blanks brings its own: keeping the line's as well would add them
    // again at every write of the same value.
    if (!utf8_value.empty() && IsBlank(utf8_value.front())) {
      while (!prefix.empty() && IsBlank(prefix.back())) prefix.pop_back();
    }
    out.append(text.substr(0, found.key_begin));
    out += EncodeText(prefix + std::string(utf8_value));
    // A value that ends with a line break, written as the file's last line, needs a line break of
    // its own after it: otherwise its last one would end the file's last line at the next read,
    // and the next write of the same value would add another.
    const bool value_ends_line =
        !utf8_value.empty() && (utf8_value.back() == '\n' || utf8_value.back() == '\r');
    if (value_ends_line && found.key_content_end == text.size()) out += LineBreakOf(text);
    out.append(text.substr(found.key_content_end));
    return out;
  }
  const std::string_view line_break = LineBreakOf(text);
  std::string entry = EncodeText(std::string(key) + "=" + std::string(utf8_value));
  if (found.section_found) {
    // Placed before the section's closing blank lines, an empty-key entry would take them in
    // and drop them at its next write.
    const bool at_end = key.empty();
    const std::size_t at = at_end ? found.section_end : found.insert_at;
    out.append(text.substr(0, at));
    if (at_end ? found.section_end_needs_line_break : found.insert_needs_line_break) {
      out += line_break;
    }
    out += entry;
    // In a file of lone CRs, a CR written just before a line that starts with LF would join it
    // into one CR LF, and that line would be gone.
    const bool joins = line_break == "\r" && at < text.size() && text[at] == '\n';
    out += joins ? std::string_view("\r\n") : line_break;
    out.append(text.substr(at));
    return out;
  }
  entry += line_break;
  out.append(text);
  if (!text.empty() && text.back() != '\n' && text.back() != '\r') out += line_break;
  out += EncodeText("[" + std::string(section) + "]");
  out += line_break;
  out += entry;
  return out;
}

std::string TempSuffix() {
  static std::uint64_t counter = 0;
  std::uint64_t x =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<std::uint64_t>(::getpid()) << 40) ^ ++counter;
  // splitmix64 finaliser: consecutive calls give unrelated names.
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  for (int i = 0; i < 6; ++i, x /= 36) suffix += kDigits[x % 36];
  return suffix;
}

bool WriteAllWith(const std::function<ssize_t(int, const void*, std::size_t)>& write, int fd,
                  std::string_view data) {
  while (!data.empty()) {
    const ssize_t count = write(fd, data.data(), data.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

bool WriteAll(const IniFileOps& ops, int fd, std::string_view data) {
  return WriteAllWith(ops.write, fd, data);
}

constexpr std::size_t kNameMax = 255;
constexpr std::size_t kSuffixLength = 6;
constexpr std::time_t kStaleSeconds = 60;

// The fixed part of the temporary names of the file called name: "." + name + "." while the
// whole temporary name (and the name of a copy, one character longer) fits the file-name limit,
// else a short form made from a hash of the name, so that a document with a name near the limit
// can still be saved.
std::string TempStem(std::string_view name) {
  if (name.size() + 3 + kSuffixLength <= kNameMax) return "." + std::string(name) + ".";
  std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return std::string(".kel-") + hex + ".";
}

bool IsTempSuffix(std::string_view text) {
  return text.size() == kSuffixLength && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
         });
}

// Removes the temporary files of this document that interrupted writes left behind. A writer
// holds a lock on its temporary file from the moment it creates it; one that nobody holds and
// that has not changed for a minute belongs to a write that will never finish.
void RemoveStaleTemps(const std::string& folder, const std::string& stem) {
  std::error_code error;
  const std::time_t now = std::time(nullptr);
  for (std::filesystem::directory_iterator it(folder, error), last; !error && it != last;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() != stem.size() + kSuffixLength || name.compare(0, stem.size(), stem) != 0 ||
        !IsTempSuffix(std::string_view(name).substr(stem.size()))) {
      continue;
    }
    const std::string path = folder + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && now - info.st_mtime > kStaleSeconds &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      ::unlink(path.c_str());
    }
    ::close(fd);
  }
}

// Creates a new file stem + suffix (+ tail) in folder and locks it; -1 (errno set) on failure.
int CreateTemp(const std::string& folder, const std::string& stem, const char* tail, mode_t mode,
               std::string& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = folder + "/" + stem + TempSuffix() + tail;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) {
      ::flock(fd, LOCK_EX);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// The user's cache folder for this program, created if need be; empty when there is none.
std::string CacheFolder() {
  std::string base = UserCacheFolder();
  if (base.empty()) return {};
  ::mkdir(base.c_str(), 0700);
  base += "/kelvanor";
  ::mkdir(base.c_str(), 0700);
  return base;
}

// A copy of the old content on disk, for as long as the file itself is being rewritten: beside
// the file, else in the cache folder. Named stem + suffix + "~", which no temporary name of any
// document can be. Empty when no copy could be made anywhere.
std::string WriteBackup(const std::string& folder, const std::string& stem, std::string_view old) {
  for (const std::string& where : {folder, CacheFolder()}) {
    if (where.empty()) continue;
    std::string path;
    const int fd = CreateTemp(where, stem, "~", 0600, path);
    if (fd < 0) continue;
    const bool ok = WriteAllWith(::write, fd, old) && ::fsync(fd) == 0;
    if (::close(fd) == 0 && ok) return path;
    ::unlink(path.c_str());
  }
  return {};
}

// Rewrites target itself with content, old being what it holds now. Used where a new file could
// not take the old one's place without changing its identity (hard links, owner, attributes) or
// cannot be created at all (a folder without write permission). A failure puts the old content
// back; the copy stays only if even that fails.
bool WriteInPlace(const IniFileOps& ops, const std::string& target, const std::string& folder,
                  const std::string& stem, std::string_view content, std::string_view old) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const std::string backup = WriteBackup(folder, stem, old);
  const bool ok = ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(ops, fd, content) &&
                  ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 && ops.fsync(fd) == 0;
  bool intact = ok;
  if (!ok) {
    intact = ::lseek(fd, 0, SEEK_SET) == 0 && WriteAllWith(::write, fd, old) &&
             ::ftruncate(fd, static_cast<off_t>(old.size())) == 0 && ::fsync(fd) == 0;
  }
  ::close(fd);
  if (intact && !backup.empty()) ::unlink(backup.c_str());
  return ok;
}

// Gives the new file fd the identity of target, the file it is to replace: owner and group,
// permission bits, extended attributes (ACLs and security labels among them). False when some
// part of it cannot be given.
// The names of the extended attributes of a file (by path, or by descriptor when path is null);
// false when they cannot be listed. A file system without them has none.
bool AttributeNames(const char* path, int fd, std::vector<std::string>& names) {
  names.clear();
  const auto list = [&](char* buffer, std::size_t size) {
    return path ? ::listxattr(path, buffer, size) : ::flistxattr(fd, buffer, size);
  };
  ssize_t size = list(nullptr, 0);
  if (size < 0) return errno == ENOTSUP;
  std::string all(static_cast<std::size_t>(size), '\0');
  size = list(all.data(), all.size());
  if (size < 0) return false;
  all.resize(static_cast<std::size_t>(size));
  for (std::size_t at = 0; at < all.size();) {
    names.emplace_back(all.c_str() + at);
    at += names.back().size() + 1;
  }
  return true;
}

// The value of one attribute (by path, or by descriptor when path is null); false when it cannot
// be read.
bool AttributeValue(const char* path, int fd, const std::string& name, std::string& value) {
  const auto get = [&](char* buffer, std::size_t size) {
    return path ? ::getxattr(path, name.c_str(), buffer, size)
                : ::fgetxattr(fd, name.c_str(), buffer, size);
  };
  ssize_t size = get(nullptr, 0);
  if (size < 0) return false;
  value.assign(static_cast<std::size_t>(size), '\0');
  size = get(value.data(), value.size());
  if (size < 0) return false;
  value.resize(static_cast<std::size_t>(size));
  return true;
}

// Gives the new file fd the identity of target, the file it is to replace: owner and group,
// permission bits, extended attributes (ACLs and security labels among them), and none that the
// old file did not have (such as an ACL inherited from the folder). False when some part of it
// cannot be given.
bool CopyIdentity(const IniFileOps& ops, int fd, const std::string& target,
                  const struct stat& old) {
  if (ops.fchown(fd, old.st_uid, old.st_gid) != 0) return false;
  // After the owner, whose change clears the set-id bits.
  if (::fchmod(fd, old.st_mode & 07777) != 0) return false;
  std::vector<std::string> wanted;
  std::vector<std::string> present;
  if (!AttributeNames(target.c_str(), -1, wanted) || !AttributeNames(nullptr, fd, present)) {
    return false;
  }
  for (const std::string& name : present) {
    if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() &&
        ::fremovexattr(fd, name.c_str()) != 0) {
      return false;
    }
  }
  std::string value;
  std::string current;
  for (const std::string& name : wanted) {
    if (!AttributeValue(target.c_str(), -1, name, value)) return false;
    // A label the new file already carries is not set again: setting it may need rights that
    // merely keeping it does not.
    if (AttributeValue(nullptr, fd, name, current) && current == value) continue;
    if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0) return false;
  }
  return true;
}

// Puts content in place of target through a flushed temporary file in the same folder and a
// rename, so that target holds either its old or its new content at every moment. old describes
// the file being replaced (nullptr for a new one) and old_content is what it holds; where the new
// file cannot take its identity or cannot be created, the file is rewritten in place instead.
bool ReplaceFile(const IniFileOps& ops, const std::string& target, const std::string& folder,
                 const std::string& stem, std::string_view content, const struct stat* old,
                 std::string_view old_content) {
  std::string temp;
  // A new file gets the usual 0666 less the umask; a replaced one gets its mode below.
  int fd = CreateTemp(folder, stem, "", old ? 0600 : 0666, temp);
  if (fd < 0) {
    const bool folder_refuses = errno == EACCES || errno == EPERM;
    return old && folder_refuses && WriteInPlace(ops, target, folder, stem, content, old_content);
  }
  if (old && !CopyIdentity(ops, fd, target, *old)) {
    ::close(fd);
    ::unlink(temp.c_str());
    return WriteInPlace(ops, target, folder, stem, content, old_content);
  }
  bool ok = WriteAll(ops, fd, content) && ops.fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ops.rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Makes the rename itself durable; the content is already safe, so a failure changes nothing.
  const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd >= 0) {
    ::fsync(folder_fd);
    ::close(folder_fd);
  }
  return true;
}

}  // namespace

std::string IniValueAsRead(std::string_view value) {
  value = Trim(value.substr(0, value.find('\0')));
  std::size_t end = 0;
  for (std::size_t count = 0; end < value.size() && count < kIniValueLimit; ++count) {
    end += std::max<std::size_t>(Utf8Length(value, end), 1);
  }
  value = value.substr(0, end);
  if (!value.empty() && value.front() == '\'') value.remove_prefix(1);
  return std::string(value);
}

namespace {

// The value of key in section of text, as ReadIni gives it.
std::string ValueIn(std::string_view text, std::string_view section, std::string_view key) {
  std::string section_storage;
  std::string key_storage;
  const Location found =
      Locate(text, Trim(Decode(section, section_storage)), Trim(Decode(key, key_storage)));
  return found.key_found ? IniValueAsRead(found.value) : std::string();
}

}  // namespace

IniDocument IniDocument::Load(const std::string& path, const IniFileOps& ops) {
  IniDocument doc;
  doc.read_ = ReadWholeFile(path, WithSystemCalls(ops), doc.text_, &doc.stamp_);
  return doc;
}

std::string IniDocument::Get(std::string_view section, std::string_view key) const {
  std::string section_storage;
  std::string folded = AsciiLower(Trim(Decode(section, section_storage)));
  auto found = read_sections_.find(folded);
  if (found == read_sections_.end()) {
    found = read_sections_.emplace(std::move(folded), Entries(section)).first;
  }
  std::string key_storage;
  const std::string_view wanted = Trim(Decode(key, key_storage));
  for (const auto& [name, value] : found->second) {
    if (EqualNoCase(name, wanted)) return value;
  }
  return {};
}

std::vector<std::pair<std::string, std::string>> IniDocument::Entries(
    std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> entries;
  std::string section_storage;
  const std::string_view wanted = Trim(Decode(section, section_storage));
  bool in_section = false;
  std::string storage;
  for (std::size_t at = 0; at < text_.size();) {
    const Line line = LineAt(text_, at);
    at = line.end;
    const ParsedLine parsed = Parse(DecodeFileLine(
        std::string_view(text_).substr(line.begin, line.content_end - line.begin), storage));
    if (parsed.kind == LineKind::kHeader) {
      if (in_section) break;
      in_section = EqualNoCase(parsed.name, wanted);
      continue;
    }
    if (!in_section || parsed.kind != LineKind::kEntry) continue;
    entries.emplace_back(std::string(parsed.name), IniValueAsRead(parsed.value));
    // The lines below an empty-key entry are its own, up to the next header.
    if (parsed.name.empty()) break;
  }
  return entries;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string section_storage;
  std::string key_storage;
  const std::string_view trimmed_key = Trim(Decode(key, key_storage));
  // A line break in a named entry's value would start a line of its own, perhaps an entry or a
  // header; only the unnamed entry spans lines.
  std::string flat;
  if (!trimmed_key.empty() && value.find_first_of("\r\n") != kNpos) {
    flat = value;
    std::replace_if(
        flat.begin(), flat.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    value = flat;
  }
  text_ = Edit(text_, Trim(Decode(section, section_storage)), trimmed_key, value);
  read_sections_.clear();
}

void IniDocument::DropRemarksBlock(std::string_view remarks) {
  const std::string_view text = text_;
  std::string storage;
  const auto decoded_line = [&](const Line& line) {
    return DecodeFileLine(text.substr(line.begin, line.content_end - line.begin), storage);
  };
  std::size_t header = kNpos;
  std::size_t at = 0;
  while (at < text.size() && header == kNpos) {
    const Line line = LineAt(text, at);
    const ParsedLine parsed = Parse(decoded_line(line));
    if (parsed.kind == LineKind::kHeader && parsed.name.empty()) header = line.begin;
    at = line.end;
  }
  if (header == kNpos) return;
  const std::size_t body = at;

  // The block as the program wrote it: "=" and the remarks, line by line.
  std::string value_storage;
  const std::string expected = "=" + std::string(Decode(remarks, value_storage));
  bool matched = !remarks.empty();
  for (std::size_t want_at = 0; matched && want_at < expected.size();) {
    const Line want = LineAt(expected, want_at);
    want_at = want.end;
    if (at >= text.size()) {
      matched = false;
      break;
    }
    const Line have = LineAt(text, at);
    at = have.end;
    matched = decoded_line(have) ==
              std::string_view(expected).substr(want.begin, want.content_end - want.begin);
  }
  std::size_t end = body;
  if (matched) {
    end = at;
    // Blank lines from there to the end of the file came with the block.
    bool only_blank = true;
    for (std::size_t rest = end; rest < text.size() && only_blank;) {
      const Line line = LineAt(text, rest);
      only_blank = Parse(decoded_line(line)).kind == LineKind::kBlank;
      rest = line.end;
    }
    if (only_blank) end = text.size();
  } else {
    for (std::size_t rest = body; rest < text.size();) {
      const Line line = LineAt(text, rest);
      if (Parse(decoded_line(line)).kind == LineKind::kHeader) break;
      end = rest = line.end;
    }
  }
  text_.erase(header, end - header);
  read_sections_.clear();
}

bool IniDocument::Save(const std::string& path, const IniFileOps& given_ops) const {
  if (path.empty() || IsReadFailure(read_)) return false;
  const IniFileOps ops = WithSystemCalls(given_ops);
  std::string target = path;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    // Writing through a link updates the file it names and leaves the link a link.
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return false;
    target = resolved;
    std::free(resolved);
  }
  bool exists = true;
  if (::stat(target.c_str(), &info) != 0) {
    if (errno != ENOENT) return false;
    exists = false;
  }
  std::string current;
  if (exists) {
    // The rename would succeed in a writable folder even for a write-protected file, so the
    // protection is honoured here.
    if (!S_ISREG(info.st_mode) || ::access(target.c_str(), W_OK) != 0) return false;
    if (ReadWholeFile(target, ops, current) != FileRead::kRead) return false;
  }
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == kNpos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  const std::string stem = TempStem(slash == kNpos ? target : target.substr(slash + 1));
  // Rewriting a file that already holds this content would only cost a flush to disk.
  if (exists && current == text_) return true;
  RemoveStaleTemps(folder, stem);
  // A new file would leave the other names of a hard-linked file on the old content.
  if (exists && info.st_nlink > 1) return WriteInPlace(ops, target, folder, stem, text_, current);
  return ReplaceFile(ops, target, folder, stem, text_, exists ? &info : nullptr, current);
}

bool IsUtf8(std::string_view text) {
  return IsValidUtf8(text);
}

std::string QuotedIniValue(const std::string& text) {
  const bool needs_quote =
      !text.empty() && (text.front() == '\'' || text.front() == ' ' || text.front() == '\t');
  return needs_quote ? "'" + text : text;
}

std::string ReadIni(const std::string& path, std::string_view section, std::string_view key,
                    const IniFileOps& ops) {
  std::string text;
  if (ReadWholeFile(path, WithSystemCalls(ops), text) != FileRead::kRead) return {};
  return ValueIn(text, section, key);
}

bool WriteIni(const std::string& path, std::string_view section, std::string_view key,
              std::string_view value, const IniFileOps& ops) {
  IniDocument doc = IniDocument::Load(path, ops);
  doc.Set(section, key, value);
  return doc.Save(path, ops);
}

}  // namespace kel
