#include "report/HtmlReport.h"

#include <cstdlib>
#include <ctime>

#include "app/ChainReport.h"
#include "report/CheckText.h"
#include "report/CheckView.h"
#include "report/WindingSvg.h"
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

// A two-column table of captions and values.
class Pairs {
 public:
  void Add(const std::string& caption, const std::string& value) {
    rows_ += "<tr><th>" + Html(caption) + "</th><td>" + Html(value) + "</td></tr>\n";
  }
  std::string Text() const { return "<table class=\"pairs\">\n" + rows_ + "</table>\n"; }

 private:
  std::string rows_;
};

// A table with a header row; the first column names the row.
std::string Grid(const std::vector<std::string>& heads,
                 const std::vector<std::vector<std::string>>& rows) {
  std::string out = "<table class=\"grid\" width=\"100%\">\n<tr>";
  for (const std::string& head : heads) out += "<th>" + Html(head) + "</th>";
  out += "</tr>\n";
  for (const auto& row : rows) {
    out += "<tr>";
    for (std::size_t c = 0; c < row.size(); ++c) {
      out += (c == 0 ? "<th>" : "<td>") + Html(row[c]) + (c == 0 ? "</th>" : "</td>");
    }
    out += "</tr>\n";
  }
  return out + "</table>\n";
}

}  // namespace

std::string HtmlReport(const ReportInput& in, DrawingAs drawing) {
  const DesignSheet& s = *in.sheet;
  const char sep = in.decimal_separator;
  const std::string name = in.doc_path.empty() ? "Sans nom" : FileNameOf(in.doc_path);
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n<title>Kelvanor : " +
      Html(name) +
      "</title>\n<style>\n"
      "body { font-family: 'DejaVu Sans', sans-serif; font-size: 10pt; }\n"
      "h1 { font-size: 16pt; } h2 { font-size: 12pt; margin-top: 14pt; }\n"
      "table { border-collapse: collapse; margin-bottom: 6pt; }\n"
      "th, td { border: 1px solid #999999; padding: 2px 6px; }\n"
      "th { text-align: left; background-color: #eeeeee; font-weight: normal; }\n"
      "td { text-align: right; }\n"
      "</style>\n</head>\n<body>\n";
  out += "<h1>Transformateur d'alimentation " + Html(name) + "</h1>\n";
  out += "<p>Rapport du " + Html(in.date) + " &mdash; Kelvanor</p>\n";

  out += "<h2>Spécifications</h2>\n";
  Pairs spec;
  spec.Add("Fréquence (Hz)", s.TxFreq);
  spec.Add("Induction (T)", s.TxTesla);
  spec.Add("Densité de courant (A/mm²)", s.TxDCourant);
  out += spec.Text();
  std::vector<std::vector<std::string>> windings;
  for (int i = 0; i < kRows; ++i) {
    if (s.TxVolts[i].empty() && (i == 0 || s.TxAmps[i].empty())) continue;
    windings.push_back({RowName(i), s.TxVolts[i], i == 0 ? s.LbAmpsPri : s.TxAmps[i]});
  }
  out += Grid({"", "Volts", "Amps"}, windings);

  out += "<h2>Calcul</h2>\n";
  Pairs iron;
  iron.Add("Noyau", Marked(s.LbNoyau, s.LbNoyauColour) +
                        " (le plus léger suffisant : " + s.LbNoyauMin + ")");
  iron.Add("Fe (Kg)", s.LbFeMasse);
  iron.Add("Fe (Cm²)", s.LbFeSect);
  iron.Add("T réèl", Marked(s.LbTrueTesla, s.LbTrueTeslaColour));
  iron.Add("Pertes Fe (W)", s.LbTrueFeLoss);
  iron.Add("Spires/Volt", s.LbSpVolt);
  iron.Add("Hauteur utilisée (mm)", Marked(s.LbTotCu, s.LbTotCuColour));
  iron.Add("Hauteur utile (mm)", s.LbSectCuMax);
  iron.Add("Pertes Cu (W@60°C)", s.LbPertesCu);
  iron.Add("Watts fournis", s.LbWatts);
  iron.Add("Watts consommés", s.LbWattsTot);
  iron.Add("Rendement", s.Lbn);
  out += iron.Text();
  std::vector<std::vector<std::string>> copper;
  for (int i = 0; i < kRows; ++i) {
    if (s.TxSpires[i].empty()) continue;
    copper.push_back({RowName(i), s.LbDiaMin[i], Marked(s.TxDiaCu[i], s.TxDiaCuColour[i]),
                      s.TxSpires[i], s.TxLongCu[i], s.TxResCu[i], s.TxTrueVolts[i], s.TxTotCu[i],
                      s.TxSpLayer[i]});
  }
  out += Grid({std::begin(kCopperHeadings), std::end(kCopperHeadings)}, copper);

  out += "<h2>Vérification</h2>\n";
  const DesignCheck& check = *in.check;
  const CheckView view = MakeCheckView(check, sep);
  const CheckOptions& o = check.options;
  out += "<p>Fil émaillé grade " + std::to_string(o.grade) + ", ambiante " +
         Fixed(o.ambient_c, 1, sep) + " °C, " + Fixed(o.interlayer_mm, 2, sep) +
         " mm entre couches, " + Fixed(o.wrap_mm, 2, sep) + " mm d'enveloppe, tôle " +
         Html(o.steel) + ", facteur de construction " + Fixed(o.building_factor, 2, sep) +
         ", foisonnement " + Fixed(o.stacking_factor, 2, sep) + ", classe " +
         ClassName(o.insulation_class) + ", isolement primaire/secondaires " +
         std::to_string(o.tape_layers) + " × " + Fixed(o.tape_thickness_mm, 2, sep) +
         " mm, marge " + Fixed(o.margin_mm, 1, sep) + " mm, " +
         (o.chambers == 2 ? "deux compartiments, cloison " + Fixed(o.partition_mm, 1, sep) + " mm"
                          : std::string("un compartiment")) +
         ".</p>\n";
  for (const std::string& problem : view.problems) out += "<p>" + Html(problem) + "</p>\n";
  if (!view.none.empty()) {
    out += "<p>" + Html(view.none) + "</p>\n";
  } else {
    std::vector<std::string> heads = {""};
    heads.insert(heads.end(), view.windings.begin(), view.windings.end());
    std::vector<std::vector<std::string>> lines;
    for (const CheckView::Line& line : view.lines) {
      std::vector<std::string> row = {line.caption};
      row.insert(row.end(), line.cells.begin(), line.cells.end());
      lines.push_back(row);
    }
    out += Grid(heads, lines);
    Pairs totals;
    totals.Add("Hauteur bobinée", view.fill);
    totals.Add("Température du cuivre", view.thermal);
    for (const CheckView::Line& line : view.overall) totals.Add(line.caption, line.cells[0]);
    out += totals.Text();

    out += "<h2>Fenêtre de bobinage</h2>\n";
    out += drawing == DrawingAs::InlineSvg
               ? WindingWindowSvg(*check.result, sep)
               : std::string("<p><img src=\"") + kDrawingUrl + "\"></p>\n";
  }

  out += "<h2>Fiche de fabrication</h2>\n";
  Pairs fab;
  for (const auto& [key, value] : in.sheet_lines) fab.Add(key, value);
  out += fab.Text();
  if (!s.TxRem.empty()) out += "<h2>Remarques</h2>\n<p>" + Html(s.TxRem) + "</p>\n";
  out += "<p><small>" + Html(kWireSource) + "</small></p>\n</body>\n</html>\n";
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
