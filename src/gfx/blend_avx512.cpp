// AVX-512BW row kernels: 16 pixels per step at 32 bits, 32 at 15/16 bits.
// Mask-colour pixels are kept through the lane masks of AVX-512.
#include <cstdint>

#include "gfx/blend_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw")
#include <immintrin.h>

#include "gfx/blend_simd.h"

namespace tessaron::blend {

const Kernels* sse2Kernels();
const Kernels* avx2Kernels();

namespace {

struct Avx512 {
    using R = __m512i;
    using M32 = __mmask16;
    using M16 = __mmask32;
    static constexpr int Pixels32 = 16;
    static const Kernels& lower() { return *avx2Kernels(); }
    static R load(const void* p) { return _mm512_loadu_si512(p); }
    static void store(void* p, R v) { _mm512_storeu_si512(p, v); }
    static R zero() { return _mm512_setzero_si512(); }
    static R set1_8(int v) { return _mm512_set1_epi8(static_cast<char>(v)); }
    static R set1_16(int v) { return _mm512_set1_epi16(static_cast<short>(v)); }
    static R set1_32(int v) { return _mm512_set1_epi32(v); }
    static R and_(R a, R b) { return _mm512_and_si512(a, b); }
    static R or_(R a, R b) { return _mm512_or_si512(a, b); }
    static R xor_(R a, R b) { return _mm512_xor_si512(a, b); }
    static R add8(R a, R b) { return _mm512_add_epi8(a, b); }
    static R sub8(R a, R b) { return _mm512_sub_epi8(a, b); }
    static R add16(R a, R b) { return _mm512_add_epi16(a, b); }
    static R sub16(R a, R b) { return _mm512_sub_epi16(a, b); }
    static R mullo16(R a, R b) { return _mm512_mullo_epi16(a, b); }
    static R mulhiu16(R a, R b) { return _mm512_mulhi_epu16(a, b); }
    template <int N> static R srli16(R a) { return _mm512_srli_epi16(a, N); }
    template <int N> static R slli16(R a) { return _mm512_slli_epi16(a, N); }
    // Unpack and pack work within 128-bit quarters; used in pairs they keep
    // the pixel order.
    static R unpacklo8(R a, R b) { return _mm512_unpacklo_epi8(a, b); }
    static R unpackhi8(R a, R b) { return _mm512_unpackhi_epi8(a, b); }
    static R packus16(R a, R b) { return _mm512_packus_epi16(a, b); }
    static R addsu8(R a, R b) { return _mm512_adds_epu8(a, b); }
    static R avgu8(R a, R b) { return _mm512_avg_epu8(a, b); }
    static R min16(R a, R b) { return _mm512_min_epi16(a, b); }
    static M16 cmpeq16(R a, R b) { return _mm512_cmpeq_epi16_mask(a, b); }
    static M32 cmpeq32(R a, R b) { return _mm512_cmpeq_epi32_mask(a, b); }
    static R select16(M16 m, R a, R b) { return _mm512_mask_blend_epi16(m, b, a); }
    static R select32(M32 m, R a, R b) { return _mm512_mask_blend_epi32(m, b, a); }
};

const Kernels Set = simd::kernels<Avx512>();

} // namespace

const Kernels* avx512Kernels() { return &Set; }

} // namespace tessaron::blend

#pragma GCC pop_options
#else
namespace tessaron::blend {
const Kernels* avx512Kernels() { return nullptr; }
} // namespace tessaron::blend
#endif
