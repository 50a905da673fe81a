#include "check/NoLoadFigures.h"

#include <cmath>

#include "check/Fuses.h"
#include "util/OutputText.h"

namespace kel {

namespace {

FigureValue Number(double number) {
  FigureValue value;
  value.number = number;
  return value;
}

FigureValue NumberOr(const std::optional<double>& number) {
  if (number) return Number(*number);
  FigureValue value;
  value.kind = FigureValue::Kind::NotComputed;
  return value;
}

using P = const NoLoadPoint&;

constexpr NoLoadPointFigure kPointFigures[] = {
    {"mains", "Secteur", "%", "mains_pct", 0,
     [](P p) { return Number(std::round(p.mains_factor * 100)); }, true},
    {"induction", "Induction de crête B0", "T", "induction_t", 3,
     [](P p) { return Number(p.induction_t); }},
    {"magnetising", "Courant magnétisant Iµ", "A", "magnetising_a", 4,
     [](P p) { return Number(p.magnetising.rms_a); }},
    {"magnetising_peak", "Crête magnétisante Îµ", "A", "magnetising_peak_a", 4,
     [](P p) { return Number(p.magnetising.peak_a); }},
    {"crest_factor", "Facteur de crête", "", "crest_factor", 2,
     [](P p) { return Number(p.magnetising.crest_factor); }},
    {"iron_loss", "Pertes fer", "W", "iron_loss_w", 2, [](P p) { return Number(p.iron_loss_w); }},
    {"current", "Courant à vide I0", "A", "current_a", 4, [](P p) { return Number(p.current_a); }},
    {"current_pct", "I0 en part de I1n", "%", "current_pct_of_rated", 1,
     [](P p) { return Number(p.current_pct); }},
    {"power", "Puissance à vide P0", "W", "power_w", 2, [](P p) { return NumberOr(p.power_w); }},
    {"apparent", "Puissance apparente S0", "VA", "apparent_va", 2,
     [](P p) { return Number(p.apparent_va); }},
    {"power_factor", "cos φ0", "", "power_factor", 3, [](P p) { return NumberOr(p.power_factor); }},
};

}  // namespace

std::span<const NoLoadPointFigure> NoLoadPointFigures() {
  return kPointFigures;
}

Term TermOf(NoLoadVerdict verdict) {
  switch (verdict) {
    case NoLoadVerdict::Ok:
      return {"ok", "ok"};
    case NoLoadVerdict::Tight:
      return {"tight", "juste"};
    case NoLoadVerdict::Saturated:
      return {"saturated", "saturé"};
    case NoLoadVerdict::Unloaded:
      break;
  }
  return {"unloaded", "sans charge"};
}

Term TermOf(FuseStatus status) {
  switch (status) {
    case FuseStatus::Ok:
      return {"ok", "ok"};
    case FuseStatus::Oversized:
      return {"surdimensionne", "ne protège plus le bobinage contre la surcharge"};
    case FuseStatus::None:
      break;
  }
  return {"aucun", "aucun fusible T de la série ne convient"};
}

std::string SecondaryFuseText(const SecondaryFuse& fuse, char sep) {
  return fuse.rating_a ? FuseText(*fuse.rating_a, sep) : std::string(TermOf(FuseStatus::None).text);
}

std::string IdleSummary(const CheckResult& r, char sep) {
  if (!r.no_load) return "";
  const NoLoadResult& n = *r.no_load;
  const NoLoadPoint& nominal = n.at[0];
  std::string text =
      "I0 " + Fixed(nominal.current_a, 3, sep) + " A, P0 " +
      (nominal.power_w ? Fixed(*nominal.power_w, 1, sep) + " W" : std::string(kNotComputed)) +
      " au secteur nominal ; " + std::string(TermOf(n.verdict).text);
  if (n.verdict != NoLoadVerdict::Unloaded) text += " à 110 %";
  if (n.verdict == NoLoadVerdict::Tight || n.verdict == NoLoadVerdict::Saturated) {
    text += n.advised_induction_t
                ? " (induction conseillée " + Fixed(*n.advised_induction_t, 2, sep) + " T)"
                : std::string(" (aucune induction conseillée)");
  }
  return text;
}

std::string FuseSummary(const CheckResult& r, char sep) {
  if (!r.no_load) return "";
  std::string text = "primaire ";
  if (!r.fuses.primary) {
    text += std::string(kNotComputed);
  } else if (!r.fuses.primary->rating_a) {
    text += TermOf(r.fuses.primary->status).text;
  } else {
    text += FuseText(*r.fuses.primary->rating_a, sep);
    if (r.fuses.primary->status != FuseStatus::Ok) {
      text += " (" + std::string(TermOf(r.fuses.primary->status).text) + ")";
    }
  }
  for (int i = 0; i < r.fuses.secondary_count; ++i) {
    text += " ; " + RowName(r.fuses.secondaries[i].row) + " " +
            SecondaryFuseText(r.fuses.secondaries[i], sep);
  }
  return text;
}

}  // namespace kel
