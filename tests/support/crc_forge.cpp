#include "support/crc_forge.h"

namespace testsupport {

namespace {

constexpr std::uint32_t kPolynomial = 0x04C11DB7;

std::uint32_t registerAfter(const Bytes& bytes) {
  std::uint32_t reg = 0xFFFFFFFF;
  for (std::uint8_t byte : bytes) {
    for (int bit = 7; bit >= 0; --bit) {
      const bool top = ((reg >> 31) ^ ((byte >> bit) & 1U)) != 0;
      reg = (reg << 1) ^ (top ? kPolynomial : 0);
    }
  }
  return reg;
}

// Undoes 32 register steps that were fed zero bits: each step shifted left
// and xored the polynomial when the top bit fell out; the polynomial's low
// bit tells which steps did.
std::uint32_t unshift32(std::uint32_t reg) {
  for (int step = 0; step < 32; ++step) {
    reg = (reg & 1U) ? ((reg ^ kPolynomial) >> 1) | 0x80000000U : reg >> 1;
  }
  return reg;
}

}  // namespace

std::uint32_t referenceCrc32(const Bytes& bytes) { return registerAfter(bytes) ^ 0xFFFFFFFFU; }

Bytes withCrc32(Bytes bytes, std::uint32_t target) {
  // Feeding a word W moves the register r to shift32(r ^ W): solve for W.
  const std::uint32_t word = registerAfter(bytes) ^ unshift32(target ^ 0xFFFFFFFFU);
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(word >> shift));
  return bytes;
}

}  // namespace testsupport
