#include "tonecore/engine/engine_settings.h"

#include <atomic>
#include <climits>

#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/guarded_text.h"
#include "utilities/text_copy.h"

namespace {

// Plain words written by the program's thread and read by any other: atomics
// so that a reader never sees half a value.
std::atomic<std::uint32_t> g_silenceThreshold{0};
std::atomic<std::int32_t> g_partialSongThreshold{0};
std::atomic<std::int32_t> g_waveCDBlockAlign{0};
std::atomic<std::int32_t> g_compressedFormatFlag{0};
std::atomic<std::int32_t> g_wmaDecoderFlag{0};
std::atomic<std::int32_t> g_mp3EncoderChoice{0};

CGuardedText& Folder() {
    static CGuardedText* const folder = new CGuardedText;
    return *folder;
}

}  // namespace

void SetSilenceThreshold(std::uint32_t level) { g_silenceThreshold = level; }
std::uint32_t GetSilenceThreshold() { return g_silenceThreshold; }
void SetPartialSongThreshold(std::int32_t level) { g_partialSongThreshold = level; }
std::int32_t GetPartialSongThreshold() { return g_partialSongThreshold; }
void SetWaveCDBlockAlign(std::int32_t align) { g_waveCDBlockAlign = align; }
std::int32_t GetWaveCDBlockAlign() { return g_waveCDBlockAlign; }
void SetCompressedFormatFlag(std::int32_t flag) { g_compressedFormatFlag = flag; }
std::int32_t GetCompressedFormatFlag() { return g_compressedFormatFlag; }
void SetWMADecoderFlag(std::int32_t flag) { g_wmaDecoderFlag = flag; }
std::int32_t GetWMADecoderFlag() { return g_wmaDecoderFlag; }
void SetMP3EncoderChoice(std::int32_t choice) { g_mp3EncoderChoice = choice; }
std::int32_t GetMP3EncoderChoice() { return g_mp3EncoderChoice; }

void SetTempSndPath(const char* folder) {
    std::string text = folder != nullptr ? folder : "";
    if (!text.empty() && text.back() != '/') text += '/';
    if (text.size() >= PATH_MAX) {
        SetLastError(TONECORE_ERR_PATH_TOO_LONG);
        return;
    }
    Folder().Set(std::move(text));
}

std::string TempSndPath() { return Folder().Get(); }

void GetTempSndPath(char* buffer, std::int32_t size) {
    if (buffer == nullptr || size < 1) return;
    textcopy::CopyTextCut(TempSndPath(), buffer, static_cast<std::size_t>(size));
}

int TempSndPathExists() { return TempSndPath().empty() ? 0 : 1; }
