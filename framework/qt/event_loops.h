// The console's event loops on Qt: the frame's lifetime, the nested loop a read or the program's
// end waits in, and the dispatch of queued events during output and file I/O.
#pragma once

class QWidget;

namespace fw::qt {

// A new frame exists: loops may wait from now on. Its destruction counts as its close.
void attachFrame(QWidget* frame);
// The frame is closed: every loop returns, now and on every later call, until a new frame
// is attached.
void markFrameGone();
// True while a frame is attached and not closed; no loop ever waits otherwise.
bool frameAlive();
// The attached frame while it exists, else nullptr.
QWidget* attachedFrame();

// Runs a nested event loop until `condition` is false or the frame is gone; returns
// frameAlive(). The condition is examined after every batch of events and whenever
// checkEventLoops() is called.
bool runEventsWhile(const bool& condition);
// Ends the waiting loops whose condition no longer holds; event handlers call it after each
// event that may have ended a read.
void checkEventLoops();

// Lets the queued events run and returns. When `throttle` is set and the previous dispatch was
// under kDispatchInterval ago, nothing runs now: the events stay queued for the next dispatch.
constexpr int kDispatchIntervalMs = 15;
void dispatchQueued(bool throttle);

}  // namespace fw::qt
