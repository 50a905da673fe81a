#include "ui/CheckWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <numeric>
#include <set>
#include <string_view>

#include "app/RectifierApply.h"
#include "check/CheckFigures.h"
#include "check/ReferenceData.h"
#include "documents/DesignDocument.h"
#include "report/CheckText.h"
#include "report/CheckView.h"
#include "report/HtmlReport.h"
#include "report/IdlePlots.h"
#include "report/WindingSvg.h"
#include "ui/FormWidgets.h"
#include "ui/PdfReport.h"
#include "ui/PlotPainter.h"
#include "ui/QtPlatform.h"
#include "ui/QtText.h"
#include "ui/RectifierBox.h"
#include "ui/WindingPainter.h"
#include "util/AtomicFile.h"
#include "util/NumberText.h"
#include "util/OutputText.h"
#include "util/Paths.h"

namespace kel::ui {

namespace {

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

// The table's cell at (row, column), made right-aligned the first time, showing text.
QTableWidgetItem* ShowCell(QTableWidget* table, int row, int column, const std::string& text) {
  QTableWidgetItem* item = table->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table->setItem(row, column, item);
  }
  item->setText(ToQt(text));
  return item;
}

// What a check option's field lets through: digits, one sign, one decimal separator, and a value
// the check takes once the field is left. Letters never get into a document this way.
class OptionValidator : public QValidator {
 public:
  OptionValidator(CheckOption option, QObject* parent) : QValidator(parent), option_(option) {}

  State validate(QString& input, int&) const override {
    static const QRegularExpression shape("^\\s*[+-]?\\d*([.,]\\d*)?\\s*$");
    if (!shape.match(input).hasMatch()) return Invalid;
    return OptionProblem(option_, input.toStdString()).empty() ? Acceptable : Intermediate;
  }

 private:
  CheckOption option_;
};

// Texts from a document or a catalogue are shown as they are, never read as markup.
QLabel* PlainLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
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
    setMinimumSize(260, 300);
  }

  // The legend under the drawing names each winding in full: the view is kept wide enough for
  // its longest line rather than cutting it.
  void Refit() {
    int widest = 0;
    if (panel_.Check().result) {
      for (const WindingCheck& w : WoundResult(panel_.Check()).windings) {
        const QString caption = ToQt(WindingCaption(w, separator_));
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
      PaintWindingWindow(painter, QRectF(rect()).adjusted(8, 8, -8, -8), WoundResult(check),
                         separator_);
    }
  }

 private:
  const CheckPanel& panel_;
  char separator_;
};

// One of the idle pictures, painted from its data (report/IdlePlots.h) with the window's font.
class PlotView : public QWidget {
 public:
  PlotView(const CheckPanel& panel, char separator, bool switch_on, const char* name,
           QWidget* parent)
      : QWidget(parent), panel_(panel), separator_(separator), switch_on_(switch_on) {
    setObjectName(name);
    setMinimumSize(240, 150);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const DesignCheck& check = panel_.Check();
    if (!check.result) return;
    // The design as wound, as the table beside: I1n's mark is its own.
    const CheckResult& wound = WoundResult(check);
    const std::optional<Plot> plot =
        switch_on_ ? SwitchOnPlot(wound, separator_) : MagnetisingPlot(wound, separator_);
    if (!plot) {
      painter.setPen(Qt::black);
      painter.drawText(rect(), Qt::AlignCenter,
                       switch_on_ ? "Mise sous tension : non calculé" : "À vide : non calculé");
      return;
    }
    PaintPlot(painter, rect(), *plot, separator_);
  }

 private:
  const CheckPanel& panel_;
  char separator_;
  bool switch_on_;
};

// Every core of the search, however many: only the rows on screen are ever turned into text,
// and sorting moves indices, not rows.
class CoresModel : public QAbstractTableModel {
 public:
  CoresModel(char separator, QObject* parent)
      : QAbstractTableModel(parent), separator_(separator) {}

