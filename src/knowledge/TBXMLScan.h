#pragma once

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The position of the first byte equal to `a` or `b` in [from, limit), or `limit`.
// Most searches of the reader end within a few dozen bytes, where an inlined 16-byte
// compare beats a library call; it never reads at or past `limit`.
inline char* findEither(char* from, char* limit, char a, char b) {
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(a);
    const __m128i second = _mm_set1_epi8(b);
    while (limit - from >= 16) {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        int mask = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(chunk, first), _mm_cmpeq_epi8(chunk, second)));
        if (mask)
            return from + __builtin_ctz(static_cast<unsigned>(mask));
        from += 16;
    }
#endif
    while (from < limit && *from != a && *from != b)
        ++from;
    return from;
}
