#include "documents/DesignDocument.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>

#include "check/RectifierCheck.h"
#include "documents/Ini.h"
#include "documents/Settings.h"
#include "util/NumberText.h"
#include "util/Paths.h"
#include "util/Text.h"

namespace kel {

namespace {

constexpr const char* kSpecifs = "SPECIFS";
constexpr const char* kCuivre = "CUIVRE";
constexpr const char* kNoyau = "NOYAU";
constexpr const char* kRemarques = "REMARQUES";
constexpr const char* kFab = "FAB";
constexpr const char* kRecovery = "RECUPERATION";

// Remarks that the tab form cannot carry whole (empty lines, tabs, blanks at either end, a
// leading apostrophe, more than one value can hold) are also stored escaped, in parts short
// enough for any reader: FreeTextParts=N and FreeText1..N, each "|" + escaped piece + "|" so
// that the blanks around a value survive. FreeText keeps the tab form for older readers.
constexpr const char* kPartsKey = "FreeTextParts";
constexpr std::size_t kPartBytes = 400;  // escaped, at most 800 bytes: well under the limit

std::string Escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    switch (text[++i]) {
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case '0':
        out += '\0';
        break;
      default:
        out += text[i];
    }
  }
  return out;
}

bool TabFormIsWhole(const std::string& remarks, const std::string& stored) {
  // A lone line break or a NUL would split or end the one-line value.
  if (stored.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) return false;
  const std::string back = RemarksFromStored(IniValueAsRead(stored));
  // The tab form always gives the remarks back with a final line break.
  return back == remarks || back == remarks + "\r\n";
}

std::vector<std::string> SplitParts(std::string_view text) {
  std::vector<std::string> parts;
  while (!text.empty()) {
    std::size_t cut = std::min(kPartBytes, text.size());
    // Never split a UTF-8 character.
    while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    parts.emplace_back("|" + Escape(text.substr(0, cut)) + "|");
    text.remove_prefix(cut);
  }
  return parts;
}

// The value written under FreeText for remarks. A CR or LF on its own would end the entry's line
// early and turn the rest of the remarks into lines of their own, even entries. The tab form gets
// a blank in its place; the parts then carry the remarks whole.
std::string TabForm(const std::string& remarks) {
  std::string stored = RemarksToStored(remarks);
  // A NUL would make the document no text at all.
  std::replace_if(
      stored.begin(), stored.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; },
      ' ');
  return stored;
}

void SetRemarks(IniDocument& doc, const std::string& remarks) {
  const std::string stored = TabForm(remarks);
  doc.Set(kRemarques, "FreeText", stored);
  const bool had_parts = !doc.Get(kRemarques, kPartsKey).empty();
  if (TabFormIsWhole(remarks, stored)) {
    if (had_parts) doc.Set(kRemarques, kPartsKey, "");
    return;
  }
  const std::vector<std::string> parts = SplitParts(remarks);
  doc.Set(kRemarques, kPartsKey, std::to_string(parts.size()));
  for (std::size_t i = 0; i < parts.size(); ++i) {
    doc.Set(kRemarques, "FreeText" + std::to_string(i + 1), parts[i]);
  }
}

std::string Folded(std::string_view key) {
  return AsciiLower(key);
}

std::string GetRemarks(const IniDocument& doc) {
  // The section is read in one pass: a document that announces a huge number of parts, or holds
  // many, costs no more than its size. As for Get, the first of two equal keys wins.
  std::map<std::string, std::string> entries;
  for (auto& [key, value] : doc.Entries(kRemarques)) entries.emplace(Folded(key), std::move(value));
  const auto value_of = [&entries](const std::string& key) {
    const auto found = entries.find(Folded(key));
    return found == entries.end() ? std::string() : found->second;
  };
  const std::string stored = value_of("FreeText");
  // There cannot be more parts than entries, whatever number the document gives.
  const double announced = NumberValue(value_of(kPartsKey));
  const std::size_t count = announced >= static_cast<double>(entries.size())
                                ? entries.size()
                                : (announced >= 1 ? static_cast<std::size_t>(announced) : 0);
  if (count > 0) {
    std::string remarks;
    for (std::size_t i = 1; i <= count; ++i) {
      std::string part = value_of("FreeText" + std::to_string(i));
      if (part.size() >= 2 && part.front() == '|' && part.back() == '|') {
        part = part.substr(1, part.size() - 2);
      }
      remarks += Unescape(part);
    }
    // The parts are an exact copy of what FreeText holds in tab form. Once FreeText says
    // something else, another program or a person changed it after the parts were written, and
    // FreeText is the newer text.
    if (IniValueAsRead(TabForm(remarks)) == stored) return remarks;
  }
  return stored.empty() ? std::string() : RemarksFromStored(stored);
}

