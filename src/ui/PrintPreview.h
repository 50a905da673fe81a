#pragma once
// The print preview and the system's print dialog, in a module of their own (kelvanor-print.so)
// that the program loads on its first print: Qt's printing library is then no part of the way
// to the window's first frame. The program and the module are built together, so the request
// crosses between them as it is.

#include <QString>
#include <functional>

class QPagedPaintDevice;
class QWidget;

namespace kel::ui {

struct PrintRequest {
  QString document_name;  // the name the print queue shows
  // Lays the report out on the printer's pages and paints them; called for the preview and again
  // for the printer itself.
  std::function<void(QPagedPaintDevice&)> paint;
};

}  // namespace kel::ui

// Shows the preview, modal over parent, A4 from the paper's edge; its printer button opens the
// system's print dialog. Returns once the preview is closed.
extern "C" void kelvanor_print_preview(QWidget* parent, const kel::ui::PrintRequest& request);
