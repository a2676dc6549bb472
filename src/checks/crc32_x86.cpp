// CRC-32/BZIP2 by carry-less multiplication on x86 processors. The message is
// read as one long polynomial, most significant bit first: each 16-byte piece,
// byte-swapped, is a 128-bit polynomial X = H * x^64 + L. Moving X forward by d
// bits only needs it modulo P, and H * (x^(d+64) mod P) + L * (x^d mod P) is
// congruent to X * x^d and fits 96 bits, so independent accumulators can fold
// many pieces ahead, combined at the end. What remains is one 128-bit
// polynomial X with CRC = X * x^32 mod P: the table CRC of X's 16 bytes with a
// zero register. Lengths below a folding step go through the portable kernel.
//
// The functions carry their own target attributes, so the program itself
// needs no newer processor: they are only called after a runtime check.

#include "checks/crc32_x86.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

// GCC 12's AVX-512 headers start some results from a deliberately undefined
// register and then warn about it where they are inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace checks {

namespace {

// x^n mod P.
constexpr std::uint32_t xPowerMod(unsigned n) {
  std::uint32_t r = 1;
  for (unsigned i = 0; i < n; ++i) r = (r & 0x80000000U) ? (r << 1) ^ kCrc32Polynomial : r << 1;
  return r;
}

// Fold constants for a distance of `bits`: low lane x^bits, high lane x^(bits+64), mod P.
struct FoldConstants {
  std::uint64_t low;
  std::uint64_t high;
};
constexpr FoldConstants foldBy(unsigned bits) { return {xPowerMod(bits), xPowerMod(bits + 64)}; }

constexpr FoldConstants kFold128 = foldBy(128);
constexpr FoldConstants kFold256 = foldBy(256);
constexpr FoldConstants kFold384 = foldBy(384);
constexpr FoldConstants kFold512 = foldBy(512);
constexpr FoldConstants kFold768 = foldBy(768);
constexpr FoldConstants kFold1024 = foldBy(1024);
constexpr FoldConstants kFold1536 = foldBy(1536);
constexpr FoldConstants kFold2048 = foldBy(2048);

#define TRAWLEX_CLMUL_TARGET __attribute__((target("pclmul,ssse3")))
#define TRAWLEX_VPCLMUL256_TARGET __attribute__((target("pclmul,ssse3,avx2,vpclmulqdq")))
#define TRAWLEX_VPCLMUL_TARGET __attribute__((target("pclmul,ssse3,avx512f,avx512bw,vpclmulqdq")))

TRAWLEX_CLMUL_TARGET __m128i constants128(FoldConstants k) {
  return _mm_set_epi64x(static_cast<long long>(k.high), static_cast<long long>(k.low));
}

TRAWLEX_CLMUL_TARGET __m128i byteSwapMask() {
  return _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
}

// 16 message bytes as a 128-bit polynomial, first byte most significant.
TRAWLEX_CLMUL_TARGET __m128i load128(const std::uint8_t* p, __m128i swap) {
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), swap);
}

TRAWLEX_CLMUL_TARGET __m128i fold128(__m128i x, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

// The register enters the message as a xor into its first 32 bits.
TRAWLEX_CLMUL_TARGET __m128i withRegister(__m128i x, std::uint32_t crc) {
  return _mm_xor_si128(x, _mm_set_epi32(static_cast<int>(crc), 0, 0, 0));
}

// X * x^32 mod P for the polynomial X that stands for everything folded so far.
TRAWLEX_CLMUL_TARGET std::uint32_t finish128(__m128i x, __m128i swap) {
  alignas(16) std::uint8_t bytes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(bytes), _mm_shuffle_epi8(x, swap));
  return crc32Slicing16(0, bytes, 16);
}

// Folds the pieces of 16 bytes that follow `x`; the caller handles the rest.
TRAWLEX_CLMUL_TARGET __m128i foldSingles(__m128i x, const std::uint8_t*& p, std::size_t& size, __m128i swap) {
  const __m128i k128 = constants128(kFold128);
  for (; size >= 16; p += 16, size -= 16) x = _mm_xor_si128(fold128(x, k128), load128(p, swap));
  return x;
}

