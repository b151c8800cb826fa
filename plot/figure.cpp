// The figure, laid out on a canvas of at least 800 by 700 units: the title on top, the triangle
// with its grid, ticks and corner labels in the middle, the legend in the free corner beside the
// apex, the footer at the bottom.
#include "plot/figure.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "plot/density_cells.h"

namespace plot {

namespace {

constexpr const char* kFontFamily = "DejaVu Sans";
constexpr double kTitleBand = 46.0;
constexpr double kApexRoom = 30.0;     // the R label above the apex
constexpr double kBaseRoom = 58.0;     // tick labels, axis caption and corner labels below the base
constexpr double kFooterBand = 30.0;
constexpr double kSideRoom = 70.0;     // tick labels and axis captions beside the slanted edges
constexpr double kGridStep = 0.2;
constexpr double kTickLength = 5.0;
constexpr double kLegendWidth = 190.0;
constexpr double kOneDotRadius = 3.5;  // a lone pair
constexpr double kMinDotRadius = 2.0;
constexpr double kMaxDotRadius = 16.0;

const QColor kInk(40, 40, 40);
const QColor kGridColour(200, 200, 200);
const QColor kMutedInk(90, 90, 90);

// viridis at nine even steps.
constexpr std::array<std::array<int, 3>, 9> kViridis{{{68, 1, 84},
                                                      {71, 45, 123},
                                                      {59, 82, 139},
                                                      {44, 114, 142},
                                                      {33, 144, 140},
                                                      {39, 173, 129},
                                                      {93, 200, 99},
                                                      {170, 220, 50},
                                                      {253, 231, 37}}};
// The lightest end of the ramp is left out: pale yellow vanishes on white paper.
constexpr double kLightestViridis = 0.9;

QColor viridis(double v) {
    const double at = std::clamp(v, 0.0, 1.0) * (kViridis.size() - 1);
    const size_t i = std::min(static_cast<size_t>(at), kViridis.size() - 2);
    const double f = at - static_cast<double>(i);
    auto mix = [&](int c) { return static_cast<int>(std::lround(kViridis[i][c] + f * (kViridis[i + 1][c] - kViridis[i][c]))); };
    return QColor(mix(0), mix(1), mix(2));
}

QFont figureFont(int pixels, bool bold = false) {
    QFont font(QString::fromLatin1(kFontFamily));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QString titleText(const std::string& bytes) {
    const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QString utf8 = QString::fromUtf8(raw);
    return (utf8.contains(QChar::ReplacementCharacter) ? QString::fromLatin1(raw) : utf8).trimmed();
}

QString countText(int64_t n) { return QLocale(QLocale::English).toString(static_cast<qlonglong>(n)); }

// The canvas of an area: its size in canvas units and the factor to area units.
struct Canvas {
    double width;
    double height;
    double scale;
};

Canvas canvasOf(const QRectF& area) {
    const double scale = std::max(std::min(area.width() / kCanvasWidth, area.height() / kCanvasHeight), 1e-6);
    return {area.width() / scale, area.height() / scale, scale};
}

// The triangle on the canvas: the figure's layout in canvas units.
struct Triangle : FigureLayout {
    QPointF at(double x, double y) const { return place(x, y); }
    // The place of fractions R and S (D is the rest).
    QPointF fractions(double r, double s) const { return at(kBaseWidth * (s + r / 2.0), kApexHeight * r); }
};

Triangle triangleOn(const Canvas& canvas) {
    const double top = kTitleBand + kApexRoom;
    const double bottom = canvas.height - kFooterBand - kBaseRoom;
    const double side = std::min((bottom - top) * kBaseWidth / kApexHeight, canvas.width - 2 * kSideRoom);
    return {{QPointF((canvas.width - side) / 2.0, bottom), side}};
}

void drawCentredText(QPainter& p, const QPointF& centre, const QString& text) {
    const QFontMetricsF m(p.font());
    p.drawText(QPointF(centre.x() - m.horizontalAdvance(text) / 2.0, centre.y() + (m.ascent() - m.descent()) / 2.0),
               text);
}

void drawTitle(QPainter& p, const Canvas& canvas, const PlotData& data) {
    // A long title first gets a smaller font, then loses its end.
    const QString text = titleText(data.title);
    const double room = canvas.width - 40;
    int pixels = 18;
    while (pixels > 13 && QFontMetricsF(figureFont(pixels, true)).horizontalAdvance(text) > room) --pixels;
    p.setFont(figureFont(pixels, true));
    p.setPen(kInk);
    const QString title = QFontMetricsF(p.font()).elidedText(text, Qt::ElideRight, room);
    drawCentredText(p, QPointF(canvas.width / 2.0, kTitleBand / 2.0 + 2), title);
}

void drawFooter(QPainter& p, const Canvas& canvas, const PlotData& data) {
    p.setFont(figureFont(12));
    p.setPen(kMutedInk);
    const QString footer = QStringLiteral("%1 objects  \u00b7  %2 pairs  \u00b7  %3 distinct positions")
                               .arg(countText(data.objects), countText(data.pairs),
                                    countText(static_cast<int64_t>(data.positions.size())));
    drawCentredText(p, QPointF(canvas.width / 2.0, canvas.height - kFooterBand / 2.0), footer);
}

void drawCells(QPainter& p, const Triangle& t, const DensityCells& cells) {
    for (size_t i = 0; i < cells.counts.size(); ++i) {
        if (cells.counts[i] == 0) continue;
        const Corners c = cell_corners(cell_at(static_cast<int32_t>(i), cells.per_side), cells.per_side);
        const QColor colour = density_colour(density_fraction(cells.counts[i], cells.max_count));
        // An outline in the fill's own colour closes the hairline seams between neighbours.
        p.setPen(QPen(colour, 0.6));
        p.setBrush(colour);
        p.drawPolygon(QPolygonF({t.at(c.a.x, c.a.y), t.at(c.b.x, c.b.y), t.at(c.c.x, c.c.y)}));
    }
}

// Dot radius for a count: the area grows with the count, a lone pair stays visible and the
// fullest position stays within kMaxDotRadius.
double dotRadius(int64_t pairs, int64_t max_pairs) {
    const double k = std::min(kOneDotRadius, kMaxDotRadius / std::sqrt(static_cast<double>(std::max<int64_t>(max_pairs, 1))));
    return std::max(kMinDotRadius, k * std::sqrt(static_cast<double>(pairs)));
}

int64_t maxPairs(const PlotData& data) {
    int64_t most = 0;
    for (const PlotPoint& q : data.positions) most = std::max(most, q.pairs);
    return most;
}

void setDotStyle(QPainter& p) {
    QColor fill = kDotColour;
    fill.setAlphaF(kDotOpacity);
    p.setBrush(fill);
    p.setPen(QPen(kDotColour.darker(150), 0.8));
}

void drawDots(QPainter& p, const Triangle& t, const PlotData& data, int64_t most) {
    std::vector<PlotPoint> dots = data.positions;
    // Small dots last, so that a lone pair is never hidden under a crowded place.
    std::stable_sort(dots.begin(), dots.end(), [](const PlotPoint& a, const PlotPoint& b) { return a.pairs > b.pairs; });
    setDotStyle(p);
    for (const PlotPoint& q : dots) {
        const double r = dotRadius(q.pairs, most);
        p.drawEllipse(t.at(q.x, q.y), r, r);
    }
}

void drawGrid(QPainter& p, const Triangle& t) {
    p.setPen(QPen(kGridColour, 0.8));
    for (int k = 1; k < 5; ++k) {
        const double f = k * kGridStep;
        p.drawLine(t.fractions(f, 0.0), t.fractions(f, 1.0 - f));  // constant R
        p.drawLine(t.fractions(0.0, f), t.fractions(1.0 - f, f));  // constant S
        p.drawLine(t.fractions(0.0, 1.0 - f), t.fractions(1.0 - f, 0.0));  // constant D
    }
}

void drawEdges(QPainter& p, const Triangle& t) {
    p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF({t.fractions(0, 0), t.fractions(0, 1), t.fractions(1, 0)}));
}

// Ticks at every grid step, each fraction on the edge where its grid lines end: S along the
// base, R along the right edge, D along the left edge.
void drawTicks(QPainter& p, const Triangle& t) {
    const QFont font = figureFont(11);
    p.setFont(font);
    const QFontMetricsF m(font);
    const double slant = 0.5, rise = std::sqrt(3.0) / 2.0;
    for (int k = 1; k < 5; ++k) {
        const double f = k * kGridStep;
        const QString label = QString::number(f, 'f', 1);
        const double w = m.horizontalAdvance(label);
        struct Tick {
            QPointF at;
            QPointF direction;  // outwards, along the grid line
            QPointF textOffset;
        };
        const Tick ticks[3] = {
            {t.fractions(0.0, f), {-slant, rise}, {-w / 2.0 - 3, m.ascent() + 2}},
            {t.fractions(f, 1.0 - f), {1.0, 0.0}, {3, (m.ascent() - m.descent()) / 2.0}},
            {t.fractions(1.0 - f, 0.0), {-slant, -rise}, {-w - 1, -2}},
        };
        for (const Tick& tick : ticks) {
            const QPointF end = tick.at + tick.direction * kTickLength;
            p.setPen(QPen(kInk, 1.0));
            p.drawLine(tick.at, end);
            p.setPen(kMutedInk);
            p.drawText(end + tick.textOffset, label);
        }
    }
}

// A caption along an edge, rotated to its slope, centred on point.
void drawEdgeCaption(QPainter& p, const QPointF& point, double degrees, const QString& text) {
    p.save();
    p.translate(point);
    p.rotate(degrees);
    drawCentredText(p, QPointF(0, 0), text);
    p.restore();
}

void drawAxisCaptions(QPainter& p, const Triangle& t) {
    QFont font = figureFont(11);
    font.setItalic(true);
    p.setFont(font);
    p.setPen(kMutedInk);
    const double out = 34.0;
    const double slant = 0.5, rise = std::sqrt(3.0) / 2.0;
    drawCentredText(p, t.fractions(0.0, 0.5) + QPointF(0, 30), QStringLiteral("fraction S  \u2192"));
    drawEdgeCaption(p, t.fractions(0.5, 0.0) + QPointF(-rise, -slant) * out, -60.0,
                    QStringLiteral("\u2190  fraction D"));
    drawEdgeCaption(p, t.fractions(0.5, 0.5) + QPointF(rise, -slant) * out, 60.0,
                    QStringLiteral("\u2190  fraction R"));
}

// "R  replacement": the letter in bold, then the word.
struct CornerLabel {
    QString letter;
    QString word;
};

double labelWidth(const CornerLabel& label) {
    return QFontMetricsF(figureFont(15, true)).horizontalAdvance(label.letter + QLatin1Char(' ')) +
           QFontMetricsF(figureFont(14)).horizontalAdvance(label.word);
}

// Left edge at x, baseline at y.
void drawCornerLabel(QPainter& p, double x, double y, const CornerLabel& label) {
    p.setPen(kInk);
    p.setFont(figureFont(15, true));
    p.drawText(QPointF(x, y), label.letter);
    const double letterWidth = QFontMetricsF(p.font()).horizontalAdvance(label.letter + QLatin1Char(' '));
    p.setFont(figureFont(14));
    p.drawText(QPointF(x + letterWidth, y), label.word);
}

void drawCornerLabels(QPainter& p, const Triangle& t) {
    const CornerLabel r{QStringLiteral("R"), QStringLiteral("replacement")};
    const CornerLabel d{QStringLiteral("D"), QStringLiteral("richness difference")};
    const CornerLabel s{QStringLiteral("S"), QStringLiteral("similarity")};
    const QPointF apex = t.fractions(1, 0), dCorner = t.fractions(0, 0), sCorner = t.fractions(0, 1);
    const double below = dCorner.y() + 50;
    drawCornerLabel(p, apex.x() - labelWidth(r) / 2.0, apex.y() - 12, r);
    drawCornerLabel(p, dCorner.x() - 12, below, d);
    drawCornerLabel(p, sCorner.x() + 12 - labelWidth(s), below, s);
}

void drawMeanMarker(QPainter& p, const QPointF& at, double size) {
    QPainterPath diamond;
    diamond.moveTo(at + QPointF(0, -size));
    diamond.lineTo(at + QPointF(size, 0));
    diamond.lineTo(at + QPointF(0, size));
    diamond.lineTo(at + QPointF(-size, 0));
    diamond.closeSubpath();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 4.0));  // a halo that keeps it apart from dark cells
    p.drawPath(diamond);
    p.setBrush(kMeanColour);
    p.setPen(QPen(Qt::black, 1.3));
    p.drawPath(diamond);
}

