#pragma once
// Which vector instructions the decoder's hot loops (synthesis window and
// DCT, IMDCT, alias reduction) use. Every path computes the same float and
// double operations in the same order per value, so all of them give the
// same samples; the wider ones only do more values per instruction.
//
// The path is chosen once, at first use: the widest the processor has, or
// the one named by the environment variable TRACKPRESS_MPEG_SIMD ("scalar",
// "sse2", "avx2") when the processor has that one.

enum class EMpegSimdPath {
    kScalar,  // plain C++, any processor
    kSse2,    // 128-bit vectors, every x86-64 processor
    kAvx2,    // 256-bit vectors, chosen when the processor has AVX2
};

// The path the decoder uses now.
EMpegSimdPath MpegSimdPath();

// Whether this build and this processor can run the path.
bool MpegSimdPathAvailable(EMpegSimdPath path);

// Test hook: switches every decoder in the process to `path`; false (and no
// change) when the path is not available. Not for use while decoding.
bool SetMpegSimdPath(EMpegSimdPath path);

// The kernel for the path the decoder uses now, out of one per path (the
// scalar one where the build has no vector paths).
template <typename TKernel>
TKernel MpegSimdKernel(TKernel scalar, TKernel sse2, TKernel avx2) {
    switch (MpegSimdPath()) {
        case EMpegSimdPath::kAvx2:
            return avx2;
        case EMpegSimdPath::kSse2:
            return sse2;
        default:
            return scalar;
    }
}
