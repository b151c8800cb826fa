// The triangle plot rendered headless: pixels where the rules put the corners, a lone pair's
// dot and a dense cell's shade; the binning of places into cells; the three file formats.
#include "plot/figure.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cmath>
#include <string>

#include "plot/density_cells.h"
#include "plot/plot_file.h"
#include "tests/support/qt_application.h"

namespace {

using plot::kApexHeight;
using plot::kBaseWidth;

// A place from its R and S fractions, as "simplex.dat" places it.
plot::PlotPoint at(double r, double s, int64_t pairs = 0) { return {kBaseWidth * (s + r / 2.0), kApexHeight * r, pairs}; }

plot::PlotData sample(int64_t pairs, std::vector<plot::PlotPoint> positions) {
    plot::PlotData data;
    data.title = "Test plot";
    data.objects = 4;
    data.pairs = pairs;
    data.positions = std::move(positions);
    data.centroid = at(0.7, 0.1);
    data.mean_s = 10;
    data.mean_r = 70;
    data.mean_d = 20;
    return data;
}

QImage render(const plot::PlotData& data) {
    test_support::start_qt_application();
    QImage image(800, 700, QImage::Format_RGB32);
    QPainter painter(&image);
    plot::draw_figure(painter, QRectF(0, 0, 800, 700), data);
    return image;
}

QColor pixelAt(const QImage& image, const QPointF& p) { return image.pixelColor(static_cast<int>(p.x()), static_cast<int>(p.y())); }

void expectNear(const QColor& got, const QColor& want, int tolerance, const std::string& what) {
    EXPECT_LE(std::abs(got.red() - want.red()), tolerance) << what << " red " << got.red();
    EXPECT_LE(std::abs(got.green() - want.green()), tolerance) << what << " green " << got.green();
    EXPECT_LE(std::abs(got.blue() - want.blue()), tolerance) << what << " blue " << got.blue();
}

// The darkest pixel of the 3 by 3 block around p.
int darkest(const QImage& image, const QPointF& p) {
    int least = 255;
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            least = std::min(least, image.pixelColor(static_cast<int>(p.x()) + dx, static_cast<int>(p.y()) + dy).lightness());
    return least;
}

// Below 5,000 pairs: one dot per place. The corners carry the dark edges with white just
// outside; a lone pair's dot is the dot colour at 60 % over white, and white beyond its radius.
TEST(Figure, CornersAndALonePairsDot) {
    const plot::PlotPoint lone = at(0.25, 0.45, 1);
    const plot::PlotData data = sample(3, {lone, at(0.05, 0.9, 2)});
    const QImage image = render(data);
    const plot::FigureLayout layout = plot::figure_layout(QRectF(0, 0, 800, 700));
    const struct {
        const char* name;
        plot::PlotPoint corner;
        QPointF outwards;
    } corners[] = {
        {"D", at(0, 0), {-5, 4}},
        {"S", at(0, 1), {5, 4}},
        {"R", at(1, 0), {0, -6}},
    };
    for (const auto& c : corners) {
        const QPointF p = layout.place(c.corner.x, c.corner.y);
        EXPECT_LT(darkest(image, p), 100) << c.name;
        EXPECT_EQ(pixelAt(image, p + c.outwards), QColor(Qt::white)) << c.name;
    }
    // 255 + 0.6 * (colour - 255) for (59, 82, 139).
    const QPointF dot = layout.place(lone.x, lone.y);
    expectNear(pixelAt(image, dot), QColor(137, 151, 185), 3, "lone dot");
    EXPECT_EQ(pixelAt(image, dot + QPointF(8, 0)), QColor(Qt::white));
    EXPECT_EQ(pixelAt(image, dot + QPointF(0, -8)), QColor(Qt::white));
}

// From 5,000 pairs: cells shaded on a log scale. The fullest cell takes the dark end of the
// ramp (viridis 0: 68, 1, 84), a cell of one pair the light end (viridis 0.9, between the
// steps 170, 220, 50 and 253, 231, 37 at 0.2).
TEST(Figure, DensityShadesTheFullestAndALoneCell) {
    const double n = plot::kCellsPerSide;
    const plot::PlotPoint dense = at((10 + 1 / 3.0) / n, (4 + 1 / 3.0) / n, 5999);
    const plot::PlotPoint lone = at((2 + 1 / 3.0) / n, (30 + 1 / 3.0) / n, 1);
    const QImage image = render(sample(6000, {dense, lone}));
    const plot::FigureLayout layout = plot::figure_layout(QRectF(0, 0, 800, 700));
    expectNear(pixelAt(image, layout.place(dense.x, dense.y)), QColor(68, 1, 84), 1, "dense cell");
    expectNear(pixelAt(image, layout.place(lone.x, lone.y)), QColor(187, 222, 47), 1, "lone cell");
}

TEST(DensityCells, PlacesFallInTheirCellAndEveryPairIsCounted) {
    const int32_t n = plot::kCellsPerSide;
    const struct {
        plot::PlotPoint place;
        plot::Cell cell;
    } cases[] = {
        {at(0, 0), {0, 0, true}},                                 // D corner
        {at(0, 1), {0, 39, true}},                                // S corner
        {at(1, 0), {39, 0, true}},                                // R corner
        {at(10.4 / n, 4.4 / n), {10, 4, true}},                   // fractional parts sum below 1
        {at(10.6 / n, 4.6 / n), {10, 4, false}},                  // above 1: the cell pointing down
        {{kBaseWidth / 2, -0.01, 0}, {0, 20, true}},              // below the base: the edge row
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plot::cell_of(c.place.x, c.place.y, n), c.cell) << c.place.x << "," << c.place.y;
        EXPECT_EQ(plot::cell_at(plot::cell_index(c.cell, n), n), c.cell);
    }
    const std::vector<plot::PlotPoint> places = {at(0, 0, 7), at(0.001, 0.001, 5), at(1, 0, 1'000'000), at(0.5, 0.5, 3)};
    const plot::DensityCells cells = plot::bin_positions(places);
    int64_t total = 0;
    for (int64_t count : cells.counts) total += count;
    EXPECT_EQ(total, 1'000'015);
    EXPECT_EQ(cells.max_count, 1'000'000);
    EXPECT_EQ(cells.counts[static_cast<size_t>(plot::cell_index({0, 0, true}, n))], 12);
}

