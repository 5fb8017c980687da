#pragma once
// Helpers for event map and sound object tests: maps written as text, maps
// built from point lists, and RIFF files in memory.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "filekit/mem_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "filekit/tests/chunk_builder.h"
#include "tonecore/maps/event_map.h"

namespace map_support {

using TPoints = std::vector<std::pair<std::int32_t, double>>;

// The points of one type as "time:value time:value", values with up to
// four decimals.
inline std::string Points(const CMap& map, int type) {
    std::string out;
    std::int32_t time = 0;
    for (int i = 0; map.GetNextEvent(type, i, &time) != nullptr; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, "%s%d:%.4g", out.empty() ? "" : " ", time,
                      map.GetSimpleValueAtTime(time, type));
        out += text;
    }
    return out;
}

// Every event in list order as "type@time".
inline std::string Order(const CMap& map) {
    std::string out;
    std::int32_t time = 0;
    for (int i = 0; const _tvol_pan_data* event = map.GetEventData(i, &time); ++i) {
        if (!out.empty()) out += ' ';
        out += std::to_string(event->type);
        out += '@';
        out += std::to_string(time);
    }
    return out;
}

// Every event with its data bytes, for exact comparisons.
inline std::string Exact(const CMap& map) {
    std::string out;
    std::int32_t time = 0;
    for (int i = 0; const _tvol_pan_data* event = map.GetEventData(i, &time); ++i) {
        out += std::to_string(event->type);
        out += '@';
        out += std::to_string(time);
        out += '[';
        const auto* bytes = static_cast<const unsigned char*>(event->data);
        for (std::uint32_t b = 0; b < event->size; ++b) {
            out += std::to_string(bytes[b]);
            out += ',';
        }
        out += "] ";
    }
    return out;
}

inline void AddPoints(CMap& map, int type, const TPoints& points) {
    for (const auto& [time, value] : points) map.AddSimpleEvent(type, time, value);
}

inline CMap MapOf(int type, const TPoints& points) {
    CMap map;
    AddPoints(map, type, points);
    return map;
}

// The bytes of a RIFF file of form "test" that write() fills.
inline std::string WriteRiff(const std::function<void(CRIFF&)>& write) {
    auto* mem = new CMemObj();
    mem->Create();
    std::string bytes;
    {
        CRIFF riff;
        riff.Create(mem, FourCC("test"));
        write(riff);
        riff.Close();
        bytes = chunk_builder::Contents(mem);
    }
    CRefObj* release = mem;
    DeleteRefObject(&release);
    return bytes;
}

// Opens bytes as a RIFF file and hands the reader, at the first sub-chunk,
// to read().
inline void ReadRiff(const std::string& bytes, const std::function<void(CRIFF&)>& read) {
    CRefObj* mem = chunk_builder::MemStream(bytes);
    {
        CRIFF riff;
        _chunkInfo header;
        if (riff.Open(mem, &header)) read(riff);
    }
    DeleteRefObject(&mem);
}

inline std::uint32_t CurrentId(const CRIFF& riff) {
    _subChunk sub;
    riff.GetCurrentChunkInfo(nullptr, &sub);
    return sub.id;
}

}  // namespace map_support
