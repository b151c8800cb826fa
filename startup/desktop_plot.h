// The desktop program's plot: after a completed run, the figure in the Graphics window beside
// the console, and a Plot menu before the Window menu to save or print it.
#pragma once

namespace startup {

// Sets the run observer; call before the analysis runs.
void show_plot_when_finished();

}  // namespace startup
