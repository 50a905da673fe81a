#include "analysis/CheckReport.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "app/Report.h"

namespace kel {

namespace {

std::size_t Width(const std::string& text) {
  std::size_t width = 0;
  for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return width;
}

std::string Pad(const std::string& text, std::size_t width, bool left) {
  const std::size_t w = Width(text);
  if (w >= width) return text;
  return left ? std::string(width - w, ' ') + text : text + std::string(width - w, ' ');
}

std::string Line(const std::string& caption, const std::string& value) {
  return "  " + Pad(caption, 24, false) + value + "\n";
}

const char* RowName(int row) {
  static constexpr const char* kNames[] = {"Pri", "Sec 1", "Sec 2", "Sec 3", "Sec 4"};
  return row >= 0 && row < 5 ? kNames[row] : "?";
}

// A table whose first column is the winding and whose others are right-aligned figures.
class Table {
 public:
  Table(std::initializer_list<const char*> heads, std::size_t width) : width_(width) {
    Cells(heads.begin(), heads.end());
  }
  template <class It>
  void Cells(It first, It last) {
    std::string line = "  ";
    bool head = true;
    for (It it = first; it != last; ++it, head = false) {
      // A blank between two cells even when a figure is wider than its column.
      line += head ? Pad(*it, 7, false) : " " + Pad(*it, width_ - 1, true);
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text_ += line + "\n";
  }
  void Row(std::initializer_list<std::string> cells) { Cells(cells.begin(), cells.end()); }
  const std::string& Text() const { return text_; }

 private:
  std::size_t width_;
  std::string text_;
};

}  // namespace

std::string Fixed(double value, int decimals, char decimal_separator) {
  if (!std::isfinite(value)) return "–";
  static constexpr double kScales[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  decimals = std::clamp(decimals, 0, 6);
  const double scaled = std::round(std::fabs(value) * kScales[decimals]);
  char buffer[400];
  if (scaled < 1e15) {
    // Whole numbers print several times faster than fixed-point ones, and a check shows dozens.
    // At least one digit before the separator: 5 with two decimals is 0,05.
    char digits[32] = "0000000";
    char* first = digits + 7;
    char* last = std::to_chars(first, digits + sizeof digits, static_cast<long long>(scaled)).ptr;
    first = std::min(first, last - decimals - 1);
    char* out = buffer;
    if (value < 0 && scaled != 0) *out++ = '-';
    out = std::copy(first, last - decimals, out);
    if (decimals > 0) {
      *out++ = decimal_separator;
      out = std::copy(last - decimals, last, out);
    }
    return std::string(buffer, out);
  }
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (error != std::errc()) return "–";
  std::string text(buffer, end);
  for (char& c : text) {
    if (c == '.') c = decimal_separator;
  }
  return text;
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : "null";
}

std::string Fixed(const std::optional<double>& value, int decimals, char decimal_separator) {
  return value ? Fixed(*value, decimals, decimal_separator) : kIncomplete;
}

std::string JsonNumber(const std::optional<double>& value) {
  return value ? JsonNumber(*value) : "null";
}

std::string WireText(const WindingCheck& w, char sep) {
  if (w.flag == WindingFlag::OffTable) return Fixed(w.input.diameter_mm, 3, sep);
  const std::string wire = Fixed(w.wire_mm, 3, sep);
  return w.strands > 1 ? std::to_string(w.strands) + " × " + wire : wire;
}

std::string ClassText(const std::optional<InsulationClass>& required_class) {
  return required_class ? ClassName(*required_class) : kIncomplete;
}

std::string CheckTextSection(const DesignCheck& check, char sep) {
  std::string out = "Vérification\n";
  const CheckOptions& o = check.options;
  out += Line("Options", "fil grade " + std::to_string(o.grade) + ", ambiante " +
                             Fixed(o.ambient_c, 1, sep) + " °C, entre couches " +
                             Fixed(o.interlayer_mm, 2, sep) + " mm, enveloppe " +
                             Fixed(o.wrap_mm, 2, sep) + " mm,");
  out +=
      Line("", "tôle " + o.steel + ", facteur de construction " + Fixed(o.building_factor, 2, sep) +
                   ", foisonnement " + Fixed(o.stacking_factor, 2, sep) + ",");
  out += Line("", "classe " + std::string(ClassName(o.insulation_class)) + ", isolement " +
                      std::to_string(o.tape_layers) + " × " + Fixed(o.tape_thickness_mm, 2, sep) +
                      " mm, marge " + Fixed(o.margin_mm, 1, sep) + " mm, " +
                      (o.chambers == 2
                           ? "deux compartiments, cloison " + Fixed(o.partition_mm, 1, sep) + " mm"
                           : std::string("un compartiment")));
  for (const std::string& problem : check.problems) out += "  " + problem + "\n";
  if (!check.result) return out + Line("Pas de vérification", check.none);
  const CheckResult& r = *check.result;

  Table wire({"", "Spires", "Fil (mm)", "Hors tout", "Sp/couche", "Couches", "Haut (mm)"}, 10);
  Table copper({"", "A/mm²", "Long (m)", "R20 (Ω)", "R chaud (Ω)", "Pertes (W)", "Cu (kg)"}, 12);
  Table volts({"", "À vide (V)", "En charge", "Régul. (%)", "À bobiner", "En charge"}, 11);
  bool any_volts = false;
  for (const WindingCheck& w : r.windings) {
    const std::string name = RowName(w.input.row);
    const std::string turns = std::to_string(w.input.turns);
    if (w.flag == WindingFlag::OffTable) {
      wire.Row({name, turns, WireText(w, sep), FlagText(w.flag)});
      continue;
    }
    if (w.flag == WindingFlag::TooThick) {
      wire.Row({name, turns, WireText(w, sep), Fixed(w.overall_mm, 3, sep), FlagText(w.flag)});
      continue;
    }
    wire.Row({name, turns, WireText(w, sep), Fixed(w.overall_mm, 3, sep),
              std::to_string(w.turns_per_layer), std::to_string(w.layers),
              Fixed(w.build_mm, 2, sep)});
    const std::optional<WindingCopper>& c = w.copper;
    copper.Row({name, Fixed(w.current_density, 2, sep),
                Fixed(c ? std::optional(c->length_m) : std::nullopt, 1, sep),
                Fixed(c ? std::optional(c->r20_ohm) : std::nullopt, 3, sep),
                Fixed(w.r_hot_ohm, 3, sep), Fixed(w.copper_loss_w, 2, sep),
                Fixed(c ? std::optional(c->copper_mass_kg) : std::nullopt, 3, sep)});
    if (w.input.row != 0) {
      any_volts = true;
      const std::optional<WindingVolts>& v = w.volts;
      volts.Row({name, Fixed(v ? std::optional(v->no_load_v) : std::nullopt, 1, sep),
                 Fixed(v ? std::optional(v->loaded_v) : std::nullopt, 1, sep),
                 Fixed(v ? std::optional(v->regulation_pct) : std::nullopt, 1, sep),
                 w.turns_to_wind ? std::to_string(*w.turns_to_wind)
                 : w.unreachable ? kUnreachableText
                 : v             ? "–"
                                 : kIncomplete,
                 w.turns_to_wind ? Fixed(w.loaded_v_at_turns_to_wind, 1, sep)
                 : v             ? "–"
                                 : kIncomplete});
    }
  }
  out += wire.Text() + copper.Text();
  if (any_volts) out += volts.Text();
  out += Line("Hauteur bobinée (mm)", r.fill_status ? Fixed(r.build_mm, 2, sep) + " (" +
                                                          Fixed(r.fill_pct, 1, sep) + " %, " +
                                                          FillText(*r.fill_status) + ")"
                                                    : kIncomplete);
  out += Line("Pertes fer (W)", Fixed(r.iron_loss_w, 2, sep) + " (" + o.steel + ", " +
                                    Fixed(r.steel_loss_w_per_kg, 2, sep) + " W/kg)");
  out += Line("Pertes cuivre (W)", Fixed(r.copper_loss_w, 2, sep));
  out += Line("Surface (cm²)", Fixed(r.surface_cm2, 1, sep));
  out += Line("Échauffement (K)", Fixed(r.temperature_rise_k, 1, sep));
  out +=
      Line("Température (°C)",
           r.thermal_verdict ? Fixed(r.copper_temperature_c, 1, sep) + ", " +
                                   ThermalVerdictText(*r.thermal_verdict) + " en classe " +
                                   ClassName(o.insulation_class) + ", classe requise " +
                                   ClassText(r.required_class) + " (" + std::to_string(r.rounds) +
                                   (r.converged ? " tours)" : " tours, sans convergence)")
                             : kIncomplete);
  out += Line("Rendement (%)", Fixed(r.efficiency_pct, 1, sep));
  out += "  " + std::string(kWireSource) + "\n";
  return out;
}

std::string CheckJson(const DesignCheck& check) {
  if (!check.result) return "{\"none\": " + JsonString(check.none) + "}";
  const CheckResult& r = *check.result;
  const CheckOptions& o = r.options;
  const auto field = [](const char* key, const std::string& value) {
    return std::string(", \"") + key + "\": " + value;
  };
  std::string out = "{\"options\": {\"grade\": " + std::to_string(o.grade);
  out += field("ambient_c", JsonNumber(o.ambient_c));
  out += field("interlayer_mm", JsonNumber(o.interlayer_mm));
  out += field("wrap_mm", JsonNumber(o.wrap_mm));
  out += field("steel", JsonString(o.steel));
  out += field("steel_loss_w_per_kg", JsonNumber(r.steel_loss_w_per_kg));
  out += field("building_factor", JsonNumber(o.building_factor));
  out += field("stacking_factor", JsonNumber(o.stacking_factor));
  out += field("insulation_class", JsonString(ClassName(o.insulation_class)));
  out += field("tape_layers", std::to_string(o.tape_layers));
  out += field("tape_thickness_mm", JsonNumber(o.tape_thickness_mm));
  out += field("margin_mm", JsonNumber(o.margin_mm));
  out += field("bobbin_chambers", std::to_string(o.chambers));
  out += field("partition_mm", JsonNumber(o.partition_mm));
  if (!check.problems.empty()) {
    std::string list;
    for (const std::string& p : check.problems) list += (list.empty() ? "" : ", ") + JsonString(p);
    out += field("problems", "[" + list + "]");
  }
  // Every key is there for every winding; a figure the check could not work out is null.
  const auto number = [](bool known, double value) { return known ? JsonNumber(value) : "null"; };
  const auto whole = [](bool known, int value) { return known ? std::to_string(value) : "null"; };
  out += "}, \"windings\": [";
  for (std::size_t i = 0; i < r.windings.size(); ++i) {
    const WindingCheck& w = r.windings[i];
    const bool wire = w.flag != WindingFlag::OffTable;
    const bool laid = w.flag == WindingFlag::None;
    const std::optional<WindingCopper>& c = w.copper;
    out += i ? ", " : "";
    out += "{\"row\": " + std::to_string(w.input.row);
    out += field("turns", std::to_string(w.input.turns));
    out += field("diameter_mm", JsonNumber(w.input.diameter_mm));
    out += field("imposed", w.input.imposed ? "true" : "false");
    out += field("chamber", std::to_string(w.chamber));
    out += field("usable_width_mm", JsonNumber(w.usable_width_mm));
    out += field("strands", whole(wire, w.strands));
    out += field("wire_mm", number(wire, w.wire_mm));
    out += field("overall_mm", number(wire, w.overall_mm));
    out += field("turns_per_layer", whole(wire, w.turns_per_layer));
    out += field("layers", whole(laid, w.layers));
    out += field("build_mm", number(laid, w.build_mm));
    out += field("current_density", number(wire, w.current_density));
    out += field("mean_turn_mm", number(c.has_value(), c ? c->mean_turn_mm : 0));
    out += field("length_m", number(c.has_value(), c ? c->length_m : 0));
    out += field("r20_ohm", number(c.has_value(), c ? c->r20_ohm : 0));
    out += field("r_hot_ohm", JsonNumber(w.r_hot_ohm));
    out += field("copper_loss_w", JsonNumber(w.copper_loss_w));
    out += field("copper_mass_kg", number(c.has_value(), c ? c->copper_mass_kg : 0));
    if (w.input.row != 0) {
      const std::optional<WindingVolts>& v = w.volts;
      const WindingVolts none;
      const WindingVolts& volts = v ? *v : none;
      out += field("no_load_v", number(v.has_value(), volts.no_load_v));
      out += field("loaded_v", number(v.has_value(), volts.loaded_v));
      out += field("regulation_pct", number(v.has_value(), volts.regulation_pct));
      out += field("loaded_v_at_90pct_mains", number(v.has_value(), volts.loaded_v_at_90pct_mains));
      out +=
          field("loaded_v_at_110pct_mains", number(v.has_value(), volts.loaded_v_at_110pct_mains));
      out += field("no_load_v_at_110pct_mains",
                   number(v.has_value(), volts.no_load_v_at_110pct_mains));
      out +=
          field("turns_to_wind", whole(w.turns_to_wind.has_value(), w.turns_to_wind.value_or(0)));
      out += field("loaded_v_at_turns_to_wind", JsonNumber(w.loaded_v_at_turns_to_wind));
    }
    if (w.flag != WindingFlag::None) out += field("flag", JsonString(FlagText(w.flag)));
    if (w.unreachable) out += field("flag", JsonString(kUnreachableText));
    out += "}";
  }
  out += "]";
  out += field("complete", r.complete ? "true" : "false");
  out += field("tape_mm", JsonNumber(r.tape_mm));
  std::string chambers;
  for (int i = 0; i < r.chamber_count; ++i) {
    chambers += std::string(i ? ", " : "") +
                "{\"build_mm\": " + JsonNumber(r.chambers[i].build_mm) +
                ", \"fill_pct\": " + JsonNumber(r.chambers[i].fill_pct) + "}";
  }
  out += field("chambers", "[" + chambers + "]");
  out += field("build_mm", JsonNumber(r.build_mm));
  out += field("fill_pct", JsonNumber(r.fill_pct));
  out += field("fill_status", r.fill_status ? JsonString(FillText(*r.fill_status)) : "null");
  out += field("induction_real_t", JsonNumber(r.induction_real_t));
  out += field("induction_real_at_110pct_mains_t", JsonNumber(r.induction_real_at_110pct_mains_t));
  out += field("iron_loss_w", JsonNumber(r.iron_loss_w));
  out += field("primary_current_a", JsonNumber(r.primary_current_a));
  out += field("copper_loss_w", JsonNumber(r.copper_loss_w));
  out += field("surface_cm2", JsonNumber(r.surface_cm2));
  out += field("temperature_rise_k", JsonNumber(r.temperature_rise_k));
  out += field("copper_temperature_c", JsonNumber(r.copper_temperature_c));
  out += field("thermal_limit_c", JsonNumber(r.thermal_limit_c));
  out += field("thermal_verdict",
               r.thermal_verdict ? JsonString(ThermalVerdictText(*r.thermal_verdict)) : "null");
  out +=
      field("required_class", r.required_class ? JsonString(ClassName(*r.required_class)) : "null");
  out += field("efficiency_pct", JsonNumber(r.efficiency_pct));
  out += field("rounds", whole(r.copper_temperature_c.has_value(), r.rounds));
  // Not converging is rare enough to be said only when it happens.
  if (!r.converged) out += field("converged", "false");
  out += field("turns_to_wind_rounds", whole(r.turns_rounds > 0, r.turns_rounds));
  if (!r.turns_converged) out += field("turns_to_wind_converged", "false");
  return out + "}";
}

}  // namespace kel