void drawMean(QPainter& p, const Triangle& t, const PlotData& data) {
    drawMeanMarker(p, t.at(data.centroid.x, data.centroid.y), 7.0);
}

constexpr double kMeanRows = 44.0;

// The legend's last rows: the mean's marker and its percentages, as the console table has them.
void drawMeanLegend(QPainter& p, const QRectF& box, const PlotData& data) {
    const double top = box.bottom() - kMeanRows;
    p.setPen(QPen(kGridColour, 0.8));
    p.drawLine(QPointF(box.left() + 8, top), QPointF(box.right() - 8, top));
    drawMeanMarker(p, QPointF(box.left() + 30, top + 13), 6.0);
    p.setPen(kInk);
    p.setFont(figureFont(11, true));
    p.drawText(QPointF(box.left() + 56, top + 17), QStringLiteral("mean of all pairs"));
    p.setFont(figureFont(11));
    p.drawText(QPointF(box.left() + 10, top + 35), QStringLiteral("S %1 %  R %2 %  D %3 %")
                                                       .arg(data.mean_s, 0, 'f', 1)
                                                       .arg(data.mean_r, 0, 'f', 1)
                                                       .arg(data.mean_d, 0, 'f', 1));
}

// The legend's frame and heading; returns the top of its body.
double legendHeading(QPainter& p, const QRectF& box, const QString& heading, const QString& note) {
    p.setPen(QPen(kGridColour, 0.8));
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawRoundedRect(box, 4, 4);
    p.setPen(kInk);
    p.setFont(figureFont(12, true));
    p.drawText(QPointF(box.left() + 10, box.top() + 18), heading);
    p.setFont(figureFont(11));
    p.setPen(kMutedInk);
    p.drawText(QPointF(box.left() + 10, box.top() + 33), note);
    return box.top() + 44;
}

