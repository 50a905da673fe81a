#include "report/HtmlReport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "app/ChainReport.h"
#include "check/CheckTerms.h"
#include "documents/DesignDocument.h"
#include "report/CheckText.h"
#include "report/CheckView.h"
#include "report/NoLoadText.h"
#include "report/WindingSvg.h"
#include "util/NumberText.h"
#include "util/OutputText.h"
#include "util/Paths.h"

namespace kel {

namespace {

std::string Html(const std::string& text) {
  std::string out;
  for (const char c : XmlEscaped(text)) {
    if (c == '\n') {
      out += "<br>";
    } else if (c == '\t') {
      out += "&nbsp;&nbsp;&nbsp;&nbsp;";
    } else if (c != '\r') {
      out += c;
    }
  }
  return out;
}

// Inline, not by class: Qt's rich text takes colours from a cell's own style.
std::string LevelStyle(Level level) {
  switch (level) {
    case Level::Good:
      return " style=\"background-color: #d8f0d8; color: #14541a;\"";
    case Level::Warn:
      return " style=\"background-color: #ffe2b0; color: #7a4200;\"";
    case Level::Bad:
      return " style=\"background-color: #f8cccc; color: #a00000;\"";
    case Level::Plain:
      break;
  }
  return "";
}

// A two-column table of captions and values, a value with a note after it where the check
// differs, or with the colour of its verdict.
class Pairs {
 public:
  void Add(const std::string& caption, const std::string& value, const std::string& note = "") {
    rows_ += "<tr><th>" + Html(caption) + "</th><td>" + Html(value) +
             (note.empty() ? "" : " <span class=\"note\">— " + Html(note) + "</span>") +
             "</td></tr>\n";
  }
  void AddLevel(const std::string& caption, const std::string& value, Level level) {
    rows_ += "<tr><th>" + Html(caption) + "</th><td" + LevelStyle(level) + ">" + Html(value) +
             "</td></tr>\n";
  }
  std::string Text() const { return "<table class=\"pairs\">\n" + rows_ + "</table>\n"; }

