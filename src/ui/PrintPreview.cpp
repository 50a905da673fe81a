#include "ui/PrintPreview.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

extern "C" __attribute__((visibility("default"))) void kelvanor_print_preview(
    QWidget* parent, const kel::ui::PrintRequest& request) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setFullPage(true);
  printer.setDocName(request.document_name);
  printer.setCreator("Kelvanor");
  QPrintPreviewDialog preview(&printer, parent);
  preview.setObjectName("FmApercu");
  preview.setWindowTitle("Aperçu avant impression");
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [&request](QPrinter* target) { request.paint(*target); });
  preview.exec();
}
