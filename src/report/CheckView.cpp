#include "report/CheckView.h"

#include <algorithm>

#include "check/CheckFigures.h"
#include "check/NoLoadFigures.h"
#include "report/CheckText.h"
#include "report/NoLoadText.h"
#include "util/OutputText.h"

namespace kel {

Level FigureLevel(const FigureValue& value, bool warning, Severity severity) {
  if (warning || value.alert) {
    return severity == Severity::Caution || value.caution ? Level::Warn : Level::Bad;
  }
  return value.judged ? Level::Good : Level::Plain;
}

CheckView MakeCheckView(const DesignCheck& check, char sep) {
  CheckView view;
  view.problems = check.problems;
  if (!check.result) {
    view.none = "Pas de vérification : " + std::string(TermOf(check.none).text) + ".";
    return view;
  }
  const CheckResult& r = *check.result;
  // Said where the options' problems are: above the table, which has no column for them.
  for (const LeftOut& left_out : r.left_out) view.problems.push_back(LeftOutText(left_out));
  for (const WindingCheck& w : r.windings) view.windings.push_back(RowName(w.input.row));
  for (const WindingFigure& figure : WindingFigures()) {
    CheckView::Line line{CaptionWithUnit(figure.caption, figure.unit),
                         {},
                         figure.warning ? Level::Bad : Level::Plain};
    line.cells.reserve(r.windings.size());
    bool any = false;
    for (const WindingCheck& w : r.windings) {
      const bool shown = IsShown(figure.shown, w);
      any = any || shown;
      line.cells.push_back(shown ? FigureText(figure.value(w), figure.decimals, sep) : "");
    }
    // A warning line is there only for the windings it names.
    if (figure.warning && !any) continue;
    view.lines.push_back(std::move(line));
  }

  view.fill = FillText(r, sep);
  view.fill_level = FillLevel(r);
  view.thermal = ThermalText(r, sep);
  view.thermal_level = ThermalLevel(r);
  for (const OverallFigure& figure : OverallFigures()) {
    if (!ListedIn(figure, kWindow)) continue;
    const FigureValue value = figure.value(r);
    const std::string cell = FigureText(value, figure.decimals, sep) + FigureNote(figure, r, sep);
    view.overall.push_back({CaptionWithUnit(figure.caption, figure.unit),
                            {cell},
                            FigureLevel(value, figure.warning, figure.severity)});
  }
  if (r.no_load) {
    for (const NoLoadPoint& point : r.no_load->at) {
      view.idle_columns.push_back(Fixed(point.mains_factor * 100, 0, sep) + " %");
    }
    for (const NoLoadPointFigure& figure : NoLoadPointFigures()) {
      if (figure.heads_columns) continue;
      CheckView::Line line{CaptionWithUnit(figure.caption, figure.unit), {}, Level::Plain};
      for (const NoLoadPoint& point : r.no_load->at) {
        line.cells.push_back(FigureText(figure.value(point), figure.decimals, sep));
      }
      view.idle.push_back(std::move(line));
    }
    for (const auto& [caption, value] : NoLoadNotes(r, sep)) {
      view.idle_notes += (view.idle_notes.empty() ? "" : "\n") +
                         (caption.empty() ? value : caption + " : " + value);
    }
  }
  return view;
}

DesignCheck WoundCheck(const DesignCheck& check) {
  DesignCheck wound = check;
  if (check.as_wound) wound.result = check.as_wound;
  return wound;
}

std::string WoundNote(const DesignCheck& check) {
  if (!check.result) return "";
  if (!check.as_wound) return TurnsStand(*check.result) ? "" : kTurnsDoNotStand;
  std::string turns;
  for (const WindingCheck& w : check.as_wound->windings) {
    for (const WindingCheck& first : check.result->windings) {
      if (first.input.row != w.input.row || first.input.turns == w.input.turns) continue;
      turns += (turns.empty() ? "" : ", ") + RowName(w.input.row) + " " +
               std::to_string(WoundTurns(w.input)) +
               " spires (calcul : " + std::to_string(WoundTurns(first.input)) + ")";
    }
  }
  return "Chiffres tels que bobinés : " + turns + ".";
}

std::string WindLine(const DesignCheck& check) {
  constexpr const char* kSee = " — voir Vérification";
  if (!check.result) return "";
  if (!check.as_wound) {
    return TurnsStand(*check.result) ? "" : std::string("Spires à bobiner instables") + kSee;
  }
  std::string turns;
  for (const WindingCheck& w : check.as_wound->windings) {
    for (const WindingCheck& first : check.result->windings) {
      if (first.input.row != w.input.row || first.input.turns == w.input.turns) continue;
      turns += std::string(turns.empty() ? "" : ", ") + std::to_string(WoundTurns(w.input)) +
               (turns.empty() ? " spires" : "") + " au " +
               (w.input.row == 0 ? std::string("primaire")
                                 : "secondaire " + std::to_string(w.input.row));
    }
  }
  return turns.empty() ? "" : "À bobiner : " + turns + kSee;
}

}  // namespace kel