  // True when the table shows other cores than before.
  bool Show(std::shared_ptr<const CoreSearchResult> result, std::string in_use) {
    // A large catalogue's table is sorted once per search, not at every look.
    if (result == result_ && in_use == in_use_) return false;
    const bool other = result != result_;
    beginResetModel();
    result_ = std::move(result);
    in_use_ = std::move(in_use);
    SortOrder();
    endResetModel();
    return other;
  }
  // Only the cores that can work, or every core.
  void HideUnworkable(bool hide) {
    if (hide == hide_) return;
    beginResetModel();
    hide_ = hide;
    SortOrder();
    endResetModel();
  }
  const CoreFigures* CoreAt(int row) const {
    return result_ && row >= 0 && row < static_cast<int>(order_.size())
               ? &result_->cores[order_[static_cast<std::size_t>(row)]]
               : nullptr;
  }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(std::size(kCoreColumns)) + 1;
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section < static_cast<int>(std::size(kCoreColumns)) ? QString(kCoreColumns[section])
                                                               : QString("Repère");
  }
  QVariant data(const QModelIndex& index, int role) const override {
    const CoreFigures* core = CoreAt(index.row());
    if (!core) return {};
    const std::size_t at = order_[static_cast<std::size_t>(index.row())];
    const std::string mark = CoreMark(*result_, at, in_use_);
    switch (role) {
      case Qt::DisplayRole: {
        if (index.column() == static_cast<int>(std::size(kCoreColumns))) return ToQt(mark);
        return ToQt(CoreCells(*core, separator_)[static_cast<std::size_t>(index.column())]);
      }
      case Qt::TextAlignmentRole:
        return (index.column() >= 1 && index.column() <= 4) || index.column() == 7
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
      case Qt::ForegroundRole:
        return QBrush(LevelOf(core->verdict) == Level::Good ? QColor(0, 128, 0) : kBlackText);
      case Qt::FontRole: {
        if (mark.empty()) return {};
        QFont font;
        font.setBold(true);
        return font;
      }
      default:
        return {};
    }
  }
  void sort(int column, Qt::SortOrder order) override {
    column_ = column;
    descending_ = order == Qt::DescendingOrder;
    emit layoutAboutToBeChanged();
    SortOrder();
    emit layoutChanged();
  }

 private:
  void SortOrder() {
    order_.clear();
    if (!result_) return;
    const std::vector<CoreFigures>& cores = result_->cores;
    for (std::uint32_t i = 0; i < cores.size(); ++i) {
      if (!hide_ || !CannotWork(cores[i].verdict)) order_.push_back(i);
    }
    if (column_ < 0) return;
    // A figure the core lacks sorts after every number.
    const auto figure = [this](const CoreFigures& c) -> std::optional<double> {
      switch (column_) {
        case 1:
          return c.mass_kg;
        case 2:
          return c.fill_pct;
        case 3:
          return c.copper_temperature_c;
        case 4:
          return c.efficiency_pct;
        case 7:
          return c.no_load_current_pct;
        default:
          return std::nullopt;
      }
    };
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
      const CoreFigures &x = cores[a], &y = cores[b];
      if (column_ == 0) return x.name < y.name;
      if (column_ == 5) return x.verdict < y.verdict;                  // best first
      if (column_ == 6) return x.no_load_verdict < y.no_load_verdict;  // none, then best first
      if (column_ > 7) return CoreMark(*result_, a, in_use_) > CoreMark(*result_, b, in_use_);
      const auto fx = figure(x), fy = figure(y);
      if (!fx || !fy) return fx.has_value() && !fy.has_value();
      return *fx < *fy;
    };
    if (descending_) {
      std::stable_sort(order_.begin(), order_.end(),
                       [&](std::uint32_t a, std::uint32_t b) { return less(b, a); });
    } else {
      std::stable_sort(order_.begin(), order_.end(), less);
    }
  }

  char separator_;
  std::shared_ptr<const CoreSearchResult> result_;
  std::string in_use_;
  std::vector<std::uint32_t> order_;
  int column_ = 1;  // lightest first, as the core list
  bool descending_ = false;
  bool hide_ = false;
};

