#include "tonecore/engine/engine_codecs.h"

#include <mutex>

void RegisterEngineCodecs() {
    static std::once_flag once;
    std::call_once(once, [] {
        CodecLayerAddDriver(MakePcmCodecDriver());
        CodecLayerAddDriver(MakeMp3CodecDriver());
    });
}
