// The cabinet reader over cabinets that gcab makes, cabinets laid out by
// hand (sets, overlapping entries, damage) and real cabinets of other tools:
// the .bgl entries handed over whole, and every one that is not named with
// its reason.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "cabinets/cabinet_reader.h"
#include "originals/original_search.h"
#include "restore/restorer.h"
#include "support/bgl_builder.h"
#include "support/cabinet_builder.h"
#include "support/cabinet_layout.h"
#include "support/crc_forge.h"
#include "support/lzx_builder.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using cabinets::EntryProblem;
using testsupport::Bytes;
using testsupport::Compression;
using testsupport::LaidCabinet;

using Entries = std::vector<std::pair<std::string, Bytes>>;
using NotRead = std::vector<std::pair<std::string, EntryProblem>>;

// What a reading handed over, in listing order, and what it could not.
struct Reading {
  Entries entries;
  cabinets::CabinetReading result;
  NotRead notRead;
};

Reading readCabinet(const fs::path& cabinet) {
  std::vector<std::pair<std::size_t, std::pair<std::string, Bytes>>> out;
  Reading reading;
  reading.result = cabinets::readBglEntries(cabinet.string(), [&](const cabinets::EntryOut& entry) {
    out.push_back({entry.order, {entry.name, Bytes(entry.bytes.begin(), entry.bytes.end())}});
  });
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [order, entry] : out) reading.entries.push_back(std::move(entry));
  for (const cabinets::EntryNotRead& entry : reading.result.notRead) reading.notRead.emplace_back(entry.name, entry.problem);
  return reading;
}