// Each column of the cores' table as wide as its widest text, header included, so that no name,
// figure or verdict is cut. A catalogue of many cores is not turned into text for it: a figure
// is widest at its largest or smallest number.
void FitCoreColumns(QTableView* table, const CoreSearchResult* result, char separator) {
  // Marked rows are bold: every text is measured so.
  QFont bold = table->font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  const int padding =
      2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1) + 8;
  std::vector<int> widths;
  QHeaderView* header = table->horizontalHeader();
  const int columns = table->model()->columnCount({});
  // A caption beside the sort arrow, within the section's margins.
  const QStyle* style = header->style();
  const int around = 4 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) +
                     style->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) + padding;
  for (int c = 0; c < columns; ++c) {
    const QString caption =
        table->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    widths.push_back(header->fontMetrics().horizontalAdvance(caption) + around);
  }
  const auto fit = [&](int column, const std::string& text) {
    widths[static_cast<std::size_t>(column)] = std::max(
        widths[static_cast<std::size_t>(column)], metrics.horizontalAdvance(ToQt(text)) + padding);
  };
  for (const char* mark : {"en service, conseillé", "en service", "conseillé"}) {
    fit(columns - 1, mark);
  }
  if (result && !result->cores.empty()) {
    CoreFigures high = result->cores.front(), low = high, none;
    std::set<Verdict> verdicts;
    const auto extend = [](std::optional<double>& most, std::optional<double>& least,
                           const std::optional<double>& value) {
      if (!value) return;
      most = most ? std::max(*most, *value) : *value;
      least = least ? std::min(*least, *value) : *value;
    };
    for (const CoreFigures& core : result->cores) {
      verdicts.insert(core.verdict);
      extend(high.mass_kg, low.mass_kg, core.mass_kg);
      extend(high.fill_pct, low.fill_pct, core.fill_pct);
      extend(high.copper_temperature_c, low.copper_temperature_c, core.copper_temperature_c);
      extend(high.efficiency_pct, low.efficiency_pct, core.efficiency_pct);
    }
    for (const CoreFigures* figures : {&high, &low, &none}) {
      const std::vector<std::string> cells = CoreCells(*figures, separator);
      for (int c = 1; c + 1 < static_cast<int>(cells.size()); ++c) {
        fit(c, cells[static_cast<std::size_t>(c)]);
      }
    }
    // A name in plain ASCII is as wide as its letters side by side (kerning takes away, rounding
    // stays within the padding):
    // a sum per name where measuring each would hold up a large catalogue's window.
    std::array<int, 128> advance{};
    for (int c = 32; c < 128; ++c) advance[c] = metrics.horizontalAdvance(QChar(c));
    int widest = 0;
    for (const CoreFigures& core : result->cores) {
      int width = 0;
      for (const char c : core.name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 128) {
          width = -1;
          break;
        }
        width += advance[byte];
      }
      if (width < 0) {
        fit(0, core.name);
      } else {
        widest = std::max(widest, width);
      }
    }
    widths[0] = std::max(widths[0], widest + padding);
    // The verdict's column, wherever the columns after it come and go.
    constexpr int kVerdictColumn = 5;
    static_assert(std::string_view(kCoreColumns[kVerdictColumn]) == "Verdict");
    for (const Verdict verdict : verdicts) {
      fit(kVerdictColumn, std::string(TermOf(verdict).text));
    }
  }
  for (int c = 0; c < columns; ++c) table->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
}

}  // namespace

