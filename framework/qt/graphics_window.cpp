// The graphics window: a white child window whose paint event belongs to the program.
#include "framework/qt/graphics_window.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>

#include <algorithm>

namespace fw {

SurfaceSize surfaceSize(const PaintSurface* surface) { return surface != nullptr ? surface->size : SurfaceSize{}; }

}  // namespace fw

namespace fw::qt {

GraphicsWidget::GraphicsWidget(const GraphicsWindow& record, QWidget* parent) : QWidget(parent), record_(record) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
}

void GraphicsWidget::paintEvent(QPaintEvent* event) {
    if (record_.paint == nullptr) {
        QWidget::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const MappingScale scale = mappingScale(record_.mappingMode, logicalDpiX(), logicalDpiY());
    painter.scale(scale.xScale, scale.yScale);
    PaintSurface surface{painter, {width(), height()}};
    record_.paint(&surface);
}

bool GraphicsWidget::eventFilter(QObject* watched, QEvent* event) {
    // The window lives until the process ends: Ctrl+F4 and every other close are refused.
    if (watched == parentWidget() && event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QMdiSubWindow* addGraphicsWindow(QMdiArea& area, const GraphicsWindow& record, const GraphicsWindowRequest& request,
                                 FontMetrics& font) {
    auto* widget = new GraphicsWidget(record);
    QMdiSubWindow* child = area.addSubWindow(widget);
    child->setAttribute(Qt::WA_DeleteOnClose, false);
    child->setWindowTitle(QString::fromLatin1(request.title.data(), static_cast<qsizetype>(request.title.size())));
    child->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint);
    if (QMenu* menu = child->systemMenu()) {
        const QString close = QCoreApplication::translate("QMdiSubWindow", "&Close");
        for (QAction* action : menu->actions())
            if (action->text() == close) action->setEnabled(false);
    }
    child->installEventFilter(widget);
    child->setGeometry(request.x, request.y, std::max(request.width, 0), std::max(request.height, 0));

    const QFontMetrics metrics(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    font.lineHeight = metrics.height();
    font.charWidth = metrics.horizontalAdvance(QLatin1Char('0'));
    child->show();
    return child;
}

}  // namespace fw::qt
