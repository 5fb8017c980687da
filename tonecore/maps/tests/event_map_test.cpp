#include "tonecore/maps/event_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/last_error.h"
#include "tonecore/maps/tests/event_map_support.h"

namespace {

using namespace map_support;
using chunk_builder::Chunk;
using chunk_builder::Le32;
using chunk_builder::Riff;

// ---------------------------------------------------------------- the store

TEST(EventMap, AddRefusesASecondEventOfATypeAtOneTime) {
    CMap map;
    ASSERT_EQ(map.AddSimpleEvent(MAP_VOLUME, 500, 0.5), 1);
    EXPECT_EQ(map.LastIndex(), 0);
    EXPECT_EQ(map.AddSimpleEvent(MAP_VOLUME, 500, 0.9), 0);
    EXPECT_EQ(map.LastIndex(), -1);
    EXPECT_EQ(map.AddEvent(MAP_VOLUME, 500, "x", 1), -1);
    EXPECT_EQ(Points(map, MAP_VOLUME), "500:0.5");
    // Another type at the same time is welcome, and goes before it.
    EXPECT_EQ(map.AddEvent(MAP_PAN, 500, nullptr, 0), 0);
    EXPECT_EQ(map.NumEvents(MAP_PAN), 1);
    EXPECT_EQ(map.NumEvents(-1), 2);
    EXPECT_EQ(Order(map), "1@500 0@500");
}

TEST(EventMap, DefaultMapPutsTheStartPointsFirst) {
    CMap all;
    all.SetDefaultMap(1000, MAP_ALL);
    EXPECT_EQ(Order(all), "2@0 1@0 0@0 0@1000 1@1000 2@1000");
    EXPECT_EQ(Points(all, MAP_VOLUME), "0:1 1000:1");
    EXPECT_EQ(Points(all, MAP_PAN), "0:0 1000:0");
    EXPECT_EQ(Points(all, MAP_RATE), "0:1 1000:1");

    CMap pan;
    pan.SetDefaultMap(300, MAP_PAN);
    EXPECT_EQ(Order(pan), "1@0 1@300");
}

TEST(EventMap, RemovalsFreeOnlyWhatTheyName) {
    CMap map;
    map.SetDefaultMap(1000, MAP_ALL);
    map.AddEvent(7, 200, "abc", 3);
    map.RemoveSimpleEvent(MAP_PAN, 1000);
    map.RemoveSimpleEvent(MAP_PAN, 999);  // nothing there
    EXPECT_EQ(Order(map), "2@0 1@0 0@0 7@200 0@1000 2@1000");
    map.RemoveEvent(99);
    map.RemoveEvent(-1);
    map.RemoveAllSimpleEvents(MAP_ALL);
    EXPECT_EQ(Order(map), "7@200");
    map.RemoveSimpleEventByIndex(0);
    EXPECT_EQ(map.NumEvents(-1), 0);
}

TEST(EventMap, LookupsFindEventsOfTheirType) {
    CMap map;
    map.SetDefaultMap(1000, MAP_ALL);
    map.AddSimpleEvent(MAP_VOLUME, 400, 0.5);
    std::int32_t time = -1;
    int index = 3;
    ASSERT_NE(map.GetNextEvent(MAP_VOLUME, index, &time), nullptr);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(time, 400);
    index = 5;
    ASSERT_NE(map.GetNextEvent(MAP_PAN, index, &time), nullptr);
    EXPECT_EQ(time, 1000);
    EXPECT_EQ(map.GetNextEvent(MAP_PAN, ++index, &time), nullptr);

    int found = -1;
    ASSERT_NE(map.GetDataBefore(999, MAP_PAN, &time, &found), nullptr);
    EXPECT_EQ(time, 0);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(map.GetDataBefore(-1, MAP_PAN, &time, &found), nullptr);
    EXPECT_EQ(map.GetEventData(7, &time), nullptr);
    EXPECT_EQ(map.GetEventData(-1, &time), nullptr);
}

// ---------------------------------------------------------------- values

TEST(EventMap, ValuesAreInterpolatedAndHeldAtTheEnds) {
    const CMap map = MapOf(MAP_VOLUME, {{0, 1.0}, {1000, 0.0}, {2000, 0.0}});
    const struct {
        std::int32_t time;
        double value;
    } cases[] = {{500, 0.5}, {0, 1.0}, {1000, 0.0}, {250, 0.75}, {1500, 0.0}, {5000, 0.0}, {-100, 1.0}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(map.GetSimpleValueAtTime(c.time, MAP_VOLUME), c.value) << c.time;

    // A type with no events reads as its neutral value.
    EXPECT_DOUBLE_EQ(map.GetSimpleValueAtTime(500, MAP_PAN), 0.0);
    EXPECT_DOUBLE_EQ(map.GetSimpleValueAtTime(500, MAP_RATE), 1.0);
    EXPECT_DOUBLE_EQ(CMap().GetSimpleValueAtTime(500, MAP_VOLUME), 1.0);
}

TEST(EventMap, ValueRulesOfCombiningInvertingAndMultiplying) {
    const struct {
        TMapType type;
        double a, b, combined;
    } combines[] = {
        {MAP_VOLUME, 0.5, 0.4, 0.2},  {MAP_PAN, 0.8, 0.5, 1.0},   {MAP_PAN, -0.8, -0.5, -1.0},
        {MAP_PAN, 0.25, -0.5, -0.25}, {MAP_RATE, 2.0, 1.5, 3.0},  {MAP_RATE, 0.05, 0.1, 0.01},
    };
    for (const auto& c : combines) {
        CMap map;
        ASSERT_EQ(map.AddCalcSimplePoint(c.type, 10, c.a, c.b), 1);
        EXPECT_DOUBLE_EQ(map.GetSimpleValueAtTime(10, c.type), c.combined) << c.type << " " << c.a << " " << c.b;
    }

    const struct {
        int type;
        double value, inverted;
    } inverts[] = {
        {MAP_VOLUME, 0.5, 1.5}, {MAP_VOLUME, 3.0, 0.0}, {MAP_VOLUME, -1.0, 2.0}, {MAP_PAN, 0.3, -0.3},
        {MAP_RATE, 2.0, 0.5},   {MAP_RATE, 0.25, 2.0},  {MAP_RATE, 0.0, 2.0},    {MAP_RATE, 1000.0, 0.01},
    };
    for (const auto& c : inverts) {
        CMap map = MapOf(c.type, {{0, c.value}});
        map.InvertSimpleEvents(c.type);
        EXPECT_DOUBLE_EQ(map.GetSimpleValueAtTime(0, c.type), c.inverted) << c.type << " " << c.value;
    }

    CMap map;
    AddPoints(map, MAP_VOLUME, {{0, 0.5}});
    AddPoints(map, MAP_PAN, {{0, 0.5}});
    map.MultiplySimpleEvents(MAP_PAN, 3.0);
    EXPECT_EQ(Points(map, MAP_VOLUME) + " | " + Points(map, MAP_PAN), "0:0.5 | 0:1.5");
    map.InvertSimpleEvents(MAP_ALL);
    EXPECT_EQ(Points(map, MAP_VOLUME) + " | " + Points(map, MAP_PAN), "0:1.5 | 0:-1.5");
    map.MultiplySimpleEvents(MAP_ALL, 2.0);
    EXPECT_EQ(Points(map, MAP_VOLUME) + " | " + Points(map, MAP_PAN), "0:3 | 0:-3");
}

// ---------------------------------------------------------------- copies

TEST(EventMap, RangedCopyCutsTheCurveToTheRange) {
    const CMap source = MapOf(MAP_VOLUME, {{0, 1.0}, {1000, 0.0}, {2000, 1.0}});
    const struct {
        std::int32_t start, end;
        const char* points;
    } cases[] = {
        {0, 2000, "0:1 1000:0 2000:1"},
        {500, 1500, "0:0.5 500:0 1000:0.5"},
        {0, 1000, "0:1 1000:0"},         // stops after a point exactly at the end
        {1000, 1500, "0:0 500:0.5"},      // starts on a point
        {100, 200, "0:0.9 100:0.8"},      // no point inside: an end point
        {500, 3000, "0:0.5 500:0 1500:1"},  // the curve ends first: no end point
        {2500, 3000, "0:1"},              // after the curve
        {-500, 500, "0:1 500:1 1000:0.5"},  // before the curve, held at its first value
    };
    for (const auto& c : cases) {
        CMap copy;
        EXPECT_EQ(copy.Copy(&source, MAP_VOLUME, c.start, c.end), 1);
        EXPECT_EQ(Points(copy, MAP_VOLUME), c.points) << c.start << ".." << c.end;
    }
}

TEST(EventMap, CopiesOfWholeMaps) {
    CMap source;
    source.SetDefaultMap(1000, MAP_ALL);
    source.AddSimpleEvent(MAP_PAN, 400, -0.5);

    // The copy constructor copies over the span of all events.
    const CMap copy(source);
    EXPECT_EQ(Exact(copy), Exact(source));
    const CMap cut(source, 200, 600);
    EXPECT_EQ(Points(cut, MAP_PAN), "0:-0.25 200:-0.5 400:-0.3333");
    EXPECT_EQ(Points(cut, MAP_RATE), "0:1 400:1");

    // A type the source lacks is not invented; an empty source copies nothing.
    CMap only = MapOf(MAP_PAN, {{0, 0.5}, {100, 0.5}});
    CMap target;
    EXPECT_EQ(target.Copy(&only, MAP_ALL), 1);
    EXPECT_EQ(Order(target), "1@0 1@100");
    const CMap none;
    EXPECT_EQ(target.Copy(&none, MAP_ALL), 0);
    EXPECT_EQ(target.Copy(nullptr, MAP_ALL), 0);
    EXPECT_EQ(Order(target), "1@0 1@100");
}

TEST(EventMap, AssignmentIsAnIndependentExactCopy) {
    CMap source = MapOf(MAP_VOLUME, {{100, 0.5}, {300, 0.25}});
    source.AddEvent(9, 200, "odd", 3);
    CMap copy;
    copy.SetDefaultMap(50, MAP_ALL);
    copy = source;
    EXPECT_EQ(Exact(copy), Exact(source));
    source.MultiplySimpleEvents(MAP_VOLUME, 2.0);
    source.RemoveAllEvents();
    EXPECT_EQ(Points(copy, MAP_VOLUME), "100:0.5 300:0.25");
    copy = copy;
    EXPECT_EQ(copy.NumEvents(-1), 3);
}

// ---------------------------------------------------------------- combining

TEST(EventMap, CombineMakesAPointAtEveryBendOfEitherCurve) {
    const struct {
        const char* name;
        TMapType type;
        TPoints parent;
        TPoints child;
        std::int32_t offset;
        const char* points;
    } cases[] = {
        {"same span", MAP_VOLUME, {{0, 1.0}, {1000, 0.0}}, {{0, 0.5}, {1000, 0.5}}, 0, "0:0.5 1000:0"},
        {"parent bends", MAP_VOLUME, {{0, 1.0}, {500, 0.5}, {1000, 0.0}}, {{0, 0.5}, {1000, 0.5}}, 0,
         "0:0.5 500:0.25 1000:0"},
        {"child bends", MAP_VOLUME, {{0, 1.0}, {1000, 1.0}}, {{0, 1.0}, {300, 0.0}, {1000, 1.0}}, 0,
         "0:1 300:0 1000:1"},
        {"child inside", MAP_VOLUME, {{0, 1.0}, {1000, 0.0}}, {{0, 0.5}, {1000, 0.5}}, 500, "0:0.25 500:0"},
        {"child ends first", MAP_VOLUME, {{0, 1.0}, {1000, 0.0}}, {{0, 1.0}, {200, 1.0}}, 100, "0:0.9 200:0.7"},
        {"pan clamps", MAP_PAN, {{0, 0.5}, {1000, 0.5}}, {{0, 0.8}, {1000, -0.8}}, 0, "0:1 1000:-0.3"},
        {"rate", MAP_RATE, {{0, 2.0}, {1000, 2.0}}, {{0, 1.5}, {1000, 0.001}}, 0, "0:3 1000:0.01"},
        // A child placed after the parent's last point goes on under the
        // parent's last value, and a child of one point keeps that point.
        {"after parent", MAP_VOLUME, {{0, 1.0}, {1000, 0.5}}, {{0, 1.0}, {500, 0.5}}, 2000, "0:0.5 500:0.25"},
        {"one point", MAP_VOLUME, {{0, 1.0}, {1000, 0.0}}, {{0, 0.8}}, 250, "0:0.6"},
        {"before parent", MAP_VOLUME, {{1000, 0.5}, {2000, 0.0}}, {{0, 1.0}, {2000, 1.0}}, 0,
         "0:0.5 1000:0.5 2000:0"},
    };
    for (const auto& c : cases) {
        const CMap parent = MapOf(c.type, c.parent);
        CMap child = MapOf(c.type, c.child);
        child.CombineMap(&parent, c.offset, c.type);
        EXPECT_EQ(Points(child, c.type), c.points) << c.name;
        EXPECT_GT(child.NumEvents(c.type), 0) << c.name;
    }
}

TEST(EventMap, CombineLeavesOtherTypesAndThinParentsAlone) {
    CMap child;
    child.SetDefaultMap(1000, MAP_ALL);
    const CMap flat = MapOf(MAP_VOLUME, {{0, 0.5}});
    child.CombineMap(&flat, 0, MAP_VOLUME);
    EXPECT_EQ(Points(child, MAP_VOLUME), "0:1 1000:1");

    const CMap parent = MapOf(MAP_VOLUME, {{0, 0.5}, {1000, 0.5}});
    child.CombineMap(&parent, 0, MAP_VOLUME);
    EXPECT_EQ(Points(child, MAP_VOLUME), "0:0.5 1000:0.5");
    EXPECT_EQ(Points(child, MAP_PAN), "0:0 1000:0");
    EXPECT_EQ(Points(child, MAP_RATE), "0:1 1000:1");

    // A map combined with itself.
    child.CombineMap(&child, 0, MAP_VOLUME);
    EXPECT_EQ(Points(child, MAP_VOLUME), "0:0.25 1000:0.25");
}

// ---------------------------------------------------------------- moving events

TEST(EventMap, OffsetAndScaleMoveEventTimes) {
    CMap map;
    map.SetDefaultMap(1000, MAP_ALL);
    map.OffsetEvents(MAP_PAN, 500);
    EXPECT_EQ(Order(map), "2@0 0@0 1@500 0@1000 2@1000 1@1500");
    map.OffsetEvents(MAP_PAN, -500);
    map.OffsetEvents(MAP_ALL, -100);
    EXPECT_EQ(Order(map), "2@-100 1@-100 0@-100 1@900 0@900 2@900");

    // Points of one type a step apart all move, none is lost on the way.
    CMap dense = MapOf(MAP_VOLUME, {{0, 0.1}, {10, 0.2}, {20, 0.3}});
    dense.OffsetEvents(MAP_VOLUME, 10);
    EXPECT_EQ(Points(dense, MAP_VOLUME), "10:0.1 20:0.2 30:0.3");
    dense.OffsetEvents(MAP_VOLUME, -10);
    EXPECT_EQ(Points(dense, MAP_VOLUME), "0:0.1 10:0.2 20:0.3");

    dense.ScaleEvents(1.55);
    EXPECT_EQ(Points(dense, MAP_VOLUME), "0:0.1 15:0.2 31:0.3");
    dense.ScaleEvents(-1.0);
    EXPECT_EQ(Points(dense, MAP_VOLUME), "0:0.1 15:0.2 31:0.3");
    // Points that meet at one time are not doubled.
    AddPoints(dense, MAP_PAN, {{15, 0.5}});
    dense.ScaleEvents(0.03);
    EXPECT_EQ(Order(dense), "0@0 1@0");
    EXPECT_EQ(Points(dense, MAP_VOLUME), "0:0.1");
}

TEST(EventMap, AdjustEndPointMovesTheLastPoint) {
    const struct {
        int type;
        std::int32_t newEnd;
        const char* volume;
    } cases[] = {
        {MAP_VOLUME, 2000, "0:1 500:0.5 2000:0"},
        {MAP_VOLUME, 700, "0:1 500:0.5 700:0"},
        {MAP_VOLUME, 300, "0:1 500:0.5 520:0"},  // before the point ahead: 20 ms after it
        {MAP_VOLUME, 500, "0:1 500:0.5"},        // onto the point ahead: the end point is gone
        {MAP_VOLUME, 0, "0:1 500:0.5 1000:0"},
        {MAP_PAN, 2000, "0:1 500:0.5 1000:0"},
        {MAP_ALL, 1500, "0:1 500:0.5 1500:0"},
    };
    for (const auto& c : cases) {
        CMap map = MapOf(MAP_VOLUME, {{0, 1.0}, {500, 0.5}, {1000, 0.0}});
        AddPoints(map, MAP_PAN, {{0, 0.0}, {1200, 0.0}});
        map.AdjustEndPoint(c.type, c.newEnd);
        EXPECT_EQ(Points(map, MAP_VOLUME), c.volume) << c.type << " " << c.newEnd;
        if (c.type == MAP_VOLUME) {
            EXPECT_EQ(Points(map, MAP_PAN), "0:0 1200:0");
        }
    }
    CMap empty;
    empty.AdjustEndPoint(MAP_ALL, 100);
    EXPECT_EQ(empty.NumEvents(-1), 0);
}

TEST(EventMap, EventNumbersCountWithinTheirType) {
    CMap map;
    map.SetDefaultMap(1000, MAP_ALL);
    map.AddSimpleEvent(MAP_VOLUME, 300, 0.5);
    map.AddSimpleEvent(MAP_PAN, 600, 0.5);
    // 2@0 1@0 0@0 0@300 1@600 0@1000 1@1000 2@1000
    const struct {
        int index;
        int number;
        TMapType type;
    } cases[] = {{0, 0, MAP_RATE}, {2, 0, MAP_VOLUME}, {3, 1, MAP_VOLUME}, {4, 1, MAP_PAN},
                 {5, 2, MAP_VOLUME}, {6, 2, MAP_PAN},  {7, 1, MAP_RATE}};
    for (const auto& c : cases) {
        TMapType type = MAP_ALL;
        EXPECT_EQ(map.IndexToEventNumber(c.index, type), c.number) << c.index;
        EXPECT_EQ(type, c.type) << c.index;
        if (c.index >= 3) {
            EXPECT_EQ(map.EventNumberToIndex(c.number, c.type), c.index);
        }
    }
    TMapType type = MAP_ALL;
    EXPECT_EQ(map.IndexToEventNumber(8, type), -1);
    EXPECT_EQ(map.EventNumberToIndex(0, MAP_PAN), 1);
    EXPECT_EQ(map.EventNumberToIndex(3, MAP_PAN), -1);
    EXPECT_EQ(map.EventNumberToIndex(-1, MAP_PAN), -1);
}

// ---------------------------------------------------------------- rate times

TEST(EventMap, RateTimesAreAreasUnderTheRateCurve) {
    const struct {
        const char* name;
        TPoints rate;
        std::int32_t time;
        double adjusted, rateTime;
    } cases[] = {
        {"constant 2.0", {{0, 2.0}, {1000, 2.0}}, 500, 1000.0, 250.0},
        {"constant 2.0 to the end", {{0, 2.0}, {1000, 2.0}}, 1000, 2000.0, 500.0},
        {"ramp 1.0 to 2.0", {{0, 1.0}, {1000, 2.0}}, 500, 625.0, 500.0 - 500.0 * 500.0 * 0.5 * 0.5 / 1000.0},
        {"two segments", {{0, 1.0}, {500, 1.0}, {1000, 2.0}}, 750, 500.0 + 250.0 * 1.25, 500.0 + 250.0 * 0.875},
        {"no rate points", {}, 500, 500.0, 500.0},
        {"one rate point", {{0, 2.0}}, 500, 500.0, 500.0},
        {"before the first point", {{100, 2.0}, {1000, 2.0}}, 50, 50.0, 50.0},
        // Past the last point the area runs on from the point before it.
        {"past the end", {{0, 1.0}, {1000, 2.0}}, 1500, 1500.0, 1500.0},
    };
    for (const auto& c : cases) {
        CMap map = MapOf(MAP_RATE, c.rate);
        AddPoints(map, MAP_VOLUME, {{0, 0.5}, {300, 0.1}});
        EXPECT_DOUBLE_EQ(map.GetRateMapAdjustedTime(c.time), c.adjusted) << c.name;
        EXPECT_NEAR(map.GetRateTime(c.time), c.rateTime, 1e-9) << c.name;
    }
}

// ---------------------------------------------------------------- the "smap" stream

TEST(EventMapStream, WrittenMapsReadBackEqual) {
    CMap map;
    map.SetDefaultMap(1000, MAP_ALL);
    map.AddSimpleEvent(MAP_VOLUME, 250, 0.125);
    map.AddEvent(5, 250, "odd", 3);
    map.AddEvent(6, -40, nullptr, 0);
    EXPECT_EQ(map.MapSaveSize(), 6u * 20u + 20u + 15u + 12u);

    const std::string file = WriteRiff([&](CRIFF& riff) {
        EXPECT_EQ(map.WriteMap(&riff), 1);
        EXPECT_EQ(CMap().WriteMap(&riff), 1);
        riff.WriteSubChunk(FourCC("next"), "abcd", 4);
    });
    // Count, then type, time, size and data of each event, little-endian.
    EXPECT_EQ(file.substr(12, 12), "smap" + Le32(4 + map.MapSaveSize()) + Le32(9));
    EXPECT_EQ(file.substr(24, 12), Le32(6) + Le32(static_cast<std::uint32_t>(-40)) + Le32(0));

    ReadRiff(file, [&](CRIFF& riff) {
        CMap back;
        ASSERT_EQ(back.ReadMap(&riff), 1);
        EXPECT_EQ(Exact(back), Exact(map));
        CMap empty;
        ASSERT_EQ(empty.ReadMap(&riff), 1);
        EXPECT_EQ(empty.NumEvents(-1), 0);
        EXPECT_EQ(CurrentId(riff), FourCC("next"));
    });
}

std::string Event(std::int32_t type, std::int32_t time, const std::string& data) {
    return Le32(static_cast<std::uint32_t>(type)) + Le32(static_cast<std::uint32_t>(time)) +
           Le32(static_cast<std::uint32_t>(data.size())) + data;
}

std::string Value(double v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); }

TEST(EventMapStream, ReadingTakesOnlyWhatTheChunkHolds) {
    const struct {
        const char* name;
        std::string chunk;
        const char* order;
    } cases[] = {
        {"count too large", Le32(50) + Event(0, 0, Value(0.5)) + Event(0, 10, Value(0.25)), "0@0 0@10"},
        {"data size past the end", Le32(2) + Event(0, 0, Value(0.5)) + Le32(1) + Le32(5) + Le32(0x7fffffff) + "ab",
         "0@0"},
        {"cut header", Le32(2) + Event(1, 0, Value(0.5)) + Le32(1) + Le32(5), "1@0"},
        {"envelope point of the wrong size", Le32(3) + Event(0, 0, "abcd") + Event(1, 5, Value(0.1)) +
                                                   Event(2, 7, Value(1.0) + "x"),
         "1@5"},
        {"duplicates dropped", Le32(3) + Event(0, 0, Value(0.5)) + Event(0, 0, Value(0.7)) + Event(1, 0, Value(0)),
         "1@0 0@0"},
        {"no count", std::string("ab"), ""},
        {"empty", std::string(), ""},
    };
    for (const auto& c : cases) {
        ReadRiff(Riff("test", {Chunk("smap", c.chunk), Chunk("next", "")}), [&](CRIFF& riff) {
            CMap map;
            EXPECT_EQ(map.ReadMap(&riff), 1) << c.name;
            EXPECT_EQ(Order(map), c.order) << c.name;
            EXPECT_EQ(CurrentId(riff), FourCC("next")) << c.name;
        });
    }
    // A value read from the chunk is the value written.
    ReadRiff(Riff("test", {Chunk("smap", Le32(1) + Event(0, 0, Value(0.375)))}), [](CRIFF& riff) {
        CMap map;
        map.ReadMap(&riff);
        EXPECT_DOUBLE_EQ(map.GetSimpleValueAtTime(0, MAP_VOLUME), 0.375);
    });
}

TEST(EventMapStream, OtherChunksAreNotReadAsMaps) {
    ReadRiff(Riff("test", {Chunk("atom", Le32(1) + Event(0, 0, Value(0.5)))}), [](CRIFF& riff) {
        CMap map;
        SetLastError(0);
        EXPECT_EQ(map.ReadMap(&riff), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
        EXPECT_EQ(map.NumEvents(-1), 0);
        EXPECT_EQ(CurrentId(riff), FourCC("atom"));
    });
    CMap map;
    EXPECT_EQ(map.ReadMap(nullptr), 0);
    EXPECT_EQ(map.WriteMap(nullptr), 0);
}

}  // namespace
