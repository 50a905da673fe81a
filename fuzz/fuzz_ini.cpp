// A random file, then random writes into it; afterwards every written key reads back as written,
// every entry the writes did not name reads as before, every line they could not touch is still
// there, and the in-memory document produces exactly the bytes that the one-key writes produced.
//
// The expectations come from a small model of the file's structure kept here (sections, the keys a
// reader sees in them, entries with an empty key whose lines run to the next header), written from
// the layout documented in Ini.h rather than from Ini.cpp.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "documents/Ini.h"
#include "util/Text.h"

namespace {

using kel::fuzz::Shown;

// ---------------------------------------------------------------------------------------------
// Text helpers

// A line of a file as the program understands it: UTF-8 when it is, else Windows-1252, then
// each "&#N;" (N decimal, 1 to 0x10FFFF but the surrogates) as its character. The decoding of the
// code page is the text module's, which its own tests hold to the code page's table.
std::string DecodeLine(std::string_view raw) {
  const std::string text = kel::IsValidUtf8(raw) ? std::string(raw) : kel::Cp1252ToUtf8(raw);
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t semicolon = text.find(';', at);
    if (text.compare(at, 2, "&#") == 0 && semicolon != std::string::npos && semicolon > at + 2 &&
        semicolon <= at + 10 && text.find_first_not_of("0123456789", at + 2) == semicolon) {
      const unsigned long code = std::stoul(text.substr(at + 2, semicolon - at - 2));
      if (code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
        kel::AppendUtf8(out, static_cast<char32_t>(code));
        at = semicolon + 1;
        continue;
      }
    }
    out += text[at++];
  }
  return out;
}

std::string Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// Names match without regard to (ASCII) case.
std::string NameKey(std::string_view name) {
  return kel::AsciiLower(Trim(name));
}

// What a reader gets for a stored value: blanks trimmed, at most kIniValueLimit characters, one
// leading apostrophe removed. A value with line breaks (an empty key's) reads as its first line.
std::string ReadForm(std::string_view value) {
  value = value.substr(0, value.find_first_of("\r\n"));
  std::string trimmed = Trim(value);
  std::size_t cut = 0;
  for (std::size_t count = 0; cut < trimmed.size() && count < kel::kIniValueLimit; ++count) {
    cut += kel::Utf8Length(trimmed, cut);
  }
  trimmed.resize(cut);
  if (!trimmed.empty() && trimmed.front() == '\'') trimmed.erase(0, 1);
  return trimmed;
}

struct RawLine {
  std::string content;
  std::string_view line_break;
};

std::vector<RawLine> SplitLines(std::string_view text) {
  std::vector<RawLine> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t brk = text.find_first_of("\r\n", at);
    if (brk == std::string_view::npos) {
      lines.push_back({std::string(text.substr(at)), ""});
      break;
    }
    const std::size_t end =
        text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n' ? brk + 2 : brk + 1;
    lines.push_back({std::string(text.substr(at, brk - at)), text.substr(brk, end - brk)});
    at = end;
  }
  return lines;
}

// ---------------------------------------------------------------------------------------------
// Model of the structure

struct Section {
  std::string name;  // decoded, trimmed
  // Keys a reader finds, by NameKey, with the original line of their entry (none for a key a
  // write added).
  std::map<std::string, std::optional<std::size_t>> visible;
  // An entry with an empty key is open: every later line of the section belongs to it.
  bool continuation = false;
  std::size_t end_line = 0;  // one past the section's last line in the original file
};

struct Model {
  std::vector<Section> sections;  // in file order; a later duplicate name never counts
  std::vector<RawLine> lines;     // of the original file

  Section* Find(std::string_view name) {
    for (Section& s : sections) {
      if (NameKey(s.name) == NameKey(name)) return &s;
    }
    return nullptr;
  }
};

Model Analyse(std::string_view text) {
  Model model;
  model.lines = SplitLines(text);
  Section* current = nullptr;
  std::set<std::string> seen;
  for (std::size_t i = 0; i < model.lines.size(); ++i) {
    const std::string line = DecodeLine(model.lines[i].content);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) continue;  // blank
    if (line[first] == '[') {
      const std::size_t close = line.rfind(']');
      if (close != std::string::npos && close > first) {
        if (current) current->end_line = i;
        const std::string name = Trim(line.substr(first + 1, close - first - 1));
        if (seen.insert(NameKey(name)).second) {
          model.sections.push_back({name, {}, false, 0});
          current = &model.sections.back();
        } else {
          current = nullptr;  // a duplicate: neither read nor written
        }
        continue;
      }
    }
    if (!current) continue;
    if (line[first] == ';' || line[first] == '#' || current->continuation) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = NameKey(line.substr(0, equals));
    current->visible.emplace(key, i);
    if (key.empty()) current->continuation = true;
  }
  if (current) current->end_line = model.lines.size();
  return model;
}

// ---------------------------------------------------------------------------------------------
// Generated names and values

