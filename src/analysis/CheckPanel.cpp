#include "analysis/CheckPanel.h"

#include <algorithm>
#include <map>

#include "analysis/CheckReport.h"
#include "design/Chain.h"

namespace kel {

namespace {
// Longer than this, a search goes on in the background with its progress shown.
constexpr std::chrono::milliseconds kSearchWait{100};
}  // namespace

CheckView MakeCheckView(const DesignCheck& check, char sep) {
  CheckView view;
  view.problems = check.problems;
  if (!check.result) {
    view.none = "Pas de vérification : " + check.none + ".";
    return view;
  }
  const CheckResult& r = *check.result;
  static constexpr const char* kNames[] = {"Pri", "Sec 1", "Sec 2", "Sec 3", "Sec 4"};
  const char* captions[] = {"Spires",
                            "Fil (mm)",
                            "Hors tout (mm)",
                            "Spires/couche",
                            "Couches",
                            "Hauteur (mm)",
                            "Densité (A/mm²)",
                            "Longueur (m)",
                            "R à 20 °C (Ω)",
                            "R chaud (Ω)",
                            "Pertes (W)",
                            "Cuivre (kg)",
                            "À vide (V)",
                            "En charge (V)",
                            "Régulation (%)",
                            "Spires à bobiner",
                            "En charge ainsi (V)",
                            "Remarque"};
  constexpr std::size_t kLines = std::size(captions);
  view.lines.reserve(kLines);
  for (const char* caption : captions) {
    view.lines.push_back({caption, {}});
    view.lines.back().cells.reserve(r.windings.size());
  }
  for (const WindingCheck& w : r.windings) {
    view.windings.push_back(w.input.row >= 0 && w.input.row < 5 ? kNames[w.input.row] : "?");
    std::vector<std::string> cells(kLines);
    cells[0] = std::to_string(w.input.turns);
    if (w.flag != WindingFlag::OffTable) {
      cells[1] = Fixed(w.wire_mm, 3, sep);
      cells[2] = Fixed(w.overall_mm, 3, sep);
      cells[3] = std::to_string(w.turns_per_layer);
    }
    if (w.flag == WindingFlag::None) {
      cells[4] = std::to_string(w.layers);
      cells[5] = Fixed(w.build_mm, 2, sep);
      cells[6] = Fixed(w.current_density, 2, sep);
      cells[7] = Fixed(w.length_m, 1, sep);
      cells[8] = Fixed(w.r20_ohm, 3, sep);
      cells[9] = Fixed(w.r_hot_ohm, 3, sep);
      cells[10] = Fixed(w.copper_loss_w, 2, sep);
      cells[11] = Fixed(w.copper_mass_kg, 3, sep);
    }
    if (w.has_voltages) {
      cells[12] = Fixed(w.no_load_v, 1, sep);
      cells[13] = Fixed(w.loaded_v, 1, sep);
      cells[14] = Fixed(w.regulation_pct, 1, sep);
      cells[15] = w.turns_to_wind ? std::to_string(*w.turns_to_wind) : "–";
      cells[16] = w.turns_to_wind ? Fixed(w.loaded_v_at_turns_to_wind, 1, sep) : "–";
    }
    cells[17] = FlagText(w.flag);
    for (std::size_t i = 0; i < kLines; ++i) view.lines[i].cells.push_back(cells[i]);
  }
  // The remark line is there only for a winding left out of the figures.
  const std::vector<std::string>& remarks = view.lines.back().cells;
  if (std::all_of(remarks.begin(), remarks.end(), [](const auto& cell) { return cell.empty(); })) {
    view.lines.pop_back();
  }

  view.fill = Fixed(r.build_mm, 2, sep) + " mm sur " + Fixed(r.core.window_height_mm, 1, sep) +
              " mm : " + Fixed(r.fill_pct, 1, sep) + " % (" + FillText(r.fill_status) + ")";
  view.fill_level = r.fill_status == FillStatus::Ok      ? Level::Good
                    : r.fill_status == FillStatus::Tight ? Level::Warn
                                                         : Level::Bad;
  view.thermal = Fixed(r.copper_temperature_c, 1, sep) + " °C : " +
                 (r.thermal_class == "hors classe" ? r.thermal_class : "classe " + r.thermal_class);
  // Up to class B the usual papers and varnishes hold; F and H call for chosen materials.
  const bool usual = r.thermal_class == "A" || r.thermal_class == "E" || r.thermal_class == "B";
  view.thermal_level = !r.converged || r.thermal_class == "hors classe" ? Level::Bad
                       : usual                                          ? Level::Good
                                                                        : Level::Warn;
  view.overall = {
      {"Pertes fer (W)", {Fixed(r.iron_loss_w, 2, sep)}},
      {"Pertes cuivre (W)", {Fixed(r.copper_loss_w, 2, sep)}},
      {"Surface de refroidissement (cm²)", {Fixed(r.surface_cm2, 1, sep)}},
      {"Échauffement (K)", {Fixed(r.temperature_rise_k, 1, sep)}},
      {"Rendement (%)", {Fixed(r.efficiency_pct, 1, sep)}},
      {"Itérations", {std::to_string(r.rounds) + (r.converged ? "" : " (sans convergence)")}}};
  return view;
}

DesignCheck CheckFormWith(const MainForm& form,
                          const std::vector<std::pair<CheckOption, std::string>>& overrides) {
  const DesignSheet& sheet = form.Sheet();
  std::map<std::string, std::string> texts = sheet.VerifOptions;
  for (const auto& [option, text] : overrides) SetOptionText(texts, option, text);
  std::vector<std::string> problems;
  const CheckOptions options = OptionsFromTexts(texts, problems);
  CoreLookup cores;
  DesignCheck check =
      CheckDesign(sheet, cores.Find(form.DataBasePath(), sheet), sheet.InputError, options);
  check.problems = problems;
  return check;
}

void CheckPanel::Refresh() {
  const DesignSheet& sheet = form_.Sheet();
  check_ = CheckDesign(sheet, cores_.Find(form_.DataBasePath(), sheet), sheet.InputError);
  search_.Follow(form_, check_.options, kSearchWait);
}

std::string CheckPanel::CoreInUse() const {
  const std::string& core = form_.Sheet().LbNoyau;
  return core == "?" ? "" : core;
}

std::string CheckPanel::OptionText(CheckOption option) const {
  return kel::OptionText(form_.Sheet().VerifOptions, option, separator_);
}

bool CheckPanel::SetOption(CheckOption option, const std::string& text) {
  DesignSheet& sheet = form_.Sheet();
  const bool changed = SetOptionText(sheet.VerifOptions, option, text);
  if (changed) {
    sheet.Modified = true;
    form_.UpdateTitle(true);
  }
  Refresh();
  return changed;
}

}  // namespace kel
