#pragma once
// The rectified secondaries of a design: what the document's [VERIF] texts ask of each (its
// `Redresseur<k>`, `VoltsContinus<k>`, `AmpsContinus<k>`, `Condensateur<k>` and `ChuteDiode<k>`,
// k = 1 to 4), the command line's `--rectifier K:TYPE:VDC:IDC[:µF[:VD]]` over them, and the
// model solved for each on the resistances of the design's check as it stands.
//
// A secondary without `Redresseur<k>` is alternating, as every design was before: its other keys
// are then not read. The chain never reads these keys: it still works on the secondary's AC
// volts and amps, which "Appliquer au projet" sets from the model.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/Check.h"
#include "check/Rectifier.h"

namespace kel {

struct DesignSheet;

inline constexpr int kRectifierRows = 4;  // the secondaries, rows 1 to 4

// The document's keys of one secondary's load, in the order the document writes them.
enum class RectifierKey { Type, DcVolts, DcAmps, Capacitor, DiodeDrop };
inline constexpr RectifierKey kRectifierKeys[] = {RectifierKey::Type, RectifierKey::DcVolts,
                                                  RectifierKey::DcAmps, RectifierKey::Capacitor,
                                                  RectifierKey::DiodeDrop};
// "Redresseur1", "VoltsContinus1" ...
std::string RectifierKeyName(RectifierKey key, int row);
// Every key of every secondary, in the order the document writes them, the centre tap's after
// the rectifier's of each secondary.
std::vector<std::string> AllRectifierKeys();

// A secondary wound "à point milieu": `PointMilieu<k>=1` (k = 1 to 4), which older versions
// ignore; a rectifier "point-milieu" implies it. The chain never reads it.
std::string CentreTapKey(int row);  // "PointMilieu1"
// Whether the texts mark the secondary so. A text other than "1" or "0" leaves it as one winding
// and, with problems given, adds a French sentence saying so.
bool IsCentreTapped(const std::map<std::string, std::string>& texts, int row,
                    std::vector<std::string>* problems = nullptr);
// Marks (the key "1") or unmarks (no key) the secondary; false for a row out of 1 to 4 or when
// nothing changed.
bool SetCentreTap(std::map<std::string, std::string>& texts, int row, bool tapped);
// Reads one `--centre-tap` value, K: the row, or none when it is not a whole number 1 to 4.
std::optional<int> CentreTapRow(const std::string& argument);
// Each centre-tapped winding of input made one of two halves (WindingInput::halves).
void MarkCentreTaps(CheckInput& input, const std::map<std::string, std::string>& texts);

// The ranges a request's numbers are taken in: above the low end (at or above for the drop),
// at most the high end.
inline constexpr double kMaxDcVolts = 100000;
inline constexpr double kMaxDcAmps = 1000;
inline constexpr double kMaxCapacitorUf = 1e7;
inline constexpr double kMaxDiodeDropV = 10;
inline constexpr double kDefaultDiodeDropV = 0.8;

// One rectified secondary as the texts ask for it; invalid when a number is missing or out of its
// range (the row is still listed, with the status "données invalides").
struct RectifierSetting {
  int row = 0;
  RectifierRequest request;
  bool valid = true;
};

// The rectified secondaries the texts name, in row order. A text that cannot be used adds a French
// sentence to problems: a type other than "pont" or "point-milieu" leaves its secondary
// alternating; a number that is not one, or out of its range, leaves it invalid.
std::vector<RectifierSetting> RectifiersFromTexts(const std::map<std::string, std::string>& texts,
                                                  std::vector<std::string>& problems);

// Reads one `--rectifier` value, K:TYPE:VDC:IDC[:µF[:VD]], and puts it into texts over the
// secondary's own (a capacitor or drop not given removes the document's: chosen, 0,8 V). The
// empty text when it is good, else the French sentence saying why not (texts unchanged).
std::string ApplyRectifierArgument(const std::string& argument,
                                   std::map<std::string, std::string>& texts);

// The model for one rectified secondary, on the design as its check stands.
struct RectifierRow {
  RectifierSetting setting;
  RectifierSolution solution;           // status InvalidData when there is no R_s
  std::optional<double> source_ohm;     // R_s: unset when the check does not give it
  std::optional<int> turns_as_wound;    // the smallest whole N with E″·N/N_p ≥ E
  std::optional<double> dc_v_as_wound;  // the DC volts with E″·N/N_p behind R_s as wound
};

// What a rectified winding gives is what goes into its rectifier, the DC and the diodes' loss,
// not its AC volts times its rms current: the output and the efficiency of result count that
// instead, and its volts at the turns to wind are its DC volts as wound (dc_v_as_wound).
void CountRectifiedOutput(const std::vector<RectifierRow>& rows, CheckResult& result);

// Each solved row's rms current and EMF put into its winding of input, as a no-load EMF (a centre
// tap of two halves); the largest relative move of a current.
double ApplyRectifiedRows(const std::vector<RectifierRow>& rows, CheckInput& input);
inline constexpr int kMaxRectifiedRounds = 50;
inline constexpr double kRectifiedConvergence = 1e-6;
// The check with each rectified secondary solved on its R_s, its rms current, halves and no-load
// volts put into input and the check run again, until every such current moves less than
// kRectifiedConvergence (relative) from one round to the next, in at most kMaxRectifiedRounds. A
// secondary the model cannot solve stays as the sheet gives it. rows: the model on the final
// result. False when the rounds ran out.
bool RunRectifiedCheck(CheckInput& input, const CheckOptions& options,
                       const std::vector<RectifierSetting>& settings, CheckResult& result,
                       std::vector<RectifierRow>& rows);

// The frequency is the sheet's; R_s and the primary's loaded EMF come from result (none: every
// row invalid).
// previous: the rows of the same settings a round ago, where the searches start.
std::vector<RectifierRow> CheckRectifiers(const std::vector<RectifierSetting>& settings,
                                          double frequency_hz, const CheckResult* result,
                                          const std::vector<RectifierRow>* previous = nullptr);

}  // namespace kel
