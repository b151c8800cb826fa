// The plot's data from a finished run, shared by both process entries.
#pragma once

#include "analysis/run_observer.h"
#include "plot/plot_data.h"

namespace startup {

// Places in the triangle come from the analysis's own placement, so the figure agrees with
// "simplex.dat"; the mean is placed the same way from the mean percentages.
plot::PlotData plot_data_of(const analysis::RunResult& result);

}  // namespace startup
