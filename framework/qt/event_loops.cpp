// Frame lifetime, nested waits and queued-event dispatch for the console callbacks.
#include "framework/qt/event_loops.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <thread>

namespace fw::qt {

namespace {

// One nested wait; waits nest when an event handler of an outer wait starts another.
struct Waiter {
    const bool* condition;
    QEventLoop* loop;
    Waiter* outer;
};

QPointer<QWidget> g_frame;
bool g_frameGone = true;  // no frame yet: nothing may wait
Waiter* g_waiters = nullptr;
// Statements poll millions of times a second, where even a clock read costs more than the rest
// of the poll. A ticker thread raises this flag once a dispatch interval has passed since the
// last dispatch took it, so a poll between ticks is one load; while no dispatch takes the tick
// (the program waits in a loop of its own), the ticker sleeps.
std::atomic<bool> g_dispatchDue{true};

void tickAfterEachDispatch() {
    for (;;) {
        g_dispatchDue.wait(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(kDispatchIntervalMs));
        g_dispatchDue.store(true);
    }
}

void startTicker() {
    static const bool started = (std::thread(tickAfterEachDispatch).detach(), true);
    (void)started;
}

// A dispatch has run: the next throttled one waits for the ticker.
void takeTick() {
    g_dispatchDue.store(false);
    g_dispatchDue.notify_one();
}

}  // namespace

void attachFrame(QWidget* frame) {
    g_frame = frame;
    g_frameGone = frame == nullptr;
    startTicker();
    if (frame != nullptr) QObject::connect(frame, &QObject::destroyed, [] { markFrameGone(); });
}

void markFrameGone() {
    g_frameGone = true;
    checkEventLoops();
}

bool frameAlive() { return !g_frameGone && !g_frame.isNull(); }

QWidget* attachedFrame() { return g_frame.data(); }

bool runEventsWhile(const bool& condition) {
    while (condition && frameAlive()) {
        QEventLoop loop;
        Waiter waiter{&condition, &loop, g_waiters};
        g_waiters = &waiter;
        // After every batch of events, before the thread sleeps: the generic check, so a read
        // also ends when the Enter came from a path that does not call checkEventLoops().
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop,
                         [&] {
                             if (!condition || !frameAlive()) loop.quit();
                         });
        loop.exec();
        g_waiters = waiter.outer;
        takeTick();
    }
    return frameAlive();
}

void checkEventLoops() {
    for (Waiter* w = g_waiters; w != nullptr; w = w->outer)
        if (!*w->condition || !frameAlive()) w->loop->quit();
}

void dispatchQueued(bool throttle) {
    if (throttle && !g_dispatchDue.load(std::memory_order_relaxed)) return;
    if (QCoreApplication::instance() == nullptr) return;
    QCoreApplication::processEvents();
    takeTick();
}

}  // namespace fw::qt