std::string WindingLine(const DesignSheet& s, int i) {
  return "\t (" + s.TxTrueVolts[i] + " Volts) " + s.TxSpires[i] + " spires. Dia: " + s.TxDiaCu[i] +
         " (" + s.TxLongCu[i] + " m)";
}

std::vector<std::pair<std::string, std::string>> SheetEntries(const DesignSheet& s,
                                                              const std::string& doc_path) {
  std::vector<std::pair<std::string, std::string>> lines = {
      {"Modele", "Tranformateur Alimentation " + FileNameOf(doc_path)},
      {"Noyau", s.TxNoyau + " M6X"},
      {"Primaire", WindingLine(s, 0)}};
  for (int i = 1; i < kRows; ++i) {
    if (!s.TxVolts[i].empty())
      lines.emplace_back("Secondaire " + std::to_string(i), WindingLine(s, i));
  }
  return lines;
}

void SetSheetEntries(IniDocument& doc, const DesignSheet& s, const std::string& doc_path) {
  for (const auto& [key, value] : SheetEntries(s, doc_path)) doc.Set(kFab, key, value);
  if (!s.TxRem.empty()) {
    std::string remarks = s.TxRem;
    std::replace(remarks.begin(), remarks.end(), '\0', ' ');
    doc.Set("", "", remarks);
  }
}

// Only options that differ from their defaults are in the sheet. A key is written when it has a
// text, or to empty one that the document still holds; a document that never had the section
// does not get it for a design at its defaults.
void SetVerifEntries(IniDocument& doc, const DesignSheet& s) {
  const auto set = [&](const std::string& key) {
    const auto found = s.VerifOptions.find(key);
    const std::string value = found == s.VerifOptions.end() ? std::string() : found->second;
    if (value.empty() && doc.Get(kVerifSection, key).empty()) return;
    doc.Set(kVerifSection, key, QuotedIniValue(value));
  };
  for (const std::string& key : VerifKeys()) set(key);
  for (const std::string& key : AllRectifierKeys()) set(key);
}

// Text as people and this program write it: no NUL, and every line either UTF-8 or
// Windows-1252, of which five bytes mean nothing. A PDF, an image, an archive or a UTF-16 file
// fails at its first binary run.
bool IsTextLine(std::string_view line) {
  if (line.find('\0') != std::string_view::npos) return false;
  if (IsUtf8(line)) return true;
  return std::none_of(line.begin(), line.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
  });
}

bool IsText(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    if (!IsTextLine(text.substr(0, end))) return false;
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return true;
}

// The sections a design is read from; a file with an entry in none of them holds no design.
constexpr std::array<const char*, 5> kDesignSections = {kSpecifs, kCuivre, kNoyau, kRemarques,
                                                        kVerifSection};

bool IsDesign(const IniDocument& doc) {
  const std::string& text = doc.Text();
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return true;  // a new design
  if (!IsText(text)) return false;
  return std::any_of(kDesignSections.begin(), kDesignSections.end(),
                     [&doc](const char* section) { return !doc.Entries(section).empty(); });
}

void SetDesignEntries(IniDocument& doc, const DesignSheet& s, const std::string& doc_path) {
  // The old sheet's remarks block goes first, found by the remarks this document holds: what a
  // person added below it stays, and the new block goes at the end of the file.
  doc.DropRemarksBlock(GetRemarks(doc));
  doc.Set(kSpecifs, "Freq", QuotedIniValue(s.TxFreq));
  doc.Set(kSpecifs, "Tesla", QuotedIniValue(s.TxTesla));
  doc.Set(kSpecifs, "DCourant", QuotedIniValue(s.TxDCourant));
  for (int i = 0; i < kRows; ++i) {
    const std::string n = std::to_string(i);
    doc.Set(kSpecifs, "Volts" + n, QuotedIniValue(s.TxVolts[i]));
    doc.Set(kSpecifs, "Amps" + n, QuotedIniValue(s.TxAmps[i]));
    doc.Set(kCuivre, "Dia" + n, s.DiaForced[i] ? QuotedIniValue(s.TxDiaCu[i]) : std::string());
  }
  doc.Set(kNoyau, "Type", s.CoreForced ? QuotedIniValue(s.TxNoyau) : std::string());
  SetRemarks(doc, s.TxRem);
  SetVerifEntries(doc, s);
  SetSheetEntries(doc, s, doc_path);
}

}  // namespace

