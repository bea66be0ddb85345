// The compositor's SSE2 kernels (every x86-64 processor has SSE2) and the
// run-time choice of the AVX2 ones.
#include "stereo/compositor.h"

#include <emmintrin.h>

namespace {
namespace sse2 {

typedef __m128i V;
inline V Zero() { return _mm_setzero_si128(); }
inline V Load(const uint32_t *p) { return _mm_loadu_si128((const __m128i *)p); }
inline void Store(uint32_t *p, V v) { _mm_storeu_si128((__m128i *)p, v); }
inline V Set16(int16_t v) { return _mm_set1_epi16(v); }
inline V Set32(int32_t v) { return _mm_set1_epi32(v); }
inline V Set64(uint64_t v) { return _mm_set1_epi64x((long long)v); }
inline V Add16(V a, V b) { return _mm_add_epi16(a, b); }
inline V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
inline V Mul16(V a, V b) { return _mm_mullo_epi16(a, b); }
inline V Srl16(V a, int n) { return _mm_srli_epi16(a, n); }
inline V Add32(V a, V b) { return _mm_add_epi32(a, b); }
inline V Sll32(V a, int n) { return _mm_slli_epi32(a, n); }
inline V Sra32(V a, int n) { return _mm_srai_epi32(a, n); }
inline V Cmpgt32(V a, V b) { return _mm_cmpgt_epi32(a, b); }
inline V Madd(V a, V b) { return _mm_madd_epi16(a, b); }
inline V And(V a, V b) { return _mm_and_si128(a, b); }
inline V AndNot(V mask, V b) { return _mm_andnot_si128(mask, b); }
inline V Or(V a, V b) { return _mm_or_si128(a, b); }
inline V Unpacklo8(V a, V b) { return _mm_unpacklo_epi8(a, b); }
inline V Unpackhi8(V a, V b) { return _mm_unpackhi_epi8(a, b); }
inline V Unpacklo32(V a, V b) { return _mm_unpacklo_epi32(a, b); }
inline V Unpackhi32(V a, V b) { return _mm_unpackhi_epi32(a, b); }
inline V Packus16(V a, V b) { return _mm_packus_epi16(a, b); }
inline V Gather(const uint32_t *row, const int32_t *x)
{
    return _mm_set_epi32((int)row[x[3]], (int)row[x[2]], (int)row[x[1]], (int)row[x[0]]);
}
// Four 16-bit numbers, each in the low half of a 32-bit lane.
inline V Widen16(const uint16_t *w) { return _mm_unpacklo_epi16(_mm_loadl_epi64((const __m128i *)w), Zero()); }

#include "stereo/compositor_simd.h"

} // namespace sse2

const ComposeKernels kKernelsSSE2 = {"SSE2",          sse2::BlendRows, sse2::GatherNearest, sse2::GatherBilinear,
                                     sse2::Alternate, sse2::Anaglyph};

} // namespace

// In compositor_avx2.cpp, the only file built for AVX2.
extern const ComposeKernels kKernelsAVX2;

const ComposeKernels &ComposeKernelsSSE2() { return kKernelsSSE2; }

const ComposeKernels *ComposeKernelsAVX2()
{
    // The compiler's check also asks the system whether it saves the 256-bit registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? &kKernelsAVX2 : NULL;
}
