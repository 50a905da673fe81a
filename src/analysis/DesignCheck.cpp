#include "analysis/DesignCheck.h"

#include <sys/stat.h>

#include <cmath>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueDb.h"
#include "design/Chain.h"
#include "util/NumberText.h"

namespace kel {

namespace {

bool SameTime(const std::timespec& a, const std::timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The sheet shows a catalogue value as its plain text with the user's separator.
bool SameValue(const FieldValue& value, const std::string& shown) {
  return FieldText(value, '.') == NormalizeNumber(shown);
}

std::optional<CoreRecord> ReadCore(const std::string& path, const DesignSheet& sheet) {
  EngineError error;
  const auto db = CatalogueHandle::Open(path, error);
  if (!db) return std::nullopt;
  auto rows = db->Query(QueryCoreByRef(sheet.LbNoyau), error);
  if (!rows) return std::nullopt;
  try {
    // Two cores may share a reference; the one chosen is the one whose figures the sheet shows.
    for (; !rows->AtEnd(); rows->MoveNext()) {
      if (!SameValue(rows->Field("SectionFer"), sheet.LbFeSect) ||
          !SameValue(rows->Field("MasseFer"), sheet.LbFeMasse)) {
        continue;
      }
      CoreRecord core;
      core.ref = FieldText(rows->Field("Ref"), '.');
      core.section_cm2 = FieldNumber(rows->Field("SectionFer"));
      core.mass_kg = FieldNumber(rows->Field("MasseFer"));
      core.window_height_mm = FieldNumber(rows->Field("hautcu"));
      core.window_width_mm = FieldNumber(rows->Field("LargCu"));
      core.mean_turn_cm = FieldNumber(rows->Field("longspire"));
      return core;
    }
  } catch (const FieldError&) {
  }
  return std::nullopt;
}

}  // namespace

bool CoreLookup::Key::operator==(const Key& o) const {
  return path == o.path && ref == o.ref && section == o.section && mass == o.mass &&
         size == o.size && inode == o.inode && SameTime(modified, o.modified) &&
         SameTime(changed, o.changed);
}

std::optional<CoreRecord> CoreLookup::Find(const std::string& catalogue_path,
                                           const DesignSheet& sheet) {
  if (sheet.LbNoyau == "?" || sheet.LbNoyau.empty()) return std::nullopt;
  Key key{catalogue_path, sheet.LbNoyau, sheet.LbFeSect, sheet.LbFeMasse};
  struct stat info {};
  if (::stat(catalogue_path.c_str(), &info) != 0) return std::nullopt;
  key.size = info.st_size;
  key.inode = static_cast<long long>(info.st_ino);
  key.modified = info.st_mtim;
  key.changed = info.st_ctim;
  if (key_ && *key_ == key) return record_;
  ++reads_;
  record_ = ReadCore(catalogue_path, sheet);
  key_ = key;
  return record_;
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