// Pieces that exercise the layout and the encodings: blanks, apostrophes, the characters with a
// meaning in the layout, Windows-1252 and other characters, one that looks like mojibake.
constexpr std::string_view kPieces[] = {
    "a",  "B", "z", "0", "9",        " ",  "\t",  "'",   "=",    "[",      "]",
    ";",  "#", "-", ".", ",",        "\\", "\"",  "é",   "É",    "€",      "Ã©",
    "中", "😀", "ÿ", "œ", "\xC2\x81", "x",  "Key", "KEY", "Freq", "SPECIFS"};

enum class Use { kSection, kKey, kValue, kEmptyKeyValue };

std::string Generate(FuzzedDataProvider& input, Use use) {
  std::string out;
  const std::size_t pieces = input.ConsumeIntegralInRange<std::size_t>(0, 8);
  for (std::size_t i = 0; i < pieces; ++i) {
    std::string_view piece =
        kPieces[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kPieces) - 1)];
    if (use == Use::kEmptyKeyValue && input.ConsumeIntegralInRange(0, 5) == 0) {
      constexpr std::string_view kBreaks[] = {"\n", "\r\n", "\r"};
      piece = kBreaks[input.ConsumeIntegralInRange(0, 2)];
    }
    // Long values reach the read limit without long inputs.
    const std::size_t repeat = (use == Use::kValue || use == Use::kEmptyKeyValue) &&
                                       input.ConsumeIntegralInRange(0, 7) == 0
                                   ? input.ConsumeIntegralInRange<std::size_t>(1, 1100)
                                   : 1;
    for (std::size_t r = 0; r < repeat; ++r) out += piece;
  }
  return out;
}

// A key the layout can hold: no "=", and not read as a header or a comment.
bool UsableKey(std::string_view key) {
  const std::string trimmed = Trim(key);
  if (key.find('=') != std::string_view::npos) return false;
  return trimmed.empty() || (trimmed[0] != '[' && trimmed[0] != ';' && trimmed[0] != '#');
}

// A continuation line that starts with "[" and holds "]" would be taken for a header. A lone CR
// at the very end would merge with the line break that follows the value into one CR LF, so the
// value's end could not be told from the file's: the layout cannot carry it.
std::string KeepContinuationLines(std::string value) {
  while (!value.empty() && value.back() == '\r') value.pop_back();
  bool line_start = false;
  for (char& c : value) {
    if (c == '\r' || c == '\n') {
      line_start = true;
    } else if (line_start && c != ' ' && c != '\t') {
      if (c == '[') c = '(';
      line_start = false;
    }
  }
  return value;
}

