// Fuzz target for a WAV song's initial load: the input is the file, read from
// memory, its "fmt " choosing the way through the codec layer (PCM, G.711,
// IMA and Microsoft ADPCM, GSM 6.10, MPEG layer 3 in WAV, or a tag nothing
// takes), the whole data scanned for peaks and a seek map as a first load
// does. A load that succeeds must know a length that is not negative.
#include <cstdint>
#include <cstdlib>

#include "filekit/mem_obj.h"
#include "tonecore/engine/engine_startup.h"
#include "tonecore/load/initial_load.h"

namespace {

// Decoding objects come from the started engine: it is started once, and
// stopped (its service thread joined) when the process ends.
bool StartEngineOnce() {
    static const bool started = [] {
        static int instance = 0;
        if (SoundEngineStartup(&instance) != 1) return false;
        std::atexit(SoundEngineShutdown);
        return true;
    }();
    return started;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!StartEngineOnce()) std::abort();
    auto* mem = new CMemObj();
    mem->Open(data, static_cast<std::int64_t>(size));
    {
        CInitialLoad load;
        if (load.DoInitialLoad(mem, 1, 0, 1, 0, 10, nullptr, nullptr) && load.IsLoaded() && load.Length() < 0)
            std::abort();
    }
    CRefObj* release = mem;
    DeleteRefObject(&release);
    return 0;
}
