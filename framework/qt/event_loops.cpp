// Frame lifetime, nested waits and queued-event dispatch for the console callbacks.
#include "framework/qt/event_loops.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include <ctime>

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
int64_t g_lastDispatchMs = -1;  // none yet

// The statement poll asks for the time millions of times a second. The coarse clock answers
// without entering the kernel, where the precise one can cost more than the statement itself;
// its grain of a few milliseconds is nothing against the dispatch interval.
int64_t coarseMs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
}

}  // namespace

void attachFrame(QWidget* frame) {
    g_frame = frame;
    g_frameGone = frame == nullptr;
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
        g_lastDispatchMs = coarseMs();
    }
    return frameAlive();
}

void checkEventLoops() {
    for (Waiter* w = g_waiters; w != nullptr; w = w->outer)
        if (!*w->condition || !frameAlive()) w->loop->quit();
}

void dispatchQueued(bool throttle) {
    if (QCoreApplication::instance() == nullptr) return;
    if (throttle && g_lastDispatchMs >= 0 && coarseMs() - g_lastDispatchMs < kDispatchIntervalMs) return;
    QCoreApplication::processEvents();
    g_lastDispatchMs = coarseMs();
}

}  // namespace fw::qt