Bytes filled(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

TEST(CabinetReader, BglEntriesComeOutWholeInTheCabinetsOrder) {
  testsupport::TempDir dir;
  const Entries stored = {{"scenery/geopol12.bgl", filled(70000, 1)},
                          {"readme.txt", filled(10, 2)},
                          {"WAY003.BGL", filled(5, 3)}};
  for (const Compression compression : {Compression::Stored, Compression::Mszip}) {
    const fs::path cabinet = dir.path() / (compression == Compression::Stored ? "stored.cab" : "mszip.cab");
    testsupport::makeCabinet(cabinet, stored, compression);
    const Reading reading = readCabinet(cabinet);
    EXPECT_EQ(reading.result.problem, std::nullopt);
    EXPECT_TRUE(reading.notRead.empty());
    const Entries expected = {{"scenery\\geopol12.bgl", stored[0].second}, {"WAY003.BGL", stored[2].second}};
    EXPECT_EQ(reading.entries, expected);
  }
}

// What stops a reading: a file that cannot be opened, one that is no
// cabinet, one whose header is cut short; and one cut inside its data, whose
// entries before the cut still come out while the one cut is named.
TEST(CabinetReader, WhatStopsAReadingIsToldAndTheEntriesBeforeItComeOut) {
  testsupport::TempDir dir;
  EXPECT_EQ(readCabinet(dir.path() / "missing.cab").result.problem, cabinets::CabinetProblem::CannotOpen);
  fs::create_directory(dir.path() / "folder.cab");
  EXPECT_EQ(readCabinet(dir.path() / "folder.cab").result.problem, cabinets::CabinetProblem::CannotOpen);
  testsupport::writeBytes(dir.path() / "text.cab", filled(400, 4));
  EXPECT_EQ(readCabinet(dir.path() / "text.cab").result.problem, cabinets::CabinetProblem::NotACabinet);
  testsupport::writeBytes(dir.path() / "header.cab", Bytes{'M', 'S', 'C', 'F', 0, 0, 0, 0});
  EXPECT_EQ(readCabinet(dir.path() / "header.cab").result.problem, cabinets::CabinetProblem::Damaged);

  const fs::path whole = dir.path() / "whole.cab";
  testsupport::makeCabinet(whole, {{"first.bgl", filled(100, 5)}, {"second.bgl", filled(200000, 6)}},
                           Compression::Stored);
  std::string bytes = testsupport::readText(whole);
  bytes.resize(bytes.size() - 1000);
  testsupport::writeText(dir.path() / "cut.cab", bytes);
  const Reading cut = readCabinet(dir.path() / "cut.cab");
  EXPECT_EQ(cut.result.problem, std::nullopt);
  EXPECT_EQ(cut.entries, (Entries{{"first.bgl", filled(100, 5)}}));
  EXPECT_EQ(cut.notRead, (NotRead{{"second.bgl", EntryProblem::CutShort}}));
  EXPECT_EQ(cut.result.bglEntries, 2U);
}

// Entries that the directory rules out are named, each with its reason, in
// listing order, and the others still come out: a claim beyond the limit,
// a folder index out of range (which once made one decoder refuse the whole
// cabinet), a claim beyond the folder's bytes, a compression no cabinet
// uses, and the entries after a block that fails its checksum.
TEST(CabinetReader, EntriesThatCannotBeSearchedAreNamedWithTheirReason) {
  testsupport::TempDir dir;
  const Bytes data = filled(100000, 9);  // four stored blocks
  LaidCabinet laid;
  laid.folders = {testsupport::storedFolder(data), testsupport::storedFolder(filled(10, 1))};
  laid.folders[1].compression = 7;
  laid.folders[0].blocks[2].wrongChecksum = true;
  laid.files = {{"huge.bgl", 0xFFFFFFF0U, 0, 0},      {"lost.bgl", 10, 0, 5},          {"first.bgl", 1000, 100, 0},
                {"odd.bgl", 10, 0, 1},                {"beyond.bgl", 1000, 20000, 0},  {"notes.txt", 10, 0, 5},
                {"late.bgl", 1000, 70000, 0},         {"early.bgl", 30000, 30000, 0}};
  testsupport::writeBytes(dir.path() / "laid.cab", testsupport::cabinetBytes(laid));
  const Reading reading = readCabinet(dir.path() / "laid.cab");
  const auto slice = [&](std::size_t from, std::size_t size) {
    return Bytes(data.begin() + static_cast<std::ptrdiff_t>(from), data.begin() + static_cast<std::ptrdiff_t>(from + size));
  };
  EXPECT_EQ(reading.entries, (Entries{{"first.bgl", slice(100, 1000)}, {"beyond.bgl", slice(20000, 1000)},
                                      {"early.bgl", slice(30000, 30000)}}));
  EXPECT_EQ(reading.notRead, (NotRead{{"huge.bgl", EntryProblem::TooLarge},
                                      {"lost.bgl", EntryProblem::NoSuchFolder},
                                      {"odd.bgl", EntryProblem::UnknownCompression},
                                      {"late.bgl", EntryProblem::FailedChecksum}}));
  EXPECT_EQ(reading.result.bglEntries, 7U);

  laid.folders[0].blocks[2].wrongChecksum = false;
  laid.files = {{"beyond.bgl", 1000, 99500, 0}};
  testsupport::writeBytes(dir.path() / "beyond.cab", testsupport::cabinetBytes(laid));
  EXPECT_EQ(readCabinet(dir.path() / "beyond.cab").notRead, (NotRead{{"beyond.bgl", EntryProblem::BeyondFolder}}));
}

// A fault planted where the decoded bytes are taken: memory that runs out
// names the entries of that folder "no memory" (not the cabinet's fault),
// while another folder still comes out; any other failure of the visitor
// comes back out of the reader, across the decoder, which is C.
TEST(CabinetReader, AFailureWhileTakingTheBytesIsToldForWhatItIs) {
  testsupport::TempDir dir;
  LaidCabinet laid;
  laid.folders = {testsupport::storedFolder(filled(1000, 1)), testsupport::storedFolder(filled(1000, 2))};
  laid.files = {{"a.bgl", 100, 0, 0}, {"b.bgl", 100, 200, 0}, {"c.bgl", 100, 0, 1}};
  const fs::path cabinet = dir.path() / "two.cab";
  testsupport::writeBytes(cabinet, testsupport::cabinetBytes(laid));
  std::vector<std::string> out;
  const cabinets::CabinetReading reading = cabinets::readBglEntries(cabinet.string(), [&](const cabinets::EntryOut& entry) {
    if (entry.name == "a.bgl") throw std::bad_alloc();
    out.push_back(entry.name);
  });
  EXPECT_EQ(out, (std::vector<std::string>{"c.bgl"}));
  ASSERT_EQ(reading.notRead.size(), 2U);
  EXPECT_EQ(reading.notRead[0].name, "a.bgl");
  EXPECT_EQ(reading.notRead[0].problem, EntryProblem::NoMemory);
  EXPECT_EQ(reading.notRead[1].name, "b.bgl");
  EXPECT_EQ(reading.notRead[1].problem, EntryProblem::NoMemory);
  EXPECT_THROW(cabinets::readBglEntries(cabinet.string(),
                                        [](const cabinets::EntryOut& entry) {
                                          if (entry.name == "c.bgl") throw std::runtime_error("stop");
                                        }),
               std::runtime_error);
}

// Many entries over the same bytes, and chains of entries that overlap, come
// out whole from one pass over their folder: the same bytes told as such.
TEST(CabinetReader, OverlappingEntriesComeOutWholeFromOnePass) {
  testsupport::TempDir dir;
  const Bytes data = filled(300000, 3);
  LaidCabinet laid;
  laid.folders = {testsupport::storedFolder(data)};
  for (std::uint32_t i = 0; i < 300; ++i) laid.files.push_back({"same" + std::to_string(i) + ".bgl", 200000, 50000, 0});
  for (std::uint32_t i = 0; i < 20; ++i) laid.files.push_back({"chain" + std::to_string(i) + ".bgl", 40000, i * 13000, 0});
  laid.files.push_back({"empty.bgl", 0, 299999, 0});
  testsupport::writeBytes(dir.path() / "overlap.cab", testsupport::cabinetBytes(laid));
  std::size_t same = 0;
  std::size_t wrong = 0;
  std::size_t count = 0;
  const cabinets::CabinetReading reading =
      cabinets::readBglEntries((dir.path() / "overlap.cab").string(), [&](const cabinets::EntryOut& entry) {
        const testsupport::LaidFile& file = laid.files[entry.order];
        const bool whole = entry.name == file.name && entry.bytes.size() == file.size &&
                           std::equal(entry.bytes.begin(), entry.bytes.end(), data.begin() + file.offset);
        wrong += whole ? 0 : 1;
        same += entry.sameBytesAsLast ? 1 : 0;
        ++count;
      });
  EXPECT_EQ(count, laid.files.size());
  EXPECT_EQ(wrong, 0U);
  EXPECT_EQ(same, 299U);
  EXPECT_TRUE(reading.notRead.empty());
}

// A set of two parts, stored and MSZIP, cut between blocks and inside one:
// an entry whole before the cut and one across it come out, read from
// either part (the set is read from its first), the parts found in any
// letter case. Without its second part the set names it, and the entry that
// continues there, and the one before the cut still comes out.
TEST(CabinetReader, ASetIsReadWholeFromAnyOfItsParts) {
  testsupport::TempDir dir;
  const Entries stored = {{"before.bgl", filled(20000, 1)}, {"across.bgl", filled(90000, 2)}, {"after.bgl", filled(3000, 3)}};
  for (const Compression compression : {Compression::Stored, Compression::Mszip}) {
    for (const std::size_t at : {std::size_t{0}, std::size_t{100}}) {
      const fs::path folder = dir.path() / (std::to_string(static_cast<int>(compression)) + "-" + std::to_string(at));
      testsupport::makeCabinet(folder / "whole.cab", stored, compression);
      const std::string text = testsupport::readText(folder / "whole.cab");
      const LaidCabinet whole = testsupport::readLaidCabinet(Bytes(text.begin(), text.end()));
      const auto [first, second] = testsupport::splitIntoSet(whole, 1, at, "Data1.cab", "DATA2.CAB");
      testsupport::writeBytes(folder / "data1.cab", testsupport::cabinetBytes(first));
      testsupport::writeBytes(folder / "data2.cab", testsupport::cabinetBytes(second));
      for (const char* part : {"data1.cab", "data2.cab"}) {
        const Reading reading = readCabinet(folder / part);
        EXPECT_EQ(reading.entries, stored) << folder << " " << part;
        EXPECT_TRUE(reading.notRead.empty());
        EXPECT_EQ(reading.result.parts, (std::vector<std::string>{(folder / "data1.cab").string(), (folder / "data2.cab").string()}));
      }
      fs::remove(folder / "data2.cab");
      const Reading alone = readCabinet(folder / "data1.cab");
      EXPECT_EQ(alone.entries, (Entries{stored[0]})) << folder;
      EXPECT_EQ(alone.notRead, (NotRead{{"across.bgl", EntryProblem::InMissingPart}}));
      EXPECT_EQ(alone.result.missingNextPart, "DATA2.CAB");
    }
  }
}

// Bytes as programs hold them: call instructions (E8 and a relative target,
// which LZX translates), runs of one byte, and bytes of every value.
Bytes codeLike(std::size_t size) {
  Bytes bytes;
  for (std::uint32_t i = 0; bytes.size() < size; ++i) {
    const auto target = static_cast<std::uint32_t>(static_cast<std::int32_t>(i * 37 % 9000) - 4500);
    bytes.insert(bytes.end(), {0xE8, static_cast<std::uint8_t>(target), static_cast<std::uint8_t>(target >> 8),
                               static_cast<std::uint8_t>(target >> 16), static_cast<std::uint8_t>(target >> 24)});
    bytes.insert(bytes.end(), i % 7 == 0 ? 30 : 3, static_cast<std::uint8_t>(i % 3 == 0 ? 0 : 0x90));
    for (std::uint32_t j = 0; j < 40; ++j) bytes.push_back(static_cast<std::uint8_t>((i * 131 + j * 17) ^ (j << 3)));
  }
  bytes.resize(size);
  return bytes;
}

// LZX folders of the test encoder, in every window from 2^15 to 2^21, with
// and without the E8 translation, in verbatim and uncompressed blocks and
// both mixed: an independent decoder (cabextract) accepts each, and the
// entries come out as it makes them, one across a frame boundary.
TEST(CabinetReader, LzxFoldersComeOutAsAnIndependentDecoderMakesThem) {
  testsupport::TempDir dir;
  using testsupport::LzxBlock;
  const Bytes data = codeLike(150000);  // five frames, the last short
  const std::vector<std::vector<LzxBlock>> plans = {
      {}, {LzxBlock::Uncompressed}, {LzxBlock::Verbatim, LzxBlock::Uncompressed, LzxBlock::Verbatim, LzxBlock::Verbatim}};
  for (int window = 15; window <= 21; ++window) {
    for (std::size_t plan = 0; plan < plans.size(); ++plan) {
      const bool e8 = (window + static_cast<int>(plan)) % 2 == 0 || plan == 2;
      LaidCabinet laid;
      laid.folders = {testsupport::lzxFolder(data, {window, e8, 12000000, plans[plan]})};
      laid.files = {{"across.bgl", 10000, 30000, 0}, {"start.bgl", 100, 0, 0}, {"end.bgl", 20000, 130000, 0}};
      const std::string name = "lzx-" + std::to_string(window) + "-" + std::to_string(plan) + ".cab";
      testsupport::writeBytes(dir.path() / name, testsupport::cabinetBytes(laid));
      const std::string test = "cd '" + dir.path().string() + "' && cabextract -q -t '" + name + "' >/dev/null 2>&1";
      EXPECT_EQ(std::system(test.c_str()), 0) << name;
      const Reading reading = readCabinet(dir.path() / name);
      const auto slice = [&](std::size_t from, std::size_t size) {
        return Bytes(data.begin() + static_cast<std::ptrdiff_t>(from), data.begin() + static_cast<std::ptrdiff_t>(from + size));
      };
      EXPECT_EQ(reading.entries, (Entries{{"across.bgl", slice(30000, 10000)}, {"start.bgl", slice(0, 100)},
                                          {"end.bgl", slice(130000, 20000)}}))
          << name;
      EXPECT_TRUE(reading.notRead.empty()) << name;
    }
  }
}

// The real cabinets of other tools, their entries renamed: every one ends,
// each entry that comes out is what an independent decoder (cabextract)
// makes of it, and the damaged ones are named for what they are.
TEST(CabinetReader, RealCabinetsOfOtherToolsAreReadAsAnIndependentDecoderReadsThem) {
  const fs::path real = TRAWLEX_REAL_CABINETS;
  if (!fs::is_directory(real)) GTEST_SKIP() << "no real cabinets at " << real;
  testsupport::TempDir dir;
  for (const auto& file : fs::directory_iterator(real)) {
    if (file.path().extension() == ".cab") testsupport::copyWithBglNames(file.path(), dir.path() / file.path().filename());
  }
  std::map<std::string, Reading> readings;
  for (const auto& file : fs::directory_iterator(dir.path())) {
    const Reading reading = readCabinet(file.path());
    // cabextract refuses the whole of a cabinet with one bad folder index.
    const bool independent = file.path().filename() != "bad_folderindex.cab";
    for (const auto& [name, bytes] : independent ? reading.entries : Entries{}) {
      const std::string command = "cd '" + dir.path().string() + "' && cabextract -q -p -F '" + name + "' '" +
                                  file.path().filename().string() + "' 2>/dev/null";
      std::string extracted;
      if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) extracted.append(buffer, got);
        pclose(pipe);
      }
      EXPECT_EQ(extracted, std::string(bytes.begin(), bytes.end())) << file.path() << ": " << name;
    }
    readings[file.path().filename().string()] = reading;
  }
  EXPECT_EQ(readings["mixed.cab"].entries.size(), 3U);  // MSZIP, LZX and Quantum
  EXPECT_TRUE(readings["mixed.cab"].notRead.empty());
  EXPECT_EQ(readings["split-1.cab"].result.parts.size(), 5U);
  EXPECT_EQ(readings["split-1.cab"].entries.size(), readings["split-1.cab"].result.bglEntries);
  EXPECT_EQ(readings["split-4.cab"].entries, readings["split-1.cab"].entries);
  EXPECT_EQ(readings["bad_folderindex.cab"].notRead.size(), 1U);
  EXPECT_EQ(readings["bad_folderindex.cab"].notRead.at(0).second, EntryProblem::NoSuchFolder);
  EXPECT_TRUE(readings["partial_shortfile1.cab"].result.listCutShort);
  EXPECT_EQ(readings["normal_2files_2folders.cab"].entries.size(), 4U);  // MSZIP and LZX
}