CheckWindow::CheckWindow(MainForm& form, char decimal_separator, QWidget* parent)
    : QWidget(parent, Qt::Window), panel_(form, decimal_separator), separator_(decimal_separator) {
  setObjectName("FmVerification");
  setWindowTitle("Vérification");
  // Narrow enough to sit beside the main window on a 1366 × 768 screen: what decides (what to
  // wind, whether it fits, how hot it runs) always in view at the top, the rest in tabs whose
  // tables scroll on their own.
  auto* page = new QVBoxLayout(this);
  status_ = PlainLabel(this, "LbVerifStatus");
  status_->setWordWrap(true);
  page->addWidget(status_);

  auto* deciding = new QGroupBox("À bobiner", this);
  auto* deciding_layout = new QVBoxLayout(deciding);
  wind_ = new QTableWidget(deciding);
  wind_->setObjectName("TbABobiner");
  wind_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  wind_->setSelectionMode(QAbstractItemView::NoSelection);
  wind_->setFocusPolicy(Qt::NoFocus);
  wind_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  wind_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  wind_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  wind_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  deciding_layout->addWidget(wind_);
  // The strands beside the wire: a workshop's stock wire doubled is a choice the check cannot
  // guess.
  // Each winding's name over its field, to keep the window narrow.
  auto* strands_row = new QGridLayout;
  // The names over the fields and the boxes under them, close, so that the window still fits a
  // 768-pixel screen.
  strands_row->setVerticalSpacing(0);
  strands_row->addWidget(new QLabel("Brins imposés :", deciding), 1, 0);
  for (int row = 0; row < kOptionWindings; ++row) {
    strands_row->addWidget(new QLabel(ToQt(RowName(row)), deciding), 0, row + 1, Qt::AlignCenter);
    auto* field = new QLineEdit(deciding);
    field->setObjectName(QString("TxBrins_%1").arg(row));
    field->setPlaceholderText("auto");
    field->setAlignment(Qt::AlignRight);
    field->setMaxLength(1);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression("[1-8]?"), field));
    field->setToolTip(
        "Nombre de brins en main du fil de cet enroulement (1 à 8) ; vide : "
        "choisi par la vérification.");
    field->setFixedWidth(fontMetrics().horizontalAdvance("auto") + 20);
    strands_row->addWidget(field, 1, row + 1);
    strands_[static_cast<std::size_t>(row)] = field;
    connect(field, &QLineEdit::editingFinished, this, [this, field, row] {
      if (panel_.SetWindingOption(WindingOption::Strands, row, field->text().toStdString()) &&
          on_design_changed) {
        on_design_changed();
      }
      ShowOptions();
      ShowView();
    });
  }
  // A secondary wound with a tap at its middle: each half gives the volts and amps typed.
  strands_row->addWidget(new QLabel("Point milieu :", deciding), 2, 0);
  for (int row = 1; row < kOptionWindings; ++row) {
    auto* box = new QCheckBox(deciding);
    box->setObjectName(QString("CkPointMilieu_%1").arg(row));
    box->setToolTip(
        "Enroulement à point milieu : deux fois les spires, chaque moitié donnant les volts et "
        "les ampères saisis (double alternance).");
    strands_row->addWidget(box, 2, row + 1, Qt::AlignCenter);
    centre_taps_[static_cast<std::size_t>(row)] = box;
    connect(box, &QCheckBox::clicked, this, [this, row](bool checked) {
      if (panel_.SetCentreTapped(row, checked) && on_design_changed) on_design_changed();
      ShowOptions();
      ShowView();
    });
  }
  strands_row->setColumnStretch(kOptionWindings + 1, 1);
  deciding_layout->addLayout(strands_row);
  auto* figures = new QFormLayout;
  fill_ = PlainLabel(deciding, "LbRemplissage");
  fill_->setWordWrap(true);
  figures->addRow("Hauteur bobinée", fill_);
  thermal_ = PlainLabel(deciding, "LbClasse");
  thermal_->setWordWrap(true);
  figures->addRow("Température du cuivre", thermal_);
  deciding_layout->addLayout(figures);
  page->addWidget(deciding);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("OngletsVerification");
  page->addWidget(tabs_, 1);

  table_ = new QTableWidget(this);
  table_->setObjectName("TbEnroulements");
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tabs_->addTab(table_, "Enroulements");

  auto* totals = new QWidget(this);
  auto* totals_form = new QFormLayout(totals);
  for (const OverallFigure& figure : OverallFigures()) {
    if (!ListedIn(figure, kWindow)) continue;
    auto* value = PlainLabel(totals, "");
    value->setObjectName(QString("LbTotal_%1").arg(overall_.size()));
    totals_form->addRow(ToQt(CaptionWithUnit(figure.caption, figure.unit)), value);
    overall_.push_back(value);
  }
  // Scrolled: the overall figures grow with the check, and the window must keep within a small
  // laptop's height whatever their number.
  auto* totals_scroll = new QScrollArea(this);
  totals_scroll->setWidget(totals);
  totals_scroll->setWidgetResizable(true);
  totals_scroll->setFrameShape(QFrame::NoFrame);
  tabs_->addTab(totals_scroll, "Ensemble");

  auto* options = new QWidget(this);
  auto* option_form = new QFormLayout(options);
  // Fifteen options: tight rows keep the window within a small laptop's height.
  option_form->setVerticalSpacing(2);
  // The options in the window's order, each as its description has it: a list, or a field. A
  // new option has its place to be given here.
  constexpr std::array kWindowOrder = {
      CheckOption::Grade,          CheckOption::Ambient,         CheckOption::Interlayer,
      CheckOption::Wrap,           CheckOption::Steel,           CheckOption::BuildingFactor,
      CheckOption::StackingFactor, CheckOption::InsulationClass, CheckOption::Chambers,
      CheckOption::TapeLayers,     CheckOption::TapeThickness,   CheckOption::Partition,
      CheckOption::Margin,         CheckOption::JointGap,        CheckOption::Remanence};
  static_assert(kWindowOrder.size() == kCheckOptionSpecs.size());
  for (const CheckOption option : kWindowOrder) {
    const std::vector<OptionChoice> choices = OptionChoices(option, decimal_separator);
    if (choices.empty()) {
      AddField(option_form, option);
    } else {
      AddChoice(option_form, option, choices);
    }
  }
  tabs_->addTab(options, "Options");

  auto* drawing_page = new QWidget(this);
  auto* right = new QVBoxLayout(drawing_page);
  drawing_ = new WindingView(panel_, decimal_separator, drawing_page);
  right->addWidget(drawing_, 1);
  auto* buttons = new QHBoxLayout;
  auto* svg = new QPushButton("Exporter en SVG…", drawing_page);
  svg->setObjectName("BtExporterSvg");
  auto* pdf = new QPushButton("Exporter en PDF…", drawing_page);
  pdf->setObjectName("BtExporterPdf");
  buttons->addWidget(svg);
  buttons->addWidget(pdf);
  right->addLayout(buttons);
  connect(svg, &QPushButton::clicked, this, [this] { AskAndExport(false); });
  connect(pdf, &QPushButton::clicked, this, [this] { AskAndExport(true); });
  tabs_->addTab(drawing_page, "Fenêtre de bobinage");

  // The box shows itself only for a rectified secondary: it sits on a page of its own, whose
  // visibility the tabs keep.
  auto* rectifier_page = new QWidget(this);
  auto* rectifier_layout = new QVBoxLayout(rectifier_page);
  rectifiers_ = new RectifierBox(decimal_separator, rectifier_page);
  rectifier_layout->addWidget(rectifiers_);
  rectifier_layout->addStretch(1);
  tabs_->addTab(rectifier_page, "Redresseurs");
  rectifiers_->on_apply = [this] {
    const ApplyOutcome outcome = ApplyRectifiers(panel_.Form());
    if (on_design_changed) on_design_changed();
    Follow();
    rectifiers_->ShowOutcome(ApplyOutcomeText(outcome), outcome.status != RectifierStatus::Ok);
  };

  // A tab of its own, read down as page 3 of the report: the table, what it comes to, the two
  // pictures, each as wide as the tab, scrolled where the screen is short. Side by side, on a
  // window beside the main one, the figures and the legends were cut.
  auto* idle_scroll = new QScrollArea(this);
  idle_scroll->setWidgetResizable(true);
  idle_scroll->setFrameShape(QFrame::NoFrame);
  auto* idle_page = new QWidget(idle_scroll);
  auto* idle_page_layout = new QVBoxLayout(idle_page);
  idle_ = new QTableWidget(idle_page);
  idle_->setObjectName("TbAVide");
  idle_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  idle_->setSelectionMode(QAbstractItemView::NoSelection);
  idle_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  // Every row shown: the table is as tall as its rows, the tab scrolls.
  idle_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  idle_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  idle_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  idle_page_layout->addWidget(idle_);
  idle_notes_ = PlainLabel(idle_page, "LbAVide");
  idle_notes_->setWordWrap(true);
  idle_notes_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  idle_page_layout->addWidget(idle_notes_);
  magnetising_ = new PlotView(panel_, decimal_separator, false, "DessinMagnetisant", idle_page);
  inrush_ = new PlotView(panel_, decimal_separator, true, "DessinMiseSousTension", idle_page);
  for (QWidget* picture : {magnetising_, inrush_}) {
    picture->setMinimumHeight(14 * fontMetrics().height());
    idle_page_layout->addWidget(picture, 1);
  }
  idle_scroll->setWidget(idle_page);
  tabs_->addTab(idle_scroll, "À vide et mise sous tension");

  auto* search = new QWidget(this);
  auto* search_layout = new QVBoxLayout(search);
  auto* advised_row = new QHBoxLayout;
  advised_ = new QLabel(search);
  advised_->setObjectName("LbNoyauConseille");
  advised_->setWordWrap(true);
  // The name comes from the catalogue: never read as markup.
  advised_->setTextFormat(Qt::PlainText);
  advised_row->addWidget(advised_, 1);
  take_ = new QPushButton("Prendre ce noyau", search);
  take_->setObjectName("BtPrendreNoyau");
  advised_row->addWidget(take_);
  search_layout->addLayout(advised_row);
  auto* workable = new QCheckBox("Masquer les noyaux qui ne peuvent pas convenir", search);
  workable->setObjectName("CkNoyauxPossibles");
  workable->setToolTip("Trop pleins, trop petits ou incomplets.");
  search_layout->addWidget(workable);
  progress_ = new QProgressBar(search);
  progress_->setObjectName("PbRechercheNoyau");
  progress_->hide();
  search_layout->addWidget(progress_);
  cores_ = new QTableView(search);
  cores_->setObjectName("TbNoyaux");
  auto* model = new CoresModel(decimal_separator, cores_);
  cores_->setModel(model);
  cores_->setSortingEnabled(true);
  cores_->sortByColumn(1, Qt::AscendingOrder);
  cores_->setSelectionBehavior(QAbstractItemView::SelectRows);
  cores_->setSelectionMode(QAbstractItemView::SingleSelection);
  cores_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  cores_->verticalHeader()->hide();
  cores_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  FitCoreColumns(cores_, nullptr, decimal_separator);
  cores_->horizontalHeader()->setStretchLastSection(true);
  search_layout->addWidget(cores_, 1);
  tabs_->addTab(search, "Noyaux");
  connect(take_, &QPushButton::clicked, this, [this] {
    const CoreSearchRunner::State state = panel_.Search();
    if (state.result && state.result->advised) {
      Impose(state.result->cores[*state.result->advised].name);
    }
  });
  connect(workable, &QCheckBox::toggled, this, [model](bool hide) { model->HideUnworkable(hide); });
  connect(cores_, &QTableView::doubleClicked, this, [this, model](const QModelIndex& index) {
    if (const CoreFigures* core = model->CoreAt(index.row())) Impose(core->name);
  });
  search_timer_ = new QTimer(this);
  search_timer_->setInterval(100);
  connect(search_timer_, &QTimer::timeout, this, [this] { ShowSearch(); });

  auto* source = new QLabel(ToQt(kWireSource), this);
  source->setWordWrap(true);
  QFont small = source->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  source->setFont(small);
  page->addWidget(source);

  // A tool window closes as a dialog does.
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence("Ctrl+W")}) {
    auto* close_keys = new QShortcut(keys, this);
    close_keys->setContext(Qt::WindowShortcut);
    connect(close_keys, &QShortcut::activated, this, &QWidget::close);
  }
  resize(kWidth, kHeight);
}

