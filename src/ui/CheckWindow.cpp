#include "ui/CheckWindow.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <fstream>

#include "analysis/CheckReport.h"
#include "analysis/ReferenceData.h"
#include "documents/DesignDocument.h"
#include "report/Report.h"
#include "report/WindingSvg.h"
#include "ui/FormWidgets.h"
#include "ui/PdfReport.h"
#include "ui/QtPlatform.h"
#include "ui/WindingPainter.h"
#include "util/AtomicFile.h"
#include "util/NumberText.h"
#include "util/Paths.h"

namespace kel::ui {

namespace {

QString ToQt(const std::string& text) {
  return QString::fromStdString(text);
}

QColor ColourOf(Level level) {
  switch (level) {
    case Level::Good:
      return QColor(0, 128, 0);
    case Level::Warn:
      return QColor(224, 112, 0);
    case Level::Bad:
      return kRedText;
    case Level::Plain:
      break;
  }
  return kBlackText;
}

void ShowLevel(QLabel* label, const std::string& text, Level level) {
  label->setText(ToQt(text));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, ColourOf(level));
  label->setPalette(palette);
}

// Picks the entry whose data is text, without regard to case; none when there is no such entry.
void ShowChoice(QComboBox* box, const std::string& text) {
  const int index = box->findData(ToQt(text).trimmed(), Qt::UserRole, Qt::MatchFixedString);
  if (box->currentIndex() != index) box->setCurrentIndex(index);
}

// The winding window drawn from the check the panel holds.
class WindingView : public QWidget {
 public:
  WindingView(const CheckPanel& panel, char separator, QWidget* parent)
      : QWidget(parent), panel_(panel), separator_(separator) {
    setObjectName("DessinFenetre");
    setMinimumSize(260, 420);
  }

  // The legend under the drawing names each winding in full: the view is kept wide enough for
  // its longest line rather than cutting it.
  void Refit() {
    int widest = 0;
    if (const auto& result = panel_.Check().result) {
      for (const WindingCheck& w : result->windings) {
        const QString caption = QString::fromStdString(WindingCaption(w, separator_));
        widest = std::max(widest, fontMetrics().horizontalAdvance(caption));
      }
    }
    // The colour box before each caption, and the margins of the drawing.
    setMinimumWidth(std::max(260, widest + 2 * fontMetrics().height() + 40));
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const DesignCheck& check = panel_.Check();
    if (check.result) {
      PaintWindingWindow(painter, QRectF(rect()).adjusted(8, 8, -8, -8), *check.result, separator_);
    }
  }

 private:
  const CheckPanel& panel_;
  char separator_;
};

// The file path names when it is the open document, its catalogue or the settings, which no
// export may replace, whatever name or link points at them; else the empty text.
std::string KeptFile(const MainForm& form, const std::string& path) {
  for (const std::string& kept : {form.DocPath(), form.DataBasePath(), form.SettingsPath()}) {
    if (!kept.empty() && IsSameFile(path, kept)) return kept;
  }
  return {};
}

}  // namespace

