// Rate-adjusted times (CMap::GetRateMapAdjustedTime, CMap::GetRateTime).
//
// The rate curve says how fast the source is played at each moment, so the
// source time reached after t ms is the area under the curve from 0 to t. The
// walk adds whole segments while the current point lies before t, then takes
// the last segment off again and adds the part from its start to t instead.
// Past the last rate point the area therefore runs on from the point before
// it, at that point's rate; the engine's callers never ask past the end.
#include <cstdint>

#include "tonecore/maps/event_map.h"
#include "tonecore/maps/event_map_values.h"

double CMap::GetRateMapAdjustedTime(std::int32_t time) const { return AreaUnderRate(time, false); }

double CMap::GetRateTime(std::int32_t time) const { return AreaUnderRate(time, true); }

double CMap::AreaUnderRate(std::int32_t time, bool inverse) const {
    const auto rateOf = [inverse](const _tvol_pan_data* event) {
        const double rate = mapvalues::Read(event);
        return inverse ? 1.0 / rate : rate;
    };
    int index = 0;
    std::int32_t firstTime = 0;
    const _tvol_pan_data* first = GetNextEvent(MAP_RATE, index, &firstTime);
    if (first == nullptr) return time;

    double currentTime = firstTime;
    double currentRate = rateOf(first);
    // Before any segment the previous point is the time line's start at
    // normal speed, so a time at or before the first point maps to itself.
    double previousTime = 0.0;
    double previousRate = 1.0;
    double area = 0.0;
    double lastSegment = 0.0;
    double slope = 0.0;
    while (currentTime < time) {
        int next = index + 1;
        std::int32_t nextTime = 0;
        const _tvol_pan_data* event = GetNextEvent(MAP_RATE, next, &nextTime);
        if (event == nullptr) {
            slope = 0.0;
            break;
        }
        const double nextRate = rateOf(event);
        const double span = double(nextTime) - currentTime;
        double segment = 0.0;
        if (span != 0.0 && nextRate != currentRate) {
            slope = (nextRate - currentRate) / span;
            segment = (span * slope * 0.5 + currentRate) * span;
        } else {
            slope = 0.0;
            segment = span * currentRate;
        }
        area += segment;
        lastSegment = segment;
        previousTime = currentTime;
        previousRate = currentRate;
        currentTime = nextTime;
        currentRate = nextRate;
        index = next;
    }
    area -= lastSegment;
    const double part = double(time) - previousTime;
    if (previousRate != currentRate && slope != 0.0) {
        area += (part * slope * 0.5 + previousRate) * part;
    } else {
        area += part * previousRate;
    }
    return area;
}
