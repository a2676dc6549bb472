#include "support/lzx_builder.h"

#include <algorithm>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr std::size_t kFrame = 32768;
constexpr unsigned kChars = 256;
constexpr unsigned kLengthSymbols = 249;
constexpr unsigned kPretreeSymbols = 20;
// The one match the encoder writes: 8 bytes at distance 1 (position slot 3,
// length header 6), a run of the byte before.
constexpr unsigned kRunSymbol = kChars + 3 * 8 + 6;
constexpr std::size_t kRunLength = 8;

unsigned positionSlots(int windowBits) {
  static constexpr unsigned kSlots[] = {30, 32, 34, 36, 38, 42, 50};
  if (windowBits < 15 || windowBits > 21) throw std::invalid_argument("an LZX window is 2^15 to 2^21");
  return kSlots[windowBits - 15];
}

// Bits packed from the top of 16-bit words, each word stored little-endian.
class BitWriter {
 public:
  void bits(std::uint32_t value, int count) {
    for (int i = count; i-- > 0;) bit((value >> i) & 1U);
  }
  void align() {
    while (used_ != 0) bit(0);
  }
  bool aligned() const { return used_ == 0; }
  void byte(std::uint8_t value) { bytes_.push_back(value); }  // only when aligned
  void word32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) byte(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  std::size_t size() const { return bytes_.size(); }
  const Bytes& bytes() const { return bytes_; }

 private:
  void bit(std::uint32_t value) {
    word_ = word_ << 1 | value;
    if (++used_ == 16) {
      bytes_.push_back(static_cast<std::uint8_t>(word_));
      bytes_.push_back(static_cast<std::uint8_t>(word_ >> 8));
      word_ = 0;
      used_ = 0;
    }
  }
  std::uint32_t word_ = 0;
  int used_ = 0;
  Bytes bytes_;
};

// Canonical Huffman codes of `lengths`: shorter codes first, then by symbol.
std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint8_t>& lengths) {
  std::vector<std::uint32_t> codes(lengths.size());
  std::uint32_t code = 0;
  for (std::uint8_t length = 1; length <= 16; ++length) {
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
      if (lengths[symbol] == length) codes[symbol] = code++;
    }
    code <<= 1;
  }
  return codes;
}

struct Tree {
  std::vector<std::uint8_t> lengths;
  std::vector<std::uint32_t> codes;
  void write(BitWriter& out, unsigned symbol) const { out.bits(codes[symbol], lengths[symbol]); }
};

Tree treeOf(std::vector<std::uint8_t> lengths) {
  std::vector<std::uint32_t> codes = canonicalCodes(lengths);
  return {std::move(lengths), std::move(codes)};
}

// The pretree every tree is sent with: symbols 0-11 in 4 bits, 12-19 in 5.
const Tree& pretree() {
  static const Tree tree = [] {
    std::vector<std::uint8_t> lengths(kPretreeSymbols, 4);
    std::fill(lengths.begin() + 12, lengths.end(), 5);
    return treeOf(lengths);
  }();
  return tree;
}

// Sends lengths [first, last) of a tree as changes from the ones sent
// before, one pretree symbol each (no runs).
void writeLengths(BitWriter& out, std::vector<std::uint8_t>& sent, const std::vector<std::uint8_t>& lengths,
                  std::size_t first, std::size_t last) {
  for (std::uint8_t length : pretree().lengths) out.bits(length, 4);
  for (std::size_t x = first; x < last; ++x) {
    pretree().write(out, static_cast<unsigned>((sent[x] + 17 - lengths[x]) % 17));
    sent[x] = lengths[x];
  }
}