QLineEdit* CheckWindow::AddField(QFormLayout* form, CheckOption option) {
  auto* field = new QLineEdit(form->parentWidget());
  field->setObjectName(SpecOf(option).widget);
  field->setAlignment(Qt::AlignRight);
  field->setValidator(new OptionValidator(option, field));
  form->addRow(ToQt(SpecOf(option).caption), field);
  fields_.emplace_back(field, option);
  // A value counts on Enter or when the field is left, as in the main window.
  connect(field, &QLineEdit::editingFinished, this,
          [this, field, option] { Edited(option, field->text()); });
  return field;
}

QComboBox* CheckWindow::AddChoice(QFormLayout* form, CheckOption option,
                                  const std::vector<OptionChoice>& choices) {
  auto* box = new QComboBox(form->parentWidget());
  box->setObjectName(SpecOf(option).widget);
  for (const OptionChoice& choice : choices) box->addItem(ToQt(choice.shown), ToQt(choice.value));
  form->addRow(ToQt(SpecOf(option).caption), box);
  choices_.emplace_back(box, option);
  connect(box, &QComboBox::activated, this,
          [this, box, option](int) { Edited(option, box->currentData().toString()); });
  return box;
}

void CheckWindow::Edited(CheckOption option, const QString& text) {
  if (panel_.SetOption(option, text.toStdString()) && on_design_changed) on_design_changed();
  ShowOptions();
  ShowView();
}

