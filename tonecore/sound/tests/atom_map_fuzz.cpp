// Fuzz target for sound objects and event maps read from files: the input is
// a RIFF file whose "atom" chunks (with the "smap" stream after each) and
// "smap" chunks, at any of the first levels of lists, are loaded, put
// through every map operation and saved and read back. The maps must stay
// sorted with no two events of a type at one time, and a map saved and read
// back must hold as many events as before.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "filekit/mem_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "tonecore/sound/audio_atom.h"
#include "tonecore/maps/event_map.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckOrder(const CMap& map) {
    std::int32_t previous = 0;
    for (int i = 0; i < map.NumEvents(-1); ++i) {
        std::int32_t time = 0;
        const _tvol_pan_data* event = map.GetEventData(i, &time);
        Check(event != nullptr && (i == 0 || previous <= time));
        for (int j = i - 1; j >= 0; --j) {
            std::int32_t other = 0;
            const _tvol_pan_data* earlier = map.GetEventData(j, &other);
            if (other != time) break;
            Check(earlier->type != event->type);
        }
        previous = time;
    }
}

// Writes the map into a new RIFF in memory and reads it back.
void RoundTrip(const CMap& map) {
    auto* mem = new CMemObj();
    mem->Create();
    {
        CRIFF writer;
        writer.Create(mem, FourCC("fuzz"));
        Check(map.WriteMap(&writer) == 1);
    }
    mem->Seek(0, 0);
    {
        CRIFF reader;
        _chunkInfo header;
        Check(reader.Open(mem, &header) == 1);
        CMap back;
        Check(back.ReadMap(&reader) == 1);
        Check(back.NumEvents(-1) == map.NumEvents(-1));
        CheckOrder(back);
    }
    CRefObj* release = mem;
    DeleteRefObject(&release);
}

void Exercise(const CMap& map, const CMap& other) {
    CheckOrder(map);
    const int count = map.NumEvents(-1);
    std::vector<std::int32_t> times{0, -1, 1000};
    for (int i = 0; i < count && i < 6; ++i) {
        std::int32_t time = 0;
        map.GetEventData(i, &time);
        times.push_back(time);
        times.push_back(time + (time < 0 ? 7 : -7));
    }
    for (std::int32_t time : times) {
        for (int type : kEnvelopeTypes) map.GetSimpleValueAtTime(time, type);
        map.GetRateMapAdjustedTime(time);
        map.GetRateTime(time);
    }
    for (std::size_t i = 0; i + 1 < times.size() && i < 4; ++i) {
        const CMap cut(map, times[i], times[i + 1]);
        CheckOrder(cut);
        for (int type : kEnvelopeTypes) {
            CMap combined;
            combined = map;
            combined.CombineMap(&other, times[i], static_cast<TMapType>(type));
            CheckOrder(combined);
            combined.CombineMap(&combined, times[i + 1], static_cast<TMapType>(type));
            CheckOrder(combined);
        }
        CMap moved;
        moved = map;
        moved.OffsetEvents(MAP_ALL, times[i]);
        moved.AdjustEndPoint(MAP_ALL, times[i + 1]);
        CheckOrder(moved);
        moved.ScaleEvents(times[i] / 1000.0);
        moved.InvertSimpleEvents(MAP_ALL);
        moved.MultiplySimpleEvents(MAP_RATE, -1.0);
        CheckOrder(moved);
    }
    const CMap copy(map);
    CheckOrder(copy);
    for (int i = 0; i < count && i < 64; ++i) {
        TMapType type = MAP_ALL;
        const int number = map.IndexToEventNumber(i, type);
        Check(number >= 0);
        map.EventNumberToIndex(number, type);
    }
    RoundTrip(map);
}

void Walk(CRIFF& riff, CMap& previous, int depth) {
    for (int step = 0; step < 12; ++step) {
        _subChunk sub;
        riff.GetCurrentChunkInfo(nullptr, &sub);
        if (sub.id == FourCC("atom")) {
            CAudioAtom atom;
            atom.Load(&riff, 0, 0, 0, 0, nullptr, nullptr);
            Exercise(*atom.GetSrcMap(), previous);
            atom.CombineWithParentMap(MAP_ALL);
            atom.Scale(1.5);
            Exercise(atom, *atom.GetSrcMap());
            previous = *atom.GetSrcMap();
            continue;  // the load moved on past the map
        }
        if (sub.id == FourCC("smap")) {
            CMap map;
            if (map.ReadMap(&riff)) {
                Exercise(map, previous);
                previous = map;
                continue;
            }
        }
        if (sub.id == RIFF_ID_LIST && depth < 3 && riff.Descend()) {
            Walk(riff, previous, depth + 1);
            if (!riff.Ascend()) return;
        }
        if (!riff.SeekToNextChunk()) return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto* mem = new CMemObj();
    mem->Open(data, static_cast<std::int64_t>(size));
    {
        CRIFF riff;
        _chunkInfo header;
        if (riff.Open(mem, &header)) {
            CMap previous;
            previous.SetDefaultMap(1000, MAP_ALL);
            Walk(riff, previous, 0);
        }
    }
    CRefObj* release = mem;
    DeleteRefObject(&release);
    return 0;
}