void drawDotLegend(QPainter& p, const QRectF& area, const PlotData& data, int64_t max_pairs) {
    const int64_t most = std::max<int64_t>(max_pairs, 1);
    std::vector<int64_t> shown{1};
    const int64_t middle = static_cast<int64_t>(std::llround(std::sqrt(static_cast<double>(most))));
    if (middle > 1 && middle < most) shown.push_back(middle);
    if (most > 1) shown.push_back(most);
    double height = 52 + kMeanRows;
    for (int64_t n : shown) height += std::max(2 * dotRadius(n, most) + 6, 18.0);
    const QRectF box(area.right() - kLegendWidth, area.top(), kLegendWidth - 8, height);
    double y = legendHeading(p, box, QStringLiteral("Pairs per position"), QStringLiteral("dot area grows with count"));
    for (int64_t n : shown) {
        const double r = dotRadius(n, most);
        const double row = std::max(2 * r + 6, 18.0);
        setDotStyle(p);
        p.drawEllipse(QPointF(box.left() + 30, y + row / 2.0), r, r);
        p.setPen(kInk);
        p.setFont(figureFont(11));
        p.drawText(QPointF(box.left() + 56, y + row / 2.0 + 4), countText(n));
        y += row;
    }
    drawMeanLegend(p, box, data);
}

