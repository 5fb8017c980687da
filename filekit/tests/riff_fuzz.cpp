// Fuzz target for the RIFF reader: opens the input through a memory stream
// and walks and reads every chunk at every level, then searches, steps back,
// jumps to offsets taken from the input and reads through a copy.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "filekit/mem_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "filekit/tests/riff_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto* mem = new CMemObj();
    mem->Open(data, static_cast<std::int64_t>(size));
    {
        CRIFF riff;
        _chunkInfo header;
        if (riff.Open(mem, &header)) {
            if (riff_walk::WalkLevel(riff) < 0) __builtin_trap();
            if (riff.LevelsDown() != 0) __builtin_trap();

            std::vector<char> buf(1 << 16);
            riff.SeekToLevelBeginning();
            if (riff.SeekToChunk(RIFF_ID_DATA, 0, 1)) {
                riff.ReadCurrentSubChunk(buf.data(), static_cast<std::int64_t>(buf.size()));
                riff.Read(buf.data(), 64);
            }
            for (int i = 0; i < 16 && riff.SeekToPreviousChunk(); ++i) {
            }
            // Offsets from the input's own bytes, inside and outside the form.
            for (std::size_t at = 0; at + 4 <= size && at < 64; at += 4) {
                if (riff.SeekToChunkAtOffset(LoadLe32(data + at) % (size + 16))) {
                    riff.ReadCurrentSubChunk(buf.data(), 256);
                    riff.SeekToNextChunk();
                    riff.SeekToPreviousChunk();
                }
            }
            CRIFF copy(riff);
            copy.SeekToLevelBeginning();
            if (riff_walk::WalkLevel(copy) < 0) __builtin_trap();
        }
    }
    if (mem->References() != 1) __builtin_trap();
    CRefObj* release = mem;
    DeleteRefObject(&release);
    return 0;
}
