#include "songsmith/player/song_sound_file.h"

#include <new>

#include "filekit/file_obj.h"
#include "filekit/ref_obj.h"
#include "tonecore/sound/pcm_sound.h"

ESoundFileLoad LoadSoundFile(CPCMSound& sound, const char* path, std::int32_t bufferMs, int analyse,
                             std::int32_t msPerPeak) {
    auto* stream = new (std::nothrow) CFileObj;
    if (stream == nullptr) return ESoundFileLoad::kNotOpened;
    CRefObj* reference = stream;
    if (path == nullptr || stream->Open(path, 0, 0) == 0) {
        DeleteRefObject(&reference);
        return ESoundFileLoad::kNotOpened;
    }
    const int loaded =
        sound.InitialLoad(stream, bufferMs, analyse, 0, 0, analyse, msPerPeak, nullptr, nullptr);
    // The sound holds its own reference when it took the stream.
    DeleteRefObject(&reference);
    return loaded != 0 ? ESoundFileLoad::kLoaded : ESoundFileLoad::kNotLoaded;
}
