#include "app/DesignService.h"

#include "util/Paths.h"

namespace kel {

DesignService::DesignService(Platform& platform, char decimal_separator)
    : platform_(platform), environment_{platform, catalogue_, decimal_separator, {}, {}, {}} {
  // The catalogue dialog opens where the bundled catalogue lies, from a build tree as installed.
  environment_.program_folder = DataFolderFor(platform_.ExecutablePath(), kDefaultCatalogueName);
}

void DesignService::Take(const DesignEntries& entries) {
  sheet_.TxFreq = entries.freq;
  sheet_.TxTesla = entries.tesla;
  sheet_.TxDCourant = entries.dcourant;
  for (int i = 0; i < kRows; ++i) {
    sheet_.TxVolts[i] = entries.volts[i];
    sheet_.TxAmps[i] = entries.amps[i];
    if (!entries.dia[i].empty()) {
      sheet_.TxDiaCu[i] = entries.dia[i];
      sheet_.DiaForced[i] = true;
      sheet_.TxDiaCuColour[i] = TextColour::Red;
    } else {
      sheet_.DiaForced[i] = false;
      sheet_.TxDiaCuColour[i] = TextColour::Black;
    }
  }
  if (!entries.core_type.empty()) {
    sheet_.CoreForced = true;
    sheet_.TxNoyauColour = TextColour::Red;
    sheet_.LbNoyauColour = TextColour::Red;
    sheet_.TxNoyau = entries.core_type;
  } else {
    sheet_.CoreForced = false;
    sheet_.TxNoyauColour = TextColour::Black;
  }
  sheet_.VerifOptions = entries.verif;
  sheet_.TxRem = entries.remarks;
}

bool DesignService::Load(const std::string& path, const IniFileOps& ops) {
  const DesignEntries entries = ReadDesignDocument(path, ops);
  // A missing file or a folder reads as an empty design: not one a tool should report on.
  if (entries.read != FileRead::kRead || entries.not_a_design) return false;
  Take(entries);
  Recalculate();
  return true;
}

}  // namespace kel
