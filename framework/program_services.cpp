// The program services: graphics window rules, program menu items, timers, the tick, the
// adapters and the packing of halves.
#include "framework/program_services.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "libf/fio/program_end.h"

namespace fw {

void resetServicesState(ServicesState& state) {
    state.graphics = GraphicsWindow{};
    state.tickFlag.store(1);
    state.tickDelay = 100;
    state.tickResolution = 10;
}

std::string_view argumentText(const char* text, int32_t length) {
    if (text == nullptr || length <= 0) return {};
    std::string_view view(text, static_cast<size_t>(length));
    view = view.substr(0, view.find('\0'));  // the window system sees the text up to a NUL
    const size_t last = view.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view{} : view.substr(0, last + 1);
}

// --- Graphics window

namespace {

int32_t openGraphicsWindow(ServicesContext& ctx, GraphicsWindowRequest& request, int32_t mappingMode,
                           PaintCallback paint) {
    GraphicsWindow& graphics = ctx.services.graphics;
    if (paint != nullptr) graphics.paint = paint;
    graphics.mappingMode = mappingMode;
    graphics.exists = ctx.platform.createGraphicsWindow(request, graphics.font);
    return graphics.exists ? 1 : 0;
}

// Where the graphics window goes beside the console: right of it, down to the client area's
// edges; the whole client area when too little is free there.
Rect graphicsPlaceBeside(const Rect& console, const Rect& client) {
    const Rect beside{console.right + kGraphicsGap, console.top, client.right - kGraphicsGap,
                      client.bottom - kGraphicsGap};
    if (beside.right - beside.left >= kMinimumBesideWidth && beside.bottom > beside.top) return beside;
    return {client.left + kGraphicsGap, client.top + kGraphicsGap, client.right - kGraphicsGap,
            client.bottom - kGraphicsGap};
}

}  // namespace

int32_t createGraphicsWindow(ServicesContext& ctx, int32_t& width, int32_t& height, const char* title,
                             const int32_t& mappingMode, PaintCallback paint, const int32_t& titleLength) {
    if (ctx.services.graphics.exists) return 0;
    GraphicsWindowRequest request;
    const std::string_view text = argumentText(title, titleLength);
    request.title = text.empty() ? std::string(kGraphicsTitle)
                              : std::string(text.substr(0, static_cast<size_t>(kGraphicsTitleMax)));
    if (width == 0 || height == 0) {
        width = kDefaultGraphicsWidth;
        height = kDefaultGraphicsHeight;
    }
    request.width = width;
    request.height = height;
    const bool known = mappingMode >= mapping::loMetric && mappingMode <= mapping::anisotropic;
    return openGraphicsWindow(ctx, request, known ? mappingMode : mapping::text, paint);
}

int32_t showGraphicsBesideConsole(ServicesContext& ctx, std::string_view title, PaintCallback paint) {
    if (ctx.services.graphics.exists) return 0;
    const Rect place = graphicsPlaceBeside(ctx.platform.consolePlace(), ctx.platform.clientArea());
    GraphicsWindowRequest request;
    request.title = std::string(title.substr(0, static_cast<size_t>(kGraphicsTitleMax)));
    request.x = place.left;
    request.y = place.top;
    request.width = place.right - place.left;
    request.height = place.bottom - place.top;
    return openGraphicsWindow(ctx, request, mapping::text, paint);
}

MappingScale mappingScale(int32_t mode, double dotsPerInchX, double dotsPerInchY) {
    double unitsPerInch = 0.0;  // 0: one unit per pixel
    switch (mode) {
        case mapping::loMetric:
        case mapping::isotropic: unitsPerInch = 254.0; break;  // isotropic starts at the low-metric extents
        case mapping::hiMetric: unitsPerInch = 2540.0; break;
        case mapping::loEnglish: unitsPerInch = 100.0; break;
        case mapping::hiEnglish: unitsPerInch = 1000.0; break;
        case mapping::twips: unitsPerInch = 1440.0; break;
        default: return {};
    }
    return {dotsPerInchX / unitsPerInch, -dotsPerInchY / unitsPerInch};
}

// --- Program menu items

namespace {

std::string menuText(const char* text, int32_t length) {
    return std::string(argumentText(text, length).substr(0, static_cast<size_t>(kMenuTextMax)));
}

// Hands out the next program command identifier and stores the item's callback (none marks
// the entry empty); 0 once the table is full.
int32_t takeCommandIdentifier(FrameState& frame, ProgramCommand callback) {
    if (frame.nextProgramCommand > command::lastProgram) return 0;
    const int32_t id = frame.nextProgramCommand++;
    frame.programCommands[static_cast<size_t>(id - command::firstProgram)] = callback;
    return id;
}

}  // namespace

int32_t appendMenuItem(ServicesContext& ctx, const int32_t& menu, const int32_t& flags, const char* text,
                       ProgramCommand callback, const int32_t& textLength) {
    const int32_t id = takeCommandIdentifier(ctx.frame, callback);
    if (id == 0) return 0;
    // The identifier stays used even when the menu call fails.
    const bool added = ctx.platform.appendMenu(menu - 1, static_cast<uint32_t>(flags), id, menuText(text, textLength));
    ctx.platform.drawMenuBar();
    return added ? 1 : 0;
}

int32_t insertMenuItem(ServicesContext& ctx, const int32_t& menu, const int32_t& position, int32_t& flags,
                       const char* text, ProgramCommand callback, const int32_t& textLength) {
    const std::string label = menuText(text, textLength);
    bool inserted = false;
    if (position == 0) {
        flags = static_cast<int32_t>(static_cast<uint32_t>(flags) | mf::popup | mf::byPosition);
        inserted = ctx.platform.insertPopupMenu(menu - 1, static_cast<uint32_t>(flags), label);
    } else {
        const int32_t id = takeCommandIdentifier(ctx.frame, callback);
        if (id == 0) return 0;
        inserted = ctx.platform.insertMenu(menu - 1, position - 1, static_cast<uint32_t>(flags), id, label);
    }
    ctx.platform.drawMenuBar();
    return inserted ? 1 : 0;
}

int32_t checkMenuItem(ServicesContext& ctx, const int32_t& menu, const int32_t& position, int32_t& flags) {
    flags = static_cast<int32_t>(static_cast<uint32_t>(flags) | mf::byPosition);
    return ctx.platform.checkMenuItem(menu - 1, position - 1, static_cast<uint32_t>(flags));
}

int32_t deleteMenuItem(ServicesContext& ctx, const int32_t& menu, const int32_t& position) {
    const int32_t deleted = position != 0 ? ctx.platform.deleteMenuItem(menu - 1, position - 1) : 0;
    ctx.platform.drawMenuBar();
    return deleted;
}

// --- Timers

int32_t setTimer(ServicesContext& ctx, const int32_t& id, const int32_t& intervalMs, TimerCallback callback) {
    if (id == 0) return 0;  // 0 marks a free slot
    auto& timers = ctx.frame.timers;
    // Setting an identifier again replaces its timer, so it keeps its slot and takes the new
    // callback.
    auto slot = std::find_if(timers.begin(), timers.end(), [&](const TimerSlot& s) { return s.id == id; });
    if (slot == timers.end())
        slot = std::find_if(timers.begin(), timers.end(), [](const TimerSlot& s) { return s.id == 0; });
    if (slot == timers.end()) return 0;
    if (!ctx.platform.setTimer(id, intervalMs)) return 0;
    *slot = TimerSlot{id, callback};
    return 1;
}

void killTimer(ServicesContext& ctx, const int32_t& id) {
    ctx.platform.killTimer(id);
    if (id == 0) return;
    for (TimerSlot& slot : ctx.frame.timers) {
        if (slot.id == id) {
            slot = TimerSlot{};
            return;
        }
    }
}

// --- Tick

int32_t tick(ServicesContext& ctx) {
    ServicesState& services = ctx.services;
    ctx.platform.dispatchQueued();
    // Cleared before the timer starts, so a tick that comes early is never wiped out.
    services.tickFlag.store(0);
    const int32_t event = ctx.platform.startTick(services.tickDelay, services.tickResolution, services.tickFlag);
    if (event != 0) return event;
    const int32_t reply = ctx.platform.messageBox(kNoTimersQuestion, kCaption, kYesNo | mb::iconWarning);
    if (reply == answer::no) ctx.platform.endProgram();
    return reply;
}

namespace {

struct TickJob {
    int32_t delayMs;
    std::atomic<int32_t>* flag;
};

void* runTick(void* argument) {
    const TickJob job = *static_cast<TickJob*>(argument);
    delete static_cast<TickJob*>(argument);
    std::this_thread::sleep_for(std::chrono::milliseconds(job.delayMs));
    job.flag->store(1);
    return nullptr;
}

std::atomic<int32_t> g_nextTickEvent{1};

}  // namespace

int32_t startTickThread(int32_t delayMs, std::atomic<int32_t>& flag) {
    auto* job = new TickJob{std::max(delayMs, 0), &flag};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int failed = pthread_create(&thread, &attributes, runTick, job);
    pthread_attr_destroy(&attributes);
    if (failed != 0) {
        delete job;
        return 0;
    }
    int32_t event = g_nextTickEvent.fetch_add(1);
    if (event == 0) event = g_nextTickEvent.fetch_add(1);  // 0 means failure
    return event;
}

// --- Entry points for programs

namespace {

// Without a window system: no window, menu or timer can be made; the tick still works.
struct NoWindowSystem final : ServicesPlatform {
    bool createGraphicsWindow(const GraphicsWindowRequest&, FontMetrics&) override { return false; }
    bool appendMenu(int32_t, uint32_t, int32_t, const std::string&) override { return false; }
    bool insertMenu(int32_t, int32_t, uint32_t, int32_t, const std::string&) override { return false; }
    bool insertPopupMenu(int32_t, uint32_t, const std::string&) override { return false; }
    int32_t checkMenuItem(int32_t, int32_t, uint32_t) override { return kNoMenuItem; }
    int32_t deleteMenuItem(int32_t, int32_t) override { return 0; }
    void drawMenuBar() override {}
    bool setTimer(int32_t, int32_t) override { return false; }
    void killTimer(int32_t) override {}
    void dispatchQueued() override {}
    int32_t startTick(int32_t delayMs, int32_t, std::atomic<int32_t>& flag) override {
        return startTickThread(delayMs, flag);
    }
    int32_t messageBox(const char*, const char*, uint32_t) override { return 0; }
    void endProgram() override { fio::end_program(); }
    Rect clientArea() override { return {}; }
    Rect consolePlace() override { return {}; }
    std::string chooseSaveFile(const std::string&, std::span<const FileType>) override { return {}; }
    bool printPage(const std::string&, PageOrientation, PaintCallback) override { return false; }
    void setStatusText(const std::string&) override {}
};

NoWindowSystem g_noWindowSystem;
ServicesPlatform* g_platform = nullptr;

ServicesContext context() {
    return {frameState(), servicesState(), g_platform != nullptr ? *g_platform : g_noWindowSystem};
}

}  // namespace

ServicesState& servicesState() {
    static ServicesState state;
    return state;
}

void installServicesPlatform(ServicesPlatform* platform) { g_platform = platform; }

std::atomic<int32_t>& tickFlag() { return servicesState().tickFlag; }

int32_t createGraphicsWindow(int32_t& width, int32_t& height, const char* title, const int32_t& mappingMode,
                             PaintCallback paint, const int32_t& titleLength) {
    ServicesContext ctx = context();
    return createGraphicsWindow(ctx, width, height, title, mappingMode, paint, titleLength);
}

int32_t showGraphicsBesideConsole(std::string_view title, PaintCallback paint) {
    ServicesContext ctx = context();
    return showGraphicsBesideConsole(ctx, title, paint);
}

std::string chooseSaveFile(std::string_view caption, std::span<const FileType> types) {
    return context().platform.chooseSaveFile(std::string(caption), types);
}

bool printPage(std::string_view documentName, PageOrientation orientation, PaintCallback paint) {
    return context().platform.printPage(std::string(documentName), orientation, paint);
}

void showMessage(std::string_view text) {
    context().platform.messageBox(std::string(text).c_str(), kCaption, mb::ok | mb::iconWarning);
}

int32_t appendMenuItem(const int32_t& menu, const int32_t& flags, const char* text, ProgramCommand callback,
                       const int32_t& textLength) {
    ServicesContext ctx = context();
    return appendMenuItem(ctx, menu, flags, text, callback, textLength);
}

int32_t insertMenuItem(const int32_t& menu, const int32_t& position, int32_t& flags, const char* text,
                       ProgramCommand callback, const int32_t& textLength) {
    ServicesContext ctx = context();
    return insertMenuItem(ctx, menu, position, flags, text, callback, textLength);
}

int32_t checkMenuItem(const int32_t& menu, const int32_t& position, int32_t& flags) {
    ServicesContext ctx = context();
    return checkMenuItem(ctx, menu, position, flags);
}

int32_t deleteMenuItem(const int32_t& menu, const int32_t& position) {
    ServicesContext ctx = context();
    return deleteMenuItem(ctx, menu, position);
}

int32_t setTimer(const int32_t& id, const int32_t& intervalMs, TimerCallback callback) {
    ServicesContext ctx = context();
    return setTimer(ctx, id, intervalMs, callback);
}

void killTimer(const int32_t& id) {
    ServicesContext ctx = context();
    killTimer(ctx, id);
}

int32_t tick() {
    ServicesContext ctx = context();
    return tick(ctx);
}

void setStatusText(std::string_view text) { context().platform.setStatusText(std::string(text)); }

// --- Adapters

Handle createWindow(const char*, const char*, const uint32_t&, const int32_t&, const int32_t&, const int32_t&,
                    const int32_t&, const Handle&, const Handle&, const Handle&, const Handle&) {
    return 0;
}

Handle createDialogParam(const Handle&, const char*, const Handle&, const Handle&) { return 0; }

Handle createDialogIndirectParam(const Handle&, const void*, const Handle&, const Handle&) { return 0; }

Handle dialogBoxParam(const Handle&, const char*, const Handle& parent, const Handle&) { return parent != 0 ? 0 : -1; }

Handle dialogBoxIndirectParam(const Handle&, const void*, const Handle& parent, const Handle&) {
    return parent != 0 ? 0 : -1;
}

int32_t windowThreadId(const Handle&) { return 0; }

Handle callNextHook(const int32_t&, const Handle&, const Handle&, const Handle&) { return 0; }

int32_t reservedService1() { return 0; }

int32_t reservedService2() { return 0; }

// --- Packing of halves; shifts and ors in uint32 so the sign bits land as documented.

void splitWords(const int32_t& value, int32_t& low, int32_t& high) {
    low = lowWord(value);
    high = highWord(value);
}

int32_t joinWords(const int32_t& low, const int32_t& high) {
    const auto lowPart = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(low & 0xFFFF)));
    const auto highPart = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(high & 0xFFFF)));
    return static_cast<int32_t>(lowPart | (highPart << 16));
}

int32_t lowWord(const int32_t& value) { return value & 0xFFFF; }

int32_t highWord(const int32_t& value) { return static_cast<int32_t>(static_cast<uint32_t>(value) >> 16); }

int32_t shortValue(const int16_t& value) { return value; }

int32_t joinBytes(const int8_t& low, const int8_t& high) {
    const auto lowPart = static_cast<uint32_t>(static_cast<int32_t>(low));
    const auto highPart = static_cast<uint32_t>(static_cast<int32_t>(high));
    return static_cast<int32_t>(lowPart | (highPart << 8));
}

int32_t lowByte(const int16_t& value) { return static_cast<int8_t>(value & 0xFF); }

int32_t highByte(const int16_t& value) { return static_cast<int8_t>((value >> 8) & 0xFF); }

}  // namespace fw
