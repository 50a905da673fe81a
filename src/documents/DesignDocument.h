#pragma once
// The design document (.kel) and the manufacturing sheet (.dfa): which entries of the design sheet
// are stored, under which keys, in which order.

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "check/CheckOptions.h"
#include "design/DesignSheet.h"
#include "documents/Ini.h"

namespace kel {

// The user's choices as a document stores them: field texts exactly as displayed.
struct DesignEntries {
  std::string freq, tesla, dcourant;
  PerRow<std::string> volts{}, amps{}, dia{};
  std::string core_type;
  std::string remarks;                       // already turned back from stored form
  std::map<std::string, std::string> verif;  // [VERIF] texts that are not empty, by key
  FileRead read = FileRead::kMissing;        // how reading the file went
  // Read, but not a design: not text (a NUL byte, bytes that are neither UTF-8 nor Windows-1252
  // text), or text without a single design entry while not blank. Such a file must not be
  // taken for an empty design that a save would write over.
  bool not_a_design = false;
  std::optional<FileStamp> stamp;  // the file as it was read
};

// The engineering check's options have a section of their own (kVerifSection), written only for
// options that differ from their defaults, so that a design without them is stored as it always
// was; their keys are those of kCheckOptionSpecs, in that order, then the rectified secondaries'
// (AllRectifierKeys), which older versions ignore.

// The functions below read and write files through ops (IniFileOps{} for the system's calls).

// Reads the entries of the document at path; a missing file or a file that is no design
// document gives empty entries (read tells them from a file that could not be read).
DesignEntries ReadDesignDocument(const std::string& path, const IniFileOps& ops);

// Writes the design's entries and then the manufacturing-sheet entries into the document at
// path, as one change: the file is either fully updated or left as it was. False on failure;
// read, when given, tells how reading the old document went (a file that could not be read is
// never written over).
bool WriteDesignDocument(const std::string& path, const DesignSheet& sheet,
                         const std::string& doc_path, const IniFileOps& ops,
                         FileRead* read = nullptr);

// The bytes of a recovery document: the design as WriteDesignDocument writes it into a new file,
// and the path of the document it belongs to (empty for a design never saved).
std::string RecoveryDocumentText(const DesignSheet& sheet, const std::string& doc_path);
// The document a recovery document belongs to.
std::string RecoveredDocumentPath(const std::string& recovery_path, const IniFileOps& ops);

// Writes the manufacturing sheet alone into path (the .dfa beside the document): the file then
// holds this run's entries only, as a new file would, or, on failure, what it held before. A
// path that is not a regular file is never written.
bool WriteManufacturingSheet(const std::string& path, const DesignSheet& sheet,
                             const std::string& doc_path, const IniFileOps& ops);

// The manufacturing sheet's entries for the design (key, value), in the order the sheet writer
// writes them and as a reader of the sheet gets them back.
std::vector<std::pair<std::string, std::string>> ManufacturingSheetLines(
    const DesignSheet& sheet, const std::string& doc_path);

// Path of the sheet of a document: beside it, its file name up to the name's first ".", then
// ".dfa". Dots in folder names do not count.
std::string SheetPathOf(const std::string& doc_path);

// True when the two paths name one file: the same text, or the same file on disk (through a
// link). A sheet written there would delete the document.
bool IsSameFile(const std::string& a, const std::string& b);

// Remarks (lines separated by CR LF) in the form stored under FreeText: every line followed by a
// tab. Remarks that this form cannot carry whole are also stored in parts (see the .cpp).
std::string RemarksToStored(std::string remarks);
std::string RemarksFromStored(std::string stored);

}  // namespace kel
