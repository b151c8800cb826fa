// The "Graphics" MDI child on Qt: painted by the program's callback in the kept mapping mode; it
// cannot be closed on its own.
#pragma once

#include <QWidget>

#include "framework/program_services.h"

class QMdiArea;
class QMdiSubWindow;
class QPainter;

namespace fw {

// The surface a paint callback draws on: the painter, already in the window's mapping mode,
// and the size of the window or page.
struct PaintSurface {
    QPainter& painter;
    SurfaceSize size;
};

}  // namespace fw

namespace fw::qt {

class GraphicsWidget : public QWidget {
public:
    // The record outlives the widget; its paint callback and mapping mode are read at each paint.
    explicit GraphicsWidget(const GraphicsWindow& record, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const GraphicsWindow& record_;
};

// Shows the graphics window as an MDI child of area with the requested title, position and outer
// size, greys its Close and measures the fixed-pitch font's cell into font.
QMdiSubWindow* addGraphicsWindow(QMdiArea& area, const GraphicsWindow& record, const GraphicsWindowRequest& request,
                                 FontMetrics& font);

}  // namespace fw::qt
