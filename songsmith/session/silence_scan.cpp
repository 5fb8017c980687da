#include "songsmith/session/silence_scan.h"

#include <fstream>

namespace {

// The peaks file's header before peak 0.
constexpr std::streamoff kPeaksFileHeader = 12;

bool Loud(std::uint8_t peak, int threshold) {
    return static_cast<int>(peak) > threshold;
}

}  // namespace

TSoundEdges FindSoundEdges(std::span<const std::uint8_t> peaks, std::uint32_t from,
                           int threshold) {
    if (peaks.empty()) return {from, from};
    std::size_t first = 0;
    std::size_t last = peaks.size() - 1;
    while (first < last && !Loud(peaks[first], threshold)) ++first;
    while (last > first && !Loud(peaks[last], threshold)) --last;
    return {from + static_cast<std::uint32_t>(first), from + static_cast<std::uint32_t>(last)};
}

bool ReadPeakRange(const std::string& path, std::uint32_t from, std::uint32_t to,
                   std::vector<std::uint8_t>& out) {
    out.clear();
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    const std::streamoff begin = kPeaksFileHeader + from;
    if (to < from || size <= begin) return true;
    const std::streamoff end = std::min<std::streamoff>(size, kPeaksFileHeader + to + 1);
    out.resize(static_cast<std::size_t>(end - begin));
    file.seekg(begin);
    file.read(reinterpret_cast<char*>(out.data()), end - begin);
    out.resize(static_cast<std::size_t>(file.gcount()));
    return true;
}
