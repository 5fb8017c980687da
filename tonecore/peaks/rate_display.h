#pragma once
// The area under a sound's rate curve counted in peaks: how far into the
// source a rate display has come after a number of output peaks. The rate
// is 1.0 before the first rate point, runs linearly between points and
// holds the last point's value after it.

#include <cstdint>
#include <vector>

class CMap;

class CRateArea {
public:
    // The map's rate points, their times divided by msPerPeak (not 0).
    CRateArea(const CMap* rateMap, std::uint32_t msPerPeak);

    // The area under the rate curve from 0 to x peaks.
    double Until(double x) const;

private:
    struct TPoint {
        double x;
        double rate;
        double areaBefore;  // from 0 to x
    };
    std::vector<TPoint> points_;
};