// The search decodes a cabinet once and keeps the bytes of the entries it
// chose, and only those: the restore needs no cabinet on the disk.
TEST(CabinetReader, ACabinetIsDecodedOnceForTheSearchAndTheRestore) {
  testsupport::TempDir dir;
  const Bytes geopol = testsupport::withCrc32(testsupport::soundFacilityFile(), 0x1C7B948D);
  const Bytes way = testsupport::withCrc32(testsupport::soundFacilityFile(), 0x15048FEB);
  const fs::path cabinet = dir.path() / "FS2002.CAB";
  testsupport::makeCabinet(cabinet,
                           {{"other.bgl", testsupport::soundFacilityFile()}, {"a/geopol12.bgl", geopol},
                            {"b/geopol12.bgl", geopol}, {"way003.bgl", way}},
                           Compression::Mszip);
  checks::BadFileLists lists;
  for (const char* name : {"geopol12.bgl", "way003.bgl"}) {
    const fs::path bad = dir.path() / "scenery" / name;
    testsupport::writeBytes(bad, testsupport::plainBglFile(100));
    lists.checksumErrorList.prepend({testsupport::builtPath(bad.string()), true, checks::ChecksumComparison{}});
  }
  platform::SystemFileSystem files;
  const checks::Crc32Function kernel = checks::selectedCrc32Kernel().update;
  originals::OriginalSearch search(files, {}, kernel, nullptr);
  const std::vector<originals::OriginalFinding> findings = search.find(lists, {{cabinet.string()}, false});
  ASSERT_EQ(findings.size(), 2U);
  std::vector<restore::Replacement> replacements;
  for (const originals::OriginalFinding& finding : findings) {
    ASSERT_TRUE(finding.original);
    ASSERT_TRUE(finding.original->entryBytes);
    replacements.push_back({finding.badPath, *finding.original});
  }
  EXPECT_EQ(findings[0].original->entry, "way003.bgl");
  EXPECT_EQ(*findings[0].original->entryBytes, way);
  EXPECT_EQ(findings[1].original->entry, "a\\geopol12.bgl");
  EXPECT_EQ(*findings[1].original->entryBytes, geopol);
  fs::remove(cabinet);
  fs::create_directory(dir.path() / "own");
  const restore::RestoreReport restored = restore::restoreFiles(files, replacements, {(dir.path() / "own").string(), dir.path().string()}, kernel);
  ASSERT_EQ(restored.files.size(), 2U);
  EXPECT_TRUE(restored.files[0].restored() && restored.files[1].restored());
  EXPECT_EQ(testsupport::readText(dir.path() / "scenery" / "geopol12.bgl"), std::string(geopol.begin(), geopol.end()));
}

}  // namespace
