#include "platform/wave_format.h"

#include <gtest/gtest.h>

#include <cstddef>

// The record is stored byte for byte in files; its field offsets must match
// the little-endian layout of a RIFF "fmt " chunk.
TEST(WaveFormat, FieldOffsetsMatchTheFmtChunkLayout) {
    EXPECT_EQ(offsetof(WAVEFORMATEX, wFormatTag), 0u);
    EXPECT_EQ(offsetof(WAVEFORMATEX, nChannels), 2u);
    EXPECT_EQ(offsetof(WAVEFORMATEX, nSamplesPerSec), 4u);
    EXPECT_EQ(offsetof(WAVEFORMATEX, nAvgBytesPerSec), 8u);
    EXPECT_EQ(offsetof(WAVEFORMATEX, nBlockAlign), 12u);
    EXPECT_EQ(offsetof(WAVEFORMATEX, wBitsPerSample), 14u);
    EXPECT_EQ(offsetof(WAVEFORMATEX, cbSize), 16u);
}
