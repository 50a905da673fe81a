#include "report/CheckText.h"

#include <span>
#include <vector>

#include "check/NoLoadFigures.h"
#include "report/HtmlReport.h"
#include "report/NoLoadText.h"
#include "report/RectifierText.h"
#include "report/TextLines.h"
#include "util/OutputText.h"

namespace kel {

namespace {

using text::Line;

// A table whose first column is the winding and whose others are right-aligned figures.
class Table {
 public:
  explicit Table(std::size_t width) : width_(width) {}
  void Row(const std::vector<std::string>& cells) {
    std::string line = "  ";
    for (std::size_t i = 0; i < cells.size(); ++i) {
      // A blank between two cells even when a figure is wider than its column.
      line += i == 0 ? PadRight(cells[i], 7) : " " + PadLeft(cells[i], width_ - 1);
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text_ += line + "\n";
  }
  const std::string& Text() const { return text_; }

 private:
  std::size_t width_;
  std::string text_;
};

using text::Json;

std::string JsonChambers(std::span<const ChamberBuild> chambers) {
  std::string out;
  for (const ChamberBuild& chamber : chambers) {
    const auto number = [](const std::optional<double>& value) {
      return value ? JsonNumber(*value) : "null";
    };
    out += std::string(out.empty() ? "" : ", ") + "{\"build_mm\": " + number(chamber.build_mm) +
           ", \"fill_pct\": " + number(chamber.fill_pct) + "}";
  }
  return "[" + out + "]";
}

std::string Json(const FigureValue& value) {
  switch (value.kind) {
    case FigureValue::Kind::Number:
    case FigureValue::Kind::Whole:
      return JsonNumber(value.number);
    case FigureValue::Kind::Words:
      return Json(value.term);
    case FigureValue::Kind::YesNo:
      return value.number != 0 ? "true" : "false";
    case FigureValue::Kind::Chambers:
      return JsonChambers(value.chambers);
    case FigureValue::Kind::Fuse:
      return JsonNumber(value.number);
    case FigureValue::Kind::Text:
      return JsonString(value.text);
    case FigureValue::Kind::Unset:
    case FigureValue::Kind::Incomplete:
    case FigureValue::Kind::NotComputed:
      break;
  }
  return "null";
}

// The figures of one result: a table per group of figures, then the whole; the idle figures are
// the caller's.
std::string ResultText(const CheckResult& r, char sep) {
  std::string out;
  for (const LeftOut& left_out : r.left_out) out += "  " + LeftOutText(left_out) + "\n";
  for (const WindingCheck& w : r.windings) {
    if (w.input.halves != 2) continue;
    out += "  " + RowName(w.input.row) +
           " à point milieu : spires, couches et cuivre de l'enroulement entier ; volts, amps "
           "et résistances par moitié\n";
  }

  // One table per group of figures, each a row per winding that has any of them: the wire table
  // for every winding, ending with what leaves a winding out of the figures.
  static constexpr std::size_t kWidths[] = {10, 10, 12, 11};
  static constexpr FigureTable kTables[] = {FigureTable::Wire, FigureTable::Layout,
                                            FigureTable::Copper, FigureTable::Voltages};
  for (const FigureTable table : kTables) {
    Table text(kWidths[static_cast<std::size_t>(table)]);
    std::vector<std::string> heads = {""};
    for (const WindingFigure& figure : WindingFigures()) {
      if (figure.table == table) heads.emplace_back(figure.heading);
    }
    text.Row(heads);
    bool any = false;
    for (const WindingCheck& w : r.windings) {
      std::vector<std::string> cells = {RowName(w.input.row)};
      for (const WindingFigure& figure : WindingFigures()) {
        if (figure.table != table || !IsShown(figure.shown, w)) continue;
        cells.push_back(FigureText(figure.value(w), figure.decimals, sep));
      }
      if (cells.size() == 1) continue;
      any = true;
      text.Row(cells);
    }
    // The voltages are there only when there are secondaries.
    if (any || table != FigureTable::Voltages) out += text.Text();
  }
  out += Line("Hauteur bobinée (mm)", r.build_mm && r.fill_pct && r.fill_status
                                          ? Fixed(*r.build_mm, 2, sep) + " (" +
                                                Fixed(*r.fill_pct, 1, sep) + " %, " +
                                                std::string(TermOf(*r.fill_status).text) + ")"
                                          : std::string(kIncomplete));
  for (const OverallFigure& figure : OverallFigures()) {
    if (!ListedIn(figure, kText)) continue;
    out += Line(std::string(figure.heading),
                FigureText(figure.value(r), figure.decimals, sep) + FigureNote(figure, r, sep));
  }
  return out;
}

// The windings and the whole of one result, as the members of a JSON object; with_purchase
// adds the copper to buy of each winding, as page 1 gives it.
std::string ResultJson(const CheckResult& r, bool with_purchase = false) {
  const auto field = [](std::string_view key, const std::string& value) {
    return ", " + JsonString(key) + ": " + value;
  };
  std::string out = "\"windings\": [";
  for (std::size_t i = 0; i < r.windings.size(); ++i) {
    const WindingCheck& w = r.windings[i];
    out += i ? ", " : "";
    out += "{\"row\": " + std::to_string(w.input.row);
    // Its turns, layout and copper are then the whole winding's, its volts, amps and
    // resistances each half's.
    if (w.input.halves == 2) out += field("centre_tap", "true");
    for (const WindingFigure& figure : WindingFigures()) {
      if (!HasKey(figure.shown, w)) continue;
      out += field(figure.json_key, IsShown(figure.shown, w) ? Json(figure.value(w)) : "null");
      if (figure.then_value) {
        out += field(figure.then_key, figure.then_value(w) ? "true" : "false");
      }
    }
    if (with_purchase) {
      out += field("copper_to_buy_m",
                   w.copper ? std::to_string(CopperToBuyM(w.copper->length_m)) : "null");
    }
    out += "}";
  }
  out += "], \"left_out\": [";
  for (std::size_t i = 0; i < r.left_out.size(); ++i) {
    out += std::string(i ? ", " : "") + "{\"row\": " + std::to_string(r.left_out[i].row) +
           ", \"reason\": " + Json(TermOf(r.left_out[i].reason)) + "}";
  }
  out += "]";
  for (const OverallFigure& figure : OverallFigures()) {
    if (!figure.json_key.empty()) out += field(figure.json_key, Json(figure.value(r)));
  }
  out += NoLoadJsonFields(r);
  // Not converging is rare enough to be said only when it happens.
  if (!r.converged) out += field("converged", "false");
  if (!r.turns_converged) out += field("turns_to_wind_converged", "false");
  return out;
}

}  // namespace

std::string LeftOutText(const LeftOut& left_out) {
  return RowName(left_out.row) + " laissé de côté : " + std::string(TermOf(left_out.reason).text);
}

std::string FigureText(const FigureValue& value, int decimals, char sep) {
  switch (value.kind) {
    case FigureValue::Kind::Number:
      return (value.strands > 1 ? std::to_string(value.strands) + " × " : "") +
             Fixed(value.number, value.places >= 0 ? value.places : decimals, sep);
    case FigureValue::Kind::Text:
      return value.text;
    case FigureValue::Kind::Whole:
      return Fixed(value.number, 0, sep);
    case FigureValue::Kind::Words:
      return std::string(value.term.text);
    case FigureValue::Kind::YesNo:
      return value.number != 0 ? "oui" : "non";
    case FigureValue::Kind::Incomplete:
      return kIncomplete;
    case FigureValue::Kind::NotComputed:
      return std::string(kNotComputed);
    case FigureValue::Kind::Fuse:
      return FuseText(value.number, sep);
    case FigureValue::Kind::Chambers: {
      // "1 : 7,81 mm (65,1 %)", one per chamber.
      std::string text;
      for (std::size_t i = 0; i < value.chambers.size(); ++i) {
        const ChamberBuild& chamber = value.chambers[i];
        text += (i ? " ; " : "") + std::to_string(i + 1) + " : " +
                (chamber.build_mm && chamber.fill_pct ? Fixed(*chamber.build_mm, 2, sep) + " mm (" +
                                                            Fixed(*chamber.fill_pct, 1, sep) + " %)"
                                                      : std::string(kIncomplete));
      }
      return text;
    }
    case FigureValue::Kind::Unset:
      break;
  }
  return "–";
}

std::string CheckTextSection(const DesignCheck& check, char sep) {
  std::string out = "Vérification\n";
  // The options in the order of their description, a line ending where it says.
  std::string options;
  bool first_line = true;
  const auto end_line = [&] {
    if (options.empty()) return;
    out += Line(first_line ? "Options" : "", options);
    options.clear();
    first_line = false;
  };
  for (const CheckOptionSpec& spec : kCheckOptionSpecs) {
    if (OptionSaid(check.options, spec.option)) {
      const std::string words = *spec.words ? std::string(spec.words) + " " : "";
      const std::string unit = *spec.unit ? std::string(" ") + spec.unit : "";
      if (!options.empty()) options += spec.joined ? " " : ", ";
      options += words + OptionValueText(check.options, spec.option, sep) + unit;
    }
    if (spec.line_end) {
      if (!options.empty()) options += ",";
      end_line();
    }
  }
  end_line();
  // A problem quotes the document's own text, which may hold anything.
  for (const std::string& problem : check.problems) out += "  " + TerminalText(problem) + "\n";
  if (!check.result) return out + Line("Pas de vérification", std::string(TermOf(check.none).text));
  // The idle figures of the design as wound are most often the calculation's but for I0's share
  // of I1n: printed once when they are the same, else each under the name of its turns.
  const std::string idle = NoLoadTextSection(*check.result, sep);
  const std::string wound_idle = check.as_wound ? NoLoadTextSection(*check.as_wound, sep) : idle;
  const bool twice = wound_idle != idle;
  constexpr const char* kIdleTitle = "  À vide et mise sous tension";
  out += ResultText(*check.result, sep);
  if (twice) out += std::string(kIdleTitle) + ", spires du calcul :\n";
  out += idle;
  out += RectifierTextSection(check, sep);
  // The design as the workshop winds it, under its own title so that nobody takes it for the
  // calculation's turns.
  out += "\nVérification telle que bobinée\n";
  if (check.as_wound) {
    out += ResultText(*check.as_wound, sep);
    if (twice) {
      out += std::string(kIdleTitle) + ", spires à bobiner :\n" + wound_idle;
    } else if (!idle.empty()) {
      out += std::string(kIdleTitle) + " : les chiffres ci-dessus, les mêmes.\n";
    }
  } else {
    out += "  " +
           std::string(TurnsStand(*check.result)
                           ? "Les spires du calcul sont celles à bobiner : chiffres ci-dessus."
                           : kTurnsDoNotStand) +
           "\n";
  }
  return out + "  " + std::string(kWireSource) + "\n";
}

std::string CheckJson(const DesignCheck& check) {
  if (!check.result) return "{\"none\": " + Json(TermOf(check.none)) + "}";
  const CheckResult& r = *check.result;
  const CheckOptions& o = r.options;
  const auto field = [](std::string_view key, const std::string& value) {
    return ", " + JsonString(key) + ": " + value;
  };
  std::string out = "{\"options\": {";
  for (const CheckOptionSpec& spec : kCheckOptionSpecs) {
    const std::optional<double> number = OptionNumber(o, spec.option);
    const std::string value = !number      ? JsonString(OptionValueText(o, spec.option, '.'))
                              : spec.whole ? std::to_string(static_cast<int>(*number))
                                           : JsonNumber(*number);
    out += (spec.option == kCheckOptionSpecs[0].option ? "" : ", ") + JsonString(spec.json_key) +
           ": " + value;
    // The steel's loss, as the check read it from its table.
    if (spec.option == CheckOption::Steel) {
      out += field("steel_loss_w_per_kg", JsonNumber(r.steel_loss_w_per_kg));
    }
  }
  if (!check.problems.empty()) {
    std::string list;
    for (const std::string& p : check.problems) list += (list.empty() ? "" : ", ") + JsonString(p);
    out += field("problems", "[" + list + "]");
  }
  out += "}, " + ResultJson(r);
  // The design as page 1 has it; its own figures when its turns stand, else the calculation's.
  const CheckResult& wound = WoundResult(check);
  out += ", \"as_wound\": {" + ResultJson(wound, true);
  out += std::string(", \"settled\": ") + (TurnsStand(wound) ? "true" : "false") + "}";
  out += RectifierJsonMember(check);
  return out + "}";
}

}  // namespace kel