 private:
  std::string rows_;
};

// A table with a header row; the first column names the row, a last column of notes is left
// aligned.
std::string Grid(const std::vector<std::string>& heads,
                 const std::vector<std::vector<std::string>>& rows, bool notes = false,
                 bool full_width = true) {
  std::string out =
      std::string("<table class=\"grid\"") + (full_width ? " width=\"100%\"" : "") + ">\n<tr>";
  for (const std::string& head : heads) out += "<th>" + Html(head) + "</th>";
  out += "</tr>\n";
  for (const auto& row : rows) {
    out += "<tr>";
    for (std::size_t c = 0; c < row.size(); ++c) {
      const bool note = notes && c + 1 == row.size();
      out += (c == 0 ? "<th>"
              : note ? "<td class=\"note\" align=\"left\">"
                     : "<td>") +
             Html(row[c]) + (c == 0 ? "</th>" : "</td>");
    }
    out += "</tr>\n";
  }
  return out + "</table>\n";
}

// A wire as it is bought: "0,40", "0,355", "2 × 1,80".
std::string WireText(const WindingCheck& w, char sep) {
  const bool thousandths = std::lround(w.wire_mm * 1000) % 10 != 0;
  return (w.strands > 1 ? std::to_string(w.strands) + " × " : "") +
         Fixed(w.wire_mm, thousandths ? 3 : 2, sep);
}

std::string Or(const std::optional<double>& value, int decimals, char sep) {
  return value ? Fixed(*value, decimals, sep) : "–";
}

// What stops the workshop: the lines of the red box on top of the sheet.
std::vector<std::string> Alarms(const CheckResult& r, char sep) {
  std::vector<std::string> lines;
  for (const WindingCheck& w : r.windings) {
    if (w.flag != WindingFlag::None) {
      lines.push_back(RowName(w.input.row) + " : " + std::string(TermOf(w.flag).text) +
                      ", la vérification est incomplète.");
    } else if (w.unreachable) {
      lines.push_back(RowName(w.input.row) + " : " + std::string(kUnreachable.text) +
                      " ; les spires sont celles du calcul.");
    }
  }
  if (r.fill_status == FillStatus::Overfull && r.build_mm && r.fill_pct) {
    lines.push_back("Le bobinage ne rentre pas dans la fenêtre : " + Fixed(*r.build_mm, 2, sep) +
                    " mm de hauteur pour " + Fixed(r.core.window_height_mm, 1, sep) + " mm (" +
                    Fixed(*r.fill_pct, 1, sep) + " %).");
  }
  if (r.thermal_verdict == ThermalVerdict::TooHot && r.copper_temperature_c) {
    lines.push_back("Le cuivre chauffe trop : " + Fixed(*r.copper_temperature_c, 1, sep) +
                    " °C pour une limite de " + Fixed(r.thermal_limit_c, 0, sep) +
                    " °C en classe " + ClassName(r.options.insulation_class) + ".");
  }
  if (r.copper_temperature_c && !r.converged) {
    lines.push_back("La température du cuivre ne se stabilise pas.");
  }
  return lines;
}

Level InductionLevel(const CheckResult& r) {
  return r.induction_real_t > kInductionAlertT                   ? Level::Bad
         : r.induction_real_at_110pct_mains_t > kInductionAlertT ? Level::Warn
                                                                 : Level::Good;
}

// Page 1: what the workshop winds, winding by winding from the bobbin outwards.
std::string WindingSheet(const ReportInput& in, DrawingAs drawing) {
  const char sep = in.decimal_separator;
  const DesignCheck& check = *in.check;
  // Every figure of the sheet, its colours and the drawing from the design as it is wound.
  DesignCheck wound = check;
  if (check.as_wound) wound.result = check.as_wound;
  const CheckView view = MakeCheckView(wound, sep);
  std::string out;
  for (const std::string& problem : view.problems) out += "<p>" + Html(problem) + "</p>\n";
  if (!view.none.empty()) return out + "<p class=\"alarm\">" + Html(view.none) + "</p>\n";
  const CheckResult& r = *wound.result;
  const CheckOptions& o = r.options;

  std::vector<std::string> heads = {""};
  for (const WindingCheck& w : r.windings) heads.push_back(RowName(w.input.row));

  std::vector<std::string> alarms = Alarms(r, sep);
  const auto not_as_wound = [](const WindingCheck& w) {
    return w.input.row != 0 && w.turns_to_wind && *w.turns_to_wind != w.input.turns;
  };
  if (std::any_of(r.windings.begin(), r.windings.end(), not_as_wound)) {
    alarms.push_back(
        "Les spires à bobiner ne se stabilisent pas : bobinées, leur cuivre en plus fait encore"
        " chuter la tension. Les chiffres sont ceux des spires du calcul.");
  }
  if (!alarms.empty() && in.cores) {
    alarms.push_back(AdvisedCoreText(*in.cores, sep));
  }
  if (!alarms.empty()) {
    out += "<table class=\"alarm\" width=\"100%\" cellpadding=\"6\"><tr><td>";
    for (std::size_t i = 0; i < alarms.size(); ++i) out += (i ? "<br>" : "") + Html(alarms[i]);
    out += "</td></tr></table>\n";
  }

  const bool taped = r.tape_mm > 0;
  const bool two = r.chamber_count == 2;
  std::vector<std::vector<std::string>> rows;
  const auto row = [&](const std::string& caption, auto cell) {
    std::vector<std::string> line = {caption};
    for (const WindingCheck& w : r.windings) line.push_back(cell(w));
    rows.push_back(std::move(line));
  };
  using W = const WindingCheck&;
  const auto laid_out = [](W w) { return w.flag == WindingFlag::None && w.layers > 0; };
  row("Tension (V)", [&](W w) { return WrittenNumber(in.sheet->TxVolts[w.input.row], sep); });
  row("Courant (A)", [&](W w) { return Fixed(w.current_a, w.current_a < 10 ? 2 : 1, sep); });
  // A secondary whose turns to wind could not be worked out is wound with the calculation's.
  row("Spires à bobiner", [&](W w) {
    return std::to_string(w.input.turns) +
           (w.input.row != 0 && (!w.turns_to_wind || not_as_wound(w)) ? " (calcul)" : "");
  });
  row("Fil (mm)", [&](W w) {
    return w.flag == WindingFlag::OffTable ? std::string(TermOf(w.flag).text) : WireText(w, sep);
  });
  row("Émail", [&](W) { return "grade " + std::to_string(o.grade); });
  row("Hors tout (mm)",
      [&](W w) { return w.flag == WindingFlag::OffTable ? "–" : Fixed(w.overall_mm, 3, sep); });
  row("Spires/couche", [&](W w) {
    return laid_out(w) ? std::to_string(w.turns_per_layer) : std::string(TermOf(w.flag).text);
  });
  row("Couches", [&](W w) { return laid_out(w) ? std::to_string(w.layers) : "–"; });
  row("Entre couches (mm)",
      [&](W w) { return laid_out(w) && w.layers > 1 ? Fixed(o.interlayer_mm, 2, sep) : "–"; });
  row("Enveloppe (mm)", [&](W) { return Fixed(o.wrap_mm, 2, sep); });
  if (taped || two) {
    row(two ? "Cloison" : "Puis ruban", [&](W w) {
      if (w.input.row != 0) return std::string();
      return two ? Fixed(o.partition_mm, 1, sep) + " mm"
                 : std::to_string(o.tape_layers) + " × " + Fixed(o.tape_thickness_mm, 2, sep) +
                       " mm";
    });
  }
  if (two) row("Compartiment", [&](W w) { return std::to_string(w.chamber); });
  row("Hauteur (mm)", [&](W w) { return laid_out(w) ? Fixed(w.build_mm, 2, sep) : "–"; });
  row("Longueur (m)", [&](W w) { return w.copper ? Fixed(w.copper->length_m, 1, sep) : "–"; });
  row("À acheter (m)",
      [&](W w) { return w.copper ? std::to_string(CopperToBuyM(w.copper->length_m)) : "–"; });
  row("Masse (kg)", [&](W w) {
    return w.copper && w.copper->length_m > 0
               ? Fixed(w.copper->copper_mass_kg / w.copper->length_m *
                           CopperToBuyM(w.copper->length_m),
                       3, sep)
               : "–";
  });
  row("En charge (V)", [&](W w) {
    if (w.input.row == 0) return std::string();
    return w.volts ? Fixed(w.volts->loaded_v, 1, sep) : "–";
  });
  out += Grid(heads, rows);
  out +=
      "<p class=\"note\">Du noyau vers l'extérieur, primaire d'abord. Tout, le dessin compris,"
      " pour les spires à bobiner. À acheter : la longueur + 5 % et deux sorties de 150 mm, au"
      " mètre supérieur, et sa masse.</p>\n";

  Pairs whole;
  whole.Add("Noyau", r.core.ref);
  whole.Add("Tôle", o.steel + " (" + Fixed(r.steel_loss_w_per_kg, 2, sep) + " W/kg)");
  whole.AddLevel("Remplissage", FillText(r, sep), view.fill_level);
  whole.AddLevel(
      "Cuivre",
      r.copper_temperature_c
          ? Fixed(*r.copper_temperature_c, 1, sep) + " °C, limite " +
                Fixed(r.thermal_limit_c, 0, sep) + " °C en classe " +
                ClassName(o.insulation_class) +
                (r.thermal_verdict ? " (" + std::string(TermOf(*r.thermal_verdict).text) + ")"
                                   : std::string())
          : std::string(kIncomplete),
      view.thermal_level);
  whole.AddLevel("Induction réelle",
                 Fixed(r.induction_real_t, 2, sep) + " T ; " +
                     Fixed(r.induction_real_at_110pct_mains_t, 2, sep) + " T à 110 % du secteur",
                 InductionLevel(r));
  whole.Add("Pertes", "fer " + Fixed(r.iron_loss_w, 1, sep) + " W, cuivre " +
                          Or(r.copper_loss_w, 1, sep) + " W");
  whole.Add("Rendement", Or(r.efficiency_pct, 1, sep) + " %");
  if (r.no_load) {
    const NoLoadVerdict idle = r.no_load->verdict;
    whole.AddLevel("À vide", IdleSummary(r, sep),
                   idle == NoLoadVerdict::Ok          ? Level::Good
                   : idle == NoLoadVerdict::Tight     ? Level::Warn
                   : idle == NoLoadVerdict::Saturated ? Level::Bad
                                                      : Level::Plain);
    const std::optional<PrimaryFuse>& fuse = r.fuses.primary;
    whole.AddLevel("Fusibles", FuseSummary(r, sep),
                   !fuse || fuse->status == FuseStatus::Ok ? Level::Plain
                   : fuse->status == FuseStatus::Oversized ? Level::Warn
                                                           : Level::Bad);
  }
  whole.Add("Ambiante", Fixed(o.ambient_c, 0, sep) + " °C");

  // The layout's cells styled inline: Qt's reader knows no child selector to tell them from the
  // cells of the tables they hold.
  out +=
      "<table class=\"layout\" width=\"100%\"><tr><td width=\"50%\" align=\"left\""
      " valign=\"top\" style=\"border: none; padding: 0; text-align: left;\">\n";
  out += "<p class=\"caption\" align=\"left\">Fenêtre de bobinage</p>\n";
  out += drawing == DrawingAs::InlineSvg
             ? WindingWindowSvg(r, sep)
             : std::string("<p><img src=\"") + kDrawingUrl + "\"></p>\n";
  out +=
      "</td><td width=\"50%\" align=\"left\" valign=\"top\""
      " style=\"border: none; padding: 0 0 0 8pt; text-align: left;\">\n" +
      whole.Text() + "</td></tr></table>\n";
  return out;
}

// The check's wire for a winding where it is not the chain's.
bool SameWire(const WindingCheck& w, const std::string& chain_text) {
  return w.strands == 1 && std::fabs(ReadNumber(chain_text) - w.wire_mm) < 0.0005;
}

// Where the check differs from the chain's figures of a winding, in words.
std::string CheckNote(const ReportInput& in, int row) {
  if (!in.check || !in.check->result) return "";
  const char sep = in.decimal_separator;
  const DesignSheet& s = *in.sheet;
  // Compared with what page 1 says to wind.
  for (const WindingCheck& w : WoundResult(*in.check).windings) {
    if (w.input.row != row) continue;
    std::vector<std::string> parts;
    if (w.input.turns != static_cast<int>(ReadNumber(s.TxSpires[row]))) {
      parts.push_back(std::to_string(w.input.turns) + " spires");
    }
    if (w.flag != WindingFlag::OffTable && !SameWire(w, s.TxDiaCu[row])) {
      parts.push_back("fil " + WireText(w, sep) + " mm");
    }
    if (w.volts &&
        Fixed(w.volts->loaded_v, 1, sep) != Fixed(ReadNumber(s.TxTrueVolts[row]), 1, sep)) {
      parts.push_back(Fixed(w.volts->loaded_v, 1, sep) + " V en charge");
    }
    std::string note;
    for (const std::string& part : parts) note += (note.empty() ? "" : ", ") + part;
    return note.empty() ? note : "la vérification donne " + note;
  }
  return "";
}

// Page 2: the chain's own figures, numbers written as a person writes them.
std::string QuickCalculation(const ReportInput& in) {
  const DesignSheet& s = *in.sheet;
  const char sep = in.decimal_separator;
  const auto num = [sep](const std::string& text) { return WrittenNumber(text, sep); };
  const CheckResult* r = in.check && in.check->result ? &*in.check->result : nullptr;
  std::string out = "<h2>Calcul rapide</h2>\n";
  Pairs iron;
  iron.Add("Noyau", Marked(s.LbNoyau, s.LbNoyauColour) +
                        " (le plus léger suffisant : " + s.LbNoyauMin + ")");
  iron.Add("Fe (Kg)", num(s.LbFeMasse));
  iron.Add("Fe (Cm²)", num(s.LbFeSect));
  iron.Add("T réèl", Marked(num(s.LbTrueTesla), s.LbTrueTeslaColour));
  iron.Add("Pertes Fe (W)", num(s.LbTrueFeLoss));
  iron.Add("Spires/Volt", num(s.LbSpVolt));
  std::string fits;
  if (r && r->fill_status && r->build_mm) {
    const bool chain_fits = s.LbTotCuColour != TextColour::Red;
    const bool check_fits = *r->fill_status != FillStatus::Overfull;
    if (chain_fits != check_fits) {
      fits = "la vérification donne " + Fixed(*r->build_mm, 2, sep) +
             (check_fits ? " mm : rentre" : " mm : ne rentre pas");
    }
  }
  iron.Add("Hauteur utilisée (mm)", Marked(num(s.LbTotCu), s.LbTotCuColour), fits);
  iron.Add("Hauteur utile (mm)", num(s.LbSectCuMax));
  iron.Add("Pertes Cu (W@60°C)", num(s.LbPertesCu));
  iron.Add("Watts fournis", num(s.LbWatts));
  iron.Add("Watts consommés", num(s.LbWattsTot));
  std::string efficiency;
  if (r && r->efficiency_pct &&
      Fixed(*r->efficiency_pct, 0, sep) != Fixed(ReadNumber(s.Lbn), 0, sep)) {
    efficiency = "la vérification donne " + Fixed(*r->efficiency_pct, 1, sep) + " %";
  }
  iron.Add("Rendement", num(s.Lbn), efficiency);
  out += iron.Text();
  std::vector<std::vector<std::string>> copper;
  for (int i = 0; i < kRows; ++i) {
    if (s.TxSpires[i].empty()) continue;
    copper.push_back({RowName(i), num(s.LbDiaMin[i]), Marked(num(s.TxDiaCu[i]), s.TxDiaCuColour[i]),
                      num(s.TxSpires[i]), num(s.TxLongCu[i]), num(s.TxResCu[i]),
                      num(s.TxTrueVolts[i]), num(s.TxTotCu[i]), num(s.TxSpLayer[i]),
                      CheckNote(in, i)});
  }
  std::vector<std::string> heads(std::begin(kCopperHeadings), std::end(kCopperHeadings));
  heads.push_back("Vérification");
  out += Grid(heads, copper, true);
  out += "<p class=\"note\">(!) : valeur signalée en rouge par le calcul</p>\n";
  return out;
}

}  // namespace

bool WantsAnotherCore(const DesignCheck& check) {
  if (!check.result) return false;
  const CheckResult& r = WoundResult(check);
  return !r.complete || r.fill_status == FillStatus::Overfull ||
         r.thermal_verdict == ThermalVerdict::TooHot;
}

ReportInput FormReportInput(MainForm& form, const DesignCheck& check) {
  ReportInput input{&form.Sheet(),
                    &check,
                    form.DocPath(),
                    TodayText(),
                    ManufacturingSheetLines(form.Sheet(), form.DocPath()),
                    form.DecimalSeparator(),
                    {}};
  if (WantsAnotherCore(check)) input.cores = SearchFormCores(form, check.options);
  return input;
}

std::string ReportName(const ReportInput& input) {
  return input.doc_path.empty() ? "Sans nom" : FileNameOf(input.doc_path);
}

int CopperToBuyM(double length_m) {
  constexpr double kSpare = 1.05, kLeadsM = 2 * 0.150;
  // A length a whole number of metres stays so whatever the last bit of its product.
  return static_cast<int>(std::ceil(length_m * kSpare + kLeadsM - 1e-9));
}

std::string HtmlReport(const ReportInput& in, DrawingAs drawing) {
  const DesignSheet& s = *in.sheet;
  const char sep = in.decimal_separator;
  const std::string name = ReportName(in);
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n<title>Kelvanor : " +
      Html(name) +
      "</title>\n<style>\n"
      "@page { size: A4; margin: 15mm; }\n"
      "body { font-family: 'DejaVu Sans', sans-serif; font-size: 9pt; margin: 0; }\n"
      "h1 { font-size: 14pt; margin: 0 0 2pt 0; }\n"
      "h2 { font-size: 11pt; margin-top: 10pt; margin-bottom: 4pt; break-after: avoid;"
      " page-break-after: avoid; }\n"
      "h2.page2 { break-before: page; page-break-before: always; margin-top: 0; }\n"
      "table { border-collapse: collapse; margin-bottom: 4pt; }\n"
      "th, td { border: 1px solid #999999; padding: 1px 4px; }\n"
      "th { text-align: left; background-color: #eeeeee; font-weight: normal;"
      " white-space: nowrap; }\n"
      "td { text-align: right; }\n"
      "table.alarm td { border: 2px solid #c00000; background-color: #fbe0e0; color: #a00000;"
      " font-weight: bold; text-align: left; }\n"

      ".note { font-size: 8pt; } td.note { text-align: left; }\n"
      "p.caption { font-weight: bold; margin: 4pt 0 2pt 0; }\n"
      "p.alarm { color: #a00000; font-weight: bold; }\n"
      "</style>\n"
      // A browser prints the name and the page number in the margins; a style sheet of its own,
      // as Qt's reader drops the whole sheet at a rule nested in another.
      "<style>\n@page {\n  @top-left { content: \"" +
      Html(name) +
      "\"; font: 8pt 'DejaVu Sans', sans-serif; }\n"
      "  @bottom-right { content: \"page \" counter(page) \"/\" counter(pages);"
      " font: 8pt 'DejaVu Sans', sans-serif; }\n}\n</style>\n</head>\n<body>\n";
  out += "<h1>Fiche de bobinage : " + Html(name) + "</h1>\n";
  out += "<p>Rapport du " + Html(in.date) + " &mdash; Kelvanor</p>\n";
  out += WindingSheet(in, drawing);

  out += "<h2 class=\"page2\" style=\"page-break-before: always\">" +
         std::string(kSecondPageTitle) + "</h2>\n";
  Pairs spec;
  spec.Add("Fréquence (Hz)", WrittenNumber(s.TxFreq, sep));
  spec.Add("Induction (T)", WrittenNumber(s.TxTesla, sep));
  spec.Add("Densité de courant (A/mm²)", WrittenNumber(s.TxDCourant, sep));
  out += spec.Text();
  std::vector<std::vector<std::string>> windings;
  for (int i = 0; i < kRows; ++i) {
    if (s.TxVolts[i].empty() && (i == 0 || s.TxAmps[i].empty())) continue;
    windings.push_back({RowName(i), WrittenNumber(s.TxVolts[i], sep),
                        WrittenNumber(i == 0 ? s.LbAmpsPri : s.TxAmps[i], sep)});
  }
  out += Grid({"", "Volts", "Amps"}, windings, false, false);

  out += QuickCalculation(in);

  out += "<h2>Fiche de fabrication</h2>\n";
  Pairs fab;
  for (const auto& [key, value] : in.sheet_lines) fab.Add(key, value);
  out += fab.Text();
  if (!s.TxRem.empty()) out += "<h2>Remarques</h2>\n<p>" + Html(s.TxRem) + "</p>\n";
  out += "<p class=\"note\">" + Html(kWireSource) + "</p>\n</body>\n</html>\n";
  return out;
}

std::string TodayText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  char* end = nullptr;
  const long long fixed = epoch ? std::strtoll(epoch, &end, 10) : 0;
  if (epoch && *epoch != '\0' && *end == '\0') {
    now = static_cast<std::time_t>(fixed);
    gmtime_r(&now, &local);
  } else {
    localtime_r(&now, &local);
  }
  char text[16];
  std::strftime(text, sizeof text, "%d/%m/%Y", &local);
  return text;
}

}  // namespace kel