// SVG parses as XML with an svg root, the PNG is 1600 by 1400, the PDF has one A4 landscape
// page (842 by 595 points); a name without a known extension or in a missing folder is refused.
TEST(PlotFile, EachFormatWritesAWholeFile) {
    test_support::start_qt_application();
    QTemporaryDir dir;
    const plot::PlotData data = sample(3, {at(0.25, 0.45, 1), at(0.05, 0.9, 2)});
    const std::string base = dir.path().toStdString() + "/plot";

    ASSERT_EQ(plot::write_plot_file(base + ".svg", data), "");
    QFile svg(QString::fromStdString(base + ".svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    QString root;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && root.isEmpty()) root = xml.name().toString();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(root, "svg");

    ASSERT_EQ(plot::write_plot_file(base + ".PNG", data), "");
    EXPECT_EQ(QImage(QString::fromStdString(base + ".PNG")).size(), QSize(1600, 1400));

    ASSERT_EQ(plot::write_plot_file(base + ".pdf", data), "");
    QFile pdf(QString::fromStdString(base + ".pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_EQ(bytes.count("/Type /Page\n"), 1);
    EXPECT_TRUE(bytes.contains("/MediaBox [0 0 842.000000 595.000000]"));

    EXPECT_NE(plot::write_plot_file(base + ".jpg", data), "");
    EXPECT_NE(plot::write_plot_file(base + "/missing/plot.svg", data), "");
}

}  // namespace
