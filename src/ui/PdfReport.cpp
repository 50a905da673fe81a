#include "ui/PdfReport.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressDialog>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <climits>

#include "app/CheckPanel.h"
#include "report/IdlePlots.h"
#include "ui/PlotPainter.h"
#include "ui/PrintPreview.h"
#include "ui/WindingPainter.h"
#include "util/AtomicFile.h"
#include "util/ModuleCheck.h"
#include "util/NumberText.h"
#include "util/Paths.h"

namespace kel::ui {

namespace {

// The drawing's room on the page, in the document's pixels: as wide as half the text, and of
// these heights the tallest that leaves the winding sheet on the first page. The image has
// kImagePixelsPerUnit pixels for each of its units: sharp on paper at that size.
constexpr double kDrawingMostWide = 330;
constexpr double kDrawingHeights[] = {600, 540, 480, 420, 360, 300, 240};
constexpr double kImagePixelsPerUnit = 3;
// The heights of page 3's pictures, the tallest that leaves them on the page; their text keeps
// its size.
constexpr double kIdlePlotHeights[] = {kIdlePlotHeight, 240, 210, 180};

// The text keeps 15 mm from the paper's edges; the header and the footer lie in that margin.
constexpr double kMarginMm = 15;
constexpr double kBandMm = 5;    // the height of the header's and the footer's line of text
constexpr double kRuleMm = 1.5;  // between the text's edge and the rule along it

QString Title(const ReportInput& input) {
  return QString::fromStdString("Kelvanor : " + ReportName(input));
}

// The text's room on the device's page, in its pixels; the device measures from the paper's
// edge (no margins of its own).
QRectF BodyOf(const QPagedPaintDevice& device) {
  const double x_mm = device.logicalDpiX() / 25.4, y_mm = device.logicalDpiY() / 25.4;
  return {kMarginMm * x_mm, kMarginMm * y_mm, device.width() - 2 * kMarginMm * x_mm,
          device.height() - 2 * kMarginMm * y_mm};
}

// Page 3's pictures, by the URL the report gives each; none without its figures.
struct IdleImages {
  QImage magnetising, switch_on;
};

IdleImages IdleImagesOf(const ReportInput& input, double height) {
  IdleImages images;
  if (!input.check || !input.check->result) return images;
  const CheckResult& r = WoundResult(*input.check);
  const char sep = input.decimal_separator;
  if (const std::optional<Plot> plot = MagnetisingPlot(r, sep)) {
    images.magnetising = PlotImage(*plot, sep, kIdlePlotWidth, height, kImagePixelsPerUnit);
  }
  if (const std::optional<Plot> plot = SwitchOnPlot(r, sep)) {
    images.switch_on = PlotImage(*plot, sep, kIdlePlotWidth, height, kImagePixelsPerUnit);
  }
  return images;
}

std::unique_ptr<QTextDocument> MakeDocument(const ReportInput& input, const QImage& image,
                                            const IdleImages& idle, double most_tall) {
  auto document = std::make_unique<QTextDocument>();
  // A word wider than the page is broken: laid out whole, one of a megabyte took minutes.
  QTextOption option = document->defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  document->setDefaultTextOption(option);
  QFont font("DejaVu Sans");
  font.setPointSizeF(9);
  document->setDefaultFont(font);
  QString html = QString::fromStdString(HtmlReport(input, DrawingAs::Image));
  if (!image.isNull()) {
    document->addResource(QTextDocument::ImageResource, QUrl(kDrawingUrl), image);
    // Shown whole and undistorted in the room the page gives it.
    const double scale = std::min(kDrawingMostWide * kImagePixelsPerUnit / image.width(),
                                  most_tall * kImagePixelsPerUnit / image.height());
    html.replace(QString("<img src=\"") + kDrawingUrl + "\">",
                 QString("<img src=\"%1\" width=\"%2\" height=\"%3\">")
                     .arg(kDrawingUrl)
                     .arg(qRound(image.width() * scale / kImagePixelsPerUnit))
                     .arg(qRound(image.height() * scale / kImagePixelsPerUnit)));
  }
  for (const auto& [url, picture] :
       {std::pair(kMagnetisingUrl, &idle.magnetising), std::pair(kSwitchOnUrl, &idle.switch_on)}) {
    if (picture->isNull()) continue;
    document->addResource(QTextDocument::ImageResource, QUrl(url), *picture);
    html.replace(QString("<img src=\"") + url + "\">",
                 QString("<img src=\"%1\" width=\"%2\" height=\"%3\">")
                     .arg(url)
                     .arg(qRound(picture->width() / kImagePixelsPerUnit))
                     .arg(qRound(picture->height() / kImagePixelsPerUnit)));
  }
  document->setHtml(html);
  document->setMetaInformation(QTextDocument::DocumentTitle, Title(input));
  return document;
}

// Whether the second page starts where it should: the winding sheet did not spill over.
bool SheetOnFirstPage(const QTextDocument& document, double page_height) {
  const QTextCursor second = document.find(QString::fromUtf8(kSecondPageTitle));
  if (second.isNull()) return true;
  const QRectF where = document.documentLayout()->blockBoundingRect(second.block());
  return where.top() < 2 * page_height - 1;
}

// Whether page 3 holds the whole of the idle transformer: the pictures end on the page its title
// starts.
bool IdleOnOnePage(const QTextDocument& document, double page_height) {
  const QTextCursor title = document.find(QString::fromUtf8(kIdlePageTitle));
  if (title.isNull()) return true;
  const QRectF where = document.documentLayout()->blockBoundingRect(title.block());
  return document.pageCount() <= static_cast<int>(where.top() / page_height) + 1;
}

// Qt's layout knows no "break-after: avoid": a heading the page would leave alone at its foot
// starts the next page instead.
void KeepHeadingsWithTheirText(QTextDocument& document, double page_height) {
  QAbstractTextDocumentLayout* layout = document.documentLayout();
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    const QTextBlock next = block.next();
    if (block.blockFormat().headingLevel() == 0 || !next.isValid()) continue;
    const auto page_of = [&](const QTextBlock& b) {
      return static_cast<int>(layout->blockBoundingRect(b).top() / page_height);
    };
    if (page_of(next) == page_of(block)) continue;
    QTextBlockFormat format;
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor(block).mergeBlockFormat(format);
  }
}

}  // namespace

