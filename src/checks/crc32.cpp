#include "checks/crc32.h"

#include "checks/crc32_x86.h"

namespace checks {

std::vector<Crc32Kernel> availableCrc32Kernels() {
  std::vector<Crc32Kernel> kernels{{"bytewise", crc32Bytewise}, {"slicing16", crc32Slicing16}};
  const std::vector<Crc32Kernel> hardware = hardwareCrc32Kernels();
  kernels.insert(kernels.end(), hardware.begin(), hardware.end());
  return kernels;
}

const Crc32Kernel& selectedCrc32Kernel() {
  static const Crc32Kernel selected = availableCrc32Kernels().back();
  return selected;
}

std::uint32_t fileCrc32(FileBytes& file, Crc32Function kernel) {
  std::uint32_t crc = kCrc32Initial;
  for (auto block = file.nextBlock(); !block.empty(); block = file.nextBlock()) {
    crc = kernel(crc, block.data(), block.size());
  }
  return crc ^ 0xFFFFFFFFU;
}

}  // namespace checks