CheckWindow::CheckWindow(MainForm& form, char decimal_separator, QWidget* parent)
    : QWidget(parent, Qt::Window), panel_(form, decimal_separator), separator_(decimal_separator) {
  setObjectName("FmVerification");
  setWindowTitle("Vérification");
  auto* columns = new QHBoxLayout(this);
  auto* layout = new QVBoxLayout;
  columns->addLayout(layout, 3);
  auto* right = new QVBoxLayout;
  columns->addLayout(right, 2);
  right->addWidget(new QLabel("Fenêtre de bobinage", this));
  drawing_ = new WindingView(panel_, decimal_separator, this);
  right->addWidget(drawing_, 1);
  auto* svg = new QPushButton("Exporter en SVG…", this);
  svg->setObjectName("BtExporterSvg");
  auto* pdf = new QPushButton("Exporter en PDF…", this);
  pdf->setObjectName("BtExporterPdf");
  right->addWidget(svg);
  right->addWidget(pdf);
  connect(svg, &QPushButton::clicked, this, [this] { AskAndExport(false); });
  connect(pdf, &QPushButton::clicked, this, [this] { AskAndExport(true); });

  auto* options = new QGroupBox("Options", this);
  auto* option_form = new QFormLayout(options);
  grade_ = new QComboBox(options);
  grade_->setObjectName("CbGrade");
  grade_->addItem("Grade 1 (émail fin)", "1");
  grade_->addItem("Grade 2 (émail épais)", "2");
  option_form->addRow("Fil émaillé", grade_);
  AddField(option_form, "Température ambiante (°C)", "TxAmbiante", CheckOption::Ambient);
  AddField(option_form, "Isolant entre couches (mm)", "TxInterligne", CheckOption::Interlayer);
  AddField(option_form, "Enveloppe par enroulement (mm)", "TxEnveloppe", CheckOption::Wrap);
  steel_ = new QComboBox(options);
  steel_->setObjectName("CbTole");
  for (const SteelGrade& grade : SteelGrades()) {
    steel_->addItem(ToQt(std::string(grade.name) + "  (" +
                         Fixed(grade.loss_w_per_kg, 2, decimal_separator) + " W/kg)"),
                    ToQt(std::string(grade.name)));
  }
  option_form->addRow("Tôle", steel_);
  AddField(option_form, "Facteur de construction", "TxFacteur", CheckOption::BuildingFactor);
  connect(grade_, &QComboBox::activated, this,
          [this](int) { Edited(CheckOption::Grade, grade_->currentData().toString()); });
  connect(steel_, &QComboBox::activated, this,
          [this](int) { Edited(CheckOption::Steel, steel_->currentData().toString()); });
  layout->addWidget(options);

  status_ = new QLabel(this);
  status_->setObjectName("LbVerifStatus");
  status_->setWordWrap(true);
  layout->addWidget(status_);

  table_ = new QTableWidget(this);
  table_->setObjectName("TbEnroulements");
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(table_, 1);

  auto* totals = new QGroupBox("Ensemble", this);
  auto* totals_form = new QFormLayout(totals);
  fill_ = new QLabel(totals);
  fill_->setObjectName("LbRemplissage");
  totals_form->addRow("Hauteur bobinée", fill_);
  thermal_ = new QLabel(totals);
  thermal_->setObjectName("LbClasse");
  totals_form->addRow("Température du cuivre", thermal_);
  for (const char* caption :
       {"Pertes fer (W)", "Pertes cuivre (W)", "Surface de refroidissement (cm²)",
        "Échauffement (K)", "Rendement (%)", "Itérations"}) {
    auto* value = new QLabel(totals);
    value->setObjectName(QString("LbTotal_%1").arg(overall_.size()));
    totals_form->addRow(caption, value);
    overall_.push_back(value);
  }
  layout->addWidget(totals);

  auto* source = new QLabel(ToQt(kWireSource), this);
  source->setWordWrap(true);
  QFont small = source->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  source->setFont(small);
  layout->addWidget(source);
  resize(1000, 790);
}

QLineEdit* CheckWindow::AddField(QFormLayout* form, const char* caption, const char* name,
                                 CheckOption option) {
  auto* field = new QLineEdit(form->parentWidget());
  field->setObjectName(name);
  field->setAlignment(Qt::AlignRight);
  form->addRow(caption, field);
  fields_.emplace_back(field, option);
  // A value counts on Enter or when the field is left, as in the main window.
  connect(field, &QLineEdit::editingFinished, this,
          [this, field, option] { Edited(option, field->text()); });
  return field;
}

void CheckWindow::Edited(CheckOption option, const QString& text) {
  if (panel_.SetOption(option, text.toStdString()) && on_design_changed) on_design_changed();
  ShowOptions();
  ShowView();
}

bool CheckWindow::ExportSvg(const std::string& path) const {
  if (!panel_.Check().result || !KeptFile(panel_.Form(), path).empty()) return false;
  std::string error;
  return ReplaceFileWith(path, WindingWindowSvg(*panel_.Check().result, separator_), error);
}

