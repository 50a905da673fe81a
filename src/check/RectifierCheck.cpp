#include "check/RectifierCheck.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "check/Voltages.h"
#include "util/NumberText.h"
#include "util/Text.h"

namespace kel {

namespace {

// A text that is one number and nothing else, a decimal comma read as a point.
std::optional<double> NumberOf(std::string_view text) {
  const std::string trimmed(Trim(text));
  if (std::count(trimmed.begin(), trimmed.end(), ',') +
          std::count(trimmed.begin(), trimmed.end(), '.') >
      1) {
    return std::nullopt;
  }
  std::string number = NormalizeNumber(trimmed);
  if (!number.empty() && number[0] == '+') number.erase(0, 1);
  if (number.empty()) return std::nullopt;
  double value = 0;
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

struct NumberRange {
  double high;
  const char* expected;  // what a good text is
  RectifierKey key;
  bool zero_allowed;
};

constexpr NumberRange kRanges[] = {
    {kMaxDcVolts, "une tension continue de plus de 0 à 100 000 V", RectifierKey::DcVolts, false},
    {kMaxDcAmps, "un courant continu de plus de 0 à 1 000 A", RectifierKey::DcAmps, false},
    {kMaxCapacitorUf, "une capacité de plus de 0 à 10 000 000 µF (vide : choisie)",
     RectifierKey::Capacitor, false},
    {kMaxDiodeDropV, "une chute de 0 à 10 V (vide : 0,8 V)", RectifierKey::DiodeDrop, true},
};

const NumberRange& RangeOf(RectifierKey key) {
  return *std::find_if(std::begin(kRanges), std::end(kRanges),
                       [key](const NumberRange& range) { return range.key == key; });
}

std::optional<double> InRange(std::string_view text, RectifierKey key) {
  const NumberRange& range = RangeOf(key);
  const std::optional<double> value = NumberOf(text);
  if (!value || *value > range.high || *value < 0 || (*value == 0 && !range.zero_allowed)) {
    return std::nullopt;
  }
  return value;
}

std::string TextOf(const std::map<std::string, std::string>& texts, RectifierKey key, int row) {
  const auto found = texts.find(RectifierKeyName(key, row));
  return found == texts.end() ? std::string() : std::string(Trim(found->second));
}

// A whole number of turns no design reaches: past it the search gives up.
constexpr int kMaxTurns = 1000000;

}  // namespace

void CountRectifiedOutput(const std::vector<RectifierRow>& rows, CheckResult& result) {
  if (!result.output_w || !result.copper_loss_w) return;
  double output = *result.output_w;
  for (const RectifierRow& row : rows) {
    if (!row.solution.Solved()) continue;
    for (const WindingCheck& w : result.windings) {
      if (w.input.row != row.setting.row || !w.volts) continue;
      const RectifierPeriod& p = row.solution.period;
      output +=
          p.dc_v * row.setting.request.dc_a + p.diode_w - w.volts->loaded_v * ReferredCurrent(w);
    }
  }
  result.output_w = output;
  result.efficiency_pct = output / (output + *result.copper_loss_w + result.iron_loss_w) * 100;
  // Wound so, a rectified winding is judged by the DC volts it gives.
  for (WindingCheck& w : result.windings) {
    for (const RectifierRow& row : rows) {
      if (w.input.row == row.setting.row && w.turns_to_wind) {
        w.loaded_v_at_turns_to_wind = row.dc_v_as_wound;
      }
    }
  }
}

std::string RectifierKeyName(RectifierKey key, int row) {
  static constexpr const char* kNames[] = {"Redresseur", "VoltsContinus", "AmpsContinus",
                                           "Condensateur", "ChuteDiode"};
  return kNames[static_cast<int>(key)] + std::to_string(row);
}

std::vector<std::string> AllRectifierKeys() {
  std::vector<std::string> keys;
  for (int row = 1; row <= kRectifierRows; ++row) {
    for (const RectifierKey key : kRectifierKeys) keys.push_back(RectifierKeyName(key, row));
    keys.push_back(CentreTapKey(row));
  }
  return keys;
}

std::string CentreTapKey(int row) {
  return "PointMilieu" + std::to_string(row);
}

bool IsCentreTapped(const std::map<std::string, std::string>& texts, int row,
                    std::vector<std::string>* problems) {
  if (TextOf(texts, RectifierKey::Type, row) == RectifierCode(RectifierType::CentreTap)) {
    return true;
  }
  const auto found = texts.find(CentreTapKey(row));
  const std::string text = found == texts.end() ? std::string() : std::string(Trim(found->second));
  if (text == "1") return true;
  if (!text.empty() && text != "0" && problems) {
    problems->push_back("Vérification : " + CentreTapKey(row) + " « " + text +
                        " » : 1 (point milieu) ou 0 attendu ; secondaire " + std::to_string(row) +
                        " sans point milieu.");
  }
  return false;
}

bool SetCentreTap(std::map<std::string, std::string>& texts, int row, bool tapped) {
  if (row < 1 || row > kRectifierRows) return false;
  const std::string key = CentreTapKey(row);
  const auto found = texts.find(key);
  const bool was = found != texts.end() && Trim(found->second) == "1";
  if (tapped) {
    texts[key] = "1";
  } else if (found != texts.end()) {
    texts.erase(found);
  }
  return was != tapped;
}

std::optional<int> CentreTapRow(const std::string& argument) {
  const std::string text(Trim(argument));
  if (text.size() != 1 || text[0] < '1' || text[0] > '0' + kRectifierRows) return std::nullopt;
  return text[0] - '0';
}

void MarkCentreTaps(CheckInput& input, const std::map<std::string, std::string>& texts) {
  for (WindingInput& w : input.windings) {
    if (w.row >= 1 && w.row <= kRectifierRows && IsCentreTapped(texts, w.row)) w.halves = 2;
  }
}

std::vector<RectifierSetting> RectifiersFromTexts(const std::map<std::string, std::string>& texts,
                                                  std::vector<std::string>& problems) {
  std::vector<RectifierSetting> settings;
  for (int row = 1; row <= kRectifierRows; ++row) {
    const std::string type_text = TextOf(texts, RectifierKey::Type, row);
    if (type_text.empty()) continue;
    const std::string which = "secondaire " + std::to_string(row);
    const std::optional<RectifierType> type = RectifierOfCode(type_text);
    if (!type) {
      problems.push_back("Vérification : " + RectifierKeyName(RectifierKey::Type, row) + " « " +
                         type_text + " » : « pont » ou « point-milieu » attendu ; " + which +
                         " alternatif.");
      continue;
    }
    RectifierSetting& s = settings.emplace_back();
    s.row = row;
    s.request.type = *type;
    s.request.diode_drop_v = kDefaultDiodeDropV;
    for (const NumberRange& range : kRanges) {
      const std::string text = TextOf(texts, range.key, row);
      const bool optional =
          range.key == RectifierKey::Capacitor || range.key == RectifierKey::DiodeDrop;
      if (text.empty() && optional) continue;
      const std::optional<double> value = InRange(text, range.key);
      if (!value) {
        s.valid = false;
        problems.push_back("Vérification : " + RectifierKeyName(range.key, row) + " « " + text +
                           " » : " + range.expected + " attendu ; " + which + " non calculé.");
        continue;
      }
      switch (range.key) {
        case RectifierKey::DcVolts:
          s.request.dc_v = *value;
          break;
        case RectifierKey::DcAmps:
          s.request.dc_a = *value;
          break;
        case RectifierKey::Capacitor:
          s.request.capacitor_uf = *value;
          break;
        default:
          s.request.diode_drop_v = *value;
      }
    }
  }
  return settings;
}

std::string ApplyRectifierArgument(const std::string& argument,
                                   std::map<std::string, std::string>& texts) {
  std::vector<std::string> fields;
  for (std::size_t at = 0;;) {
    const std::size_t end = argument.find(':', at);
    fields.push_back(argument.substr(at, end == std::string::npos ? end : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  if (fields.size() < 4 || fields.size() > 6) {
    return "K:TYPE:VDC:IDC[:µF[:VD]] attendu, par exemple 1:pont:24:2:4700";
  }
  const std::string& k = fields[0];
  if (k.size() != 1 || k[0] < '1' || k[0] > '0' + kRectifierRows) {
    return "le secondaire « " + k + " » n'existe pas : 1, 2, 3 ou 4 attendu";
  }
  const int row = k[0] - '0';
  if (!RectifierOfCode(fields[1])) {
    return "le type « " + fields[1] + " » n'existe pas : « pont » ou « point-milieu » attendu";
  }
  const RectifierKey number_keys[] = {RectifierKey::DcVolts, RectifierKey::DcAmps,
                                      RectifierKey::Capacitor, RectifierKey::DiodeDrop};
  for (std::size_t i = 2; i < fields.size(); ++i) {
    const RectifierKey key = number_keys[i - 2];
    if (!InRange(fields[i], key)) {
      return "« " + fields[i] + " » : " + RangeOf(key).expected + " attendu";
    }
  }
  for (std::size_t i = 0; i < std::size(kRectifierKeys); ++i) {
    const std::string name = RectifierKeyName(kRectifierKeys[i], row);
    if (i + 1 < fields.size()) {
      texts[name] = fields[i + 1];
    } else {
      texts.erase(name);
    }
  }
  return "";
}

double ApplyRectifiedRows(const std::vector<RectifierRow>& rows, CheckInput& input) {
  double moved = 0;
  for (const RectifierRow& row : rows) {
    if (!row.solution.Solved()) continue;
    for (WindingInput& w : input.windings) {
      if (w.row != row.setting.row) continue;
      const double rms = row.solution.period.winding_rms_a;
      moved = std::max(moved, std::fabs(rms - w.amps) / rms);
      w.amps = rms;
      w.volts = row.solution.e_rms;
      w.no_load_volts = true;
      // A bridge uses the winding end to end, whatever its tap.
      w.halves = row.setting.request.type == RectifierType::CentreTap ? 2 : 1;
    }
  }
  return moved;
}

bool RunRectifiedCheck(CheckInput& input, const CheckOptions& options,
                       const std::vector<RectifierSetting>& settings, CheckResult& result,
                       std::vector<RectifierRow>& rows) {
  rows.clear();
  for (int round = 0; round < kMaxRectifiedRounds; ++round) {
    rows = CheckRectifiers(settings, input.frequency_hz, &result, rows.empty() ? nullptr : &rows);
    const double moved = ApplyRectifiedRows(rows, input);
    // The rows were worked on the result as it stands: they are its own.
    if (round > 0 && moved < kRectifiedConvergence) {
      CountRectifiedOutput(rows, result);
      return true;
    }
    if (rows.empty()) return true;
    RunCheck(input, options, result);
  }
  rows = CheckRectifiers(settings, input.frequency_hz, &result, &rows);
  return false;
}

std::vector<RectifierRow> CheckRectifiers(const std::vector<RectifierSetting>& settings,
                                          double frequency_hz, const CheckResult* result,
                                          const std::vector<RectifierRow>* previous) {
  std::vector<RectifierRow> rows;
  const WindingCheck* primary = nullptr;
  if (result) {
    for (const WindingCheck& w : result->windings) {
      if (w.input.row == 0) primary = &w;
    }
  }
  for (const RectifierSetting& setting : settings) {
    RectifierRow& row = rows.emplace_back();
    row.setting = setting;
    row.solution.capacitor_uf = setting.request.capacitor_uf.value_or(0);
    const WindingCheck* winding = nullptr;
    if (result) {
      for (const WindingCheck& w : result->windings) {
        if (w.input.row == setting.row) winding = &w;
      }
    }
    if (!setting.valid || !primary || !winding || !primary->r_hot_ohm || !winding->r_hot_ohm) {
      continue;  // InvalidData: no R_s without the check of both windings
    }
    const double n_p = primary->input.turns, n_s = winding->input.turns;
    const double r_p = *primary->r_hot_ohm, r_w = *winding->r_hot_ohm;
    const double r_s = r_w + r_p * (n_s / n_p) * (n_s / n_p);
    row.source_ohm = r_s;
    const RectifierSolution* hint =
        previous && previous->size() == settings.size()
            ? &(*previous)[static_cast<std::size_t>(&setting - settings.data())].solution
            : nullptr;
    row.solution = SolveRectifier(setting.request, frequency_hz, r_s, hint);
    if (!row.solution.Solved()) continue;

    // As wound: the primary's loaded EMF with this winding's own share of its drop added back
    // (R_s holds it already), on N turns of the same wire and mean turn.
    const RectifierSolution& s = row.solution;
    const double e = s.e_rms;
    const double referred =
        s.period.winding_rms_a *
        (setting.request.type == RectifierType::CentreTap ? std::numbers::sqrt2 : 1.0);
    const double loaded = primary->input.volts - result->primary_current_a * r_p;
    const auto emf = [&](double n) { return (loaded + r_p * referred * n / n_p) * n / n_p; };
    if (!(loaded > 0)) continue;
    // The check's own turns to wind when it has counted this winding's volts as an EMF.
    if (winding->input.no_load_volts && winding->turns_to_wind) {
      const double n = *winding->turns_to_wind;
      row.turns_as_wound = winding->turns_to_wind;
      const double r_wound = r_w * n / n_s + r_p * (n / n_p) * (n / n_p);
      row.dc_v_as_wound = DcVoltsAt(setting.request, frequency_hz, r_wound, s.capacitor_uf, emf(n));
      continue;
    }
    // The root of the quadratic, then settled on the comparison itself.
    const double a = r_p * referred / (n_p * n_p), b = loaded / n_p;
    const double root = a > 0 ? 2 * e / (b + std::sqrt(b * b + 4 * a * e)) : e / b;
    double n = std::clamp(std::ceil(root), 1.0, static_cast<double>(kMaxTurns));
    while (n > 1 && emf(n - 1) >= e) --n;
    while (n < kMaxTurns && emf(n) < e) ++n;
    if (emf(n) < e) continue;
    row.turns_as_wound = static_cast<int>(n);
    const double r_wound = r_w * n / n_s + r_p * (n / n_p) * (n / n_p);
    row.dc_v_as_wound = DcVoltsAt(setting.request, frequency_hz, r_wound, s.capacitor_uf, emf(n));
  }
  return rows;
}

}  // namespace kel