bool ExportSvgOf(const MainForm& form, const DesignCheck& check, char separator,
                 const std::string& path) {
  if (!check.result || !form.ExportRefusal(path).empty()) return false;
  std::string error;
  return ReplaceFileWith(path, WindingWindowSvg(WoundResult(check), separator), error);
}

bool ExportPdfOf(QWidget* parent, MainForm& form, const DesignCheck& check, char separator,
                 const std::string& path) {
  if (!form.ExportRefusal(path).empty()) return false;
  ReportInput input = WindowReportInput(parent, form, check, separator);
  return WritePdfReport(path, input);
}

std::string AskAndExport(QWidget* parent, MainForm& form, const DesignCheck& check, char separator,
                         bool pdf) {
  // Beside the document and named after it, as the manufacturing sheet is.
  const std::string& doc = form.DocPath();
  const std::string folder = DialogFolderFor(doc);
  const std::string stem = doc.empty() ? "Nouveau" : FieldOf(FileNameOf(doc), 1, ".");
  FileDialog dialog(parent, {pdf ? "Exporter en PDF" : "Exporter en SVG", folder,
                             stem + (pdf ? ".pdf" : ".svg"), FileDialogVerb::Save});
  // The dialog adds the extension to a name that has none before it asks about replacing, so
  // that the question names the file that is written.
  dialog.setDefaultSuffix(pdf ? "pdf" : "svg");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return "";
  std::string path = dialog.selectedFiles().first().toStdString();
  if (const std::string refusal = form.ExportRefusal(path); !refusal.empty()) {
    QMessageBox::warning(parent, "Vérification", ToQt(refusal));
    return "";
  }
  const bool written = pdf ? ExportPdfOf(parent, form, check, separator, path)
                           : ExportSvgOf(form, check, separator, path);
  if (!written) {
    QMessageBox::warning(
        parent, "Vérification",
        (pdf ? "Impossible d'écrire le rapport " : "Impossible d'écrire le dessin ") + ToQt(path));
    return "";
  }
  return path;
}