TRAWLEX_CLMUL_TARGET std::uint32_t crc32Clmul(std::uint32_t crc, const std::uint8_t* p, std::size_t size) {
  if (size < 64) return crc32Slicing16(crc, p, size);
  const __m128i swap = byteSwapMask();
  __m128i x0 = withRegister(load128(p, swap), crc);
  __m128i x1 = load128(p + 16, swap);
  __m128i x2 = load128(p + 32, swap);
  __m128i x3 = load128(p + 48, swap);
  p += 64;
  size -= 64;
  const __m128i k512 = constants128(kFold512);
  for (; size >= 64; p += 64, size -= 64) {
    x0 = _mm_xor_si128(fold128(x0, k512), load128(p, swap));
    x1 = _mm_xor_si128(fold128(x1, k512), load128(p + 16, swap));
    x2 = _mm_xor_si128(fold128(x2, k512), load128(p + 32, swap));
    x3 = _mm_xor_si128(fold128(x3, k512), load128(p + 48, swap));
  }
  __m128i x = _mm_xor_si128(_mm_xor_si128(fold128(x0, constants128(kFold384)), fold128(x1, constants128(kFold256))),
                            _mm_xor_si128(fold128(x2, constants128(kFold128)), x3));
  x = foldSingles(x, p, size, swap);
  return crc32Slicing16(finish128(x, swap), p, size);
}

TRAWLEX_VPCLMUL256_TARGET __m256i constants256(FoldConstants k) { return _mm256_broadcastsi128_si256(constants128(k)); }

TRAWLEX_VPCLMUL256_TARGET __m256i load256(const std::uint8_t* p, __m256i swap) {
  return _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), swap);
}

TRAWLEX_VPCLMUL256_TARGET __m256i fold256(__m256i y, __m256i k) {
  return _mm256_xor_si256(_mm256_clmulepi64_epi128(y, k, 0x00), _mm256_clmulepi64_epi128(y, k, 0x11));
}

// The two 128-bit lanes of `y`, 16 bytes apart, folded into one.
TRAWLEX_VPCLMUL256_TARGET __m128i lanesTo128(__m256i y) {
  return _mm_xor_si128(fold128(_mm256_castsi256_si128(y), constants128(kFold128)), _mm256_extracti128_si256(y, 1));
}

// The same folding with 256-bit registers (two pieces each), for processors
// that multiply 256 bits at a time without AVX-512.
TRAWLEX_VPCLMUL256_TARGET std::uint32_t crc32Vpclmul256(std::uint32_t crc, const std::uint8_t* p, std::size_t size) {
  if (size < 128) return crc32Clmul(crc, p, size);
  const __m256i swap = _mm256_broadcastsi128_si256(byteSwapMask());
  const __m256i first = _mm256_set_epi32(0, 0, 0, 0, static_cast<int>(crc), 0, 0, 0);
  __m256i y0 = _mm256_xor_si256(load256(p, swap), first);
  __m256i y1 = load256(p + 32, swap);
  __m256i y2 = load256(p + 64, swap);
  __m256i y3 = load256(p + 96, swap);
  p += 128;
  size -= 128;
  const __m256i k1024 = constants256(kFold1024);
  for (; size >= 128; p += 128, size -= 128) {
    y0 = _mm256_xor_si256(fold256(y0, k1024), load256(p, swap));
    y1 = _mm256_xor_si256(fold256(y1, k1024), load256(p + 32, swap));
    y2 = _mm256_xor_si256(fold256(y2, k1024), load256(p + 64, swap));
    y3 = _mm256_xor_si256(fold256(y3, k1024), load256(p + 96, swap));
  }
  __m256i y = _mm256_xor_si256(
      _mm256_xor_si256(fold256(y0, constants256(kFold768)), fold256(y1, constants256(kFold512))),
      _mm256_xor_si256(fold256(y2, constants256(kFold256)), y3));
  const __m256i k256 = constants256(kFold256);
  for (; size >= 32; p += 32, size -= 32) y = _mm256_xor_si256(fold256(y, k256), load256(p, swap));
  const __m128i swap128 = byteSwapMask();
  const __m128i x = foldSingles(lanesTo128(y), p, size, swap128);
  return crc32Slicing16(finish128(x, swap128), p, size);
}

TRAWLEX_VPCLMUL_TARGET __m512i constants512(FoldConstants k) { return _mm512_broadcast_i32x4(constants128(k)); }

