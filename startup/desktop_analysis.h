// The analysis as the desktop program runs it: the pair loop's progress in the frame's status
// bar, and after a completed run the plot in the Graphics window.
#pragma once

namespace startup {

// The program frameworkMain runs in the console window.
void run_desktop_analysis();

}  // namespace startup
