// From the run's distinct (R, D, S) triples to places with pair counts.
#include "startup/plot_of_run.h"

#include "analysis/analysis.h"

namespace startup {

plot::PlotData plot_data_of(const analysis::RunResult& result) {
    plot::PlotData data;
    const std::string_view title = result.title;
    data.title = std::string(title.substr(0, title.find_last_not_of(' ') + 1));
    data.objects = result.objects;
    data.pairs = result.pairs;
    data.positions.reserve(result.positions.size());
    for (const analysis::DistinctPosition& p : result.positions) {
        const analysis::Position at = analysis::triangle_position({p.r, p.d, p.s});
        data.positions.push_back({at.x, at.y, p.pairs});
    }
    const analysis::Position mean =
        analysis::triangle_position({result.mean_r / 100.0f, result.mean_d / 100.0f, result.mean_s / 100.0f});
    data.centroid = {mean.x, mean.y, result.pairs};
    data.mean_s = result.mean_s;
    data.mean_r = result.mean_r;
    data.mean_d = result.mean_d;
    return data;
}

}  // namespace startup
