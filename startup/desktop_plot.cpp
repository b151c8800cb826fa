// Wires the plot into the frame through the program services only: the Graphics window's paint
// callback, program menu items, the save dialog with file types and printing by callback.
#include "startup/desktop_plot.h"

#include <QPainter>

#include <cstring>
#include <string>

#include "analysis/run_observer.h"
#include "framework/program_services.h"
#include "framework/qt/graphics_window.h"
#include "plot/figure.h"
#include "plot/plot_file.h"
#include "startup/plot_of_run.h"

namespace startup {

namespace {

constexpr const char* kWindowTitle = "Triangle plot";
constexpr const char* kMenuTitle = "&Plot";
constexpr const char* kSaveItem = "Save Plot &As...";
constexpr const char* kPrintItem = "&Print Plot...";
constexpr const char* kPrintDocument = "simplex triangle plot";
constexpr int32_t kPlotMenu = 3;  // counted from 1: after File and Edit, so before Window
constexpr fw::FileType kPlotTypes[] = {{"SVG drawing", "svg"}, {"PNG image", "png"}, {"PDF document", "pdf"}};

plot::PlotData g_plot;

void paintPlot(fw::PaintSurface* surface) {
    const fw::SurfaceSize size = fw::surfaceSize(surface);
    plot::draw_figure(surface->painter, QRectF(0, 0, size.width, size.height), g_plot);
}

void savePlotAs(int32_t*) {
    const std::string path = fw::chooseSaveFile("Save Plot As", kPlotTypes);
    if (path.empty()) return;
    const std::string failure = plot::write_plot_file(path, g_plot);
    if (!failure.empty()) fw::showMessage("Cannot save the plot " + path + ": " + failure);
}

void printPlot(int32_t*) { fw::printPage(kPrintDocument, fw::PageOrientation::landscape, paintPlot); }

int32_t length(const char* text) { return static_cast<int32_t>(std::strlen(text)); }

void addPlotMenu() {
    const int32_t menu = kPlotMenu, atBar = 0, none = 0;
    int32_t flags = 0;
    fw::insertMenuItem(menu, atBar, flags, kMenuTitle, nullptr, length(kMenuTitle));
    fw::appendMenuItem(menu, none, kSaveItem, savePlotAs, length(kSaveItem));
    fw::appendMenuItem(menu, none, kPrintItem, printPlot, length(kPrintItem));
}

void showPlot(const analysis::RunResult& result) {
    g_plot = plot_data_of(result);
    if (fw::showGraphicsBesideConsole(kWindowTitle, paintPlot) == 1) addPlotMenu();
}

}  // namespace

std::function<void(const analysis::RunResult&)> plot_window_opener() { return showPlot; }

}  // namespace startup
