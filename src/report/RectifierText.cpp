#include "report/RectifierText.h"

#include "report/TextLines.h"
#include "util/OutputText.h"

namespace kel {

namespace {

using text::Line;

std::string Number(const std::optional<double>& value) {
  return value ? JsonNumber(*value) : "null";
}

}  // namespace

std::string RectifierTextSection(const DesignCheck& check, char sep) {
  if (check.rectifiers.empty()) return "";
  std::string out = "  Secondaires redressés\n";
  for (const RectifierRow& row : check.rectifiers) {
    const RectifierRequest& q = row.setting.request;
    const RectifierSolution& s = row.solution;
    out += Line("  " + RowName(row.setting.row),
                std::string(RectifierText(q.type)) + " : " + Fixed(q.dc_v, 2, sep) + " V, " +
                    Fixed(q.dc_a, 3, sep) + " A continus, diodes " + Fixed(q.diode_drop_v, 2, sep) +
                    " V" + (q.type == RectifierType::CentreTap ? " (par moitié)" : ""));
    if (s.Solved()) {
      const RectifierPeriod& p = s.period;
      out +=
          Line("    Condensateur",
               Fixed(s.capacitor_uf, 0, sep) + " µF " + (s.capacitor_chosen ? "choisi" : "donné") +
                   ", " +
                   (s.capacitor_rating_v ? Fixed(*s.capacitor_rating_v, 0, sep) + " V de service"
                                         : "aucune tension de service jusqu'à 500 V (crête " +
                                               Fixed(s.no_load_peak_at_110pct_v, 1, sep) + " V)"));
      out += Line("    Enroulement", Fixed(s.e_rms, 2, sep) + " V à vide, " +
                                         Fixed(p.winding_rms_a, 3, sep) + " A efficaces (" +
                                         Fixed(p.winding_rms_a / q.dc_a, 2, sep) +
                                         " × le courant continu), R_s " +
                                         Fixed(row.source_ohm.value_or(0), 3, sep) + " Ω");
      out += Line("    Diodes", "crête " + Fixed(p.peak_diode_a, 2, sep) + " A, conduction " +
                                    Fixed(p.conduction_deg, 1, sep) + "°");
      out += Line("    Ondulation", Fixed(p.ripple_v, 2, sep) + " V crête à crête, " +
                                        Fixed(p.capacitor_ripple_a, 3, sep) +
                                        " A efficaces dans le condensateur");
      const auto volts = [sep](const std::optional<double>& v) {
        return v ? Fixed(*v, 2, sep) + " V" : std::string("–");
      };
      out += Line("    Secteur 90 %, 110 %",
                  volts(s.dc_v_at_90pct_mains) + ", " + volts(s.dc_v_at_110pct_mains));
      out +=
          Line("    Tel que bobiné", row.turns_as_wound && row.dc_v_as_wound
                                         ? volts(row.dc_v_as_wound) + " continus sur " +
                                               (q.type == RectifierType::CentreTap ? "2 × " : "") +
                                               std::to_string(*row.turns_as_wound) + " spires"
                                         : std::string("–"));
    }
    out += Line("    État", std::string(TermOf(s.status).text));
  }
  return out;
}

std::string RectifierJsonMember(const DesignCheck& check) {
  if (check.rectifiers.empty()) return "";
  std::string out;
  for (const RectifierRow& row : check.rectifiers) {
    const RectifierRequest& q = row.setting.request;
    const RectifierSolution& s = row.solution;
    const bool solved = s.Solved();
    const auto figure = [solved](double value) { return solved ? JsonNumber(value) : "null"; };
    const auto field = [&out](std::string_view key, const std::string& value) {
      out += ", " + JsonString(key) + ": " + value;
    };
    out += std::string(out.empty() ? "" : ", ") + "{\"row\": " + std::to_string(row.setting.row);
    field("type", text::Json({RectifierCode(q.type), RectifierText(q.type)}));
    field("dc_v", JsonNumber(q.dc_v));
    field("dc_a", JsonNumber(q.dc_a));
    field("capacitor_uf", solved           ? JsonNumber(s.capacitor_uf)
                          : q.capacitor_uf ? JsonNumber(*q.capacitor_uf)
                                           : "null");
    field("capacitor_chosen", q.capacitor_uf ? "false" : "true");
    field("capacitor_rating_v", solved ? Number(s.capacitor_rating_v) : "null");
    field("diode_drop_v", JsonNumber(q.diode_drop_v));
    field("ac_no_load_v", figure(s.e_rms));
    field("ac_rms_a", figure(s.period.winding_rms_a));
    field("peak_diode_a", figure(s.period.peak_diode_a));
    field("conduction_deg", figure(s.period.conduction_deg));
    field("ripple_v", figure(s.period.ripple_v));
    field("capacitor_ripple_a", figure(s.period.capacitor_ripple_a));
    field("dc_v_at_90pct_mains", solved ? Number(s.dc_v_at_90pct_mains) : "null");
    field("dc_v_at_110pct_mains", solved ? Number(s.dc_v_at_110pct_mains) : "null");
    field("dc_v_as_wound", solved ? Number(row.dc_v_as_wound) : "null");
    const RectifierStatusTerm status = TermOf(s.status);
    field("status", text::Json({status.code, status.text}));
    out += "}";
  }
  return ", \"rectifiers\": [" + out + "]";
}

}  // namespace kel
