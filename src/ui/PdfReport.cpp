#include "ui/PdfReport.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include "ui/WindingPainter.h"
#include "util/AtomicFile.h"
#include "util/Paths.h"

namespace kel::ui {

bool WritePdfReport(const std::string& path, const ReportInput& input, std::string* error) {
  QTextDocument document;
  QFont font("DejaVu Sans");
  font.setPointSizeF(9);
  document.setDefaultFont(font);
  if (input.check && input.check->result) {
    document.addResource(
        QTextDocument::ImageResource, QUrl(kDrawingUrl),
        WindingWindowImage(*input.check->result, input.decimal_separator, QSize(1000, 1100)));
  }
  QString html = QString::fromStdString(HtmlReport(input, DrawingAs::Image));
  // The picture is drawn at a high resolution and shown at a width that fits the page.
  html.replace(QString("<img src=\"") + kDrawingUrl + "\">",
               QString("<img src=\"") + kDrawingUrl + "\" width=\"330\" height=\"363\">");
  document.setHtml(html);

  // Written in memory first: Qt's writer would take the name as UTF-8 and write in place.
  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&pdf);
    if (!writer.setPageSize(QPageSize(QPageSize::A4))) return false;
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(QString::fromStdString("Kelvanor : " + FileNameOf(input.doc_path)));
    writer.setCreator("Kelvanor");
    document.print(&writer);
  }
  const QByteArray& bytes = pdf.data();
  std::string reason;
  const bool written =
      !bytes.isEmpty() &&
      ReplaceFileWith(path, std::string_view(bytes.constData(), bytes.size()), reason);
  if (!written && error) *error = bytes.isEmpty() ? "rapport vide" : reason;
  return written;
}

}  // namespace kel::ui
