#include "tonecore/convert/sound_source.h"

#include "tonecore/load/acm_object.h"
#include "tonecore/sound/pcm_sound.h"

void DescribeSoundSource(CPCMSound& sound, TSoundSource& out) {
    out.format = nullptr;
    out.decoder = nullptr;
    if (ACMObject* decoder = sound.GetACMObj()) {
        out.decoderInfo.object = decoder;
        out.decoderInfo.bestBitRate = decoder->GetBestBitRate();
        out.decoderInfo.frequency = static_cast<std::uint32_t>(decoder->GetFrequency());
        out.decoder = &out.decoderInfo;
        out.format = decoder->GetSrcFormat();
        return;
    }
    if (sound.GetFormat(&out.pcm) != 0) out.format = &out.pcm;
}
