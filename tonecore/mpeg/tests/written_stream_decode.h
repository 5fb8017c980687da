#pragma once
// A written test stream decoded by the reference program and by this
// decoder, and the accuracy limits both decodings are held to.

#include "tonecore/mpeg/tests/layer3_test_stream.h"
#include "tonecore/mpeg/tests/mpeg_test_decode.h"
#include "tonecore/mpeg/tests/pcm_compare.h"
#include "testsupport/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace layer3test {

// The reference's floats and 16-bit samples, and ours (with the output
// before rounding).
struct TBothDecoded {
    std::vector<float> reference;
    std::vector<std::int16_t> reference16;
    mpegtest::TDecoded ours;
};

// `referenceOptions` go to the reference program; `options` are ours (the
// output before rounding is always collected).
inline bool DecodeWithBoth(const std::string& stream, TBothDecoded& out, const std::string& referenceOptions = "",
                           mpegtest::TDecodeOptions options = {}) {
    testsupport::TempDir dir;
    testsupport::WriteWholeFile(dir.File("written.mp3"), stream);
    if (!RunCommand(ScriptFolderForTests() + "/reference_output.sh " + dir.File("written.mp3") + " " +
                    dir.File("reference") + " " + referenceOptions)) {
        return false;
    }
    out.reference = pcmcompare::ReadRawF32(dir.File("reference.f32"));
    out.reference16 = pcmcompare::ReadRawS16(dir.File("reference.s16"));
    options.unrounded = true;
    out.ours = mpegtest::DecodeFile(dir.File("written.mp3"), options);
    return true;
}

// Holds one channel of both decodings to ISO/IEC 11172-4 full accuracy (the
// RMS bound relaxed to the reference's own rounding where that is larger),
// the output before rounding to float precision, and the 16-bit output to
// 1 LSB; prints the figures.
inline void ExpectFullAccuracy(const TBothDecoded& both, int channels, int ch, const std::string& label) {
    const auto full = pcmcompare::CompareS16ToF32(both.ours.pcm, both.reference, channels, ch);
    const auto inner = pcmcompare::CompareChannel(std::span<const float>(both.ours.unrounded), pcmcompare::kS16Scale,
                                                  std::span<const float>(both.reference), 1.0, channels, ch);
    const auto bits = pcmcompare::CompareS16(both.ours.pcm, both.reference16, channels, ch);
    std::printf("written %-24s ch%d  rms16 %.3e  max16 %.3e  rmsF %.3e  maxF %.3e  lsb %.0f  differ %.4f%%\n",
                label.c_str(), ch, full.rms, full.maxAbs, inner.rms, inner.maxAbs, bits.maxAbs * 32768,
                100.0 * bits.DifferingShare());
    const auto ownRounding = pcmcompare::CompareS16ToF32(both.reference16, both.reference, channels, ch);
    EXPECT_LT(full.rms, pcmcompare::FullAccuracyRmsLimit(ownRounding.rms));
    EXPECT_LE(full.maxAbs, pcmcompare::kFullAccuracyMax);
    EXPECT_LE(inner.rms, 2.5e-7);
    EXPECT_LE(bits.maxAbs * 32768, 1.0);
    EXPECT_LE(bits.DifferingShare(), 0.01);
}

}  // namespace layer3test