std::unique_ptr<QTextDocument> ReportDocument(const ReportInput& input, QPagedPaintDevice& device) {
  const QImage image = input.check && input.check->result
                           ? WindingWindowImage(WoundResult(*input.check), input.decimal_separator,
                                                kImagePixelsPerUnit)
                           : QImage();
  const QRectF body = BodyOf(device);
  const auto lay_out = [&](const IdleImages& idle, double most_tall) {
    auto document = MakeDocument(input, image, idle, most_tall);
    document->documentLayout()->setPaintDevice(&device);
    document->setPageSize(body.size());
    return document;
  };
  // Page 1 first, the pictures of page 3 as tall as they can be; then, page 3 starting a page of
  // its own, the pictures less tall until it holds them (many windings, many fuses).
  IdleImages idle = IdleImagesOf(input, kIdlePlotHeights[0]);
  std::unique_ptr<QTextDocument> document;
  double drawing_tall = kDrawingHeights[0];
  for (const double most_tall : kDrawingHeights) {
    drawing_tall = most_tall;
    document = lay_out(idle, most_tall);
    if (image.isNull() || SheetOnFirstPage(*document, body.height())) break;
  }
  for (std::size_t i = 1;
       i < std::size(kIdlePlotHeights) && !IdleOnOnePage(*document, body.height()); ++i) {
    idle = IdleImagesOf(input, kIdlePlotHeights[i]);
    document = lay_out(idle, drawing_tall);
  }
  KeepHeadingsWithTheirText(*document, body.height());
  return document;
}

