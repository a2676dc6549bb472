// Whole-scan benchmark tool.
//   scan_bench make <folder> <stock file bytes>  lays out the installation
//   scan_bench floor <host>                      lists, opens, reads; computes nothing
//   scan_bench scan <host> <kernel>              the real scan with that CRC kernel
//   scan_bench makecfg <file> <bytes>            a Scenery.cfg of that size: comments, then 399 areas
//   scan_bench config <file>                     reads the Local value of every area of it
//   scan_bench shared <bytes> remembering|literal validates a file of about that size whose
//                                                directory entries all point into one block
//   scan_bench originals <place>                 looks in vain for the original of one bad stock
//                                                file in <place>: every candidate is read
//   scan_bench readall <place>                   reads every byte of the same candidates
//   scan_bench overlap <cabinet> <entries>       an MSZIP cabinet (made by gcab) of one 64 MiB
//                                                folder, its file list made of that many entries
//                                                all claiming the whole folder
// floor, scan, config, originals and readall print their seconds and the process's peak resident KiB.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "checks/facility_header.h"
#include "checks/reference_validation.h"
#include "checks/section_validation.h"
#include "checks/stock_tables.h"
#include "driver/area_walk.h"
#include "driver/run_state.h"
#include "originals/original_search.h"
#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/text_out.h"
#include "support/bgl_builder.h"
#include "support/cabinet_builder.h"
#include "support/cabinet_layout.h"
#include "support/install_builder.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;

constexpr unsigned kSmallAreas = 50;
constexpr unsigned kSmallFilesPerArea = 196;
constexpr unsigned kStockFiles = 200;

Bytes padded(Bytes bytes, std::size_t size, std::mt19937& random) {
  while (bytes.size() < size) bytes.push_back(static_cast<std::uint8_t>(random()));
  return bytes;
}

int make(const std::string& folder, std::size_t stockBytes) {
  InstallBuilder install{folder};
  std::vector<AreaEntry> areas;
  std::mt19937 random(42);
  for (unsigned area = 1; area <= kSmallAreas; ++area) {
    const std::string local = "Scenery\\Area" + std::to_string(area);
    areas.push_back({areaSection(area), local});
    for (unsigned i = 0; i < kSmallFilesPerArea; ++i) {
      const Bytes bytes = i % 4 == 0 ? soundFacilityFile() : plainBglFile(2048 + random() % 6144);
      install.file("Scenery/Area" + std::to_string(area) + "/scenery/f" + std::to_string(i) + ".bgl", bytes);
    }
  }
  areas.push_back({areaSection(kSmallAreas + 1), "Scenery\\Stock"});
  for (unsigned i = 0; i < kStockFiles; ++i) {
    install.file("Scenery/Stock/scenery/" + std::string(checks::StockChecksums[i].name),
                 padded(soundFacilityFile(), stockBytes, random));
  }
  install.config(areas);
  std::printf("%s\n", install.host().string().c_str());
  return 0;
}

struct Measure {
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  ~Measure() {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.4f %ld\n", seconds, usage.ru_maxrss);
  }
};

// Reads the rest of a file after its first block, block by block, up to the
// read that finds its end.
void readRest(const platform::File& file, std::vector<std::uint8_t>& buffer) {
  std::uint64_t position = buffer.size();
  for (std::size_t got = 0; (got = platform::readAt(file, position, buffer)) > 0;) position += got;
}

// The least any scan must do: the same folder listing, one read of each
// file up to one block (a small file whole) with the scan's read primitive,
// and every byte of the files with a reference checksum, in the same block
// size, computing nothing.
int floor(const std::string& host) {
  const Measure measure;
  std::vector<std::uint8_t> buffer(checks::kCrcReadBlockSize);
  const std::string config = host + "/Scenery.cfg";
  const auto locals = platform::profileValues(config, driver::areaSectionNames(), "Local");
  if (!locals) return 2;
  for (const std::string& local : *locals) {
    if (local.empty()) continue;
    const platform::FolderListing listing = platform::findBglFiles({}, *driver::sceneryFolderPath({}, host, local));
    for (const std::string& name : listing.names) {
      const platform::File file = platform::openForReading(listing.folder + name);
      if (!file) continue;
      if (platform::readAt(file, 0, buffer) >= checks::kFacilityHeaderSize &&
          checks::findStockChecksum(platform::asciiLower(name))) {
        readRest(file, buffer);
      }
    }
  }
  return 0;
}

int scanInstallation(const std::string& host, const std::string& kernelName) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> devNull(std::fopen("/dev/null", "wb"), std::fclose);
  report::TextOut console(devNull.get(), false);
  driver::RunRequest request;
  request.hostFolder = host;
  const auto kernels = checks::availableCrc32Kernels();
  const auto kernel = std::find_if(kernels.begin(), kernels.end(),
                                   [&kernelName](const checks::Crc32Kernel& k) { return kernelName == k.name; });
  if (kernel == kernels.end()) return 2;
  driver::FileChecker checker(kernel->update);
  driver::ScanResults results;
  const Measure measure;
  const auto locals = driver::areaLocalValues({}, driver::sceneryConfigPath(host));
  if (!locals) return 2;
  driver::scanSceneryAreas(request, *locals, checker, console, results);
  return results.counters.allFiles == 0 ? 1 : 0;
}

