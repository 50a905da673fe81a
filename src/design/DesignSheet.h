#pragma once
// The design sheet: the texts of every field and label of the window that the recalculation or
// the documents read or write, the colours the program changes, and the numeric state beside
// them. The window is a view of this struct; nothing here knows a toolkit.

#include <array>
#include <map>
#include <optional>
#include <string>

#include "catalogue/CoreRecord.h"

namespace kel {

inline constexpr int kRows = 5;  // row 0 is the primary, rows 1 to 4 the secondaries
template <class T>
using PerRow = std::array<T, kRows>;

// The short name of a winding in tables: "Pri", "Sec 1" ... "?" for no row.
inline std::string RowName(int row) {
  if (row == 0) return "Pri";
  return row > 0 && row < kRows ? "Sec " + std::to_string(row) : "?";
}

enum class TextColour { Black, Red };

inline constexpr const char* kInputErrorMessage = "Erreur de saisie";

// How the last run of the chain ended.
enum class ChainOutcome {
  NoPower,     // no power asked for: nothing computed (also before the first run)
  Ran,         // to its end with a core
  InputError,  // stopped on "Erreur de saisie": what the fields show is partial
  NoCore,      // to its end without a core: none in the catalogue, or no catalogue
};

struct DesignSheet {
  // Specification entered by the user.
  std::string TxFreq = "50";
  std::string TxTesla = "1.7";
  std::string TxDCourant = "3.6";
  PerRow<std::string> TxVolts{};
  PerRow<std::string> TxAmps{};
  std::string TxRem;

  // Power and iron required.
  std::string LbAmpsPri;
  std::string LbWatts = "0";
  std::string LbKgFe = "0";
  std::string LbSectFe = "0";

  // Core chosen.
  std::string LbNoyauMin = "?";
  std::string LbNoyau = "?";
  std::string TxNoyau;
  std::string LbFeSect = "?";
  std::string LbFeMasse = "?";
  std::string LbTrueTesla = "?";
  std::string LbTrueFeLoss = "?";
  std::string LbSectCuMax = "?";

  // Copper.
  std::string LbSpVolt = "00";
  PerRow<std::string> TxSpires{};
  PerRow<std::string> LbDiaMin{"0", "0", "0", "0", "0"};
  PerRow<std::string> TxDiaCu{};
  PerRow<std::string> TxSpLayer{};
  PerRow<std::string> TxLongCu{};
  PerRow<std::string> TxResCu{};
  PerRow<std::string> TxTrueVolts{};
  PerRow<std::string> TxTotCu{};
  std::string LbPertesCu = "0";
  std::string LbTotCu = "0";

  // Overall.
  std::string LbWattsTot = "0";
  std::string Lbn = "0";

  // Colours the program changes; every other text keeps the window's own colour.
  TextColour LbTotCuColour = TextColour::Black;
  TextColour LbTrueTeslaColour = TextColour::Black;
  TextColour LbNoyauColour = TextColour::Black;
  TextColour TxNoyauColour = TextColour::Black;
  PerRow<TextColour> TxDiaCuColour{};

  // Numeric state in single precision: every value is rounded to float when stored, and the
  // results shown depend on that rounding.
  PerRow<float> Volts{};
  PerRow<float> Amps{};
  PerRow<float> Spires{};
  PerRow<float> DiaCu{};
  PerRow<float> SpLayer{};
  float SpVolt = 0;
  float MeanTurnLength = 0;
  float WindowWidth = 0;
  float TeslaMax = 0;

  PerRow<bool> DiaForced{};
  bool CoreForced = false;
  // Options of the engineering check as the document stores them under [VERIF], key to text,
  // only those that differ from their defaults. The recalculation never reads them.
  std::map<std::string, std::string> VerifOptions;
  bool Modified = false;
  ChainOutcome Outcome = ChainOutcome::NoPower;
  // The chosen core's own figures, as numbers, whenever the chain chose one and every figure is a
  // number; what comes after the chain works on these rather than on the labels' texts.
  std::optional<CoreRecord> Core;

  // The text each input field held when it last received the focus ("*" after a recalculation,
  // so that the next Enter or focus loss counts as a change).
  PerRow<std::string> SavedVoltsText{};
  PerRow<std::string> SavedAmpsText{};
  PerRow<std::string> SavedDiaText{};
  std::string SavedDCourantText;
  std::string SavedFreqText;
};

}  // namespace kel