void drawDensityLegend(QPainter& p, const QRectF& area, const PlotData& data, int64_t max_count) {
    const int64_t most = std::max<int64_t>(max_count, 1);
    const double barHeight = 130;
    const QRectF box(area.right() - kLegendWidth, area.top(), kLegendWidth - 8, barHeight + 66 + kMeanRows);
    const double top = legendHeading(p, box, QStringLiteral("Pairs per cell"), QStringLiteral("logarithmic scale"));
    const QRectF bar(box.left() + 16, top + 4, 16, barHeight);
    QLinearGradient ramp(bar.bottomLeft(), bar.topLeft());
    for (int i = 0; i <= 10; ++i) ramp.setColorAt(i / 10.0, density_colour(i / 10.0));
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(ramp);
    p.drawRect(bar);
    p.setFont(figureFont(11));
    std::vector<int64_t> ticks;
    for (int64_t n = 1; n < most; n *= 10) ticks.push_back(n);
    ticks.push_back(most);
    for (int64_t n : ticks) {
        const double y = bar.bottom() - density_fraction(n, most) * bar.height();
        // A power of ten too close to the top count gives way to it.
        if (n != most && bar.bottom() - density_fraction(most, most) * bar.height() > y - 12) continue;
        p.setPen(QPen(kInk, 0.8));
        p.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 4, y));
        p.drawText(QPointF(bar.right() + 8, y + 4), countText(n));
    }
    drawMeanLegend(p, box, data);
}

}  // namespace