// A large library's Scenery.cfg: comment lines up to `bytes`, then every area.
int makeConfig(const std::string& path, std::size_t bytes) {
  std::vector<AreaEntry> areas;
  for (unsigned area = driver::kFirstArea; area <= driver::kLastArea; ++area) {
    areas.push_back({areaSection(area), "Addon Scenery\\Area " + std::to_string(area)});
  }
  const std::string tail = sceneryConfig(areas);
  std::string text;
  while (text.size() + tail.size() < bytes) text += "; Addon Scenery\\Some Library\\Folder, a note as editors leave them\r\n";
  writeText(path, text + tail);
  return 0;
}

int config(const std::string& path) {
  const Measure measure;
  const auto values = platform::profileValues(path, driver::areaSectionNames(), "Local");
  return !values || values->back().empty() ? 1 : 0;
}

// The section validation of a file whose entries (as many as records) all
// point into one block: the shape that a walk per entry makes quadratic.
int shared(std::size_t bytes, const std::string& walk) {
  const auto count = static_cast<std::uint32_t>(bytes / 28);  // 20 bytes an entry, 8 a record
  ScratchFile file(sharedBlockFacilityFile(count, count, count - 1));
  std::vector<std::uint8_t> window(checks::kCrcReadBlockSize);
  checks::FileBytes fileBytes(file.get(), window);
  const std::optional<checks::FacilityHeader> header = checks::isFacilityFile(fileBytes);
  if (!header) return 2;
  const Measure measure;
  const bool sound = walk == "literal" ? checks::validateFacilitySectionLiterally(fileBytes, *header).sound()
                                       : checks::validateFacilitySection(fileBytes, *header).sound();
  return sound ? 0 : 1;
}

}  // namespace

// Every file under `folder` that the "*.bgl" search reports, as the search for originals walks it.
void everyCandidate(const std::string& folder, std::vector<std::string>& paths) {
  const platform::FolderListing listing = platform::findBglFiles({}, folder);
  for (const std::string& name : listing.names) paths.push_back(listing.folder + name);
  for (const std::string& sub : platform::listFolder(folder).folders) everyCandidate(folder + sub + "/", paths);
}

int readAll(const std::string& place) {
  const Measure measure;
  std::vector<std::string> paths;
  everyCandidate(place + "/", paths);
  std::vector<std::uint8_t> buffer(checks::kCrcReadBlockSize);
  for (const std::string& path : paths) {
    const platform::File file = platform::openForReading(path);
    if (!file) continue;
    std::uint64_t position = 0;
    for (std::size_t got = 0; (got = platform::readAt(file, position, buffer)) > 0;) position += got;
  }
  return paths.empty() ? 1 : 0;
}

int originalsSearch(const std::string& place) {
  checks::BadFileLists lists;
  const std::string badName(checks::StockChecksums[0].name);
  lists.checksumErrorList.prepend({testsupport::builtPath("/no such folder/" + badName), true, checks::ChecksumComparison{0, 0}});
  platform::SystemFileSystem files;
  originals::OriginalSearch search(files, {}, checks::selectedCrc32Kernel().update, nullptr);
  const Measure measure;
  const std::vector<originals::OriginalFinding> findings = search.find(lists, {{place}, false});
  return findings.size() == 1 && !findings[0].original ? 0 : 1;
}

int overlap(const std::string& path, unsigned entries) {
  const std::filesystem::path cabinet = std::filesystem::absolute(path);
  constexpr std::uint32_t kFolderBytes = 64U << 20;
  std::mt19937 random(7);
  Bytes bytes(kFolderBytes);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>('a' + random() % 16);  // compresses about 2:1
  makeCabinet(cabinet, {{"one.bgl", bytes}}, Compression::Mszip);
  const std::string made = readText(cabinet);
  LaidCabinet laid = readLaidCabinet(Bytes(made.begin(), made.end()));
  laid.files.clear();
  const std::string name(checks::StockChecksums[1].name);
  for (unsigned i = 0; i < entries; ++i) laid.files.push_back({"e" + std::to_string(i) + "\\" + name, kFolderBytes, 0, 0});
  writeBytes(cabinet, cabinetBytes(laid));
  return 0;
}

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "make" && argc == 4) return make(argv[2], std::strtoul(argv[3], nullptr, 10));
  if (command == "floor" && argc == 3) return floor(argv[2]);
  if (command == "scan" && argc == 4) return scanInstallation(argv[2], argv[3]);
  if (command == "makecfg" && argc == 4) return makeConfig(argv[2], std::strtoul(argv[3], nullptr, 10));
  if (command == "config" && argc == 3) return config(argv[2]);
  if (command == "shared" && argc == 4) return shared(std::strtoul(argv[2], nullptr, 10), argv[3]);
  if (command == "originals" && argc == 3) return originalsSearch(argv[2]);
  if (command == "readall" && argc == 3) return readAll(argv[2]);
  if (command == "overlap" && argc == 4) return overlap(argv[2], static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)));
  std::fprintf(stderr,
               "usage: scan_bench make <folder> <bytes> | floor <host> | scan <host> <kernel> | "
               "makecfg <file> <bytes> | config <file> | shared <bytes> remembering|literal | "
               "originals <place> | readall <place> | overlap <cabinet> <entries>\n");
  return 2;
}
