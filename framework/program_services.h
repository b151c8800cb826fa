// The window services a program may call: the "Graphics" window, menu items and timers with
// callbacks, the one-shot tick, thin adapters for a few window-system calls and the packing of
// 16-bit and 8-bit halves. Every argument comes by reference, as compiled code passes it; text
// comes with its declared length and loses its trailing blanks before use.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "framework/frame_logic.h"
#include "framework/platform.h"

namespace fw {

// Menu flags, numbered as the window system numbers them.
namespace mf {
constexpr uint32_t unchecked = 0x0;
constexpr uint32_t grayed = 0x1;
constexpr uint32_t disabled = 0x2;
constexpr uint32_t checked = 0x8;
constexpr uint32_t popup = 0x10;
constexpr uint32_t byPosition = 0x400;
constexpr uint32_t separator = 0x800;
}  // namespace mf

// checkMenuItem's answer for an item that does not exist.
constexpr int32_t kNoMenuItem = -1;

// What a paint callback draws on: the graphics window in a paint event, or a printed page.
// Opaque here; the window-system binding defines it with its painter.
struct PaintSurface;
struct SurfaceSize {
    int32_t width = 0;  // pixels of the window, or device pixels of the page
    int32_t height = 0;
};
SurfaceSize surfaceSize(const PaintSurface* surface);
using PaintCallback = void (*)(PaintSurface* surface);

constexpr const char* kGraphicsClass = "MDIGRAPH";
constexpr const char* kGraphicsTitle = "Graphics";
constexpr int32_t kGraphicsTitleMax = 79;
constexpr int32_t kMenuTextMax = 511;
constexpr int32_t kGraphicsX = 15;
constexpr int32_t kGraphicsY = 15;
constexpr int32_t kDefaultGraphicsWidth = 600;
constexpr int32_t kDefaultGraphicsHeight = 300;

// Mapping modes 1..8: text (pixels, y down), low and high metric, low and high English,
// twips, isotropic, anisotropic.
namespace mapping {
constexpr int32_t text = 1;
constexpr int32_t loMetric = 2;
constexpr int32_t hiMetric = 3;
constexpr int32_t loEnglish = 4;
constexpr int32_t hiEnglish = 5;
constexpr int32_t twips = 6;
constexpr int32_t isotropic = 7;
constexpr int32_t anisotropic = 8;
}  // namespace mapping

// The graphics window placed beside the console keeps this gap to it and to the frame's edges,
// and goes there only when at least kMinimumBesideWidth pixels are free.
constexpr int32_t kGraphicsGap = 10;
constexpr int32_t kMinimumBesideWidth = 360;

// A file type the save dialog offers: "PNG image" with suffix "png".
struct FileType {
    const char* description;
    const char* suffix;
};
enum class PageOrientation { portrait, landscape };

constexpr const char* kNoTimersQuestion = "No timers available. Continue?";
constexpr uint32_t kYesNo = 0x4;

struct GraphicsWindow {
    bool exists = false;
    PaintCallback paint = nullptr;
    int32_t mappingMode = mapping::text;
    FontMetrics font;  // the fixed-pitch font's cell, measured at creation
};

// What the platform needs to create the graphics window as an MDI child.
struct GraphicsWindowRequest {
    std::string title;
    int32_t x = kGraphicsX;
    int32_t y = kGraphicsY;
    int32_t width = 0;
    int32_t height = 0;
};

struct ServicesState {
    GraphicsWindow graphics;
    std::atomic<int32_t> tickFlag{1};  // stored by the tick thread, read by the program
    int32_t tickDelay = 100;           // milliseconds
    int32_t tickResolution = 10;
};

// The window-system operations behind the services. Menu indices and item positions count
// from 0, as the window system counts them.
struct ServicesPlatform {
    virtual ~ServicesPlatform() = default;

    // Creates the graphics window (close greyed) and measures its fixed font; false when no
    // window was made.
    virtual bool createGraphicsWindow(const GraphicsWindowRequest& request, FontMetrics& font) = 0;

