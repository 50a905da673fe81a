#pragma once
// The idle pictures (report/IdlePlots.h) painted with Qt: in the "Vérification" window, and as
// the pictures of page 3 of the PDF report and the printed one.

#include <QImage>
#include <QRectF>
#include <string>

#include "report/IdlePlots.h"

class QPainter;

namespace kel::ui {

// Paints plot inside target (in the painter's units) with the painter's font: the frame, the
// ticks and their figures, the zero line, the curves, the mark, the legend. Nothing but the
// title when target is too small for the curves.
void PaintPlot(QPainter& painter, const QRectF& target, const Plot& plot, char decimal_separator);

// The plot alone as an image of width × height units, pixels_per_unit pixels to each, on white,
// with the report's face at 9 pt.
QImage PlotImage(const Plot& plot, char decimal_separator, double width, double height,
                 double pixels_per_unit);

}  // namespace kel::ui
