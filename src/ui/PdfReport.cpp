#include "ui/PdfReport.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QUrl>
#include <algorithm>

#include "app/CheckPanel.h"
#include "ui/WindingPainter.h"
#include "util/AtomicFile.h"
#include "util/Paths.h"

namespace kel::ui {

namespace {

// The drawing's room on the page, in the document's pixels, and the image's pixels for each of
// its units: sharp on paper at that size.
constexpr double kDrawingMostWide = 330;
constexpr double kDrawingMostTall = 430;
constexpr double kImagePixelsPerUnit = 3;

const QMarginsF kPageMarginsMm(15, 15, 15, 15);

QString Title(const ReportInput& input) {
  return QString::fromStdString("Kelvanor : " + FileNameOf(input.doc_path));
}

}  // namespace

std::unique_ptr<QTextDocument> ReportDocument(const ReportInput& input) {
  auto document = std::make_unique<QTextDocument>();
  QFont font("DejaVu Sans");
  font.setPointSizeF(9);
  document->setDefaultFont(font);
  QString html = QString::fromStdString(HtmlReport(input, DrawingAs::Image));
  if (input.check && input.check->result) {
    const QImage image =
        WindingWindowImage(*input.check->result, input.decimal_separator, kImagePixelsPerUnit);
    document->addResource(QTextDocument::ImageResource, QUrl(kDrawingUrl), image);
    // Shown whole and undistorted in the room the page gives it.
    const double scale = std::min(kDrawingMostWide * kImagePixelsPerUnit / image.width(),
                                  kDrawingMostTall * kImagePixelsPerUnit / image.height());
    html.replace(QString("<img src=\"") + kDrawingUrl + "\">",
                 QString("<img src=\"%1\" width=\"%2\" height=\"%3\">")
                     .arg(kDrawingUrl)
                     .arg(qRound(image.width() * scale / kImagePixelsPerUnit))
                     .arg(qRound(image.height() * scale / kImagePixelsPerUnit)));
  }
  document->setHtml(html);
  document->setMetaInformation(QTextDocument::DocumentTitle, Title(input));
  return document;
}

bool WritePdfReport(const std::string& path, const ReportInput& input, std::string* error) {
  const auto document = ReportDocument(input);
  // Written in memory first: Qt's writer would take the name as UTF-8 and write in place.
  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&pdf);
    if (!writer.setPageSize(QPageSize(QPageSize::A4))) return false;
    writer.setPageMargins(kPageMarginsMm, QPageLayout::Millimeter);
    writer.setTitle(Title(input));
    writer.setCreator("Kelvanor");
    document->print(&writer);
  }
  const QByteArray& bytes = pdf.data();
  std::string reason;
  const bool written =
      !bytes.isEmpty() &&
      ReplaceFileWith(path, std::string_view(bytes.constData(), bytes.size()), reason);
  if (!written && error) *error = bytes.isEmpty() ? "rapport vide" : reason;
  return written;
}

void PrintReport(QWidget* parent, const MainForm& form) {
  const DesignCheck check = CheckFormWith(form, {});
  const ReportInput input{&form.Sheet(),
                          &check,
                          form.DocPath(),
                          TodayText(),
                          ManufacturingSheetLines(form.Sheet(), form.DocPath()),
                          form.DecimalSeparator()};
  const auto document = ReportDocument(input);
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageMargins(kPageMarginsMm, QPageLayout::Millimeter);
  printer.setDocName(Title(input));
  printer.setCreator("Kelvanor");
  QPrintPreviewDialog preview(&printer, parent);
  preview.setObjectName("FmApercu");
  preview.setWindowTitle("Aperçu avant impression");
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [&document](QPrinter* target) { document->print(target); });
  preview.exec();
}

}  // namespace kel::ui
