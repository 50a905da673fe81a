#include "report/ChainReport.h"

#include <utility>

#include "util/OutputText.h"

namespace kel {

namespace {

const char* ColourName(TextColour colour) {
  return colour == TextColour::Red ? "red" : "black";
}

std::string Indexed(const char* name, int i) {
  return std::string(name) + "(" + std::to_string(i) + ")";
}

// Every text of the sheet may come from a document or a catalogue: shown, never obeyed.
std::string CaptionLine(const std::string& caption, const std::string& value,
                        const char* unit = "") {
  std::string line = "  " + PadRight(caption, 24) + TerminalText(value);
  if (*unit != '\0' && !value.empty()) line += std::string(" ") + unit;
  line.erase(line.find_last_not_of(' ') + 1);
  return line + "\n";
}

}  // namespace

std::string Marked(const std::string& text, TextColour colour) {
  return colour == TextColour::Red ? text + " (!)" : text;
}

std::string JsonReport(const DesignSheet& s, const RunRecord& record) {
  std::vector<std::pair<std::string, std::string>> fields = {
      {"TxFreq", s.TxFreq},           {"TxTesla", s.TxTesla},
      {"TxDCourant", s.TxDCourant},   {"LbAmpsPri", s.LbAmpsPri},
      {"LbWatts", s.LbWatts},         {"LbKgFe", s.LbKgFe},
      {"LbSectFe", s.LbSectFe},       {"LbNoyauMin", s.LbNoyauMin},
      {"LbNoyau", s.LbNoyau},         {"TxNoyau", s.TxNoyau},
      {"LbFeSect", s.LbFeSect},       {"LbFeMasse", s.LbFeMasse},
      {"LbTrueTesla", s.LbTrueTesla}, {"LbTrueFeLoss", s.LbTrueFeLoss},
      {"LbSectCuMax", s.LbSectCuMax}, {"LbSpVolt", s.LbSpVolt},
      {"LbPertesCu", s.LbPertesCu},   {"LbTotCu", s.LbTotCu},
      {"LbWattsTot", s.LbWattsTot},   {"Lbn", s.Lbn}};
  for (int i = 0; i < kRows; ++i) {
    fields.emplace_back(Indexed("TxVolts", i), s.TxVolts[i]);
    fields.emplace_back(Indexed("TxAmps", i), s.TxAmps[i]);
    fields.emplace_back(Indexed("TxSpires", i), s.TxSpires[i]);
    fields.emplace_back(Indexed("LbDiaMin", i), s.LbDiaMin[i]);
    fields.emplace_back(Indexed("TxDiaCu", i), s.TxDiaCu[i]);
    fields.emplace_back(Indexed("TxSpLayer", i), s.TxSpLayer[i]);
    fields.emplace_back(Indexed("TxLongCu", i), s.TxLongCu[i]);
    fields.emplace_back(Indexed("TxResCu", i), s.TxResCu[i]);
    fields.emplace_back(Indexed("TxTrueVolts", i), s.TxTrueVolts[i]);
    fields.emplace_back(Indexed("TxTotCu", i), s.TxTotCu[i]);
  }
  std::vector<std::pair<std::string, TextColour>> colours = {{"LbTotCu", s.LbTotCuColour},
                                                             {"LbTrueTesla", s.LbTrueTeslaColour},
                                                             {"LbNoyau", s.LbNoyauColour},
                                                             {"TxNoyau", s.TxNoyauColour}};
  for (int i = 0; i < kRows; ++i) colours.emplace_back(Indexed("TxDiaCu", i), s.TxDiaCuColour[i]);

  std::string out = "{\"fields\": {";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    out += (i ? ", " : "") + JsonString(fields[i].first) + ": " + JsonString(fields[i].second);
  }
  out += "}, \"colours\": {";
  for (std::size_t i = 0; i < colours.size(); ++i) {
    out += (i ? ", " : "") + JsonString(colours[i].first) + ": " +
           JsonString(ColourName(colours[i].second));
  }
  out += "}, \"messages\": [";
  for (std::size_t i = 0; i < record.messages.size(); ++i) {
    out += (i ? ", " : "") + JsonString(record.messages[i]);
  }
  out += "], \"details\": [";
  for (std::size_t i = 0; i < record.messages.size(); ++i) {
    const std::string detail = i < record.details.size() ? record.details[i] : "";
    out += (i ? ", " : "") + JsonString(detail);
  }
  out += "], \"beeps\": " + std::to_string(record.beeps) + "}\n";
  return out;
}