std::string RemarksToStored(std::string remarks) {
  RejoinFields(remarks, "\r\n", "\t");
  return remarks;
}

std::string RemarksFromStored(std::string stored) {
  RejoinFields(stored, "\t", "\r\n");
  return stored;
}

DesignEntries ReadDesignDocument(const std::string& path, const IniFileOps& ops) {
  const IniDocument doc = IniDocument::Load(path, ops);
  DesignEntries e;
  e.read = doc.Read();
  e.stamp = doc.Stamp();
  if (e.read == FileRead::kRead && !IsDesign(doc)) {
    e.not_a_design = true;
    return e;
  }
  e.freq = doc.Get(kSpecifs, "Freq");
  e.tesla = doc.Get(kSpecifs, "Tesla");
  e.dcourant = doc.Get(kSpecifs, "DCourant");
  for (int i = 0; i < kRows; ++i) {
    const std::string n = std::to_string(i);
    e.volts[i] = doc.Get(kSpecifs, "Volts" + n);
    e.amps[i] = doc.Get(kSpecifs, "Amps" + n);
    e.dia[i] = doc.Get(kCuivre, "Dia" + n);
  }
  e.core_type = doc.Get(kNoyau, "Type");
  e.remarks = GetRemarks(doc);
  for (const std::string& key : VerifKeys()) {
    if (std::string value = doc.Get(kVerifSection, key); !value.empty()) e.verif[key] = value;
  }
  for (const std::string& key : AllRectifierKeys()) {
    if (std::string value = doc.Get(kVerifSection, key); !value.empty()) e.verif[key] = value;
  }
  return e;
}

bool WriteDesignDocument(const std::string& path, const DesignSheet& s, const std::string& doc_path,
                         const IniFileOps& ops, FileRead* read) {
  IniDocument doc = IniDocument::Load(path, ops);
  if (read) *read = doc.Read();
  SetDesignEntries(doc, s, doc_path);
  return doc.Save(path, ops);
}

std::string RecoveryDocumentText(const DesignSheet& sheet, const std::string& doc_path) {
  IniDocument doc;
  doc.Set(kRecovery, "Document", QuotedIniValue(StoredPath(doc_path)));
  SetDesignEntries(doc, sheet, doc_path.empty() ? "recuperation.kel" : doc_path);
  return doc.Text();
}

std::string RecoveredDocumentPath(const std::string& recovery_path, const IniFileOps& ops) {
  return PathFromStored(ReadIni(recovery_path, kRecovery, "Document", ops));
}

bool WriteManufacturingSheet(const std::string& path, const DesignSheet& sheet,
                             const std::string& doc_path, const IniFileOps& ops) {
  // The entries as a new file holds them, put in place of the old sheet in one step: deleting it
  // first lost it whenever the write then failed, and turned a pipe or a device into a file.
  IniDocument doc;
  SetSheetEntries(doc, sheet, doc_path);
  return doc.Save(path, ops);
}

std::vector<std::pair<std::string, std::string>> ManufacturingSheetLines(
    const DesignSheet& sheet, const std::string& doc_path) {
  std::vector<std::pair<std::string, std::string>> lines = SheetEntries(sheet, doc_path);
  for (auto& line : lines) line.second = IniValueAsRead(line.second);
  return lines;
}

std::string SheetPathOf(const std::string& doc_path) {
  const std::string name = FileNameOf(doc_path);
  const std::string folder = doc_path.substr(0, doc_path.size() - name.size());
  return folder + FieldOf(name, 1, ".") + ".dfa";
}

bool IsSameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::optional<FileStamp> first = StampOf(a);
  const std::optional<FileStamp> second = StampOf(b);
  return first && second && first->device == second->device && first->inode == second->inode;
}

}  // namespace kel