std::string Cased(std::string name, FuzzedDataProvider& input) {
  for (char& c : name) {
    if (input.ConsumeBool()) {
      if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
      else if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return name;
}

struct Write {
  std::string section, key, value;
};

struct Outcome {
  std::string section, key, value;  // as last written
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = kel::fuzz::ScratchFolder();
  static const std::string one_by_one = folder + "/one-by-one.ini";
  static const std::string in_memory = folder + "/in-memory.ini";

  FuzzedDataProvider input(data, size);
  const std::string original = input.ConsumeRandomLengthString(8192);
  kel::fuzz::WriteBytes(one_by_one, original);
  Model model = Analyse(original);

  // What a reader sees in the original file, for every entry it can find.
  std::map<std::pair<std::string, std::string>, std::string> before;
  for (const Section& s : model.sections) {
    for (const auto& [key, line] : s.visible) {
      const std::string raw_key = key;  // NameKey form: matches whatever the spelling
      before[{NameKey(s.name), key}] = kel::ReadIni(one_by_one, s.name, raw_key);
    }
  }

  std::vector<Write> writes;
  const int count = input.ConsumeIntegralInRange(0, 12);
  for (int w = 0; w < count && input.remaining_bytes() > 0; ++w) {
    Write write;
    if (!model.sections.empty() && input.ConsumeBool()) {
      const Section& s =
          model.sections[input.ConsumeIntegralInRange<std::size_t>(0, model.sections.size() - 1)];
      write.section = Cased(s.name, input);
      if (!s.visible.empty() && input.ConsumeBool()) {
        auto it = s.visible.begin();
        std::advance(it, input.ConsumeIntegralInRange<std::size_t>(0, s.visible.size() - 1));
        write.key = Cased(it->first, input);
      } else {
        write.key = Generate(input, Use::kKey);
      }
    } else {
      write.section = Generate(input, Use::kSection);
      write.key = Generate(input, Use::kKey);
    }
    if (!UsableKey(write.key) || write.section.find_first_of("\r\n") != std::string::npos ||
        write.key.find_first_of("\r\n") != std::string::npos) {
      continue;
    }
    write.value = Trim(write.key).empty()
                      ? KeepContinuationLines(Generate(input, Use::kEmptyKeyValue))
                      : Generate(input, Use::kValue);
    writes.push_back(write);
  }

  // The writes, one key at a time, and the model's view of where each one went.
  std::map<std::pair<std::string, std::string>, Outcome> outcomes;
  std::vector<bool> touchable(model.lines.size(), false);
  for (const Write& write : writes) {
    FUZZ_CHECK(kel::WriteIni(one_by_one, write.section, write.key, write.value),
               "write failed: [" + Shown(write.section) + "] " + Shown(write.key));
    const std::string key = NameKey(write.key);
    Section* s = model.Find(write.section);
    if (s == nullptr) {
      model.sections.push_back({Trim(write.section), {{key, std::nullopt}}, key.empty(), 0});
    } else if (auto found = s->visible.find(key); found != s->visible.end()) {
      if (found->second) {
        // The entry's own line, and for an empty key every line up to the next header.
        const std::size_t last = key.empty() ? s->end_line : *found->second + 1;
        for (std::size_t i = *found->second; i < last; ++i) touchable[i] = true;
      }
    } else {
      // A new key goes above the section's empty-key entry, if any, never among its lines.
      s->visible.emplace(key, std::nullopt);
      if (key.empty()) s->continuation = true;
    }
    outcomes[{NameKey(write.section), key}] = {write.section, write.key, write.value};
  }
  const std::string result = kel::fuzz::ReadBytes(one_by_one);
  std::string context = "\noriginal " + Shown(original) + "\nresult   " + Shown(result);
  for (const Write& write : writes) {
    context +=
        "\nwrite [" + Shown(write.section) + "] " + Shown(write.key) + " = " + Shown(write.value);
  }

  // Every written key reads back as written.
  for (const auto& [name, outcome] : outcomes) {
    const std::string got = kel::ReadIni(one_by_one, outcome.section, outcome.key);
    FUZZ_CHECK(got == ReadForm(outcome.value),
               "[" + Shown(outcome.section) + "] " + Shown(outcome.key) + " reads " + Shown(got) +
                   " after writing " + Shown(outcome.value) + context);
  }

  // Every entry that was not written reads as before.
  for (const auto& [name, value] : before) {
    if (outcomes.count(name)) continue;
    Section* s = model.Find(name.first);
    const std::string got = kel::ReadIni(one_by_one, s->name, name.second);
    FUZZ_CHECK(got == value, "untouched [" + Shown(s->name) + "] " + Shown(name.second) +
                                 " now reads " + Shown(got) + " instead of " + Shown(value) +
                                 context);
  }

  // Every line the writes could not touch is still there, in order.
  const std::vector<RawLine> after = SplitLines(result);
  std::size_t next = 0;
  for (std::size_t i = 0; i < model.lines.size(); ++i) {
    if (touchable[i]) continue;
    const RawLine& line = model.lines[i];
    const bool last_without_break = i + 1 == model.lines.size() && line.line_break.empty();
    while (next < after.size() &&
           !(after[next].content == line.content &&
             (last_without_break || after[next].line_break == line.line_break))) {
      ++next;
    }
    FUZZ_CHECK(next < after.size(),
               "line " + std::to_string(i + 1) + " " + Shown(line.content) + " is gone" + context);
    ++next;
  }

  // A section read in one pass gives what reading its keys one by one gives, the written ones
  // included.
  const kel::IniDocument final_doc = kel::IniDocument::Load(one_by_one);
  for (const Section& s : model.sections) {
    std::map<std::string, std::string> first;
    for (const auto& [key, value] : final_doc.Entries(s.name)) first.emplace(NameKey(key), value);
    for (const auto& [key, value] : first) {
      FUZZ_CHECK(final_doc.Get(s.name, key) == value,
                 "[" + Shown(s.name) + "] " + Shown(key) + " read alone gives " +
                     Shown(final_doc.Get(s.name, key)) + ", with its section " + Shown(value) +
                     context);
    }
    for (const auto& [name, outcome] : outcomes) {
      if (name.first == NameKey(s.name)) {
        FUZZ_CHECK(first.count(name.second),
                   "written " + Shown(outcome.key) + " missing from its section" + context);
      }
    }
  }

  // The same writes on a document in memory, saved once, give the same bytes.
  kel::fuzz::WriteBytes(in_memory, original);
  kel::IniDocument doc = kel::IniDocument::Load(in_memory);
  for (const Write& write : writes) doc.Set(write.section, write.key, write.value);
  FUZZ_CHECK(doc.Save(in_memory), "saving the document in memory failed");
  FUZZ_CHECK(kel::fuzz::ReadBytes(in_memory) == result,
             "document in memory differs: " + Shown(kel::fuzz::ReadBytes(in_memory)) + context);

  // Writing the last value again changes nothing.
  if (!writes.empty()) {
    const Write& last = writes.back();
    FUZZ_CHECK(kel::WriteIni(one_by_one, last.section, last.key, last.value),
               "second write failed");
    FUZZ_CHECK(kel::fuzz::ReadBytes(one_by_one) == result,
               "writing the same value again changed the file to " +
                   Shown(kel::fuzz::ReadBytes(one_by_one)) + context);
  }
  return 0;
}
