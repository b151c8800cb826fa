// Each format renders into memory; one writer puts the bytes into the file, so a file that
// cannot be created or filled is reported the same way for all three.
#include "plot/plot_file.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>

#include "plot/figure.h"

namespace plot {

namespace {

const QRectF kCanvas(0, 0, kCanvasWidth, kCanvasHeight);

QString qtext(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QByteArray svgBytes(const PlotData& data) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(kCanvas.size().toSize());
    svg.setViewBox(kCanvas);
    svg.setTitle(qtext(data.title).trimmed());
    svg.setDescription(QStringLiteral("Pairs in the similarity, replacement and richness difference triangle"));
    QPainter painter(&svg);
    draw_figure(painter, kCanvas, data);
    painter.end();
    return buffer.data();
}

QByteArray pngBytes(const PlotData& data) {
    QImage image((kCanvas.size() * kPngScale).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(kPngScale);
    image.setDotsPerMeterX(static_cast<int>(96 * kPngScale / 0.0254));
    image.setDotsPerMeterY(static_cast<int>(96 * kPngScale / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    draw_figure(painter, kCanvas, data);
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray pdfBytes(const PlotData& data) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12),
                                  QPageLayout::Millimeter));
    pdf.setResolution(kPdfResolution);
    pdf.setTitle(qtext(data.title).trimmed());
    pdf.setCreator(QStringLiteral("simplex"));
    QPainter painter(&pdf);
    draw_figure(painter, QRectF(0, 0, pdf.width(), pdf.height()), data);
    painter.end();
    return buffer.data();
}

}  // namespace

FileFormat format_of(std::string_view path) {
    const size_t dot = path.find_last_of("./");
    if (dot == std::string_view::npos || path[dot] != '.') return FileFormat::unknown;
    std::string extension(path.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "svg") return FileFormat::svg;
    if (extension == "png") return FileFormat::png;
    if (extension == "pdf") return FileFormat::pdf;
    return FileFormat::unknown;
}

std::string write_plot_file(const std::string& path, const PlotData& data) {
    QByteArray bytes;
    switch (format_of(path)) {
        case FileFormat::svg: bytes = svgBytes(data); break;
        case FileFormat::png: bytes = pngBytes(data); break;
        case FileFormat::pdf: bytes = pdfBytes(data); break;
        case FileFormat::unknown: return "the name must end in .svg, .png or .pdf";
    }
    QFile file(qtext(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return file.errorString().toStdString();
    if (file.write(bytes) != bytes.size() || !file.flush()) return file.errorString().toStdString();
    file.close();
    if (file.error() != QFileDevice::NoError) return file.errorString().toStdString();
    return {};
}

}  // namespace plot
