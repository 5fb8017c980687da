#include "tonecore/mpeg/mpeg_simd.h"

#include <atomic>
#include <cstdlib>
#include <string_view>

namespace {

EMpegSimdPath WidestAvailable() {
    if (MpegSimdPathAvailable(EMpegSimdPath::kAvx2)) return EMpegSimdPath::kAvx2;
    if (MpegSimdPathAvailable(EMpegSimdPath::kSse2)) return EMpegSimdPath::kSse2;
    return EMpegSimdPath::kScalar;
}

EMpegSimdPath InitialPath() {
    const char* named = std::getenv("TRACKPRESS_MPEG_SIMD");
    if (named != nullptr) {
        const std::string_view name = named;
        const EMpegSimdPath wanted = name == "scalar" ? EMpegSimdPath::kScalar
                                     : name == "sse2" ? EMpegSimdPath::kSse2
                                     : name == "avx2" ? EMpegSimdPath::kAvx2
                                                      : WidestAvailable();
        if (MpegSimdPathAvailable(wanted)) return wanted;
    }
    return WidestAvailable();
}

std::atomic<EMpegSimdPath>& CurrentPath() {
    static std::atomic<EMpegSimdPath> path{InitialPath()};
    return path;
}

}  // namespace

EMpegSimdPath MpegSimdPath() { return CurrentPath().load(std::memory_order_relaxed); }

bool MpegSimdPathAvailable(EMpegSimdPath path) {
    switch (path) {
        case EMpegSimdPath::kScalar:
            return true;
#if defined(__x86_64__)
        case EMpegSimdPath::kSse2:
            return true;
        case EMpegSimdPath::kAvx2:
            return __builtin_cpu_supports("avx2") != 0;
#endif
        default:
            return false;
    }
}

bool SetMpegSimdPath(EMpegSimdPath path) {
    if (!MpegSimdPathAvailable(path)) return false;
    CurrentPath().store(path, std::memory_order_relaxed);
    return true;
}
