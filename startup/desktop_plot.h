// The desktop program's plot: after a completed run, the figure in the Graphics window beside
// the console, and a Plot menu before the Window menu to save or print it.
#pragma once

#include <functional>

#include "analysis/run_observer.h"

namespace startup {

// The run observer's report of a completed run: the figure in the Graphics window and the
// Plot menu.
std::function<void(const analysis::RunResult&)> plot_window_opener();

}  // namespace startup
