// simplex-cli's --plot: the figure written to a file once the run has completed.
#pragma once

#include <string>

namespace startup {

// Whether the name asks for a format the plot can be written in (.svg, .png, .pdf).
bool plot_name_accepted(const std::string& path);

// After a completed run, writes the figure to path on Qt's offscreen platform. A plot that
// cannot be written is reported on standard error and ends the run with status 1; the result
// files stay.
void write_plot_when_finished(const std::string& path);

}  // namespace startup
