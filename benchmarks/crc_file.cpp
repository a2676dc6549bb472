// crc_file <kernel> <block size> <file>: the whole-file CRC-32 the scan
// computes, with a chosen kernel and read block, for timing against cksum.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "checks/crc32.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: crc_file <kernel> <block size> <file>\n");
    return 2;
  }
  checks::Crc32Function kernel = nullptr;
  for (const checks::Crc32Kernel& candidate : checks::availableCrc32Kernels()) {
    if (std::strcmp(candidate.name, argv[1]) == 0) kernel = candidate.update;
  }
  const platform::File file = platform::openForReading(argv[3]);
  if (kernel == nullptr || !file) {
    std::fprintf(stderr, "crc_file: unknown kernel or unreadable file\n");
    return 2;
  }
  std::vector<std::uint8_t> window(std::strtoul(argv[2], nullptr, 10));
  checks::FileBytes bytes(file, window);
  std::printf("%08X\n", static_cast<unsigned>(checks::fileCrc32(bytes, kernel)));
  return 0;
}