    // Items of the menu-bar menu at menuIndex. insertMenu's position is a position with
    // mf::byPosition, else the command identifier of the item to insert before.
    virtual bool appendMenu(int32_t menuIndex, uint32_t flags, int32_t id, const std::string& text) = 0;
    virtual bool insertMenu(int32_t menuIndex, int32_t position, uint32_t flags, int32_t id, const std::string& text) = 0;
    // A new empty drop-down menu in the menu bar at position.
    virtual bool insertPopupMenu(int32_t position, uint32_t flags, const std::string& text) = 0;
    // Sets or clears the check mark of the item at position; the previous state (mf::checked or
    // 0), or kNoMenuItem.
    virtual int32_t checkMenuItem(int32_t menuIndex, int32_t position, uint32_t flags) = 0;
    // Removes the item at position (and the menu it opens); nonzero when it existed.
    virtual int32_t deleteMenuItem(int32_t menuIndex, int32_t position) = 0;
    virtual void drawMenuBar() = 0;

    // A repeating frame timer that hands its identifier to the frame's timer dispatch.
    virtual bool setTimer(int32_t id, int32_t intervalMs) = 0;
    virtual void killTimer(int32_t id) = 0;

    virtual void dispatchQueued() = 0;
    // Starts the one-shot tick that stores 1 into flag after delay ms on a thread of its own;
    // its event identifier (not 0), or 0 when no timer could be started.
    virtual int32_t startTick(int32_t delayMs, int32_t resolutionMs, std::atomic<int32_t>& flag) = 0;
    // Message box without owner.
    virtual int32_t messageBox(const char* text, const char* caption, uint32_t style) = 0;