namespace {

// Paints the report laid out for device, each page with the design's name and the date above
// it and its number below. Qt's own printing of a document numbers the pages but puts nothing
// else around them, so the pages are painted here.
bool PaintPages(QTextDocument& document, QPagedPaintDevice& device, const ReportInput& input) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  const double y_mm = device.logicalDpiY() / 25.4;
  const QRectF body = BodyOf(device);
  QAbstractTextDocumentLayout* layout = document.documentLayout();
  const int pages = document.pageCount();
  QFont small = document.defaultFont();
  small.setPointSizeF(8);
  const QString name = QString::fromStdString(ReportName(input));
  const QString date = QString::fromStdString("Rapport du " + input.date);
  for (int page = 0; page < pages; ++page) {
    if (page > 0 && !device.newPage()) return false;
    painter.save();
    painter.translate(body.left(), body.top() - page * body.height());
    const QRectF view(0, page * body.height(), body.width(), body.height());
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    context.palette.setColor(QPalette::Text, Qt::black);
    layout->draw(&painter, context);
    painter.restore();

    painter.setFont(small);
    painter.setPen(QPen(Qt::black, 0.2 * y_mm));
    const double top_rule = body.top() - kRuleMm * y_mm;
    const double bottom_rule = body.bottom() + kRuleMm * y_mm;
    const QRectF top(body.left(), top_rule - kBandMm * y_mm, body.width(), kBandMm * y_mm);
    const QRectF bottom(body.left(), bottom_rule, body.width(), kBandMm * y_mm);
    painter.drawLine(QPointF(body.left(), top_rule), QPointF(body.right(), top_rule));
    painter.drawLine(QPointF(body.left(), bottom_rule), QPointF(body.right(), bottom_rule));
    painter.drawText(top, Qt::AlignLeft | Qt::AlignVCenter, name);
    painter.drawText(top, Qt::AlignRight | Qt::AlignVCenter, date);
    painter.drawText(bottom, Qt::AlignLeft | Qt::AlignVCenter, "Kelvanor");
    painter.drawText(bottom, Qt::AlignRight | Qt::AlignVCenter,
                     QString("page %1/%2").arg(page + 1).arg(pages));
  }
  return painter.end();
}

}  // namespace

bool WritePdfReport(const std::string& path, const ReportInput& input, std::string* error) {
  // Written in memory first: Qt's writer would take the name as UTF-8 and write in place.
  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&pdf);
    if (!writer.setPageSize(QPageSize(QPageSize::A4))) return false;
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    writer.setTitle(Title(input));
    writer.setCreator("Kelvanor");
    const auto document = ReportDocument(input, writer);
    if (!PaintPages(*document, writer, input)) {
      if (error) *error = "mise en page impossible";
      return false;
    }
  }
  const QByteArray& bytes = pdf.data();
  std::string reason;
  const bool written =
      !bytes.isEmpty() &&
      ReplaceFileWith(path, std::string_view(bytes.constData(), bytes.size()), reason);
  if (!written && error) *error = bytes.isEmpty() ? "rapport vide" : reason;
  return written;
}

