#pragma once

// Lead-byte rules of code pages the tests apply to names in place of the system's.
namespace testsupport {

// The lead bytes of code page 932 (Japanese): 0x81 to 0x9F and 0xE0 to 0xFC.
inline bool cp932LeadByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// A single-byte code page: no byte begins a two-byte character.
inline bool noLeadByte(char) { return false; }

}  // namespace testsupport