    // The MDI client area and the console's place in it, in pixels.
    virtual Rect clientArea() = 0;
    virtual Rect consolePlace() = 0;
    // The save dialog offering types; the chosen path, or "" when cancelled. A name given
    // without a suffix takes the suffix of the type chosen.
    virtual std::string chooseSaveFile(const std::string& caption, std::span<const FileType> types) = 0;
    // The print dialog, then one page painted by paint; false when cancelled or failed.
    virtual bool printPage(const std::string& documentName, PageOrientation orientation, PaintCallback paint) = 0;
    // The run-time's end_program(): closes all units and ends the process with status 0.
    virtual void endProgram() = 0;
    // Shows text in the frame's status bar; "" clears it.
    virtual void setStatusText(const std::string& text) = 0;
};

struct ServicesContext {
    FrameState& frame;  // holds the program command and timer tables the frame dispatches
    ServicesState& services;
    ServicesPlatform& platform;
};

// Start-up values: no graphics window, tick flag 1, delay 100 ms, resolution 10 ms.
void resetServicesState(ServicesState& state);

// The text of a text argument: up to its declared length or a NUL, without trailing blanks.
std::string_view argumentText(const char* text, int32_t length);

int32_t createGraphicsWindow(ServicesContext& ctx, int32_t& width, int32_t& height, const char* title,
                             const int32_t& mappingMode, PaintCallback paint, const int32_t& titleLength);
int32_t showGraphicsBesideConsole(ServicesContext& ctx, std::string_view title, PaintCallback paint);
int32_t appendMenuItem(ServicesContext& ctx, const int32_t& menu, const int32_t& flags, const char* text,
                       ProgramCommand callback, const int32_t& textLength);
int32_t insertMenuItem(ServicesContext& ctx, const int32_t& menu, const int32_t& position, int32_t& flags,
                       const char* text, ProgramCommand callback, const int32_t& textLength);
int32_t checkMenuItem(ServicesContext& ctx, const int32_t& menu, const int32_t& position, int32_t& flags);
int32_t deleteMenuItem(ServicesContext& ctx, const int32_t& menu, const int32_t& position);
int32_t setTimer(ServicesContext& ctx, const int32_t& id, const int32_t& intervalMs, TimerCallback callback);
void killTimer(ServicesContext& ctx, const int32_t& id);
int32_t tick(ServicesContext& ctx);

// The scale from logical units to pixels of a mapping mode at the given resolution; the metric,
// English and isotropic modes count y upwards (negative yScale). Modes outside 1..8 act as 1.
struct MappingScale {
    double xScale = 1.0;
    double yScale = 1.0;
};
MappingScale mappingScale(int32_t mode, double dotsPerInchX, double dotsPerInchY);

// The one-shot tick on a detached POSIX thread: sleeps delayMs, stores 1 into flag. Returns
// an event identifier, or 0 when the thread could not be started.
int32_t startTickThread(int32_t delayMs, std::atomic<int32_t>& flag);

// --- The entry points programs call; they act on the frame's tables and the installed
// platform. Without an installed platform every service fails as its call would.
ServicesState& servicesState();
void installServicesPlatform(ServicesPlatform* platform);
std::atomic<int32_t>& tickFlag();

int32_t createGraphicsWindow(int32_t& width, int32_t& height, const char* title, const int32_t& mappingMode,
                             PaintCallback paint, const int32_t& titleLength);
int32_t appendMenuItem(const int32_t& menu, const int32_t& flags, const char* text, ProgramCommand callback,
                       const int32_t& textLength);
int32_t insertMenuItem(const int32_t& menu, const int32_t& position, int32_t& flags, const char* text,
                       ProgramCommand callback, const int32_t& textLength);
int32_t checkMenuItem(const int32_t& menu, const int32_t& position, int32_t& flags);
int32_t deleteMenuItem(const int32_t& menu, const int32_t& position);
int32_t setTimer(const int32_t& id, const int32_t& intervalMs, TimerCallback callback);
void killTimer(const int32_t& id);
int32_t tick();
// A line of the program's state (such as its progress) in the frame's status bar, never in the
// console text; "" clears it. Nothing happens without a window system.
void setStatusText(std::string_view text);

// --- Services for a figure the process entry shows (plain C++ calls, not compiled code's).
// The graphics window (text mapping) beside the console, painted by paint; 1 when it was made.
int32_t showGraphicsBesideConsole(std::string_view title, PaintCallback paint);
std::string chooseSaveFile(std::string_view caption, std::span<const FileType> types);
bool printPage(std::string_view documentName, PageOrientation orientation, PaintCallback paint);
// A warning box with the framework's caption and an OK button.
void showMessage(std::string_view text);

// Adapters of window-system calls this platform does not have: each answers as the failing
// call would (no window, no dialog, no thread, no next hook). Handles are machine words.
using Handle = std::intptr_t;
Handle createWindow(const char* className, const char* windowName, const uint32_t& style, const int32_t& x,
                    const int32_t& y, const int32_t& width, const int32_t& height, const Handle& parent,
                    const Handle& menu, const Handle& instance, const Handle& parameter);
Handle createDialogParam(const Handle& instance, const char* templateName, const Handle& parent, const Handle& dialogProc);
Handle createDialogIndirectParam(const Handle& instance, const void* dialogTemplate, const Handle& parent,
                                 const Handle& dialogProc);
// The modal dialogs: 0 for an owner that is not a window (every nonzero handle here), -1 else.
Handle dialogBoxParam(const Handle& instance, const char* templateName, const Handle& parent, const Handle& dialogProc);
Handle dialogBoxIndirectParam(const Handle& instance, const void* dialogTemplate, const Handle& parent,
                              const Handle& dialogProc);
int32_t windowThreadId(const Handle& window);
Handle callNextHook(const int32_t& code, const Handle& wParam, const Handle& lParam, const Handle& hook);
int32_t reservedService1();
int32_t reservedService2();

// Packing of halves, on signed 32-bit values.
void splitWords(const int32_t& value, int32_t& low, int32_t& high);
int32_t joinWords(const int32_t& low, const int32_t& high);
int32_t lowWord(const int32_t& value);
int32_t highWord(const int32_t& value);
int32_t shortValue(const int16_t& value);
int32_t joinBytes(const int8_t& low, const int8_t& high);
int32_t lowByte(const int16_t& value);
int32_t highByte(const int16_t& value);

}  // namespace fw
