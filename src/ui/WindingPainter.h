#pragma once
// The winding window painted with Qt from its geometry: in the "Vérification" window and as the
// picture of the PDF report. The same colours and captions as the SVG export.

#include <QImage>
#include <QRectF>

#include "check/Check.h"

class QPainter;

namespace kel::ui {

// Paints the window to scale inside target (in the painter's units), captions below it.
void PaintWindingWindow(QPainter& painter, const QRectF& target, const CheckResult& check,
                        char decimal_separator);

// The same as an image of the given size, on white.
QImage WindingWindowImage(const CheckResult& check, char decimal_separator, QSize size);

}  // namespace kel::ui
