#pragma once

#include <vector>

#include "checks/crc32_portable.h"

namespace checks {

// The carry-less-multiply kernels this x86 processor offers, slowest first;
// none on other processors or where the instructions are missing.
std::vector<Crc32Kernel> hardwareCrc32Kernels();

}  // namespace checks
