#pragma once
// Building blocks for kernels written once as templates over a "lane" type:
// float or double for the portable path, GCC vectors of 4 floats / 2
// doubles for SSE2 and of 8 floats / 4 doubles for AVX2. Arithmetic on the
// vector types is element-wise IEEE arithmetic, so an instantiation computes
// exactly what the scalar one does, lane by lane.
//
// The helpers take and give vectors by reference: a 256-bit vector passed by
// value from code built without AVX would change the calling convention.
// They are always inlined into the kernel that uses them, which carries the
// target attribute.

#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__)
#define TRACKPRESS_MPEG_X86_64 1
#endif

#define MPEG_KERNEL_INLINE inline __attribute__((always_inline))
#define MPEG_TARGET_AVX2 __attribute__((target("avx2")))

namespace mpegsimd {

typedef float TFloat4 __attribute__((vector_size(16)));
typedef float TFloat8 __attribute__((vector_size(32)));
typedef double TDouble2 __attribute__((vector_size(16)));
typedef double TDouble4 __attribute__((vector_size(32)));

// Element type, lane count, and for floats the integer type of the same
// lanes (for conversions).
template <typename V>
struct TLanes {
    using Element = std::remove_cv_t<std::remove_reference_t<decltype(V{}[0])>>;
    static constexpr int kCount = static_cast<int>(sizeof(V) / sizeof(Element));
    typedef std::int32_t Int __attribute__((vector_size(sizeof(V))));
};
template <>
struct TLanes<float> {
    using Element = float;
    using Int = std::int32_t;
    static constexpr int kCount = 1;
};
template <>
struct TLanes<double> {
    using Element = double;
    static constexpr int kCount = 1;
};

template <typename V>
constexpr int kLanes = TLanes<V>::kCount;

template <typename V>
MPEG_KERNEL_INLINE void Load(V& v, const typename TLanes<V>::Element* from) {
    std::memcpy(&v, from, sizeof v);
}

template <typename V>
MPEG_KERNEL_INLINE void Store(typename TLanes<V>::Element* to, const V& v) {
    std::memcpy(to, &v, sizeof v);
}

// Lane i takes lane count - 1 - i.
MPEG_KERNEL_INLINE void Reverse(float&) {}
MPEG_KERNEL_INLINE void Reverse(double&) {}
MPEG_KERNEL_INLINE void Reverse(TFloat4& v) { v = __builtin_shufflevector(v, v, 3, 2, 1, 0); }
MPEG_KERNEL_INLINE void Reverse(TFloat8& v) { v = __builtin_shufflevector(v, v, 7, 6, 5, 4, 3, 2, 1, 0); }
MPEG_KERNEL_INLINE void Reverse(TDouble2& v) { v = __builtin_shufflevector(v, v, 1, 0); }
MPEG_KERNEL_INLINE void Reverse(TDouble4& v) { v = __builtin_shufflevector(v, v, 3, 2, 1, 0); }

// Rows of a 4 by 4 block of floats become its columns.
MPEG_KERNEL_INLINE void Transpose4(TFloat4 (&r)[4]) {
    const TFloat4 low01 = __builtin_shufflevector(r[0], r[1], 0, 4, 1, 5);
    const TFloat4 high01 = __builtin_shufflevector(r[0], r[1], 2, 6, 3, 7);
    const TFloat4 low23 = __builtin_shufflevector(r[2], r[3], 0, 4, 1, 5);
    const TFloat4 high23 = __builtin_shufflevector(r[2], r[3], 2, 6, 3, 7);
    r[0] = __builtin_shufflevector(low01, low23, 0, 1, 4, 5);
    r[1] = __builtin_shufflevector(low01, low23, 2, 3, 6, 7);
    r[2] = __builtin_shufflevector(high01, high23, 0, 1, 4, 5);
    r[3] = __builtin_shufflevector(high01, high23, 2, 3, 6, 7);
}

// Floats widened to doubles and doubles narrowed to floats (rounded to
// nearest), one lane type's count at a time.
MPEG_KERNEL_INLINE void LoadWidened(double& v, const float* from) { v = *from; }
MPEG_KERNEL_INLINE void LoadWidened(TDouble2& v, const float* from) { v = TDouble2{from[0], from[1]}; }
MPEG_KERNEL_INLINE void LoadWidened(TDouble4& v, const float* from) {
    TFloat4 f;
    Load(f, from);
    v = __builtin_convertvector(f, TDouble4);
}
MPEG_KERNEL_INLINE void StoreNarrowed(float* to, const double& v) { *to = static_cast<float>(v); }
MPEG_KERNEL_INLINE void StoreNarrowed(float* to, const TDouble2& v) {
    to[0] = static_cast<float>(v[0]);
    to[1] = static_cast<float>(v[1]);
}
MPEG_KERNEL_INLINE void StoreNarrowed(float* to, const TDouble4& v) {
    const TFloat4 f = __builtin_convertvector(v, TFloat4);
    Store(to, f);
}

// Lane-wise a < b ? a : b and a > b ? a : b (the second operand when either
// is not a number).
MPEG_KERNEL_INLINE void Min(float& a, float b) { a = a < b ? a : b; }
MPEG_KERNEL_INLINE void Max(float& a, float b) { a = a > b ? a : b; }
template <typename V>
MPEG_KERNEL_INLINE void Min(V& a, float b) {
    const V limit = V{} + b;
    a = a < limit ? a : limit;
}
template <typename V>
MPEG_KERNEL_INLINE void Max(V& a, float b) {
    const V limit = V{} + b;
    a = a > limit ? a : limit;
}

// Toward zero, as a C++ cast does.
MPEG_KERNEL_INLINE void TruncateToInt(std::int32_t& to, float v) { to = static_cast<std::int32_t>(v); }
template <typename V>
MPEG_KERNEL_INLINE void TruncateToInt(typename TLanes<V>::Int& to, const V& v) {
    to = __builtin_convertvector(v, typename TLanes<V>::Int);
}

}  // namespace mpegsimd
