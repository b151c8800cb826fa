// The figure as a file, in the format its name's extension asks for.
#pragma once

#include <string>
#include <string_view>

#include "plot/plot_data.h"

namespace plot {

enum class FileFormat { unknown, svg, png, pdf };

// By the extension, in any letter case: .svg, .png, .pdf.
FileFormat format_of(std::string_view path);

// Sizes of the files: SVG in 800 by 700 pixels, PNG at twice that, PDF on one A4 page in
// landscape.
constexpr int kPngScale = 2;
constexpr int kPdfResolution = 300;

// Writes the figure to path. Returns "" when the whole file was written, else why not. Needs a
// QGuiApplication (for the fonts).
std::string write_plot_file(const std::string& path, const PlotData& data);

}  // namespace plot
