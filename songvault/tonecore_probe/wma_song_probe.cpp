// WMA files: length, bit rate, rate and attributes through the engine's WMA
// reading, which goes through the media module.
#include <mutex>

#include "filekit/file_obj.h"
#include "songvault/tonecore_probe/probe_readers.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/load/wma_object.h"

namespace tonecoreprobe {

bool ProbeWma(CFileObj& file, TSongProbeResult& result) {
    // The engine loads the media module once and keeps it in a value that is
    // not guarded against two threads loading it at once; the import probes
    // from several threads, so one WMA file is read at a time.
    static std::mutex reading;
    std::lock_guard guard(reading);
    const WAVEFORMATEX start = WMAObject::LoadStartFormat();
    WMAObject reader(&start, kAcmUseDecode);
    TMusicInfo tags;
    if (!reader.LoadInfo(&file, &tags)) return false;
    result.sampleRateHz = reader.GetFrequency();
    result.bitRateKbps = Saturated(reader.GetBitRate() / 1000);
    result.lengthMs = Saturated(reader.GetDuration());
    TakeTags(tags, result);
    return true;
}

}  // namespace tonecoreprobe