bool CheckWindow::ExportPdf(const std::string& path) const {
  const MainForm& form = panel_.Form();
  if (!KeptFile(form, path).empty()) return false;
  ReportInput input{&form.Sheet(),
                    &panel_.Check(),
                    form.DocPath(),
                    TodayText(),
                    ManufacturingSheetLines(form.Sheet(), form.DocPath()),
                    separator_};
  return WritePdfReport(path, input);
}

void CheckWindow::AskAndExport(bool pdf) {
  // Beside the document and named after it, as the manufacturing sheet is.
  const std::string doc = panel_.Form().DocPath();
  const std::string folder = DialogFolderFor(doc);
  const std::string stem = doc.empty() ? "Nouveau" : FieldOf(FileNameOf(doc), 1, ".");
  FileDialog dialog(this, {pdf ? "Exporter en PDF" : "Exporter en SVG", folder,
                           stem + (pdf ? ".pdf" : ".svg"), FileDialogVerb::Save});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().first();
  if (const std::string kept = KeptFile(panel_.Form(), path.toStdString()); !kept.empty()) {
    QMessageBox::warning(this, "Vérification",
                         QString::fromStdString(kept + " est le document ouvert, son catalogue ou "
                                                       "les réglages : il n'est pas remplacé."));
    return;
  }
  const bool written = pdf ? ExportPdf(path.toStdString()) : ExportSvg(path.toStdString());
  if (!written) {
    QMessageBox::warning(
        this, "Vérification",
        (pdf ? "Impossible d'écrire le rapport " : "Impossible d'écrire le dessin ") + path);
  }
}

void CheckWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Follow();
}

void CheckWindow::Follow() {
  if (!isVisible()) return;
  panel_.Refresh();
  ShowOptions();
  ShowView();
}

void CheckWindow::ShowOptions() {
  ShowChoice(grade_, panel_.OptionText(CheckOption::Grade));
  ShowChoice(steel_, panel_.OptionText(CheckOption::Steel));
  for (const auto& [field, option] : fields_) {
    // A field being typed in keeps what the user has typed so far.
    if (field->hasFocus() && field->isModified()) continue;
    const QString text = ToQt(panel_.OptionText(option));
    if (field->text() != text) field->setText(text);
  }
}

void CheckWindow::ShowView() {
  const CheckView view = panel_.View();
  std::string status = view.none;
  for (const std::string& problem : view.problems) status += (status.empty() ? "" : "\n") + problem;
  ShowLevel(status_, status, view.none.empty() ? Level::Warn : Level::Bad);
  status_->setVisible(!status.empty());

  table_->setRowCount(static_cast<int>(view.lines.size()));
  table_->setColumnCount(static_cast<int>(view.windings.size()));
  QStringList columns, rows;
  for (const std::string& name : view.windings) columns << ToQt(name);
  for (const CheckView::Line& line : view.lines) rows << ToQt(line.caption);
  table_->setHorizontalHeaderLabels(columns);
  table_->setVerticalHeaderLabels(rows);
  for (int r = 0; r < table_->rowCount(); ++r) {
    const CheckView::Line& line = view.lines[r];
    for (int c = 0; c < table_->columnCount(); ++c) {
      QTableWidgetItem* item = table_->item(r, c);
      if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(r, c, item);
      }
      item->setText(ToQt(line.cells[c]));
      // A remark names a winding left out of the figures.
      item->setForeground(line.caption == "Remarque" ? kRedText : kBlackText);
    }
  }

  ShowLevel(fill_, view.fill, view.fill_level);
  ShowLevel(thermal_, view.thermal, view.thermal_level);
  for (std::size_t i = 0; i < overall_.size(); ++i) {
    overall_[i]->setText(i < view.overall.size() ? ToQt(view.overall[i].cells[0]) : QString());
  }
  static_cast<WindingView*>(drawing_)->Refit();
}

}  // namespace kel::ui