QColor density_colour(double t) { return viridis(kLightestViridis * (1.0 - std::clamp(t, 0.0, 1.0))); }

double density_fraction(int64_t count, int64_t max_count) {
    if (max_count <= 1) return 1.0;
    return std::log(static_cast<double>(std::max<int64_t>(count, 1))) / std::log(static_cast<double>(max_count));
}

QPointF FigureLayout::place(double x, double y) const {
    const double height = side * kApexHeight / kBaseWidth;
    return {origin.x() + x / kBaseWidth * side, origin.y() - y / kApexHeight * height};
}

FigureLayout figure_layout(const QRectF& area) {
    const Canvas canvas = canvasOf(area);
    const Triangle t = triangleOn(canvas);
    return {area.topLeft() + t.origin * canvas.scale, t.side * canvas.scale};
}

void draw_figure(QPainter& p, const QRectF& area, const PlotData& data) {
    const Canvas canvas = canvasOf(area);
    const Triangle t = triangleOn(canvas);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(area, Qt::white);
    p.translate(area.topLeft());
    p.scale(canvas.scale, canvas.scale);
    const bool density = data.pairs >= kDensityFromPairs;
    const DensityCells cells = density ? bin_positions(data.positions) : DensityCells{};
    const int64_t most_pairs = density ? 0 : maxPairs(data);
    drawTitle(p, canvas, data);
    if (density) drawCells(p, t, cells);
    drawGrid(p, t);
    if (!density) drawDots(p, t, data, most_pairs);
    drawEdges(p, t);
    drawTicks(p, t);
    drawAxisCaptions(p, t);
    drawCornerLabels(p, t);
    drawMean(p, t, data);
    const QRectF legendArea(0, kTitleBand + 4, canvas.width, 0);
    if (density)
        drawDensityLegend(p, legendArea, data, cells.max_count);
    else
        drawDotLegend(p, legendArea, data, most_pairs);
    drawFooter(p, canvas, data);
    p.restore();
}

}  // namespace plot
