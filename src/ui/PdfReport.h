#pragma once
// The report of a design as an A4 PDF through Qt's own PDF writer: real, searchable text, and the
// winding window as a picture.

#include <string>

#include "report/Report.h"

namespace kel::ui {

// Needs a QGuiApplication. The file is replaced whole or not at all, under path's own bytes
// (a name that is not UTF-8 included). False when it could not be written, with the system's
// reason in error when given.
bool WritePdfReport(const std::string& path, const ReportInput& input,
                    std::string* error = nullptr);

}  // namespace kel::ui