namespace {

using PrintPreviewEntry = void (*)(QWidget*, const PrintRequest&);

// The printing module beside the program (the build tree, a copy kept with its own files), else
// in the library folder the package installs it to. Loaded once and kept; nullptr with the
// reasons when it cannot be. A module that is cut short or that others could have written is
// never handed to the loader: the first would end the program, the second run their code.
PrintPreviewEntry LoadPrintPreview(QString& error) {
  static PrintPreviewEntry entry = nullptr;
  if (entry != nullptr) return entry;
  const QString programs = QCoreApplication::applicationDirPath();
  QStringList reasons;
  for (const QString& folder : {programs, programs + "/" + KELVANOR_MODULE_FOLDER}) {
    const QString path = QDir::cleanPath(folder + "/kelvanor-print.so");
    if (!QFileInfo::exists(path)) {
      reasons << path + " introuvable";
      continue;
    }
    if (const std::string problem = ModuleProblem(path.toStdString()); !problem.empty()) {
      reasons << QString::fromStdString(problem);
      continue;
    }
    QLibrary module(path);
    if (module.load()) {
      entry = reinterpret_cast<PrintPreviewEntry>(module.resolve("kelvanor_print_preview"));
      if (entry != nullptr) return entry;
    }
    reasons << module.errorString();
  }
  error = reasons.join(" ; ");
  return nullptr;
}

}  // namespace

ReportInput WindowReportInput(QWidget* parent, MainForm& form, const DesignCheck& check,
                              char separator) {
  const DesignSheet& sheet = form.Sheet();
  if (!WantsAnotherCore(check)) {
    return DesignReportInput(sheet, form.DocPath(), check, separator, nullptr);
  }
  CoreSearchRunner& search = form.CoreSearch();
  search.Follow(form.Design(), check.options, std::chrono::milliseconds(0));
  CoreSearchRunner::State state = search.Poll();
  if (state.running) {
    // A printed sheet is the workshop's: it waits for the advice rather than go out without it,
    // as long as the user lets it.
    QProgressDialog progress(parent);
    progress.setWindowTitle("Noyau conseillé");
    // Over every window, the Vérification window and its shortcuts included: the design the sheet
    // is printed from must not change while the advice is awaited.
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButtonText("Sans noyau conseillé");
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setRange(0, 0);
    progress.setMinimumDuration(INT_MAX);  // shown below, when the search takes a while
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
      state = search.Poll();
      if (!state.running) {
        loop.quit();
        return;
      }
      progress.setLabelText(QString::fromStdString(CoreSearchRunner::StatusText(state, separator)));
      if (state.total > 0) {
        progress.setRange(0, static_cast<int>(std::min<std::size_t>(state.total, INT_MAX)));
        progress.setValue(static_cast<int>(std::min<std::size_t>(state.done, INT_MAX)));
      }
    });
    tick.start(20);
    // A short search is waited for without a dialog, keys and clicks held back so that the
    // design printed stays the one checked; a longer one under the modal dialog.
    QTimer short_wait;
    short_wait.setSingleShot(true);
    QObject::connect(&short_wait, &QTimer::timeout, &loop, &QEventLoop::quit);
    short_wait.start(300);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (state.running) {
      QObject::connect(&progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
      progress.show();
      loop.exec();
    }
    if (state.running) state.result.reset();  // cancelled: the search goes on for the window
  }
  return DesignReportInput(sheet, form.DocPath(), check, separator, state.result.get());
}

void PrintReport(QWidget* parent, MainForm& form) {
  QString error;
  const PrintPreviewEntry preview = LoadPrintPreview(error);
  if (preview == nullptr) {
    QMessageBox::warning(parent, "Imprimer", "L'impression n'est pas disponible : " + error);
    return;
  }
  const DesignCheck check = CheckFormWith(form, {});
  const ReportInput input = WindowReportInput(parent, form, check, form.DecimalSeparator());
  // The print dialog's "print to file" proposes the job's name with ".pdf" in the current
  // folder: the name and the folder "Exporter en PDF…" proposes, with no colon in it.
  const std::string& doc = form.DocPath();
  const QString name =
      QString::fromStdString(doc.empty() ? "Nouveau" : FieldOf(FileNameOf(doc), 1, "."));
  const QString previous = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(DialogFolderFor(doc)));
  const PrintRequest request{name, [&input](QPagedPaintDevice& target) {
                               const auto document = ReportDocument(input, target);
                               PaintPages(*document, target, input);
                             }};
  preview(parent, request);
  QDir::setCurrent(previous);
}

}  // namespace kel::ui
