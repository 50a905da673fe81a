#pragma once
// The check of a design as the last recalculation left it: the inputs taken from the design
// sheet, the chosen core's record read from the catalogue, and the reason when there is no check.

#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Check.h"
#include "design/DesignSheet.h"

namespace kel {

// Why there is no check.
inline constexpr const char* kNoPower = "pas de puissance";
inline constexpr const char* kNoCore = "pas de noyau";
// kInputErrorMessage ("Erreur de saisie") when the recalculation stopped on an input error.

struct DesignCheck {
  std::optional<CheckResult> result;
  std::string none;  // why there is no result
  CheckOptions options;
  std::vector<std::string> problems;  // option texts that could not be used
};

// The check's inputs as the sheet shows them: per row with whole turns shown in TxSpires, the
// turns, the volts, the amps (the primary's computed current), the diameter in use (DiaCu, or the
// text typed when it is imposed); the frequency and the induction shown in LbTrueTesla.
CheckInput CheckInputFromSheet(const DesignSheet& sheet, const CoreRecord& core);

// The whole check. input_error: the last recalculation stopped on "Erreur de saisie". core: the
// chosen core's record, none when the recalculation chose no core. options: the sheet's own
// ([VERIF] texts, with their problems) unless the caller gives others.
DesignCheck CheckDesign(const DesignSheet& sheet, const std::optional<CoreRecord>& core,
                        bool input_error, const std::optional<CheckOptions>& options = {});

// Finds the record of the core a sheet shows as chosen (LbNoyau) in the catalogue. The whole
// table is read once and kept while the catalogue file stays the same, so that a recalculation,
// even one that changes the core, costs the check no catalogue work.
class CoreLookup {
 public:
  // None when the sheet shows no core, the catalogue cannot be read, or it holds no complete
  // core of that reference with the section and mass the sheet shows (it changed since).
  std::optional<CoreRecord> Find(const std::string& catalogue_path, const DesignSheet& sheet);
  // How many times the catalogue was read.
  int CatalogueReads() const { return reads_; }

 private:
  struct FileKey {
    std::string path;
    long long size = -1, inode = -1;
    std::timespec modified{}, changed{};
    bool operator==(const FileKey& other) const;
  };
  struct Row {
    CoreRecord record;
    std::string section_text, mass_text;  // as a label shows them, with a point
  };
  std::optional<FileKey> file_;
  std::multimap<std::string, Row> rows_;  // by upper-case reference
  int reads_ = 0;
};

}  // namespace kel
