// SSE2 row kernels: 4 pixels per step at 32 bits, 8 at 15/16 bits.
#include <cstdint>

#include "gfx/blend_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#pragma GCC push_options
#pragma GCC target("sse2")
#include <emmintrin.h>

#include "gfx/blend_simd.h"

namespace tessaron::blend {

const Kernels* sse2Kernels();
const Kernels* avx2Kernels();

namespace {

struct Sse2 {
    using R = __m128i;
    using M32 = __m128i;
    using M16 = __m128i;
    static constexpr int Pixels32 = 4;
    static const Kernels& lower() { return portableKernels(); }
    static R load(const void* p) { return _mm_loadu_si128(static_cast<const R*>(p)); }
    static void store(void* p, R v) { _mm_storeu_si128(static_cast<R*>(p), v); }
    static R zero() { return _mm_setzero_si128(); }
    static R set1_8(int v) { return _mm_set1_epi8(static_cast<char>(v)); }
    static R set1_16(int v) { return _mm_set1_epi16(static_cast<short>(v)); }
    static R set1_32(int v) { return _mm_set1_epi32(v); }
    static R and_(R a, R b) { return _mm_and_si128(a, b); }
    static R or_(R a, R b) { return _mm_or_si128(a, b); }
    static R xor_(R a, R b) { return _mm_xor_si128(a, b); }
    static R add8(R a, R b) { return _mm_add_epi8(a, b); }
    static R sub8(R a, R b) { return _mm_sub_epi8(a, b); }
    static R add16(R a, R b) { return _mm_add_epi16(a, b); }
    static R sub16(R a, R b) { return _mm_sub_epi16(a, b); }
    static R mullo16(R a, R b) { return _mm_mullo_epi16(a, b); }
    static R mulhiu16(R a, R b) { return _mm_mulhi_epu16(a, b); }
    template <int N> static R srli16(R a) { return _mm_srli_epi16(a, N); }
    template <int N> static R slli16(R a) { return _mm_slli_epi16(a, N); }
    static R unpacklo8(R a, R b) { return _mm_unpacklo_epi8(a, b); }
    static R unpackhi8(R a, R b) { return _mm_unpackhi_epi8(a, b); }
    static R packus16(R a, R b) { return _mm_packus_epi16(a, b); }
    static R addsu8(R a, R b) { return _mm_adds_epu8(a, b); }
    static R avgu8(R a, R b) { return _mm_avg_epu8(a, b); }
    static R min16(R a, R b) { return _mm_min_epi16(a, b); }
    static M16 cmpeq16(R a, R b) { return _mm_cmpeq_epi16(a, b); }
    static M32 cmpeq32(R a, R b) { return _mm_cmpeq_epi32(a, b); }
    static R select16(M16 m, R a, R b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }
    static R select32(M32 m, R a, R b) { return select16(m, a, b); }
};

const Kernels Set = simd::kernels<Sse2>();

} // namespace

const Kernels* sse2Kernels() { return &Set; }

} // namespace tessaron::blend

#pragma GCC pop_options
#else
namespace tessaron::blend {
const Kernels* sse2Kernels() { return nullptr; }
} // namespace tessaron::blend
#endif
