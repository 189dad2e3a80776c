// AVX2 row kernels: 8 pixels per step at 32 bits, 16 at 15/16 bits.
#include <cstdint>

#include "gfx/blend_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#pragma GCC push_options
#pragma GCC target("avx2")
#include <immintrin.h>

#include "gfx/blend_simd.h"

namespace tessaron::blend {

const Kernels* sse2Kernels();
const Kernels* avx2Kernels();

namespace {

struct Avx2 {
    using R = __m256i;
    using M32 = __m256i;
    using M16 = __m256i;
    static constexpr int Pixels32 = 8;
    static const Kernels& lower() { return *sse2Kernels(); }
    static R load(const void* p) { return _mm256_loadu_si256(static_cast<const R*>(p)); }
    static void store(void* p, R v) { _mm256_storeu_si256(static_cast<R*>(p), v); }
    static R zero() { return _mm256_setzero_si256(); }
    static R set1_8(int v) { return _mm256_set1_epi8(static_cast<char>(v)); }
    static R set1_16(int v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static R set1_32(int v) { return _mm256_set1_epi32(v); }
    static R and_(R a, R b) { return _mm256_and_si256(a, b); }
    static R or_(R a, R b) { return _mm256_or_si256(a, b); }
    static R xor_(R a, R b) { return _mm256_xor_si256(a, b); }
    static R add8(R a, R b) { return _mm256_add_epi8(a, b); }
    static R sub8(R a, R b) { return _mm256_sub_epi8(a, b); }
    static R add16(R a, R b) { return _mm256_add_epi16(a, b); }
    static R sub16(R a, R b) { return _mm256_sub_epi16(a, b); }
    static R mullo16(R a, R b) { return _mm256_mullo_epi16(a, b); }
    static R mulhiu16(R a, R b) { return _mm256_mulhi_epu16(a, b); }
    template <int N> static R srli16(R a) { return _mm256_srli_epi16(a, N); }
    template <int N> static R slli16(R a) { return _mm256_slli_epi16(a, N); }
    // Unpack and pack work within 128-bit halves; used in pairs they keep
    // the pixel order.
    static R unpacklo8(R a, R b) { return _mm256_unpacklo_epi8(a, b); }
    static R unpackhi8(R a, R b) { return _mm256_unpackhi_epi8(a, b); }
    static R packus16(R a, R b) { return _mm256_packus_epi16(a, b); }
    static R addsu8(R a, R b) { return _mm256_adds_epu8(a, b); }
    static R avgu8(R a, R b) { return _mm256_avg_epu8(a, b); }
    static R min16(R a, R b) { return _mm256_min_epi16(a, b); }
    static M16 cmpeq16(R a, R b) { return _mm256_cmpeq_epi16(a, b); }
    static M32 cmpeq32(R a, R b) { return _mm256_cmpeq_epi32(a, b); }
    static R select16(M16 m, R a, R b) { return _mm256_blendv_epi8(b, a, m); }
    static R select32(M32 m, R a, R b) { return _mm256_blendv_epi8(b, a, m); }
};

const Kernels Set = simd::kernels<Avx2>();

} // namespace

const Kernels* avx2Kernels() { return &Set; }

} // namespace tessaron::blend

#pragma GCC pop_options
#else
namespace tessaron::blend {
const Kernels* avx2Kernels() { return nullptr; }
} // namespace tessaron::blend
#endif