TRAWLEX_VPCLMUL_TARGET __m512i load512(const std::uint8_t* p, __m512i swap) {
  return _mm512_shuffle_epi8(_mm512_loadu_si512(p), swap);
}

TRAWLEX_VPCLMUL_TARGET __m512i fold512(__m512i x, __m512i k) {
  return _mm512_xor_si512(_mm512_clmulepi64_epi128(x, k, 0x00), _mm512_clmulepi64_epi128(x, k, 0x11));
}

// The four 128-bit lanes of `z`, 16 bytes apart, folded into one.
TRAWLEX_VPCLMUL_TARGET __m128i lanesTo128(__m512i z) {
  const __m128i a = _mm512_extracti32x4_epi32(z, 0);
  const __m128i b = _mm512_extracti32x4_epi32(z, 1);
  const __m128i c = _mm512_extracti32x4_epi32(z, 2);
  const __m128i d = _mm512_extracti32x4_epi32(z, 3);
  return _mm_xor_si128(_mm_xor_si128(fold128(a, constants128(kFold384)), fold128(b, constants128(kFold256))),
                       _mm_xor_si128(fold128(c, constants128(kFold128)), d));
}

TRAWLEX_VPCLMUL_TARGET std::uint32_t crc32Vpclmul(std::uint32_t crc, const std::uint8_t* p, std::size_t size) {
  if (size < 256) return crc32Clmul(crc, p, size);
  const __m512i swap = _mm512_broadcast_i32x4(byteSwapMask());
  const __m512i first = _mm512_inserti32x4(_mm512_setzero_si512(), _mm_set_epi32(static_cast<int>(crc), 0, 0, 0), 0);
  __m512i z0 = _mm512_xor_si512(load512(p, swap), first);
  __m512i z1 = load512(p + 64, swap);
  __m512i z2 = load512(p + 128, swap);
  __m512i z3 = load512(p + 192, swap);
  p += 256;
  size -= 256;
  const __m512i k2048 = constants512(kFold2048);
  for (; size >= 256; p += 256, size -= 256) {
    z0 = _mm512_xor_si512(fold512(z0, k2048), load512(p, swap));
    z1 = _mm512_xor_si512(fold512(z1, k2048), load512(p + 64, swap));
    z2 = _mm512_xor_si512(fold512(z2, k2048), load512(p + 128, swap));
    z3 = _mm512_xor_si512(fold512(z3, k2048), load512(p + 192, swap));
  }
  __m512i z = _mm512_xor_si512(_mm512_xor_si512(fold512(z0, constants512(kFold1536)), fold512(z1, constants512(kFold1024))),
                               _mm512_xor_si512(fold512(z2, constants512(kFold512)), z3));
  const __m512i k512 = constants512(kFold512);
  for (; size >= 64; p += 64, size -= 64) z = _mm512_xor_si512(fold512(z, k512), load512(p, swap));
  const __m128i swap128 = byteSwapMask();
  const __m128i x = foldSingles(lanesTo128(z), p, size, swap128);
  return crc32Slicing16(finish128(x, swap128), p, size);
}

bool hasClmul() { return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3"); }

// GCC for Windows does not align the stack for spilled 256- and 512-bit
// registers (GCC bug 54412), so the wide kernels stay off there. The one test
// of _WIN32 outside the platform layer: it concerns the compiler's code, not
// a service of the system.
bool hasVpclmul256() {
#if defined(_WIN32)
  return false;
#else
  return hasClmul() && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq");
#endif
}

bool hasVpclmul() {
#if defined(_WIN32)
  return false;
#else
  return hasClmul() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("vpclmulqdq");
#endif
}

}  // namespace

std::vector<Crc32Kernel> hardwareCrc32Kernels() {
  std::vector<Crc32Kernel> kernels;
  if (hasClmul()) kernels.push_back({"pclmul", crc32Clmul});
  if (hasVpclmul256()) kernels.push_back({"vpclmul256", crc32Vpclmul256});
  if (hasVpclmul()) kernels.push_back({"vpclmul", crc32Vpclmul});
  return kernels;
}

}  // namespace checks

#else

namespace checks {

std::vector<Crc32Kernel> hardwareCrc32Kernels() { return {}; }

}  // namespace checks

#endif