// The decoder undoes, frame by frame, what this does to every E8 byte's
// following four bytes: a relative call target made absolute.
Bytes translated(const Bytes& data, std::uint32_t size) {
  Bytes out = data;
  for (std::size_t frame = 0; frame < out.size(); frame += kFrame) {
    const std::size_t frameSize = std::min(kFrame, out.size() - frame);
    if (frameSize <= 10) continue;
    for (std::size_t i = frame; i < frame + frameSize - 10;) {
      if (out[i] != 0xE8) {
        ++i;
        continue;
      }
      std::int32_t value = 0;
      for (int b = 0; b < 4; ++b) value |= static_cast<std::int32_t>(out[i + 1 + static_cast<std::size_t>(b)]) << (8 * b);
      const auto position = static_cast<std::int64_t>(i);
      const std::int64_t limit = size;
      if (value >= -position && value < limit) {
        const std::int64_t absolute = value < limit - position ? value + position : value - limit;
        for (int b = 0; b < 4; ++b) out[i + 1 + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(absolute >> (8 * b));
      }
      i += 5;
    }
  }
  return out;
}

class Encoder {
 public:
  Encoder(const Bytes& data, const LzxOptions& options)
      : data_(data), options_(options), mainSize_(kChars + 8 * positionSlots(options.windowBits)),
        mainSent_(mainSize_), lengthSent_(kLengthSymbols) {
    std::vector<std::uint8_t> lengths(mainSize_, 0);
    std::fill(lengths.begin(), lengths.begin() + kChars, 9);
    lengths[kRunSymbol] = 1;
    main_ = treeOf(lengths);
  }

  LaidFolder encode() {
    out_.bits(options_.e8Translation ? 1 : 0, 1);
    if (options_.e8Translation) {
      out_.bits(options_.translationSize >> 16, 16);
      out_.bits(options_.translationSize & 0xFFFF, 16);
    }
    LaidFolder folder;
    folder.compression = static_cast<std::uint16_t>(3 | options_.windowBits << 8);
    std::size_t cut = 0;
    const std::size_t frames = (data_.size() + kFrame - 1) / kFrame;
    for (std::size_t frame = 0; frame < frames; ++frame) {
      if (frame == 0 || frame < options_.blockAtFrame.size()) startBlock(frame);
      encodeFrame(frame);
      folder.blocks.push_back({Bytes(out_.bytes().begin() + static_cast<std::ptrdiff_t>(cut), out_.bytes().end()),
                               static_cast<std::uint16_t>(std::min(kFrame, data_.size() - frame * kFrame)), true});
      cut = out_.size();
    }
    return folder;
  }

 private:
  LzxBlock kindAt(std::size_t frame) const {
    return frame < options_.blockAtFrame.size() ? options_.blockAtFrame[frame] : LzxBlock::Verbatim;
  }
  // A block runs to the frame where the next one starts, or to the end.
  std::size_t blockEnd(std::size_t frame) const {
    const std::size_t next = frame + 1;
    return next < options_.blockAtFrame.size() ? std::min(next * kFrame, data_.size()) : data_.size();
  }

  void startBlock(std::size_t frame) {
    kind_ = kindAt(frame);
    blockEnd_ = blockEnd(frame);
    const std::size_t length = blockEnd_ - frame * kFrame;
    out_.bits(kind_ == LzxBlock::Verbatim ? 1 : 3, 3);
    out_.bits(static_cast<std::uint32_t>(length >> 8), 16);
    out_.bits(static_cast<std::uint32_t>(length & 0xFF), 8);
    if (kind_ == LzxBlock::Verbatim) {
      writeLengths(out_, mainSent_, main_.lengths, 0, kChars);
      writeLengths(out_, mainSent_, main_.lengths, kChars, mainSize_);
      writeLengths(out_, lengthSent_, std::vector<std::uint8_t>(kLengthSymbols, 0), 0, kLengthSymbols);
      return;
    }
    // 1 to 16 bits of padding, then the repeated offsets as they stand.
    if (out_.aligned()) out_.bits(0, 16);
    out_.align();
    for (int r = 0; r < 3; ++r) out_.word32(1);
    oddBlock_ = length % 2 == 1;
  }

  void encodeFrame(std::size_t frame) {
    const std::size_t start = frame * kFrame;
    const std::size_t end = std::min(start + kFrame, data_.size());
    if (kind_ == LzxBlock::Uncompressed) {
      for (std::size_t i = start; i < end; ++i) out_.byte(data_[i]);
      if (end == blockEnd_ && oddBlock_) out_.byte(0);
      return;
    }
    for (std::size_t i = start; i < end;) {
      if (i > 0 && i + kRunLength <= end &&
          std::all_of(data_.begin() + static_cast<std::ptrdiff_t>(i), data_.begin() + static_cast<std::ptrdiff_t>(i + kRunLength),
                      [&](std::uint8_t b) { return b == data_[i - 1]; })) {
        main_.write(out_, kRunSymbol);
        i += kRunLength;
      } else {
        main_.write(out_, data_[i++]);
      }
    }
    out_.align();  // every frame ends on a 16-bit boundary
  }

  const Bytes data_;
  const LzxOptions& options_;
  const std::size_t mainSize_;
  Tree main_;
  std::vector<std::uint8_t> mainSent_;
  std::vector<std::uint8_t> lengthSent_;
  BitWriter out_;
  LzxBlock kind_ = LzxBlock::Verbatim;
  std::size_t blockEnd_ = 0;
  bool oddBlock_ = false;
};

}  // namespace

LaidFolder lzxFolder(const Bytes& data, const LzxOptions& options) {
  const Bytes input = options.e8Translation ? translated(data, options.translationSize) : data;
  return Encoder(input, options).encode();
}

}  // namespace testsupport
