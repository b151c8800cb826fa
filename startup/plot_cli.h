// simplex-cli's --plot: the figure written to a file once the run has completed.
#pragma once

#include <functional>
#include <string>

#include "analysis/run_observer.h"

namespace startup {

// Whether the name asks for a format the plot can be written in (.svg, .png, .pdf).
bool plot_name_accepted(const std::string& path);

// The run observer's report of a completed run: writes the figure to path on Qt's offscreen
// platform. A plot that cannot be written is reported on standard error and ends the run with
// status 1; the result files stay.
std::function<void(const analysis::RunResult&)> plot_file_writer(const std::string& path);

}  // namespace startup
