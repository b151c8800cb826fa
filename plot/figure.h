// The triangle plot as one QPainter routine: the screen, SVG, PNG, PDF and the printer all draw
// it through draw_figure.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

#include "plot/plot_data.h"

class QPainter;

namespace plot {

// The figure is laid out on a canvas of at least this many units; a larger area scales it
// evenly, so text, lines and dots keep their proportions from screen to A4.
constexpr double kCanvasWidth = 800.0;
constexpr double kCanvasHeight = 700.0;

// Colour-blind safe and ordered in lightness, so they survive grey print: the dots and the
// density scale come from the viridis ramp, the mean from the vermillion of the Okabe-Ito set.
const QColor kDotColour(59, 82, 139);
constexpr double kDotOpacity = 0.6;
const QColor kMeanColour(213, 94, 0);

// The density scale: 1 pair (t = 0) light yellow-green to the fullest cell (t = 1) dark violet,
// t growing with the logarithm of the count.
QColor density_colour(double t);
double density_fraction(int64_t count, int64_t max_count);

// Where the triangle lies in an area: the place of a point given in data units.
struct FigureLayout {
    QPointF origin;      // the D corner, in area units
    double side = 0.0;   // base length, in area units
    QPointF place(double x, double y) const;
};
FigureLayout figure_layout(const QRectF& area);

// Draws the whole figure into area: title, triangle with grid and ticks, dots or density
// cells, the mean, the legend and the footer.
void draw_figure(QPainter& painter, const QRectF& area, const PlotData& data);

}  // namespace plot
