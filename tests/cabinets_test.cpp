// The cabinet reader over cabinets that gcab makes: the .bgl entries handed
// over in the cabinet's order, and what stops a reading, told as a value.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "cabinets/cabinet_reader.h"
#include "originals/original_search.h"
#include "restore/restorer.h"
#include "support/bgl_builder.h"
#include "support/cabinet_builder.h"
#include "support/crc_forge.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;
using testsupport::Compression;

using Entries = std::vector<std::pair<std::string, Bytes>>;

// What a reading handed over, and what stopped it.
struct Reading {
  Entries entries;
  std::optional<cabinets::CabinetProblem> problem;
};

Reading readCabinet(const fs::path& cabinet) {
  Reading reading;
  reading.problem = cabinets::readBglEntries(cabinet.string(), [&](const std::string& name, std::span<const std::uint8_t> bytes) {
    reading.entries.emplace_back(name, Bytes(bytes.begin(), bytes.end()));
  });
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
    EXPECT_EQ(reading.problem, std::nullopt);
    const Entries expected = {{"scenery\\geopol12.bgl", stored[0].second}, {"WAY003.BGL", stored[2].second}};
    EXPECT_EQ(reading.entries, expected);
  }
}

// What stops a reading: a file that cannot be opened, one that is no
// cabinet, and one cut short, whose entries before the cut still come out.
TEST(CabinetReader, WhatStopsAReadingIsToldAndTheEntriesBeforeItComeOut) {
  testsupport::TempDir dir;
  EXPECT_EQ(readCabinet(dir.path() / "missing.cab").problem, cabinets::CabinetProblem::CannotOpen);
  fs::create_directory(dir.path() / "folder.cab");
  EXPECT_EQ(readCabinet(dir.path() / "folder.cab").problem, cabinets::CabinetProblem::CannotOpen);
  testsupport::writeBytes(dir.path() / "text.cab", filled(400, 4));
  EXPECT_EQ(readCabinet(dir.path() / "text.cab").problem, cabinets::CabinetProblem::NotACabinet);

  const fs::path whole = dir.path() / "whole.cab";
  testsupport::makeCabinet(whole, {{"first.bgl", filled(100, 5)}, {"second.bgl", filled(200000, 6)}},
                           Compression::Stored);
  std::string bytes = testsupport::readText(whole);
  bytes.resize(bytes.size() - 1000);
  testsupport::writeText(dir.path() / "cut.cab", bytes);
  const Reading cut = readCabinet(dir.path() / "cut.cab");
  EXPECT_EQ(cut.problem, cabinets::CabinetProblem::Damaged);
  ASSERT_EQ(cut.entries.size(), 1U);
  EXPECT_EQ(cut.entries[0].first, "first.bgl");
  EXPECT_EQ(cut.entries[0].second, filled(100, 5));
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
