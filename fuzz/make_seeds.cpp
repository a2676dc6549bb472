// make_seeds <bgl corpus folder> <ini corpus folder> <cabinet corpus folder>:
// seed corpora for the fuzzers, made by the project's own builders: sound
// facility files of many shapes, every kind of fault, Scenery.cfg texts, and
// cabinets of such files made by gcab, stored and compressed.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bgl_builder.h"
#include "support/cabinet_builder.h"
#include "support/cabinet_layout.h"
#include "support/crc_forge.h"
#include "support/install_builder.h"
#include "support/profile_texts.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

Bytes withBlock(const std::vector<BlockRecord>& records, std::optional<std::uint32_t> length = std::nullopt,
                std::uint32_t entrySize = 12) {
  ByteWriter out;
  putHeader(out);
  putLeadIn(out, 2);
  const std::size_t entry = out.position();
  putEntry(out, kLinkedBlockType, 0, entrySize);
  putEntry(out, kOffsetType4, 1);
  putTerminator(out);
  const std::size_t block = putLinkedBlock(out, records, length);
  out.at(entry + 12).u32(static_cast<std::uint32_t>(block));
  return out.bytes();
}

std::vector<Bytes> bglSeeds() {
  std::vector<Bytes> seeds{soundFacilityFile(), faultyFacilityFile(), plainBglFile(300),
                           withCrc32(soundFacilityFile(), 0x6C40A47E)};
  Bytes sound = soundFacilityFile();
  seeds.push_back(Bytes(sound.begin(), sound.begin() + 200));
  seeds.push_back(withBlock({markerRecord(1)}));
  seeds.push_back(sharedBlockFacilityFile(20, 20, 10));
  seeds.push_back(sharedBlockFacilityFile(20, 20, std::nullopt));
  seeds.push_back(withBlock({markerRecord(0)}));
  seeds.push_back(withBlock({BlockRecord{kPlainRecordId, Bytes(7, 1), {}}, markerRecord(3)}, 77));
  seeds.push_back(withBlock({markerRecord(1), BlockRecord{kPlainRecordId, Bytes(8, 0), 0xFFFFFFF8}}, 1000));
  seeds.push_back(withBlock({markerRecord(1)}, std::nullopt, 200));
  seeds.push_back(withBlock({markerRecord(1)}, std::nullopt, 4));
  // One file for each rule of the validation, broken there.
  for (const Bytes& broken : filesBreakingEachRule()) seeds.push_back(broken);
  ByteWriter otherKind;
  putHeader(otherKind);
  putLeadIn(otherKind, 0, 0x00030009);
  seeds.push_back(otherKind.bytes());
  return seeds;
}

// Scenery.cfg texts in every form the builders make; the first byte of each
// is where the fuzzer cuts the file.
std::vector<std::string> iniSeeds() {
  std::vector<std::string> seeds = {
      std::string(1, '\1') + sceneryConfig({{areaSection(1), "Scenery\\World"}, {areaSection(2), "Addon"}}),
      std::string(1, '\2') + "[Area.002]\nLocal = \"Quoted Folder\" \n;Local=x\n",
      std::string(1, '\3') + "[ area.003 ]\r\n  local=a\r\nLocal=b\r\n[Area.003]\r\nLocal=c",
      std::string(1, '\4') + "[Area.004]\nLocal=" + std::string(1200, 'v') + "\n"};
  for (const ProfileText& text : profileTexts(60, 7)) seeds.push_back(std::string(1, '\5') + text.bytes);
  return seeds;
}

void writeCabinetSeeds(const fs::path& folder) {
  const std::vector<std::pair<std::string, Bytes>> entries = {
      {"scenery/world/geopol12.bgl", withCrc32(soundFacilityFile(), 0x1C7B948D)},
      {"readme.txt", Bytes{'h', 'i'}},
      {"scenery/EURNWAFD.BGL", faultyFacilityFile()},
      {"texture.bgl", plainBglFile(3000)}};
  makeCabinet(folder / "stored.cab", entries, Compression::Stored);
  makeCabinet(folder / "mszip.cab", entries, Compression::Mszip);
  // A first part of a set, its last block cut, and entries that overlap,
  // claim too much or lie beyond a block whose checksum fails.
  const std::string mszip = readText(folder / "mszip.cab");
  const LaidCabinet whole = readLaidCabinet(Bytes(mszip.begin(), mszip.end()));
  writeBytes(folder / "set-part.cab", cabinetBytes(splitIntoSet(whole, 0, 20, "a.cab", "b.cab").first));
  LaidCabinet laid;
  laid.folders = {storedFolder(plainBglFile(70000))};
  laid.folders[0].blocks[1].wrongChecksum = true;
  laid.dataReserve = 4;
  laid.files = {{"a.bgl", 3000, 10, 0}, {"b.bgl", 3000, 1000, 0}, {"c.bgl", 0xFFFFFF00U, 0, 0}, {"d.bgl", 10, 50000, 0}};
  writeBytes(folder / "laid.cab", cabinetBytes(laid));
  // Real cabinets of other tools (LZX, Quantum, a set, known-bad ones), their entries renamed.
  const fs::path real = TRAWLEX_REAL_CABINETS;
  if (!fs::is_directory(real)) return;
  for (const auto& file : fs::directory_iterator(real)) {
    if (file.path().extension() == ".cab") copyWithBglNames(file.path(), folder / ("real-" + file.path().filename().string()));
  }
}

template <typename Seed>
void writeSeeds(const fs::path& folder, const std::vector<Seed>& seeds) {
  fs::create_directories(folder);
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    writeBytes(folder / ("seed-" + std::to_string(i)), Bytes(seeds[i].begin(), seeds[i].end()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_seeds <bgl corpus folder> <ini corpus folder> <cabinet corpus folder>\n");
    return 2;
  }
  writeSeeds(argv[1], bglSeeds());
  writeSeeds(argv[2], iniSeeds());
  writeCabinetSeeds(fs::absolute(argv[3]));
  return 0;
}