bool CheckWindow::ExportSvg(const std::string& path) const {
  return ExportSvgOf(panel_.Form(), panel_.Check(), separator_, path);
}

bool CheckWindow::ExportPdf(const std::string& path) {
  return ExportPdfOf(this, panel_.Form(), panel_.Check(), separator_, path);
}

void CheckWindow::AskAndExport(bool pdf) {
  const std::string path = ui::AskAndExport(this, panel_.Form(), panel_.Check(), separator_, pdf);
  if (!path.empty() && on_written) on_written(path, pdf);
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
  for (const auto& [box, option] : choices_) ShowChoice(box, panel_.OptionText(option));
  for (const auto& [field, option] : fields_) {
    // A field being typed in keeps what the user has typed so far.
    if (field->hasFocus() && field->isModified()) continue;
    const QString text = ToQt(panel_.OptionText(option));
    if (field->text() != text) field->setText(text);
  }
  for (int row = 0; row < kOptionWindings; ++row) {
    QLineEdit* field = strands_[static_cast<std::size_t>(row)];
    if (field->hasFocus() && field->isModified()) continue;
    const QString text = ToQt(panel_.WindingText(WindingOption::Strands, row));
    if (field->text() != text) field->setText(text);
  }
  for (int row = 1; row < kOptionWindings; ++row) {
    QCheckBox* box = centre_taps_[static_cast<std::size_t>(row)];
    box->setChecked(panel_.CentreTapped(row));
    box->setEnabled(!panel_.CentreTapOfRectifier(row));
  }
  // The tape lies between primary and secondaries in one chamber, the partition between two
  // chambers: the other changes nothing and is not offered.
  const bool two = panel_.Check().options.chambers == 2;
  for (const auto& [field, option] : fields_) {
    const bool tape = option == CheckOption::TapeLayers || option == CheckOption::TapeThickness;
    if (!tape && option != CheckOption::Partition) continue;
    const bool in_use = tape ? !two : two;
    field->setEnabled(in_use);
    field->setToolTip(in_use ? QString()
                      : tape ? QString("Sans effet avec deux compartiments : la cloison les "
                                       "sépare.")
                             : QString("Sans effet avec un compartiment : l'isolement en "
                                       "couches sépare primaire et secondaires."));
  }
}

