#pragma once
// Fixtures for the group and rendering tests: atoms of a set length that
// copy themselves (whole or cut), PCM sounds of constant samples loaded from
// WAV data in memory, and a holder that lets go of an atom's reference.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "filekit/mem_obj.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/sound_group.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"
#include "tonecore/load/tests/song_load_support.h"

namespace grouptest {

// Drops the creation reference of an atom at the end of a scope.
struct TDropAtom {
    void operator()(CAudioAtom* atom) const { DeleteAtom(&atom); }
};
template <typename T>
using TAtomRef = std::unique_ptr<T, TDropAtom>;

// An atom of a set length whose copies keep the length (a cut copy the
// cut's), counting how many of its kind are alive. It answers a sound kind
// of the program's own (neither a group nor a PCM sound), so groups count
// it among their members.
class CLengthAtom : public CAudioAtom {
public:
    explicit CLengthAtom(std::int32_t length, const char* name = "") : length_(length) {
        SetAtomName(name);
        ++alive;
    }
    CLengthAtom(const CLengthAtom& other) : CAudioAtom(other), length_(other.length_) { ++alive; }
    ~CLengthAtom() override { --alive; }

    CAudioAtom* Copy() override { return new (std::nothrow) CLengthAtom(*this); }
    CAudioAtom* Copy(std::int32_t start, std::int32_t end) override {
        auto* piece = new (std::nothrow) CLengthAtom(end - start, AtomName());
        return piece;
    }
    int Type() override { return kKind; }
    std::int32_t Length(int) override { return length_; }
    void SetVirtualLength(std::int32_t length) override {
        length_ = length;
        CAudioAtom::SetVirtualLength(length);
    }

    static constexpr int kKind = 8;
    static inline int alive = 0;

private:
    std::int32_t length_;
};

// 16-bit PCM of frames frames, every sample value (8-bit formats take the
// value's high byte).
inline std::string ConstantPcm(const WAVEFORMATEX& format, std::uint32_t frames, int value) {
    std::string out;
    for (std::uint32_t i = 0; i < frames * format.nChannels; ++i) {
        if (format.wBitsPerSample == 8) {
            out.push_back(static_cast<char>((value >> 8) + 128));
        } else {
            songtest::PutLe(out, static_cast<std::uint16_t>(value), 2);
        }
    }
    return out;
}

// A PCM sound over a WAV file in memory holding pcm; null when it does not
// load. The caller holds its creation reference.
inline TAtomRef<CPCMSound> LoadedSound(const WAVEFORMATEX& format, const std::string& pcm) {
    const std::string wav = songtest::Riff(
        "WAVE", songtest::Chunk("fmt ", songtest::FormatBody(WAVE_FORMAT_PCM, format.nChannels, format.nSamplesPerSec,
                                                              format.wBitsPerSample)) +
                    songtest::Chunk("data", pcm));
    auto* stream = new CMemObj;
    stream->Open(reinterpret_cast<const unsigned char*>(wav.data()), static_cast<std::int64_t>(wav.size()));
    TAtomRef<CPCMSound> sound(new CPCMSound);
    const int loaded = sound->InitialLoad(stream, 2000, 0, 0, 0, 0, 10, nullptr, nullptr);
    CRefObj* release = stream;
    DeleteRefObject(&release);
    if (!loaded) sound.reset();
    return sound;
}

// A sound of ms milliseconds of constant samples.
inline TAtomRef<CPCMSound> ConstantSound(const WAVEFORMATEX& format, std::uint32_t ms, int value) {
    return LoadedSound(format, ConstantPcm(format, format.nSamplesPerSec * ms / 1000, value));
}

}  // namespace grouptest
