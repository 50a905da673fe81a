#include "report/NoLoadText.h"

#include "check/NoLoadFigures.h"
#include "report/CheckText.h"
#include "report/TextLines.h"
#include "util/OutputText.h"

namespace kel {

namespace {

using text::Json;
using text::Line;

std::string JsonOr(const std::optional<double>& value, double scale = 1) {
  return value ? JsonNumber(*value * scale) : "null";
}

std::string PrimaryFuseText(const PrimaryFuse& fuse, char sep) {
  std::string text = fuse.rating_a ? FuseText(*fuse.rating_a, sep) : "";
  if (fuse.rating_a) {
    text += " (I²t de fusion " +
            Fixed(kMeltingI2tPerIn2 * *fuse.rating_a * *fuse.rating_a, 2, sep) + " A²s)";
  }
  if (fuse.status != FuseStatus::Ok || !fuse.rating_a) {
    text += std::string(fuse.rating_a ? " : " : "") + std::string(TermOf(fuse.status).text);
  }
  return text;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> NoLoadNotes(const CheckResult& r, char sep) {
  std::vector<std::pair<std::string, std::string>> notes;
  if (!r.no_load) return notes;
  const NoLoadResult& n = *r.no_load;
  const auto add = [&notes](std::string caption, std::string value) {
    notes.emplace_back(std::move(caption), std::move(value));
  };
  add("À vide", "courbe " + std::string(n.curve.grade) +
                    (n.curve.approximated ? " (" + std::string(kCurveApproximated) + ")" : "") +
                    ", chemin fer " + Fixed(n.iron_path_m * 1000, 1, sep) +
                    " mm, entrefer des joints " + Fixed(n.joint_gap_m * 1e6, 0, sep) + " µm");
  add(kIdleVerdictCaption, std::string(TermOf(n.verdict).text) + " (I0 à 110 % : " +
                               Fixed(n.at[kHighMainsIndex].current_pct, 1, sep) +
                               " % de I1n = " + Fixed(n.rated_current_a, 3, sep) + " A)");
  add("Induction conseillée", n.advised_induction_t
                                  ? Fixed(*n.advised_induction_t, 2, sep) + " T (section brute)"
                                  : std::string("aucune"));
  if (!r.switch_on) {
    add("Mise sous tension", std::string(kNotComputed));
  } else {
    const SwitchOnResult& on = *r.switch_on;
    const SwitchOn& f = on.figures;
    add("Mise sous tension",
        f.peak_a && f.peak_time_s && f.i2t_a2s
            ? "crête " + Fixed(*f.peak_a, 2, sep) + " A à " + Fixed(*f.peak_time_s * 1000, 2, sep) +
                  " ms" +
                  (on.peak_times_rated ? ", " + Fixed(*on.peak_times_rated, 1, sep) + " × I1n"
                                       : std::string()) +
                  ", I²t " + Fixed(*f.i2t_a2s, 3, sep) + " A²s"
            : std::string(kNotComputed));
    add("", "rémanence " + Fixed(on.remanence, 2, sep) + ", inductance dans l'air " +
                Fixed(on.air_inductance_h * 1000, 3, sep) + " mH, résistance " +
                Fixed(on.resistance_ohm, 2, sep) + " Ω");
  }
  if (r.fuses.primary) {
    add(kPrimaryFuseCaption, PrimaryFuseText(*r.fuses.primary, sep));
    if (r.fuses.primary->on_current_alone) add("", std::string(kFuseWithoutSwitchOn));
  } else {
    add(kPrimaryFuseCaption, std::string(kNotComputed));
  }
  for (int i = 0; i < r.fuses.secondary_count; ++i) {
    const SecondaryFuse& fuse = r.fuses.secondaries[i];
    add("Fusible " + RowName(fuse.row), SecondaryFuseText(fuse, sep));
  }
  add("", std::string(kFuseI2tNote));
  return notes;
}

std::string NoLoadTextSection(const CheckResult& r, char sep) {
  if (!r.no_load) return "";
  const std::vector<std::pair<std::string, std::string>> notes = NoLoadNotes(r, sep);
  // The curve's line, the table of the mains factors, then the rest.
  std::string out = Line(notes[0].first, notes[0].second);
  for (const NoLoadPointFigure& figure : NoLoadPointFigures()) {
    std::string line = "    " + PadRight(CaptionWithUnit(figure.caption, figure.unit), 30);
    for (const NoLoadPoint& point : r.no_load->at) {
      line += " " + PadLeft(FigureText(figure.value(point), figure.decimals, sep), 11);
    }
    out += line + "\n";
  }
  for (std::size_t i = 1; i < notes.size(); ++i) out += Line(notes[i].first, notes[i].second);
  return out;
}

std::string NoLoadJsonFields(const CheckResult& r) {
  std::string out = ", \"no_load\": ";
  if (!r.no_load) {
    out += "null";
  } else {
    const NoLoadResult& n = *r.no_load;
    out += "{\"curve\": {\"grade\": " + JsonString(n.curve.grade) +
           ", \"approximated\": " + (n.curve.approximated ? "true" : "false") +
           "}, \"iron_path_mm\": " + JsonNumber(n.iron_path_m * 1000) +
           ", \"joint_gap_um\": " + JsonNumber(n.joint_gap_m * 1e6) + ", \"at\": [";
    for (std::size_t i = 0; i < n.at.size(); ++i) {
      out += i ? ", {" : "{";
      bool first = true;
      for (const NoLoadPointFigure& figure : NoLoadPointFigures()) {
        const FigureValue value = figure.value(n.at[i]);
        out += (first ? "" : ", ") + JsonString(figure.json_key) + ": " +
               (value.kind == FigureValue::Kind::Number ? JsonNumber(value.number) : "null");
        first = false;
      }
      out += "}";
    }
    out += "], \"verdict\": " + Json(TermOf(n.verdict)) +
           ", \"advised_induction_t\": " + JsonOr(n.advised_induction_t) + "}";
  }
  out += ", \"switch_on\": ";
  if (!r.switch_on) {
    out += "null";
  } else {
    const SwitchOnResult& on = *r.switch_on;
    out += "{\"remanence\": " + JsonNumber(on.remanence) +
           ", \"air_inductance_mh\": " + JsonNumber(on.air_inductance_h * 1000) +
           ", \"resistance_ohm\": " + JsonNumber(on.resistance_ohm) +
           ", \"peak_a\": " + JsonOr(on.figures.peak_a) +
           ", \"peak_time_ms\": " + JsonOr(on.figures.peak_time_s, 1000) +
           ", \"peak_times_rated\": " + JsonOr(on.peak_times_rated) +
           ", \"i2t_a2s\": " + JsonOr(on.figures.i2t_a2s) + "}";
  }
  out += ", \"fuses\": {\"primary\": ";
  if (!r.fuses.primary) {
    out += "null";
  } else {
    const PrimaryFuse& fuse = *r.fuses.primary;
    const std::optional<double> i2t =
        fuse.rating_a ? std::optional(kMeltingI2tPerIn2 * *fuse.rating_a * *fuse.rating_a)
                      : std::nullopt;
    out += "{\"rating_a\": " + JsonOr(fuse.rating_a) + ", \"melting_i2t_a2s\": " + JsonOr(i2t) +
           ", \"text\": " +
           JsonString(fuse.rating_a ? FuseText(*fuse.rating_a, '.') : TermOf(fuse.status).text) +
           ", \"status\": " + Json(TermOf(fuse.status)) + "}";
  }
  out += ", \"secondaries\": [";
  for (int i = 0; i < r.fuses.secondary_count; ++i) {
    const SecondaryFuse& fuse = r.fuses.secondaries[i];
    out += std::string(i ? ", " : "") + "{\"row\": " + std::to_string(fuse.row) +
           ", \"rating_a\": " + JsonOr(fuse.rating_a) +
           ", \"text\": " + JsonString(SecondaryFuseText(fuse, '.')) + "}";
  }
  return out + "]}";
}

}  // namespace kel
