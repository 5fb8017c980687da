// Fuzz target for the sound cache files: the first byte picks the reader
// (peaks ".ipk" read whole or only proved, a rate display ".grd", a seek map
// ".isk") and the rest is the file. What loads must save and load back
// alike: a peak set with the same milliseconds per peak and count, a seek
// map with the same pairs in the same order.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "testsupport/fuzz_scratch.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/seek_map.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void PeaksRoundTrip(const std::string& path, int whole, const std::string& copyPath) {
    CPeaks peaks;
    if (!peaks.LoadPeaksFromFile(path.c_str(), whole)) return;
    Check(peaks.GetNumPeaks() > 0 && peaks.NumMilsPerPeak() > 0);
    Check(peaks.SaveAs(copyPath.c_str()) == 1);
    CPeaks back;
    Check(back.LoadPeaksFromFile(peaks.PeakFilePath().c_str(), whole) == 1);
    Check(back.GetNumPeaks() == peaks.GetNumPeaks() && back.NumMilsPerPeak() == peaks.NumMilsPerPeak());
    Check(back.LengthOfSound() == peaks.LengthOfSound());
}

void SeekMapRoundTrip(const std::string& path, const std::string& copyPath) {
    CSeekMap map;
    if (!map.SeekMapLoad(path.c_str())) return;
    Check(map.SeekMapSave(copyPath.c_str()) == 1);
    CSeekMap back;
    Check(back.SeekMapLoad(copyPath.c_str()) == 1 && back.Count() == map.Count());
    for (std::int32_t i = 0; i < map.Count(); ++i) {
        std::int64_t value = 0;
        std::int64_t backValue = 0;
        Check(map.SeekMapFind(map.SeekMapKeyAt(i), &value, nullptr, 0) ==
              back.SeekMapFind(back.SeekMapKeyAt(i), &backValue, nullptr, 0));
        Check(value == backValue);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzsupport::CScratchFolder scratch("sound_cache_fuzz");
    // The per-user folders, where streamed peak sets are saved, are the
    // scratch folder's.
    static const int home = setenv("SONGSMITH_HOME", scratch.Path().c_str(), 1);
    (void)home;
    if (size == 0) return 0;
    const int kind = data[0] % 4;
    static const char* const kNames[] = {"song.ipk", "song.ipk", "rate.grd", "song.isk"};
    const std::string path = scratch.File(kNames[kind]);
    if (!fuzzsupport::CScratchFolder::Write(path, data + 1, size - 1)) return 0;
    if (kind == 3) {
        SeekMapRoundTrip(path, scratch.File("copy.isk"));
    } else {
        PeaksRoundTrip(path, kind == 0 ? 0 : 1, scratch.File(kind == 2 ? "copy.grd" : "copy.ipk"));
    }
    return 0;
}