std::string TextReport(const DesignSheet& s, const RunRecord& record) {
  std::string out = "Spécifications\n";
  out += CaptionLine("Fréquence", s.TxFreq, "Hz");
  out += CaptionLine("Induction", s.TxTesla, "T");
  for (int i = 0; i < kRows; ++i) {
    if (s.TxVolts[i].empty() && (i == 0 || s.TxAmps[i].empty())) continue;
    const std::string amps = i == 0 ? s.LbAmpsPri : s.TxAmps[i];
    out += CaptionLine(i == 0 ? "Primaire" : "Secondaire " + std::to_string(i),
                       s.TxVolts[i] + " V, " + amps + " A");
  }

  out += "\nCuivre\n";
  out += CaptionLine("Densité de courant", s.TxDCourant, "A/mm²");
  out += CaptionLine("Spires/Volt", s.LbSpVolt);
  out += CaptionLine("Hauteur utilisée (mm)", Marked(s.LbTotCu, s.LbTotCuColour));
  out += CaptionLine("Hauteur utile (mm)", s.LbSectCuMax);
  out += CaptionLine("Pertes Cu (W@60°C)", s.LbPertesCu);
  constexpr std::size_t kColumns = std::size(kCopperHeadings);
  const std::size_t widths[kColumns] = {7, 8, 8, 7, 9, 8, 8, 6, 10};
  out += "  ";
  for (std::size_t c = 0; c < kColumns; ++c)
    out +=
        c == 0 ? PadRight(kCopperHeadings[c], widths[c]) : PadLeft(kCopperHeadings[c], widths[c]);
  out += "\n";
  for (int i = 0; i < kRows; ++i) {
    const std::string cells[kColumns] = {
        RowName(i),       s.LbDiaMin[i], Marked(s.TxDiaCu[i], s.TxDiaCuColour[i]),
        s.TxSpires[i],    s.TxLongCu[i], s.TxResCu[i],
        s.TxTrueVolts[i], s.TxTotCu[i],  s.TxSpLayer[i]};
    out += "  ";
    for (std::size_t c = 0; c < kColumns; ++c) {
      // A cell wider than its column ("0,5 (!)") still keeps a blank from its neighbour.
      const std::string shown = TerminalText(cells[c]);
      const std::string cell = c == 0 ? PadRight(shown, widths[c]) : PadLeft(shown, widths[c]);
      if (c > 0 && cell == shown) out += ' ';
      out += cell;
    }
    out.erase(out.find_last_not_of(' ') + 1);  // empty cells at the end leave no trailing blanks
    out += "\n";
  }

  out += "\nFer\n";
  out += CaptionLine("Noyau", Marked(s.LbNoyau, s.LbNoyauColour) +
                                  "  (le plus léger suffisant : " + s.LbNoyauMin + ")");
  out += CaptionLine("Fe (Kg)", s.LbFeMasse);
  out += CaptionLine("Fe (Cm²)", s.LbFeSect);
  out += CaptionLine("T réèl", Marked(s.LbTrueTesla, s.LbTrueTeslaColour));
  out += CaptionLine("Pertes Fe (W)", s.LbTrueFeLoss);

  out += "\nGénéral\n";
  out += CaptionLine("Fe (Kg)", s.LbKgFe);
  out += CaptionLine("Fe (Cm²)", s.LbSectFe);
  out += CaptionLine("Watts fournis", s.LbWatts);
  out += CaptionLine("Watts consommés", s.LbWattsTot);
  out += CaptionLine("Rendement", s.Lbn);

  if (!record.messages.empty() || record.beeps > 0) out += "\n";
  for (std::size_t i = 0; i < record.messages.size(); ++i) {
    out += "Message : " + TerminalText(record.messages[i]) + "\n";
    // The cause goes under its message, as the window shows it ("La fréquence est nulle.").
    if (i < record.details.size() && !record.details[i].empty()) {
      out += "          " + TerminalText(record.details[i]) + "\n";
    }
  }
  if (record.beeps > 0) out += "Bips : " + std::to_string(record.beeps) + "\n";
  return out;
}

}  // namespace kel
