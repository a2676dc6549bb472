#pragma once

#include <cstdint>

#include "support/bgl_builder.h"

namespace testsupport {

// CRC-32/BZIP2 computed one bit at a time: the reference the fast code is held to.
std::uint32_t referenceCrc32(const Bytes& bytes);

// `bytes` with four bytes appended so that the whole has CRC-32 `target`.
// CRC-32 is linear, so the four bytes can be solved for.
Bytes withCrc32(Bytes bytes, std::uint32_t target);

}  // namespace testsupport
