// Combining a child's envelope with its parent's (CMap::CombineMap).
//
// The child lies at offset inside the parent. Both curves are walked side by
// side on the parent's time line; a point is made wherever either curve
// bends, from the child's value and the parent's value there, until the
// earlier of the two curves ends.
#include <cstdint>
#include <vector>

#include "tonecore/maps/event_map.h"
#include "tonecore/maps/event_map_values.h"

namespace {

struct TPoint {
    std::int64_t time;
    double value;
};

std::vector<TPoint> PointsOf(const CMap& map, int type, std::int64_t shift) {
    std::vector<TPoint> points;
    std::int32_t time = 0;
    for (int i = 0; const _tvol_pan_data* event = map.GetNextEvent(type, i, &time); ++i) {
        points.push_back({std::int64_t{time} + shift, mapvalues::Read(event)});
    }
    return points;
}

// The value at time on the line through a and b; a's value when the line is
// flat or has no length.
double OnLine(const TPoint& a, const TPoint& b, std::int64_t time) {
    if (a.time == b.time || a.value == b.value) return a.value;
    return a.value + (b.value - a.value) / double(b.time - a.time) * double(time - a.time);
}

}  // namespace

void CMap::CombineMap(const CMap* parent, std::int32_t offset, TMapType type) {
    if (parent != nullptr) CombineType(*parent, offset, type);
}

void CMap::CombineType(const CMap& parentMap, std::int32_t offset, TMapType type) {
    // Both curves are taken aside first, so a map may be combined with itself.
    const std::vector<TPoint> parent = PointsOf(parentMap, type, 0);
    if (parent.size() < 2) return;
    const std::vector<TPoint> child = PointsOf(*this, type, offset);
    RemoveAllSimpleEvents(type);
    if (child.empty()) return;  // nothing of the child's to combine: it stays neutral

    const auto add = [&](std::int64_t time, double childValue, double parentValue) {
        AddCalcSimplePoint(type, mapvalues::ClampMs(time - offset), childValue, parentValue);
    };

    // P0: the parent's latest point at or before the child's start. A child
    // that starts before the parent's first point sees the parent's curve
    // held at that first value: P0 is then the first point itself.
    std::size_t p1 = 0;
    while (p1 < parent.size() && parent[p1].time <= offset) ++p1;
    TPoint P0 = parent[p1 == 0 ? 0 : p1 - 1];

    if (p1 == parent.size()) {
        // The parent's curve ended before the child starts: the child's
        // curve goes on under the parent's last value.
        for (const TPoint& c : child) add(c.time, c.value, P0.value);
        return;
    }
    TPoint P1 = parent[p1];
    TPoint C0 = child[0];
    if (child.size() == 1) {
        add(C0.time, C0.value, C0.time == P0.time ? P0.value : OnLine(P0, P1, C0.time));
        return;
    }

    add(C0.time, C0.value, C0.time == P0.time ? P0.value : OnLine(P0, P1, C0.time));
    for (std::size_t c1 = 1; c1 < child.size();) {
        const TPoint& C1 = child[c1];
        bool parentStep = false;
        if (C1.time == P1.time) {
            add(C1.time, C1.value, P1.value);
            C0 = C1;
            ++c1;
            parentStep = true;
        } else if (C1.time < P1.time) {
            add(C1.time, C1.value, OnLine(P0, P1, C1.time));
            C0 = C1;
            ++c1;
        } else {
            add(P1.time, OnLine(C0, C1, P1.time), P1.value);
            parentStep = true;
        }
        if (parentStep) {
            P0 = P1;
            if (++p1 == parent.size()) break;
            P1 = parent[p1];
        }
    }
}
