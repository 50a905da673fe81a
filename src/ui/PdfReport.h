#pragma once
// The report of a design as an A4 PDF through Qt's own PDF writer: real, searchable text, and the
// winding window as a picture.

#include <string>

#include "report/HtmlReport.h"

namespace kel::ui {

// Needs a QGuiApplication. False when the file could not be written.
bool WritePdfReport(const std::string& path, const ReportInput& input);

}  // namespace kel::ui
