// The compositor's AVX2 kernels. This file alone is built with -mavx2; it is
// only reached through ComposeKernelsAVX2, which checks the processor first.
#include "stereo/compositor.h"

#include <immintrin.h>

namespace {
namespace avx2 {

typedef __m256i V;
inline V Zero() { return _mm256_setzero_si256(); }
inline V Load(const uint32_t *p) { return _mm256_loadu_si256((const __m256i *)p); }
inline void Store(uint32_t *p, V v) { _mm256_storeu_si256((__m256i *)p, v); }
inline V Set16(int16_t v) { return _mm256_set1_epi16(v); }
inline V Set32(int32_t v) { return _mm256_set1_epi32(v); }
inline V Set64(uint64_t v) { return _mm256_set1_epi64x((long long)v); }
inline V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
inline V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
inline V Mul16(V a, V b) { return _mm256_mullo_epi16(a, b); }
inline V Srl16(V a, int n) { return _mm256_srli_epi16(a, n); }
inline V Add32(V a, V b) { return _mm256_add_epi32(a, b); }
inline V Sll32(V a, int n) { return _mm256_slli_epi32(a, n); }
inline V Sra32(V a, int n) { return _mm256_srai_epi32(a, n); }
inline V Cmpgt32(V a, V b) { return _mm256_cmpgt_epi32(a, b); }
inline V Madd(V a, V b) { return _mm256_madd_epi16(a, b); }
inline V And(V a, V b) { return _mm256_and_si256(a, b); }
inline V AndNot(V mask, V b) { return _mm256_andnot_si256(mask, b); }
inline V Or(V a, V b) { return _mm256_or_si256(a, b); }
// Within each 128-bit half, like every unpack and pack here: a pack undoes the
// unpack of the same half, so the pixels keep their places.
inline V Unpacklo8(V a, V b) { return _mm256_unpacklo_epi8(a, b); }
inline V Unpackhi8(V a, V b) { return _mm256_unpackhi_epi8(a, b); }
inline V Unpacklo32(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
inline V Unpackhi32(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
inline V Packus16(V a, V b) { return _mm256_packus_epi16(a, b); }
// Eight loads rather than the gather instruction: several processors (AMD's
// among them) run the gather slower than the loads it stands for.
inline V Gather(const uint32_t *row, const int32_t *x)
{
    return _mm256_setr_epi32((int)row[x[0]], (int)row[x[1]], (int)row[x[2]], (int)row[x[3]], (int)row[x[4]],
                             (int)row[x[5]], (int)row[x[6]], (int)row[x[7]]);
}
inline V Widen16(const uint16_t *w) { return _mm256_cvtepu16_epi32(_mm_loadu_si128((const __m128i *)w)); }

#include "stereo/compositor_simd.h"

} // namespace avx2
} // namespace

extern const ComposeKernels kKernelsAVX2;
const ComposeKernels kKernelsAVX2 = {"AVX2",          avx2::BlendRows, avx2::GatherNearest, avx2::GatherBilinear,
                                     avx2::Alternate, avx2::Anaglyph};
