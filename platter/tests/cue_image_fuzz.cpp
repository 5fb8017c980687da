// Fuzz target for BIN/CUE images as the image drive opens them: the input is
// the CUE sheet, beside a data file of 300 sectors; the screening before
// libcdio and the table read through it must refuse or take any sheet
// without a sanitizer report, and a table taken must lie within the data.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platter/cdio_image.h"
#include "platter/types.h"
#include "testsupport/fuzz_scratch.h"

// libcdio's CUE parser keeps a few bytes of some sheets it reads; that is the
// library's memory, not ours, and only its own frames are excused.
extern "C" const char* __lsan_default_suppressions() { return "leak:libcdio.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::int64_t kBinSectors = 300;
    static const fuzzsupport::CScratchFolder scratch("cue_image_fuzz");
    static const std::string cue = scratch.File("disc.cue");
    static const bool bin = [] {
        const std::string zeros(kBinSectors * PLATTER_SECTOR_BYTES, '\0');
        return fuzzsupport::CScratchFolder::Write(scratch.File("disc.bin"),
                                                  reinterpret_cast<const std::uint8_t*>(zeros.data()), zeros.size());
    }();
    if (!bin || !fuzzsupport::CScratchFolder::Write(cue, data, size)) return 0;

    CCdioImage image;
    std::int32_t code = 0;
    std::string text;
    if (image.Open(cue, code, text)) {
        if (image.Toc().leadoutLsn > kBinSectors) std::abort();
    } else if (code == 0 || text.empty()) {
        std::abort();  // a refusal always says why
    }
    return 0;
}
