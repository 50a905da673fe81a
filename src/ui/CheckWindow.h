#pragma once
// The "Vérification" window: a view of the check of the design in the main window, kept up to
// date after every recalculation, with the check's options editable. Everything it shows comes
// from CheckPanel; it computes nothing itself.

#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/CheckPanel.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTableWidget;
class QTableView;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kel::ui {

class RectifierBox;

// The exports, the file already chosen: the drawing of check as SVG, or the whole report as PDF;
// false when it could not be written, there is no check to draw, or the file is one an export
// never replaces (the document, its catalogue, the settings).
bool ExportSvgOf(const MainForm& form, const DesignCheck& check, char separator,
                 const std::string& path);
// The report's advised core, when the design needs another, is the one the form's search found
// (WindowReportInput): parent is the window its wait is shown over.
bool ExportPdfOf(QWidget* parent, MainForm& form, const DesignCheck& check, char separator,
                 const std::string& path);
// Asks where to write the report (pdf) or the drawing, proposing the document's name beside it,
// and writes it there.
// The path written, or empty.
std::string AskAndExport(QWidget* parent, MainForm& form, const DesignCheck& check, char separator,
                         bool pdf);

// "Rapport écrit : PATH" (or "Dessin écrit : PATH"), for a status line.
inline std::string WrittenText(const std::string& path, bool pdf) {
  return (pdf ? "Rapport écrit : " : "Dessin écrit : ") + path;
}

class CheckWindow : public QWidget {
 public:
  CheckWindow(MainForm& form, char decimal_separator, QWidget* parent);

  // Shows the check of the design as it now stands; nothing to do while the window is hidden.
  void Follow();
  // Called when an option edited here has changed the design (its title shows the mark).
  std::function<void()> on_design_changed;
  // Imposes a core as a double-click in the main window's core list does; the main window sets
  // it so that the chain runs as its own events do.
  std::function<void(const std::string&)> impose_core;
  // Told the file an export of its buttons has written (pdf: the report, else the drawing).
  std::function<void(const std::string&, bool pdf)> on_written;

  const CheckPanel& Panel() const { return panel_; }

  // The exports of the window's buttons, the file already chosen; false when it could not be
  // written (or there is no check to draw).
  bool ExportSvg(const std::string& path) const;
  bool ExportPdf(const std::string& path);
  // Asks where to write the report (pdf) or the drawing, proposing the document's name beside
  // it, and writes it there.
  void AskAndExport(bool pdf);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The option's field or list, captioned and named as its description says.
  QLineEdit* AddField(QFormLayout* form, CheckOption option);
  QComboBox* AddChoice(QFormLayout* form, CheckOption option,
                       const std::vector<OptionChoice>& choices);
  void Edited(CheckOption option, const QString& text);
  void ShowOptions();
  void ShowView();
  // The core search: its line, button, progress and table.
  void ShowSearch();
  void Impose(const std::string& core);

  // The size it opens at, beside the main window on a 1366 × 768 screen.
  static constexpr int kWidth = 560;
  static constexpr int kHeight = 680;

  CheckPanel panel_;
  QTableWidget* wind_ = nullptr;  // what to wind, at the top
  std::array<QLineEdit*, kOptionWindings> strands_{};
  std::array<QCheckBox*, kOptionWindings> centre_taps_{};  // the secondaries'; none for row 0
  QTabWidget* tabs_ = nullptr;
  std::vector<std::pair<QLineEdit*, CheckOption>> fields_;
  std::vector<std::pair<QComboBox*, CheckOption>> choices_;
  QLabel* status_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* fill_ = nullptr;
  QLabel* thermal_ = nullptr;
  QTableWidget* idle_ = nullptr;  // the idle figures at 100, 106 and 110 % of mains
  QLabel* idle_notes_ = nullptr;
  QWidget* magnetising_ = nullptr;  // the pictures of the idle current and of the switch-on
  QWidget* inrush_ = nullptr;
  std::vector<QLabel*> overall_;
  QWidget* drawing_ = nullptr;
  RectifierBox* rectifiers_ = nullptr;
  QLabel* advised_ = nullptr;
  QPushButton* take_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QTableView* cores_ = nullptr;
  QTimer* search_timer_ = nullptr;
  char separator_;
};

}  // namespace kel::ui
