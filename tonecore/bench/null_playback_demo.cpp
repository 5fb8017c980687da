// Plays a song through the null wave device, driven by the engine's service
// thread as on a machine with a sound card, and prints the wall time the
// playback took beside the song's length: the two agree when the mixer keeps
// the device fed in real time.
//
//   null_playback_demo [SONG]
//
// Without a song it plays a three-second tone made in memory.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "filekit/file_obj.h"
#include "filekit/mem_obj.h"
#include "platform/wave_out_null.h"
#include "tonecore/engine/engine_startup.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/pcm_sound.h"

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A RIFF WAVE file of seconds of a 440 Hz tone, 44100 Hz 16-bit stereo.
std::string ToneWav(int seconds) {
    constexpr std::uint32_t kRate = 44100;
    std::string pcm;
    for (std::uint32_t i = 0; i < kRate * static_cast<std::uint32_t>(seconds); ++i) {
        const auto sample = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440 * i / kRate));
        PutLe(pcm, static_cast<std::uint16_t>(sample), 2);
        PutLe(pcm, static_cast<std::uint16_t>(sample), 2);
    }
    std::string wav = "RIFF";
    PutLe(wav, static_cast<std::uint32_t>(4 + 8 + 16 + 8 + pcm.size()), 4);
    wav += "WAVEfmt ";
    PutLe(wav, 16, 4);
    PutLe(wav, WAVE_FORMAT_PCM, 2);
    PutLe(wav, 2, 2);
    PutLe(wav, kRate, 4);
    PutLe(wav, kRate * 4, 4);
    PutLe(wav, 4, 2);
    PutLe(wav, 16, 2);
    wav += "data";
    PutLe(wav, static_cast<std::uint32_t>(pcm.size()), 4);
    return wav + pcm;
}

CRefObj* OpenSong(int argc, char** argv, std::string& toneStore) {
    if (argc > 1) {
        auto* file = new CFileObj;
        if (file->Open(argv[1], 0, 0) == 0) {
            CRefObj* release = file;
            DeleteRefObject(&release);
            return nullptr;
        }
        return file;
    }
    toneStore = ToneWav(3);
    auto* memory = new CMemObj;
    memory->Open(reinterpret_cast<const unsigned char*>(toneStore.data()), static_cast<std::int64_t>(toneStore.size()));
    return memory;
}

}  // namespace

int main(int argc, char** argv) {
    static int instance = 0;
    if (!SoundEngineStartup(&instance)) {
        std::fprintf(stderr, "the sound engine did not start\n");
        return 1;
    }
    SetWaveOutBackend(&NullWaveOutBackend());
    std::string toneStore;
    CRefObj* stream = OpenSong(argc, argv, toneStore);
    if (stream == nullptr) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    auto* sound = new CPCMSound;
    const int loaded = sound->InitialLoad(stream, 2000, 0, 0, 0, 0, 10, nullptr, nullptr);
    DeleteRefObject(&stream);
    if (!loaded) {
        std::fprintf(stderr, "the song does not load\n");
        CAudioAtom* release = sound;
        DeleteAtom(&release);
        return 1;
    }
    int result = 0;
    {
        // Eight buffers of 50 ms: the program's usual feed of 400 ms.
        _tInitMixer init;
        init.device = WAVE_MAPPER;
        init.bufferCount = 8;
        init.bufferBytes = 8820;
        init.format = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
        CPCMMixer mixer(&init);
        const std::int32_t lengthMs = sound->Length(0);
        const auto start = std::chrono::steady_clock::now();
        if (sound->Play(0) != 1) {
            std::fprintf(stderr, "the mixer did not start playing\n");
            result = 1;
        }
        while (result == 0 && (mixer.Playing() || mixer.IsOpen())) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("song length %d ms, played in %.0f ms of wall time (%.3f of real time)\n", lengthMs, wallMs,
                    lengthMs > 0 ? wallMs / lengthMs : 0.0);
    }
    CAudioAtom* release = sound;
    DeleteAtom(&release);
    SoundEngineShutdown();
    return result;
}
