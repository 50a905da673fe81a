#include "documents/Ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "util/Text.h"

namespace kel {
namespace {

constexpr std::size_t kNpos = std::string_view::npos;

IniFileOps g_ops = {::write, ::fsync, ::rename};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
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

// One line (valid UTF-8, without line break) in the form it is written to a file.
std::string EncodeLine(std::string_view utf8) {
  std::string bytes;
  bytes.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t length = Utf8Length(utf8, at);
    const int byte = length == 0 ? -1 : Cp1252Byte(Utf8CodePoint(utf8, at, length));
    if (byte < 0) return std::string(utf8);
    bytes += static_cast<char>(byte);
    at += length;
  }
  // Windows-1252 bytes that also form valid UTF-8 (as "Ã©" does) would read back as other
  // characters; the line's UTF-8 form reads back as written.
  if (bytes.size() != utf8.size() && IsValidUtf8(bytes)) return std::string(utf8);
  return bytes;
}

struct Line {
  std::size_t begin = 0;
  std::size_t content_end = 0;  // where the line break starts
  std::size_t end = 0;          // after the line break
};

Line LineAt(std::string_view text, std::size_t begin) {
  const std::size_t brk = text.find_first_of("\r\n", begin);
  if (brk == kNpos) return {begin, text.size(), text.size()};
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
        Decode(text.substr(line.begin, line.content_end - line.begin), storage);
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

// The whole content of a regular file; false for a missing path, a folder, a device or a read
// error.
bool ReadWholeFile(const std::string& path, std::string& content) {
  content.clear();
  if (path.empty()) return false;
  // Without O_NONBLOCK, opening a named pipe would wait for a writer before fstat could turn it
  // down; for a regular file the flag changes nothing.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (ok) content.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  while (ok) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      ok = count == 0;
      break;
    }
    content.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(fd);
  if (!ok) content.clear();
  return ok;
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

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t count = g_ops.write(fd, data.data(), data.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

// Puts content in place of target through a flushed temporary file in the same folder and a
// rename, so that target holds either its old or its new content at every moment. old describes
// the file being replaced (nullptr for a new one): its owner and permission bits carry over.
bool ReplaceFile(const std::string& target, std::string_view content, const struct stat* old) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == kNpos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  const std::string name = slash == kNpos ? target : target.substr(slash + 1);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = folder + "/." + name + "." + TempSuffix();
    // A new file gets the usual 0666 less the umask; a replaced one gets its mode below.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, old ? 0600 : 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = true;
  if (old) {
    // Only root may hand the file back to another owner; for everyone else it becomes theirs.
    [[maybe_unused]] const int owner_kept = ::fchown(fd, old->st_uid, old->st_gid);
    ok = ::fchmod(fd, old->st_mode & 07777) == 0;
  }
  ok = ok && WriteAll(fd, content) && g_ops.fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && g_ops.rename(temp.c_str(), target.c_str()) == 0;
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

namespace {

// The value of key in section of text, as ReadIni gives it.
// An entry's value (decoded, trimmed) as a reader gets it.
std::string AsRead(std::string_view value) {
  value = Trim(value.substr(0, value.find('\0')));
  std::size_t end = 0;
  for (std::size_t count = 0; end < value.size() && count < kIniValueLimit; ++count) {
    end += std::max<std::size_t>(Utf8Length(value, end), 1);
  }
  value = value.substr(0, end);
  if (!value.empty() && value.front() == '\'') value.remove_prefix(1);
  return std::string(value);
}

std::string ValueIn(std::string_view text, std::string_view section, std::string_view key) {
  std::string section_storage;
  std::string key_storage;
  const Location found =
      Locate(text, Trim(Decode(section, section_storage)), Trim(Decode(key, key_storage)));
  return found.key_found ? AsRead(found.value) : std::string();
}

}  // namespace

IniDocument IniDocument::Load(const std::string& path) {
  IniDocument doc;
  ReadWholeFile(path, doc.text_);
  return doc;
}

std::string IniDocument::Get(std::string_view section, std::string_view key) const {
  return ValueIn(text_, section, key);
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
    const ParsedLine parsed = Parse(
        Decode(std::string_view(text_).substr(line.begin, line.content_end - line.begin), storage));
    if (parsed.kind == LineKind::kHeader) {
      if (in_section) break;
      in_section = EqualNoCase(parsed.name, wanted);
      continue;
    }
    if (!in_section || parsed.kind != LineKind::kEntry) continue;
    entries.emplace_back(std::string(parsed.name), AsRead(parsed.value));
    // The lines below an empty-key entry are its own, up to the next header.
    if (parsed.name.empty()) break;
  }
  return entries;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string section_storage;
  std::string key_storage;
  text_ =
      Edit(text_, Trim(Decode(section, section_storage)), Trim(Decode(key, key_storage)), value);
}

void IniDocument::DropUnnamedTailAfter(std::initializer_list<std::string_view> sections) {
  std::size_t tail = std::string::npos;
  for (std::size_t begin = 0; begin < text_.size();) {
    std::size_t end = text_.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = text_.size();
    const std::string_view line = Trim(std::string_view(text_).substr(begin, end - begin));
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string_view name = Trim(line.substr(1, line.size() - 2));
      if (name.empty()) {
        if (tail == std::string::npos) tail = begin;
      } else if (std::any_of(sections.begin(), sections.end(),
                             [&](std::string_view s) { return EqualNoCase(s, name); })) {
        tail = std::string::npos;
      }
    }
    begin = end + 1;
  }
  if (tail != std::string::npos) text_.erase(tail);
}

bool IniDocument::Save(const std::string& path) const {
  if (path.empty()) return false;
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
  if (exists) {
    // The rename would succeed in a writable folder even for a write-protected file, so the
    // protection is honoured here.
    if (!S_ISREG(info.st_mode) || ::access(target.c_str(), W_OK) != 0) return false;
    // Rewriting a file that already holds this content would only cost a flush to disk.
    std::string current;
    if (!ReadWholeFile(target, current)) return false;
    if (current == text_) return true;
  }
  return ReplaceFile(target, text_, exists ? &info : nullptr);
}

std::string QuotedIniValue(const std::string& text) {
  const bool needs_quote =
      !text.empty() && (text.front() == '\'' || text.front() == ' ' || text.front() == '\t');
  return needs_quote ? "'" + text : text;
}

std::string ReadIni(const std::string& path, std::string_view section, std::string_view key) {
  std::string text;
  if (!ReadWholeFile(path, text)) return {};
  return ValueIn(text, section, key);
}

bool WriteIni(const std::string& path, std::string_view section, std::string_view key,
              std::string_view value) {
  IniDocument doc = IniDocument::Load(path);
  doc.Set(section, key, value);
  return doc.Save(path);
}

IniFileOps SystemIniFileOps() {
  return {::write, ::fsync, ::rename};
}

IniFileOps SetIniFileOps(const IniFileOps& ops) {
  const IniFileOps previous = g_ops;
  g_ops = ops;
  return previous;
}

}  // namespace kel