void CheckWindow::ShowView() {
  // The design as the workshop winds it, as page 1 has it, and what its turns are.
  const CheckView view = MakeCheckView(WoundCheck(panel_.Check()), separator_);
  std::string status = view.none;
  for (const std::string& problem : view.problems) status += (status.empty() ? "" : "\n") + problem;
  if (const std::string note = WoundNote(panel_.Check()); !note.empty()) {
    status += (status.empty() ? "" : "\n") + note;
  }
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
      ShowCell(table_, r, c, line.cells[c])->setForeground(ColourOf(line.level));
    }
  }

  // What to wind: the primary's turns, each secondary's turns to wind, and the wire.
  const auto line_of = [&view](const char* caption) -> const CheckView::Line* {
    for (const CheckView::Line& line : view.lines) {
      if (line.caption == caption) return &line;
    }
    return nullptr;
  };
  const std::array<std::pair<const char*, const char*>, 3> deciding = {
      {{"Spires à bobiner", "Spires à bobiner"}, {"Brins", "Brins"}, {"Fil (mm)", "Fil (mm)"}}};
  wind_->setColumnCount(static_cast<int>(view.windings.size()));
  wind_->setRowCount(static_cast<int>(deciding.size()));
  wind_->setHorizontalHeaderLabels(columns);
  QStringList wind_rows;
  for (const auto& [caption, shown] : deciding) wind_rows << shown;
  wind_->setVerticalHeaderLabels(wind_rows);
  const CheckView::Line* turns = line_of("Spires");
  for (int r = 0; r < wind_->rowCount(); ++r) {
    const CheckView::Line* line = line_of(deciding[static_cast<std::size_t>(r)].first);
    for (int c = 0; c < wind_->columnCount(); ++c) {
      std::string cell = line ? line->cells[static_cast<std::size_t>(c)] : "";
      // The primary is wound with the turns the calculation gives it.
      if (r == 0 && cell.empty() && turns) cell = turns->cells[static_cast<std::size_t>(c)];
      ShowCell(wind_, r, c, cell)->setForeground(ColourOf(line ? line->level : Level::Plain));
    }
  }
  int wind_height = wind_->horizontalHeader()->sizeHint().height() + 2 * wind_->frameWidth();
  for (int r = 0; r < wind_->rowCount(); ++r)
    wind_height += wind_->verticalHeader()->sectionSizeHint(r);
  wind_->setFixedHeight(wind_height);
  wind_->setVisible(!view.windings.empty());

  ShowLevel(fill_, view.fill, view.fill_level);
  ShowLevel(thermal_, view.thermal, view.thermal_level);
  for (std::size_t i = 0; i < overall_.size(); ++i) {
    if (i < view.overall.size()) {
      ShowLevel(overall_[i], view.overall[i].cells[0], view.overall[i].level);
    } else {
      overall_[i]->clear();
    }
  }
  idle_->setRowCount(static_cast<int>(view.idle.size()));
  idle_->setColumnCount(static_cast<int>(view.idle_columns.size()));
  QStringList idle_columns, idle_rows;
  for (const std::string& name : view.idle_columns) idle_columns << ToQt(name);
  for (const CheckView::Line& line : view.idle) idle_rows << ToQt(line.caption);
  idle_->setHorizontalHeaderLabels(idle_columns);
  idle_->setVerticalHeaderLabels(idle_rows);
  for (int r = 0; r < idle_->rowCount(); ++r) {
    for (int c = 0; c < idle_->columnCount(); ++c) {
      ShowCell(idle_, r, c, view.idle[r].cells[c]);
    }
  }
  idle_->setFixedHeight(idle_->horizontalHeader()->sizeHint().height() +
                        idle_->verticalHeader()->length() + 2 * idle_->frameWidth());
  idle_notes_->setText(ToQt(view.idle_notes));
  magnetising_->update();
  inrush_->update();
  static_cast<WindingView*>(drawing_)->Refit();
  rectifiers_->Show(panel_.Check(), ReadNumber(panel_.Form().Sheet().TxFreq));
  ShowSearch();
}

void CheckWindow::ShowSearch() {
  const CoreSearchRunner::State state = panel_.Search();
  const std::string in_use = panel_.CoreInUse();
  const bool advised = state.result && state.result->advised;
  ShowLevel(advised_, CoreSearchRunner::StatusText(state, separator_),
            !state.result || advised ? Level::Plain : Level::Bad);
  take_->setEnabled(advised && UpperCase(state.result->cores[*state.result->advised].name) !=
                                   UpperCase(in_use));
  progress_->setVisible(state.running);
  progress_->setRange(0, static_cast<int>(std::min<std::size_t>(state.total, INT32_MAX)));
  progress_->setValue(static_cast<int>(std::min<std::size_t>(state.done, INT32_MAX)));
  auto* model = static_cast<CoresModel*>(cores_->model());
  if (state.running) {
    if (!search_timer_->isActive()) search_timer_->start();
    // The table of another design must not stay up as if it were this one's.
    model->Show(nullptr, in_use);
    return;
  }
  search_timer_->stop();
  if (model->Show(state.result, in_use)) FitCoreColumns(cores_, state.result.get(), separator_);
}

void CheckWindow::Impose(const std::string& core) {
  if (impose_core) {
    impose_core(core);
    return;
  }
  panel_.Form().LstCore_DblClick(core);
  Follow();
  if (on_design_changed) on_design_changed();
}

}  // namespace kel::ui
