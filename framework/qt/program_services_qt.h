// The program services on Qt: the graphics window, program items in the frame's menu bar,
// frame timers and the tick's question, lent to the services logic.
#pragma once

#include <QObject>
#include <QMdiSubWindow>
#include <QPointer>

#include <functional>
#include <map>

#include "framework/program_services.h"

class QAction;
class QMenu;
class QTimer;

namespace fw::qt {

class FrameWindow;

class ProgramServicesQt : public QObject, public ServicesPlatform {
public:
    // A child of the frame: it goes with it, and the entry points fall back to "no window
    // system".
    ProgramServicesQt(FrameWindow& frame, ServicesState& state);
    ~ProgramServicesQt() override;

    // Where a picked program item and a timer event go; by default the frame's command and timer
    // dispatch.
    std::function<void(int32_t command)> command;
    std::function<void(int32_t timerId)> timer;
    // Replaceable for tests, so no box waits and no thread is needed.
    std::function<int32_t(const char* text, const char* caption, uint32_t style)> question;
    std::function<int32_t(int32_t delayMs, std::atomic<int32_t>& flag)> startTickTimer = startTickThread;

    QMdiSubWindow* graphicsChild() const { return graphicsChild_; }
    // The menu-bar item with this program command identifier, or null.
    QAction* programAction(int32_t id) const;

    // ServicesPlatform.
    bool createGraphicsWindow(const GraphicsWindowRequest& request, FontMetrics& font) override;
    bool appendMenu(int32_t menuIndex, uint32_t flags, int32_t id, const std::string& text) override;
    bool insertMenu(int32_t menuIndex, int32_t position, uint32_t flags, int32_t id, const std::string& text) override;
    bool insertPopupMenu(int32_t position, uint32_t flags, const std::string& text) override;
    int32_t checkMenuItem(int32_t menuIndex, int32_t position, uint32_t flags) override;
    int32_t deleteMenuItem(int32_t menuIndex, int32_t position) override;
    void drawMenuBar() override;
    bool setTimer(int32_t id, int32_t intervalMs) override;
    void killTimer(int32_t id) override;
    void dispatchQueued() override;
    int32_t startTick(int32_t delayMs, int32_t resolutionMs, std::atomic<int32_t>& flag) override;
    int32_t messageBox(const char* text, const char* caption, uint32_t style) override;
    void endProgram() override;
    Rect clientArea() override;
    Rect consolePlace() override;
    std::string chooseSaveFile(const std::string& caption, std::span<const FileType> types) override;
    bool printPage(const std::string& documentName, PageOrientation orientation, PaintCallback paint) override;
    void setStatusText(const std::string& text) override;

private:
    QMenu* submenu(int32_t menuIndex) const;
    QAction* newItem(uint32_t flags, int32_t id, const std::string& text);

    FrameWindow& frame_;
    ServicesState& state_;
    QPointer<QMdiSubWindow> graphicsChild_;
    std::map<int32_t, QTimer*> timers_;
};

// Start-up of the services for the frame (frameworkMain's step 10): tick flag 1, delay 100 ms,
// resolution 10 ms, no graphics window; the program's entry points act on this frame from now.
ProgramServicesQt& installProgramServices(FrameWindow& frame);
// Whether the program item with this command identifier carries a check mark; the frame's
// "is checked" question for identifiers from 800 on.
bool programItemChecked(int32_t command);

}  // namespace fw::qt
