#include "songvault/text_scan.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace songvault {

namespace {

const char* LibraryFind(const char* first, const char* last, std::string_view needle) {
    return static_cast<const char*>(memmem(first, static_cast<std::size_t>(last - first), needle.data(), needle.size()));
}

}  // namespace

const char* FindText(const char* first, const char* last, std::string_view needle) {
    const std::size_t n = needle.size();
    if (n == 0) return first;
    if (static_cast<std::size_t>(last - first) < n) return nullptr;
    if (n == 1) return static_cast<const char*>(std::memchr(first, needle[0], static_cast<std::size_t>(last - first)));
#ifdef __SSE2__
    // Sixteen places at a time: a place is a candidate when both the
    // needle's first and last byte match there, which rules out nearly
    // every place in one step; the C library's memmem tests the bytes one
    // by one. Each load stays inside [first, last).
    constexpr std::size_t kBlock = 16;
    const __m128i head = _mm_set1_epi8(needle.front());
    const __m128i tail = _mm_set1_epi8(needle.back());
    const char* p = first;
    while (static_cast<std::size_t>(last - p) >= kBlock + n - 1) {
        const __m128i atHead = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i atTail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 1));
        auto candidates = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(atHead, head), _mm_cmpeq_epi8(atTail, tail))));
        while (candidates != 0) {
            const int offset = __builtin_ctz(candidates);
            if (std::memcmp(p + offset + 1, needle.data() + 1, n - 2) == 0) return p + offset;
            candidates &= candidates - 1;
        }
        p += kBlock;
    }
    return LibraryFind(p, last, needle);
#else
    return LibraryFind(first, last, needle);
#endif
}

}  // namespace songvault
