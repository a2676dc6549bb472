#pragma once

#include <cstdint>
#include <vector>

#include "support/bgl_builder.h"
#include "support/cabinet_layout.h"

// LZX folders made here, since no Debian tool writes them: a small encoder of
// the cabinet form of LZX, for tests that need what FS2002's CDs hold. It
// writes uncompressed blocks and verbatim ones (every literal a 9-bit code,
// and runs of a byte as matches at distance 1), one cabinet data block per
// 32 KiB frame, with the E8 translation when asked.
namespace testsupport {

enum class LzxBlock { Uncompressed, Verbatim };

struct LzxOptions {
  int windowBits = 16;  // 15 to 21
  bool e8Translation = true;
  std::uint32_t translationSize = 12000000;
  // The kind of LZX block that starts at each frame; a frame past the end of
  // the list continues the block before it. Empty: one verbatim block.
  std::vector<LzxBlock> blockAtFrame;
};

LaidFolder lzxFolder(const Bytes& data, const LzxOptions& options);

}  // namespace testsupport
