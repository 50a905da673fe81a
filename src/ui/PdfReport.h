#pragma once
// The report of a design laid out on A4 pages by Qt: written as a PDF through Qt's own PDF writer
// (real, searchable text, the winding window and the idle pictures as images) or printed through
// the system's print dialog after a preview.

#include <QTextDocument>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "report/HtmlReport.h"

class QPagedPaintDevice;
class QWidget;

namespace kel::ui {

// The report as Qt lays it out on the device's pages, the drawing as tall as the first page
// leaves room for; needs a QGuiApplication. The device measures from the paper's edge.
std::unique_ptr<QTextDocument> ReportDocument(const ReportInput& input, QPagedPaintDevice& device);

// Needs a QGuiApplication. The file is replaced whole or not at all, under path's own bytes
// (a name that is not UTF-8 included). False when it could not be written, with the system's
// reason in error when given.
bool WritePdfReport(const std::string& path, const ReportInput& input,
                    std::string* error = nullptr);

// The report's input for the form's design as its last recalculation left it, with check (which
// must outlive it), numbers with separator. When the sheet has to advise another core, the advice
// is that of the search the form holds (MainForm::CoreSearch), which the check window follows;
// when it holds none for this design it is started, on its own thread. The window's thread never
// searches: while the search runs, a progress dialog over parent waits for it with the events
// going on; cancelled, the sheet says the advice was not computed.
ReportInput WindowReportInput(QWidget* parent, MainForm& form, const DesignCheck& check,
                              char separator);

// The report of the design as the form's last recalculation left it, checked with the design's
// own options (its advised core from WindowReportInput), in the print preview ("Aperçu avant
// impression"), whose printer button opens the system's print dialog. Returns once the preview is
// closed.
void PrintReport(QWidget* parent, MainForm& form);

}  // namespace kel::ui
