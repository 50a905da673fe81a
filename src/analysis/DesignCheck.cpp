#include "analysis/DesignCheck.h"

#include <sys/stat.h>

#include <cmath>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueDb.h"
#include "design/Chain.h"
#include "util/NumberText.h"

namespace kel {

namespace {

void NextRow(Recordset& rows) {
  try {
    rows.MoveNext();
  } catch (const CatalogueError&) {
    // The result set is at its end: the cores read so far are all the look-up knows.
  }
}

bool SameTime(const std::timespec& a, const std::timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

bool CoreLookup::FileKey::operator==(const FileKey& o) const {
  return path == o.path && size == o.size && inode == o.inode && SameTime(modified, o.modified) &&
         SameTime(changed, o.changed);
}

std::optional<CoreRecord> CoreLookup::Find(const std::string& catalogue_path,
                                           const DesignSheet& sheet) {
  if (sheet.LbNoyau == "?" || sheet.LbNoyau.empty()) return std::nullopt;
  FileKey file{catalogue_path};
  struct stat info {};
  if (::stat(catalogue_path.c_str(), &info) != 0) return std::nullopt;
  file.size = info.st_size;
  file.inode = static_cast<long long>(info.st_ino);
  file.modified = info.st_mtim;
  file.changed = info.st_ctim;
  if (!file_ || !(*file_ == file)) {
    ++reads_;
    file_ = file;
    rows_.clear();
    EngineError error;
    const auto db = CatalogueHandle::Open(catalogue_path, error);
    auto rows = db ? db->Query("Select * from EI", error) : nullptr;
    // A row that cannot be read (a damaged page, a limit reached) ends the table there.
    for (; rows && !rows->AtEnd(); NextRow(*rows)) {
      try {
        Row row;
        CoreRecord& core = row.record;
        core.ref = FieldText(rows->Field("Ref"), '.');
        row.section_text = FieldText(rows->Field("SectionFer"), '.');
        row.mass_text = FieldText(rows->Field("MasseFer"), '.');
        core.section_cm2 = FieldNumber(rows->Field("SectionFer"));
        core.mass_kg = FieldNumber(rows->Field("MasseFer"));
        core.window_height_mm = FieldNumber(rows->Field("hautcu"));
        core.window_width_mm = FieldNumber(rows->Field("LargCu"));
        core.mean_turn_cm = FieldNumber(rows->Field("longspire"));
        rows_.emplace(UpperCase(core.ref), std::move(row));
      } catch (const FieldError&) {
        // A core with an empty column cannot have been chosen: the recalculation stops on it.
      }
    }
  }
  // Two cores may share a reference; the one chosen is the one whose figures the sheet shows.
  const std::string section = NormalizeNumber(sheet.LbFeSect);
  const std::string mass = NormalizeNumber(sheet.LbFeMasse);
  const auto [first, last] = rows_.equal_range(UpperCase(sheet.LbNoyau));
  for (auto it = first; it != last; ++it) {
    if (it->second.section_text == section && it->second.mass_text == mass) {
      return it->second.record;
    }
  }
  return std::nullopt;
}

CheckInput CheckInputFromSheet(const DesignSheet& s, const CoreRecord& core) {
  CheckInput in;
  in.core = core;
  in.frequency_hz = ReadNumber(s.TxFreq);
  in.induction_t = ReadNumber(s.LbTrueTesla);
  for (int i = 0; i < kRows; ++i) {
    if (i > 0) in.output_w += static_cast<double>(s.Volts[i]) * s.Amps[i];
    // The turns as shown, read as the wire length reads them.
    const double turns = NumberValue(s.TxSpires[i]);
    if (!(turns >= 1 && turns < 1e9)) continue;
    in.windings.push_back(
        {i, static_cast<int>(turns), ReadNumber(s.TxVolts[i]), s.Amps[i], s.DiaCu[i]});
  }
  return in;
}

DesignCheck CheckDesign(const DesignSheet& sheet, const std::optional<CoreRecord>& core,
                        bool input_error, const std::optional<CheckOptions>& options) {
  DesignCheck check;
  check.options = options ? *options : OptionsFromTexts(sheet.VerifOptions, check.problems);
  // The power as the recalculation sums it: nothing to work on when it is 0.
  float watts = 0;
  for (int i = 0; i < kRows; ++i) {
    watts = static_cast<float>(static_cast<double>(watts) +
                               static_cast<double>(sheet.Volts[i]) * sheet.Amps[i]);
  }
  if (input_error) {
    check.none = kInputErrorMessage;
  } else if (watts == 0) {
    check.none = kNoPower;
  } else if (!core || !(core->section_cm2 > 0 && core->window_height_mm > 0 &&
                        core->window_width_mm > 0 && core->mean_turn_cm > 0)) {
    // A core without a window has nowhere to put a winding.
    check.none = kNoCore;
  } else {
    check.result = RunCheck(CheckInputFromSheet(sheet, *core), check.options);
  }
  return check;
}

}  // namespace kel
