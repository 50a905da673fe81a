#include "report/HtmlReport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "check/CheckTerms.h"
#include "check/Verdict.h"
#include "documents/DesignDocument.h"
#include "report/ChainReport.h"
#include "report/CheckText.h"
#include "report/CheckView.h"
#include "report/IdlePlots.h"
#include "report/NoLoadText.h"
#include "report/PlotSvg.h"
#include "report/WindingSvg.h"
#include "util/NumberText.h"
#include "util/OutputText.h"
#include "util/Paths.h"
#include "util/Text.h"

namespace kel {

namespace {

// The remarks as a report shows them: whole up to kReportRemarksLimit bytes, then cut at a
// character's start and followed by how much the document keeps beyond. A megabyte of remarks
// would be hundreds of pages, and minutes of layout in the PDF writer.
constexpr std::size_t kReportRemarksLimit = 20000;
// Page 1 is the workshop's sheet: the remarks' beginning, the whole on page 2.
constexpr std::size_t kSheetRemarksLimit = 2000;

std::string ReportedRemarks(const std::string& remarks, std::size_t limit = kReportRemarksLimit) {
  if (remarks.size() <= limit) return remarks;
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(remarks[cut]) & 0xC0) == 0x80) --cut;
  const auto rest = static_cast<std::size_t>(
      std::count_if(remarks.begin() + static_cast<std::ptrdiff_t>(cut), remarks.end(),
                    [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
  return remarks.substr(0, cut) + " […] (remarques coupées ici ; le document en garde " +
         std::to_string(rest) + " caractères de plus)";
}

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
  return FigureText(WireBought(w), 0, sep);
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
  if (r.fill_status && *r.fill_status != FillStatus::Ok && r.build_mm && r.fill_pct) {
    // A fill that is only "juste" is no core to wind on either: the sheet says why it advises
    // another.
    lines.push_back(
        (r.fill_status == FillStatus::Overfull ? "Le bobinage ne rentre pas dans la fenêtre : "
                                               : "Le bobinage remplit juste la fenêtre : ") +
        Fixed(*r.build_mm, 2, sep) + " mm de hauteur pour " +
        Fixed(r.core.window_height_mm, 1, sep) + " mm (" + Fixed(*r.fill_pct, 1, sep) + " %).");
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

// Page 1: what the workshop winds, winding by winding from the bobbin outwards.
// Every figure of the sheet, its colours and the drawing from the design as it is wound (wound,
// and view of it).
std::string WindingSheet(const ReportInput& in, const DesignCheck& wound, const CheckView& view,
                         DrawingAs drawing) {
  const char sep = in.decimal_separator;
  const DesignCheck& check = *in.check;
  std::string out;
  for (const std::string& problem : view.problems) out += "<p>" + Html(problem) + "</p>\n";
  if (!view.none.empty()) return out + "<p class=\"alarm\">" + Html(view.none) + "</p>\n";
  const CheckResult& r = *wound.result;

  std::vector<std::string> heads = {""};
  for (const WindingCheck& w : r.windings) heads.push_back(RowName(w.input.row));

  std::vector<std::string> alarms = Alarms(r, sep);
  const auto not_as_wound = [](const WindingCheck& w) {
    return w.input.row != 0 && w.turns_to_wind && *w.turns_to_wind != w.input.turns;
  };
  if (std::any_of(r.windings.begin(), r.windings.end(), not_as_wound)) {
    alarms.push_back(kTurnsDoNotStand);
  }
  // Searched whenever the design is not judged ok (WantsAnotherCore), and then always said.
  if (in.advised_core) alarms.push_back(*in.advised_core);
  if (!alarms.empty()) {
    out += "<table class=\"alarm\" width=\"100%\" cellpadding=\"6\"><tr><td>";
    for (std::size_t i = 0; i < alarms.size(); ++i) out += (i ? "<br>" : "") + Html(alarms[i]);
    out += "</td></tr></table>\n";
  }

  // The rows and lines of the sheet as the figures' description has them.
  SheetContext context{check, r, {}, in.sheet->TxFreq, sep};
  for (std::size_t i = 0; i < context.asked_volts.size(); ++i) {
    context.asked_volts[i] = in.sheet->TxVolts[i];
  }
  std::vector<std::vector<std::string>> rows;
  for (const SheetRow& sheet_row : SheetRows()) {
    if (sheet_row.present && !sheet_row.present(context)) continue;
    const WindingFigure* figure = FigureOf(sheet_row);
    std::vector<std::string> line = {figure ? CaptionWithUnit(figure->caption, figure->unit)
                                            : CaptionWithUnit(sheet_row.caption, sheet_row.unit)};
    const int decimals = figure ? figure->decimals : sheet_row.decimals;
    for (const WindingCheck& w : r.windings) {
      line.push_back(FigureText(SheetCell(sheet_row, context, w), decimals, sep));
    }
    rows.push_back(std::move(line));
  }
  out += Grid(heads, rows);
  out +=
      "<p class=\"note\">Du noyau vers l'extérieur, primaire d'abord, toutes les bobines dans le"
      " même sens, début (D) et fin (F) repérés. Tout, le dessin compris, pour les spires à"
      " bobiner. À acheter : la longueur + 5 % et deux sorties de 150 mm, au mètre supérieur, et sa"
      " masse. Réception : R à l'ohmmètre à 20 °C ; à vide au secteur nominal ; en charge au"
      " courant demandé, au secteur à 90, 100 et 110 %.</p>\n";

  Pairs whole;
  for (const SheetLine& line : SheetLines()) {
    if (line.present && !line.present(context)) continue;
    const OverallFigure* figure = FigureOf(line);
    const FigureValue value = SheetValue(line, context);
    const std::string_view unit = figure ? figure->unit : line.unit;
    std::string text = FigureText(value, figure ? figure->decimals : line.decimals, sep);
    // The unit after a value, not after a dash or a word standing for one.
    if (!unit.empty() &&
        (value.kind == FigureValue::Kind::Number || value.kind == FigureValue::Kind::Whole ||
         value.kind == FigureValue::Kind::Text)) {
      text += " " + std::string(unit);
    }
    whole.AddLevel(
        std::string(figure ? figure->caption : line.caption), text,
        FigureLevel(value, figure && figure->warning, figure ? figure->severity : line.severity));
  }

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
  const DesignSheet& s = *in.sheet;
  if (!s.TxRem.empty()) {
    out += "<p class=\"caption\" align=\"left\">Remarques</p>\n<p>" +
           Html(ReportedRemarks(s.TxRem, kSheetRemarksLimit)) + "</p>\n";
  }
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
      parts.push_back((w.input.halves == 2 ? "2 × " : "") + std::to_string(w.input.turns) +
                      " spires");
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
    return note.empty() ? note : "à bobiner : " + note;
  }
  return "";
}

// Page 2: the chain's own figures as the main window shows them, numbers written as a person
// writes them; where the design as wound (page 1) differs, its figure beside.
std::string QuickCalculation(const ReportInput& in) {
  const DesignSheet& s = *in.sheet;
  const char sep = in.decimal_separator;
  const auto num = [sep](const std::string& text) { return WrittenNumber(text, sep); };
  const CheckResult* r = in.check && in.check->result ? &WoundResult(*in.check) : nullptr;
  std::string out = "<h2>Calcul rapide de la fenêtre principale</h2>\n";
  out +=
      "<p class=\"note\">Les chiffres du calcul ; à côté, ceux de la fiche de bobinage (page 1)"
      " où ils diffèrent.</p>\n";
  Pairs iron;
  // Red in the window is an alarm, or a value the user chose; the sheet tells them apart.
  const auto chosen = [](const std::string& text, bool imposed, TextColour colour) {
    return imposed ? text + " (imposé)" : Marked(text, colour);
  };
  // The chain's lightest core is sufficient by its own reckoning; wound, it may not fit.
  std::string lightest = " (le plus léger suffisant selon le calcul : " + s.LbNoyauMin;
  if (r && r->fill_status == FillStatus::Overfull && r->fill_pct &&
      UpperCase(r->core.ref) == UpperCase(s.LbNoyauMin)) {
    lightest += " ; tel que bobiné, il ne rentre pas : " + Fixed(*r->fill_pct, 1, sep) + " %";
  }
  iron.Add("Noyau", chosen(s.LbNoyau, s.CoreForced, s.LbNoyauColour) + lightest + ")");
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
      fits = "tel que bobiné : " + Fixed(*r->build_mm, 2, sep) +
             (check_fits ? " mm, rentre" : " mm, ne rentre pas");
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
    efficiency = "tel que bobiné : " + Fixed(*r->efficiency_pct, 1, sep) + " %";
  }
  iron.Add("Rendement", num(s.Lbn), efficiency);
  out += iron.Text();
  std::vector<std::vector<std::string>> copper;
  for (int i = 0; i < kRows; ++i) {
    if (s.TxSpires[i].empty()) continue;
    copper.push_back({RowName(i), num(s.LbDiaMin[i]),
                      chosen(num(s.TxDiaCu[i]), s.DiaForced[i], s.TxDiaCuColour[i]),
                      num(s.TxSpires[i]), num(s.TxLongCu[i]), num(s.TxResCu[i]),
                      num(s.TxTrueVolts[i]), num(s.TxTotCu[i]), num(s.TxSpLayer[i]),
                      CheckNote(in, i)});
  }
  std::vector<std::string> heads(std::begin(kCopperHeadings), std::end(kCopperHeadings));
  heads.push_back("Vérification");
  out += Grid(heads, copper, true);
  out +=
      "<p class=\"note\">(!) : valeur signalée en rouge par le calcul ; (imposé) : valeur choisie"
      " à la place du calcul</p>\n";
  return out;
}

// Page 3: the transformer idle and at switch-on, of the design as wound as page 1: the figures
// of each mains factor as the window's table, what they come to as the text report says it, then
// the two pictures. Nothing without a primary to work them out from.
std::string IdlePage(const ReportInput& in, const DesignCheck& wound, const CheckView& view,
                     DrawingAs drawing) {
  if (!wound.result) return "";
  const char sep = in.decimal_separator;
  const CheckResult& r = *wound.result;
  if (!r.no_load) return "";
  // Inline: Qt's reader takes a page break from the heading's own style.
  std::string out = "<h2 style=\"page-break-before: always; break-before: page; margin-top: 0\">" +
                    Html(kIdlePageTitle) + "</h2>\n";
  if (in.check->as_wound) out += "<p class=\"note\">" + Html(WoundNote(*in.check)) + "</p>\n";

  std::vector<std::string> heads = {"Secteur"};
  heads.insert(heads.end(), view.idle_columns.begin(), view.idle_columns.end());
  std::vector<std::vector<std::string>> rows;
  for (const CheckView::Line& line : view.idle) {
    rows.push_back({line.caption});
    rows.back().insert(rows.back().end(), line.cells.begin(), line.cells.end());
  }
  out += Grid(heads, rows);

  // A note with an empty caption goes on with the line before.
  std::vector<std::pair<std::string, std::string>> notes;
  for (const auto& [caption, value] : NoLoadNotes(r, sep)) {
    if (caption.empty() && !notes.empty()) {
      notes.back().second += "\n" + value;
    } else {
      notes.emplace_back(caption, value);
    }
  }
  const Level verdict_level = LevelOf(r.no_load->verdict);
  // A fuse that fits is no news: plain, as on page 1.
  const std::optional<PrimaryFuse>& fuse = r.fuses.primary;
  const Level fuse_level =
      !fuse || fuse->status == FuseStatus::Ok ? Level::Plain : LevelOf(fuse->status);
  // Sentences, not figures: left aligned, in the colour of their verdict.
  out += "<table class=\"pairs\" width=\"100%\">\n";
  for (const auto& [caption, value] : notes) {
    const Level level = caption == kIdleVerdictCaption   ? verdict_level
                        : caption == kPrimaryFuseCaption ? fuse_level
                                                         : Level::Plain;
    std::string style = LevelStyle(level);
    style = style.empty() ? " style=\"text-align: left;\""
                          : style.substr(0, style.size() - 1) + " text-align: left;\"";
    out += "<tr><th>" + Html(caption) + "</th><td align=\"left\"" + style + ">" + Html(value) +
           "</td></tr>\n";
  }
  out += "</table>\n";

  const struct {
    std::optional<Plot> plot;
    const char* url;
    const char* missing;
  } pictures[] = {{MagnetisingPlot(r, sep), kMagnetisingUrl, "À vide : non calculé"},
                  {SwitchOnPlot(r, sep), kSwitchOnUrl, "Mise sous tension : non calculé"}};
  for (const auto& picture : pictures) {
    if (!picture.plot) {
      out += "<p>" + Html(picture.missing) + "</p>\n";
    } else if (drawing == DrawingAs::InlineSvg) {
      out += "<p>" + PlotSvg(*picture.plot, sep, kIdlePlotWidth, kIdlePlotHeight) + "</p>\n";
    } else {
      out += std::string("<p><img src=\"") + picture.url + "\"></p>\n";
    }
  }
  return out;
}

}  // namespace

std::string ReportName(const ReportInput& input) {
  return input.doc_path.empty() ? "Sans nom" : FileNameOf(input.doc_path);
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
      // as Qt's reader drops the whole sheet at a rule nested in another. Printed, the winding
      // drawing at its own size would push page 1 onto a second sheet.
      "<style>\n@page {\n  @top-left { content: \"" +
      Html(name) +
      "\"; font: 8pt 'DejaVu Sans', sans-serif; }\n"
      "  @bottom-right { content: \"page \" counter(page) \"/\" counter(pages);"
      " font: 8pt 'DejaVu Sans', sans-serif; }\n}\n"
      "@media print { table.layout svg { max-height: 90mm !important; width: auto !important;"
      " height: auto !important; } }\n</style>\n</head>\n<body>\n";
  out += "<h1>Fiche de bobinage : " + Html(name) + "</h1>\n";
  out += "<p>Rapport du " + Html(in.date) + " &mdash; Kelvanor</p>\n";
  // Pages 1 and 3 show the design as wound, and the same view of it.
  const DesignCheck wound = WoundCheck(*in.check);
  const CheckView view = MakeCheckView(wound, sep);
  out += WindingSheet(in, wound, view, drawing);

  out += "<h2 class=\"page2\" style=\"page-break-before: always\">" +
         std::string(kSecondPageTitle) + "</h2>\n";
  Pairs spec;
  spec.Add("Fréquence (Hz)", WrittenNumber(s.TxFreq, sep));
  spec.Add("Induction (T)", WrittenNumber(s.TxTesla, sep));
  spec.Add("Densité de courant (A/mm²)", WrittenNumber(s.TxDCourant, sep));
  out += spec.Text();
  std::vector<std::vector<std::string>> windings;
  // The primary's current is the chain's; page 1 gives the check's, of the design as wound.
  std::string primary_note;
  if (in.check && in.check->result) {
    const double wound_a = WoundResult(*in.check).primary_current_a;
    if (Fixed(wound_a, 2, sep) != Fixed(ReadNumber(s.LbAmpsPri), 2, sep)) {
      primary_note = "tel que bobiné : " + Fixed(wound_a, 2, sep) + " A";
    }
  }
  for (int i = 0; i < kRows; ++i) {
    if (s.TxVolts[i].empty() && (i == 0 || s.TxAmps[i].empty())) continue;
    windings.push_back({RowName(i), WrittenNumber(s.TxVolts[i], sep),
                        WrittenNumber(i == 0 ? s.LbAmpsPri : s.TxAmps[i], sep)});
    if (!primary_note.empty()) windings.back().push_back(i == 0 ? primary_note : "");
  }
  std::vector<std::string> heads = {"", "Volts", "Amps"};
  if (!primary_note.empty()) heads.emplace_back("");
  out += Grid(heads, windings, !primary_note.empty(), false);

  out += QuickCalculation(in);

  // The sheet's winding lines are the chain's: the windings are on page 1 alone. Its core line
  // ends with the sheet's stock code, which means nothing to a reader; the report names the core.
  out += "<h2>Fiche de fabrication</h2>\n";
  Pairs fab;
  for (const auto& [key, value] : in.sheet_lines) {
    if (key == "Noyau") {
      fab.Add(key, s.TxNoyau);
    } else if (key.rfind("Primaire", 0) != 0 && key.rfind("Secondaire", 0) != 0) {
      fab.Add(key, value);
    }
  }
  if (in.check && in.check->result) fab.Add("Enroulements", "voir la fiche de bobinage, page 1");
  out += fab.Text();
  if (!s.TxRem.empty())
    out += "<h2>Remarques</h2>\n<p>" + Html(ReportedRemarks(s.TxRem)) + "</p>\n";
  out += "<p class=\"note\">" + Html(kWireSource) + "</p>\n";
  out += IdlePage(in, wound, view, drawing);
  return out + "</body>\n</html>\n";
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
