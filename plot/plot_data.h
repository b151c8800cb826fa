// What the triangle plot shows: the pairs' distinct places in the triangle with their pair
// counts, the mean place and the run's numbers. Filled by the program that ran the analysis.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plot {

// The triangle in data units, as "simplex.dat" places it: richness difference D at (0, 0),
// similarity S at (kBaseWidth, 0), replacement R at (kBaseWidth / 2, kApexHeight).
constexpr double kBaseWidth = 1.4142135623730951;
constexpr double kApexHeight = 1.225;

struct PlotPoint {
    double x = 0.0;
    double y = 0.0;
    int64_t pairs = 0;  // pairs at this place
};

struct PlotData {
    std::string title;  // the data file's title line: UTF-8, or Latin-1 when not valid UTF-8
    int32_t objects = 0;
    int64_t pairs = 0;
    std::vector<PlotPoint> positions;  // one per distinct (R, D, S)
    PlotPoint centroid;                // the place of the mean fractions
    double mean_s = 0.0;               // percentages
    double mean_r = 0.0;
    double mean_d = 0.0;
};

// From this many pairs on, cells shaded by density replace the dots: overplotted dots would
// show nothing.
constexpr int64_t kDensityFromPairs = 5000;

}  // namespace plot
