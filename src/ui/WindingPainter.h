#pragma once
// The winding window painted with Qt from its Picture: in the "Vérification" window and as the
// picture of the PDF report and the printed one. The same shapes, colours and captions as the
// SVG export; the text measured with the face it is painted in.

#include <QImage>
#include <QRectF>

#include "check/Check.h"
#include "report/WindingWindow.h"

class QPainter;

namespace kel::ui {

// The picture with its text measured by Qt.
Picture WindingPicture(const CheckResult& check, char decimal_separator);

// Paints the picture whole inside target (in the painter's units), scaled without distortion,
// centred across.
void PaintWindingWindow(QPainter& painter, const QRectF& target, const CheckResult& check,
                        char decimal_separator);

// The picture alone as an image, pixels_per_unit pixels to each of its units, on white.
QImage WindingWindowImage(const CheckResult& check, char decimal_separator, double pixels_per_unit);

}  // namespace kel::ui
