// Facility file checks: header test, stock tables, CRC-32, section
// validation and classification.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <string>

#include "checks/classification.h"
#include "checks/crc32.h"
#include "checks/facility_header.h"
#include "checks/file_check.h"
#include "checks/reference_validation.h"
#include "checks/section_validation.h"
#include "checks/stock_tables.h"
#include "platform/platform.h"
#include "support/bgl_builder.h"
#include "support/crc_forge.h"
#include "support/temp_dir.h"

namespace checks {
// Test names and failure messages show a kernel by its name.
void PrintTo(const Crc32Kernel& kernel, std::ostream* out) { *out << kernel.name; }
void PrintTo(SectionFault fault, std::ostream* out) { *out << "fault " << static_cast<int>(fault); }
void PrintTo(const SectionVerdict& verdict, std::ostream* out) {
  *out << "{fault " << static_cast<int>(verdict.fault) << ", entry " << verdict.entry << ", offset "
       << verdict.offset << ", found " << verdict.found << ", expected " << verdict.expected << "}";
}
}  // namespace checks

namespace {

using namespace testsupport;
using checks::FacilityHeader;
using Fault = checks::SectionFault;

// A scratch file read as the scan reads it, through a window of its own.
class OpenBytes {
 public:
  explicit OpenBytes(const Bytes& bytes, std::size_t windowSize = checks::kCrcReadBlockSize,
                     checks::FileBytes::ReadAtFunction readAt = platform::readAt)
      : file_(bytes), window_(windowSize), bytes_(file_.get(), window_, readAt) {}
  checks::FileBytes& get() { return bytes_; }

 private:
  ScratchFile file_;
  std::vector<std::uint8_t> window_;
  checks::FileBytes bytes_;
};

bool headerPasses(const Bytes& bytes) {
  OpenBytes file(bytes);
  return checks::isFacilityFile(file.get()).has_value();
}

// Runs the header test and, when it passes, the section validation; the
// literal record walk must give the same verdict, and so must a window so
// small that nearly every read refills it.
checks::SectionVerdict sectionVerdict(const Bytes& bytes) {
  OpenBytes file(bytes);
  const std::optional<FacilityHeader> read = checks::isFacilityFile(file.get());
  if (!read) ADD_FAILURE() << "header test failed";
  const FacilityHeader header = read.value_or(FacilityHeader{});
  const checks::SectionVerdict verdict = checks::validateFacilitySection(file.get(), header);
  if (!(checks::validateFacilitySectionLiterally(file.get(), header) == verdict)) {
    ADD_FAILURE() << "the literal record walk disagrees";
  }
  OpenBytes narrow(bytes, 7);
  if (!(checks::validateFacilitySection(narrow.get(), header) == verdict)) {
    ADD_FAILURE() << "a 7-byte window changes the verdict";
  }
  return verdict;
}

bool sectionIsSound(const Bytes& bytes) { return sectionVerdict(bytes).sound(); }

// The rule that failed, or None for a sound section.
checks::SectionFault faultOf(const Bytes& bytes) { return sectionVerdict(bytes).fault; }

Bytes random_bytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

// ---------------------------------------------------------------- header

TEST(FacilityHeader, SoundHeaderIsAFacilityFile) { EXPECT_TRUE(headerPasses(soundFacilityFile())); }

TEST(FacilityHeader, EachConditionFailingAloneRejectsTheFile) {
  const HeaderFields sound;
  std::vector<std::pair<std::string, HeaderFields>> cases;
  for (std::uint16_t marker : {std::uint16_t{0x0000}, std::uint16_t{0x0002}, std::uint16_t{0x0100}}) {
    cases.push_back({"marker", sound});
    cases.back().second.marker = marker;
  }
  for (std::uint32_t magic : {0x21436587U, 0x87654320U, 0U}) {
    cases.push_back({"magic", sound});
    cases.back().second.magic = magic;
  }
  for (std::uint32_t flag : {0U, 2U, 0x100U}) {
    cases.push_back({"flag", sound});
    cases.back().second.facilityFlag = flag;
  }
  cases.push_back({"offset", sound});
  cases.back().second.sectionOffset = 0;
  for (const auto& [what, fields] : cases) {
    ByteWriter out;
    putHeader(out, fields);
    out.fill(64, 0);
    EXPECT_FALSE(headerPasses(out.bytes())) << what;
  }
}

TEST(FacilityHeader, MagicIsReadAtItsUnalignedOffsetOnly) {
  for (std::size_t offset : {0x74, 0x75, 0x77, 0x78}) {
    ByteWriter out;
    putHeader(out);
    out.at(0x76).u32(0);
    out.at(offset).u32(0x87654321);
    EXPECT_FALSE(headerPasses(out.bytes())) << offset;
  }
}

TEST(FacilityHeader, ShortFileIsNoFacilityFileWhateverItsBytes) {
  Bytes bytes = soundFacilityFile();
  bytes.resize(168);
  EXPECT_TRUE(headerPasses(bytes));
  bytes.resize(167);
  EXPECT_FALSE(headerPasses(bytes));
  EXPECT_FALSE(headerPasses({}));
}

TEST(FacilityHeader, LeavesTheFileRightAfterTheHeader) {
  OpenBytes file(soundFacilityFile());
  const std::optional<FacilityHeader> header = checks::isFacilityFile(file.get());
  ASSERT_TRUE(header);
  EXPECT_EQ(file.get().position(), 168U);
  EXPECT_EQ(header->facilitySectionOffset(), 168U);
}

// ---------------------------------------------------------------- stock tables

TEST(StockTables, CountsUniquenessAndInclusion) {
  const std::set<std::string_view> names(checks::StockFacilityNames.begin(), checks::StockFacilityNames.end());
  EXPECT_EQ(names.size(), 305U);
  std::set<std::string_view> checksumNames;
  for (const auto& entry : checks::StockChecksums) {
    checksumNames.insert(entry.name);
    EXPECT_TRUE(names.count(entry.name)) << entry.name;
  }
  EXPECT_EQ(checksumNames.size(), 203U);
  // Lookups search by halving: every name of both tables must be found by its own lookup.
  for (std::string_view name : checks::StockFacilityNames) EXPECT_TRUE(checks::isStockFacilityName(name)) << name;
  for (const auto& entry : checks::StockChecksums) EXPECT_EQ(checks::findStockChecksum(entry.name), entry.crc);
  std::size_t withoutChecksum = 0;
  for (std::string_view name : names) {
    withoutChecksum += checksumNames.count(name) == 0 ? 1 : 0;
    EXPECT_EQ(name.substr(name.size() - 4), ".bgl");
    EXPECT_TRUE(std::none_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) << name;
  }
  EXPECT_EQ(withoutChecksum, 102U);
}

// Fingerprints of the reference text's tables: CRC-32/BZIP2 over one
// "name=CRC\n" line per checksum entry in table order, and over one
// "name\n" line per stock name in ascending order. A single wrong digit or
// letter anywhere changes them.
TEST(StockTables, EveryEntryMatchesTheReference) {
  std::string checksumLines;
  char line[64];
  for (const auto& entry : checks::StockChecksums) {
    std::snprintf(line, sizeof line, "%.*s=%08X\n", static_cast<int>(entry.name.size()), entry.name.data(),
                  static_cast<unsigned>(entry.crc));
    checksumLines += line;
  }
  EXPECT_EQ(referenceCrc32(Bytes(checksumLines.begin(), checksumLines.end())), 0x7D43244BU);
  std::vector<std::string_view> sorted(checks::StockFacilityNames.begin(), checks::StockFacilityNames.end());
  std::sort(sorted.begin(), sorted.end());
  std::string nameLines;
  for (std::string_view name : sorted) nameLines += std::string(name) + "\n";
  EXPECT_EQ(referenceCrc32(Bytes(nameLines.begin(), nameLines.end())), 0xCD854859U);
}

TEST(StockTables, SpotValues) {
  EXPECT_EQ(checks::findStockChecksum("awyjb000.bgl"), 0xCDE2D6D7U);
  EXPECT_EQ(checks::findStockChecksum("bv42301.bgl"), 0xAF77A480U);
  EXPECT_EQ(checks::findStockChecksum("bvcf00000.bgl"), 0xAA07A4CBU);
  EXPECT_EQ(checks::findStockChecksum("geopol46.bgl"), 0x10BA5B0CU);
  EXPECT_EQ(checks::findStockChecksum("way018.bgl"), 0x1DF198FDU);
}

TEST(StockTables, LookupsFoldOnlyAsciiLetters) {
  for (const char* name : {"geopol07.bgl", "GEOPOL07.BGL", "GeoPol07.Bgl"}) {
    EXPECT_TRUE(checks::isStockFacilityName(name)) << name;
    EXPECT_EQ(checks::findStockChecksum(name), 0x6C40A47EU) << name;
  }
  EXPECT_TRUE(checks::isStockFacilityName("BVC00100.bgl"));
  EXPECT_EQ(checks::findStockChecksum("bvc00100.bgl"), 0x3D193C89U);
  EXPECT_TRUE(checks::isStockFacilityName("eurnwafd.bgl"));
  EXPECT_FALSE(checks::findStockChecksum("eurnwafd.bgl"));
  for (const char* name : {"bv42301.bgl.bak", "bv42301", "bv42301.bgl ", "", "xbv42301.bgl"}) {
    EXPECT_FALSE(checks::isStockFacilityName(name)) << name;
    EXPECT_FALSE(checks::findStockChecksum(name)) << name;
  }
}

// ---------------------------------------------------------------- file bytes

// Reads of a window that counts the system's reads.
struct CountedReads {
  static inline int count = 0;
  static std::size_t readAt(const platform::File& file, std::uint64_t position, std::span<std::uint8_t> into) {
    ++count;
    return platform::readAt(file, position, into);
  }
};

TEST(FileBytes, ReadsAtAnyPositionGiveTheFilesBytesThroughAnyWindow) {
  const Bytes bytes = random_bytes(3000, 5);
  for (const std::size_t windowSize : {std::size_t{1}, std::size_t{7}, std::size_t{1024}, std::size_t{65536}}) {
    OpenBytes file(bytes, windowSize);
    std::mt19937 random(static_cast<std::uint32_t>(windowSize));
    for (int step = 0; step < 300; ++step) {
      const std::size_t at = random() % 3100;  // some beyond the end
      Bytes got(random() % 200);
      file.get().seek(at);
      const std::size_t count = file.get().read(got);
      const std::size_t present = at < bytes.size() ? std::min(got.size(), bytes.size() - at) : 0;
      ASSERT_EQ(count, present) << windowSize << " at " << at;
      ASSERT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(count),
                             bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at, bytes.size()))));
      ASSERT_EQ(file.get().position(), at + count);
    }
  }
}

TEST(FileBytes, BlocksFromAPositionCoverTheRestOfTheFileOnce) {
  const Bytes bytes = random_bytes(1000, 6);
  OpenBytes file(bytes, 64);
  file.get().seek(10);
  Bytes joined;
  for (auto block = file.get().nextBlock(); !block.empty(); block = file.get().nextBlock()) {
    EXPECT_LE(block.size(), 64U);
    joined.insert(joined.end(), block.begin(), block.end());
  }
  EXPECT_EQ(joined, Bytes(bytes.begin() + 10, bytes.end()));
}

TEST(FileBytes, AFileThatFitsTheWindowIsReadOnceByAllTheChecks) {
  const auto checkCounted = [](const Bytes& bytes, const std::string& name) {
    CountedReads::count = 0;
    OpenBytes file(bytes, checks::kCrcReadBlockSize, CountedReads::readAt);
    const checks::FileVerdict verdict = checks::checkFile(file.get(), name, checks::crc32Bytewise);
    EXPECT_TRUE(verdict.facility && !verdict.bad()) << name;
    return CountedReads::count;
  };
  EXPECT_EQ(checkCounted(soundFacilityFile(), "myfield.bgl"), 1);
  // The checksum reads on to the end of the file: one read more, that brings nothing.
  EXPECT_EQ(checkCounted(withCrc32(soundFacilityFile(), 0x6C40A47E), "geopol07.bgl"), 2);
}

// ---------------------------------------------------------------- CRC-32

std::uint32_t crcOfFile(const Bytes& bytes, std::uint64_t startAt = 0) {
  OpenBytes file(bytes);
  file.get().seek(startAt);
  return checks::fileCrc32(file.get());
}

TEST(Crc32, TableFollowsThePolynomial) {
  EXPECT_EQ(checks::Crc32TableValues[0], 0U);
  EXPECT_EQ(checks::Crc32TableValues[1], 0x04C11DB7U);
  EXPECT_EQ(checks::Crc32TableValues[255], 0xB1F740B4U);
  EXPECT_EQ(checks::buildCrc32Table(), checks::Crc32TableValues);
}

TEST(Crc32, CheckValueAndEmptyRemainder) {
  EXPECT_EQ(crcOfFile(Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'}), 0xFC891918U);
  EXPECT_EQ(crcOfFile({}), 0U);
  EXPECT_EQ(crcOfFile(Bytes{'1', '2', '3'}, 3), 0U);
}

TEST(Crc32, WholeFilesAgreeWithTheBitwiseReference) {
  constexpr std::size_t kBlock = checks::kCrcReadBlockSize;  // sizes round the read blocks
  for (std::size_t size : {std::size_t{1}, kBlock - 1, kBlock, kBlock + 1, 2 * kBlock, std::size_t{1048576} + 7}) {
    const Bytes bytes = random_bytes(size, static_cast<std::uint32_t>(size));
    EXPECT_EQ(crcOfFile(bytes), referenceCrc32(bytes)) << size;
  }
}

TEST(Crc32, StartsAtTheCurrentPositionAndLeavesTheFileAtItsEnd) {
  const Bytes bytes = random_bytes(40000, 7);
  const Bytes tail(bytes.begin() + 1000, bytes.end());
  EXPECT_EQ(crcOfFile(bytes, 1000), referenceCrc32(tail));
  OpenBytes file(bytes);
  checks::fileCrc32(file.get());
  EXPECT_EQ(file.get().position(), 40000U);
}

TEST(Crc32, PiecewiseUpdatesEqualOneShot) {
  const Bytes bytes = random_bytes(5000, 11);
  std::uint32_t crc = checks::kCrc32Initial;
  for (std::size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 3 % 1001 + 1) {
    const std::size_t take = std::min(piece, bytes.size() - at);
    crc = checks::selectedCrc32Kernel().update(crc, bytes.data() + at, take);
  }
  EXPECT_EQ(crc ^ 0xFFFFFFFFU, referenceCrc32(bytes));
}

TEST(Crc32, ForgedFilesCarryTheChosenValue) {
  for (std::uint32_t target : {0U, 0xFFFFFFFFU, 0xAF77A480U, 0x6C40A47EU}) {
    const Bytes forged = withCrc32(random_bytes(1000, target), target);
    EXPECT_EQ(referenceCrc32(forged), target);
    EXPECT_EQ(crcOfFile(forged), target);
  }
}

// ---------------------------------------------------------------- CRC-32 kernels

// Every kernel the processor offers, called directly rather than through the
// selection, against the byte-at-a-time table (itself held to the bitwise
// reference above).
class Crc32Kernels : public ::testing::TestWithParam<checks::Crc32Kernel> {};

TEST_P(Crc32Kernels, EveryLengthAtEveryAlignmentWithRandomRegisters) {
  const checks::Crc32Function kernel = GetParam().update;
  const Bytes bytes = random_bytes(2048 + 64, 99);
  std::mt19937 random(5);
  for (std::size_t align = 0; align < 64; ++align) {
    for (std::size_t size = 0; size <= 2048; ++size) {
      const std::uint32_t reg = static_cast<std::uint32_t>(random());
      const std::uint8_t* data = bytes.data() + align;
      ASSERT_EQ(kernel(reg, data, size), checks::crc32Bytewise(reg, data, size)) << "size " << size << " align " << align;
    }
  }
}

TEST_P(Crc32Kernels, UniformBuffersAndTheCheckValue) {
  const checks::Crc32Function kernel = GetParam().update;
  for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
    const Bytes bytes(100000, fill);
    EXPECT_EQ(kernel(checks::kCrc32Initial, bytes.data(), bytes.size()) ^ 0xFFFFFFFFU, referenceCrc32(bytes));
    EXPECT_EQ(kernel(0, bytes.data(), bytes.size()), checks::crc32Bytewise(0, bytes.data(), bytes.size()));
  }
  const Bytes digits{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(kernel(checks::kCrc32Initial, digits.data(), digits.size()) ^ 0xFFFFFFFFU, 0xFC891918U);
  EXPECT_EQ(kernel(checks::kCrc32Initial, digits.data(), 0) ^ 0xFFFFFFFFU, 0U);
}

TEST_P(Crc32Kernels, StreamingInPiecesEqualsOneShot) {
  const checks::Crc32Function kernel = GetParam().update;
  const Bytes bytes = random_bytes(300000, 3);
  const std::uint32_t oneShot = kernel(checks::kCrc32Initial, bytes.data(), bytes.size());
  EXPECT_EQ(oneShot ^ 0xFFFFFFFFU, referenceCrc32(bytes));
  std::uint32_t blocks = checks::kCrc32Initial;
  for (std::size_t at = 0; at < bytes.size(); at += 16384) {
    blocks = kernel(blocks, bytes.data() + at, std::min<std::size_t>(16384, bytes.size() - at));
  }
  EXPECT_EQ(blocks, oneShot);
  std::mt19937 random(8);
  std::uint32_t pieces = checks::kCrc32Initial;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t take = std::min<std::size_t>(random() % 5000, bytes.size() - at);
    pieces = kernel(pieces, bytes.data() + at, take);
    at += take;
  }
  EXPECT_EQ(pieces, oneShot);
}

TEST_P(Crc32Kernels, WholeFilesThroughTheKernel) {
  const Bytes bytes = random_bytes(3 * 16384, 4);
  OpenBytes file(bytes);
  EXPECT_EQ(checks::fileCrc32(file.get(), GetParam().update), referenceCrc32(bytes));
  EXPECT_EQ(checks::fileCrc32(file.get(), GetParam().update), 0U);  // already at the end
}

INSTANTIATE_TEST_SUITE_P(Available, Crc32Kernels, ::testing::ValuesIn(checks::availableCrc32Kernels()),
                         [](const auto& kernelInfo) { return std::string(kernelInfo.param.name); });

TEST(Crc32Kernels, SelectionTakesTheFastestAvailable) {
  const auto kernels = checks::availableCrc32Kernels();
  ASSERT_GE(kernels.size(), 2U);
  EXPECT_STREQ(kernels[0].name, "bytewise");
  EXPECT_STREQ(kernels[1].name, "slicing16");
  EXPECT_STREQ(checks::selectedCrc32Kernel().name, kernels.back().name);
}

// ---------------------------------------------------------------- section validation


TEST(SectionValidation, SoundFileIsSound) { EXPECT_TRUE(sectionIsSound(soundFacilityFile())); }

TEST(SectionValidation, OtherSectionKindsAreSoundOnceTheLeadInIsRead) {
  ByteWriter out;
  putHeader(out);
  putLeadIn(out, 7, 0x00030005);
  EXPECT_TRUE(sectionIsSound(out.bytes()));
  Bytes cut = out.bytes();
  cut.pop_back();
  EXPECT_EQ(faultOf(cut), Fault::ShortLeadIn);
}

TEST(SectionValidation, SectionOffsetOutsideTheFileFails) {
  ByteWriter out;
  putHeader(out, HeaderFields{.sectionOffset = 5000});
  out.fill(100, 0);
  EXPECT_EQ(sectionVerdict(out.bytes()), (checks::SectionVerdict{Fault::ShortLeadIn, 0, 5000}));
}

TEST(SectionValidation, EntryCountIsComparedAtTheTerminator) {
  for (std::uint32_t announced : {1U, 2U, 3U}) {
    ByteWriter out = facilitySectionStart(announced);
    putEntry(out, kUncheckedType, 0x1234);
    putEntry(out, kUncheckedType, 0x1234);
    putTerminator(out);
    const std::uint64_t terminatorAt = 168 + 24 + 2 * 20;
    const checks::SectionVerdict expected =
        announced == 2 ? checks::SectionVerdict{}
                       : checks::SectionVerdict{Fault::EntryCountNotAsAnnounced, 0, terminatorAt, 2, announced};
    EXPECT_EQ(sectionVerdict(out.bytes()), expected) << announced;
  }
}

TEST(SectionValidation, TerminatorAndEntryHeadsMustBeExact) {
  ByteWriter withSizedTerminator = facilitySectionStart(0);
  putTerminator(withSizedTerminator, 4);
  EXPECT_EQ(sectionVerdict(withSizedTerminator.bytes()),
            (checks::SectionVerdict{Fault::TerminatorSizeNotZero, 0, 192, 4, 0}));

  ByteWriter wrongId = facilitySectionStart(1);
  putEntry(wrongId, kUncheckedType, 1, 12, 0x00030003);
  putTerminator(wrongId);
  EXPECT_EQ(sectionVerdict(wrongId.bytes()),
            (checks::SectionVerdict{Fault::WrongEntryId, 1, 192, 0x00030003, kEntryId}));

  ByteWriter noTerminator = facilitySectionStart(1);
  putEntry(noTerminator, kUncheckedType, 1);
  EXPECT_EQ(sectionVerdict(noTerminator.bytes()), (checks::SectionVerdict{Fault::ShortEntryHead, 2, 212}));
}

TEST(SectionValidation, EntrySizeMustCoverTypeOffsetAndSomeRest) {
  const auto withEntrySize = [](std::uint32_t size, std::size_t cut) {
    ByteWriter out = facilitySectionStart(1);
    putEntry(out, kUncheckedType, 1, size);
    putTerminator(out);
    Bytes bytes = out.bytes();
    if (cut > 0) bytes.resize(out.position() - 8 - cut);  // drop the terminator and `cut` rest bytes
    return faultOf(bytes);
  };
  EXPECT_EQ(withEntrySize(8, 0), Fault::ShortEntryRest);
  EXPECT_EQ(withEntrySize(9, 0), Fault::None);
  EXPECT_EQ(withEntrySize(4, 0), Fault::EntrySizeBelow8);
  EXPECT_EQ(withEntrySize(0, 0), Fault::EntrySizeBelow8);
  // Rests longer than any fixed scratch area must be present to the last byte.
  EXPECT_EQ(withEntrySize(8 + 100, 0), Fault::None);
  EXPECT_EQ(withEntrySize(8 + 5000, 0), Fault::None);
  EXPECT_EQ(withEntrySize(8 + 5000, 1), Fault::ShortEntryRest);

  ByteWriter hugeRest = facilitySectionStart(1);
  hugeRest.u32(kEntryId).u32(0xFFFFFFFF).u32(kUncheckedType).u32(1).fill(64, 0);
  putTerminator(hugeRest);
  EXPECT_EQ(faultOf(hugeRest.bytes()), Fault::ShortEntryRest);
}

TEST(SectionValidation, OffsetTypesNeedANonZeroTarget) {
  for (std::uint32_t type : {kOffsetType3, kOffsetType4, kUncheckedType, kLinkedBlockType}) {
    ByteWriter out = facilitySectionStart(1);
    putEntry(out, type, 0);
    putTerminator(out);
    EXPECT_EQ(faultOf(out.bytes()), type == kUncheckedType ? Fault::None : Fault::TargetOffsetZero) << std::hex << type;
  }
}

BlockRecord marker16(std::uint8_t firstByte) {
  BlockRecord record = markerRecord(firstByte);
  record.content.resize(16, 0x77);
  return record;
}

TEST(SectionValidation, LinkedBlockNeedsAMarkerAndItsTerminatorAtTheStatedLength) {
  // The block starts after the lead-in, one entry and the terminator.
  constexpr std::uint64_t kBlock = 168 + 24 + 20 + 8;
  EXPECT_TRUE(sectionIsSound(facilityFileWithBlock({marker16(1)}, 40)));
  EXPECT_EQ(sectionVerdict(facilityFileWithBlock({marker16(0)}, 40)),
            (checks::SectionVerdict{Fault::NoQualifyingMarker, 1, kBlock}));
  EXPECT_EQ(sectionVerdict(facilityFileWithBlock({marker16(1)}, 48)),
            (checks::SectionVerdict{Fault::TerminatorNotAtBlockLength, 1, kBlock + 40, 40, 48}));
  EXPECT_EQ(faultOf(facilityFileWithBlock({marker16(1)}, 32)), Fault::TerminatorNotAtBlockLength);
  EXPECT_EQ(sectionVerdict(facilityFileWithBlock({marker16(1)}, 0)),
            (checks::SectionVerdict{Fault::BlockLengthZero, 1, kBlock}));
  EXPECT_EQ(sectionVerdict(facilityFileWithBlock({marker16(1)}, 40, 2)),
            (checks::SectionVerdict{Fault::WrongBlockKind, 1, kBlock, 2, 1}));
  EXPECT_EQ(faultOf(facilityFileWithBlock({BlockRecord{kPlainRecordId, Bytes(16, 1), {}}}, 40)),
            Fault::NoQualifyingMarker);
}

TEST(SectionValidation, AMarkerAnywhereBeforeTheTerminatorQualifiesTheBlock) {
  const BlockRecord plain{kPlainRecordId, Bytes(3, 0), {}};
  EXPECT_TRUE(sectionIsSound(facilityFileWithBlock({plain, plain, marker16(9)})));
  EXPECT_TRUE(sectionIsSound(facilityFileWithBlock({marker16(9), plain, plain})));
  EXPECT_TRUE(sectionIsSound(facilityFileWithBlock({marker16(0), marker16(1), marker16(0)})));
}

TEST(SectionValidation, TruncationInsideTheBlockFails) {
  Bytes bytes = facilityFileWithBlock({marker16(1)});
  // Cut into the terminator record, the marker's content or its head: a
  // record head that cannot be read each time.
  for (std::size_t cut = 1; cut <= 8 + 24; ++cut) {
    EXPECT_EQ(faultOf(Bytes(bytes.begin(), bytes.end() - static_cast<long>(cut))), Fault::ShortRecordHead) << cut;
  }
}

TEST(SectionValidation, RecordSizeThatWrapsEndsWithZero) {
  for (std::uint32_t size : {0xFFFFFFF8U, 0xFFFFFFF0U, 0xFFFFFF00U, 0x80000000U}) {
    BlockRecord hostile{kPlainRecordId, Bytes(8, 0), size};
    EXPECT_EQ(faultOf(facilityFileWithBlock({marker16(1), hostile}, 1000)),
              size == 0x80000000U ? Fault::BeyondSeekLimit : Fault::WalkNotForward)
        << std::hex << size;
  }
}

TEST(SectionValidation, PositionsFromTwoGigabytesOnFail) {
  ByteWriter farSection;
  putHeader(farSection, HeaderFields{.sectionOffset = 0x80000000});
  EXPECT_EQ(sectionVerdict(farSection.bytes()), (checks::SectionVerdict{Fault::BeyondSeekLimit, 0, 0x80000000}));

  ByteWriter farBlock = facilitySectionStart(1);
  putEntry(farBlock, kLinkedBlockType, 0xFFFFFFF0);
  putTerminator(farBlock);
  EXPECT_EQ(sectionVerdict(farBlock.bytes()), (checks::SectionVerdict{Fault::BeyondSeekLimit, 1, 0xFFFFFFF0}));
  // The limit itself is beyond it; the last position below it is read (and is short).
  ByteWriter limitBlock = facilitySectionStart(1);
  putEntry(limitBlock, kLinkedBlockType, 0x80000000);
  putTerminator(limitBlock);
  EXPECT_EQ(sectionVerdict(limitBlock.bytes()), (checks::SectionVerdict{Fault::BeyondSeekLimit, 1, 0x80000000}));
  ByteWriter belowLimitBlock = facilitySectionStart(1);
  putEntry(belowLimitBlock, kLinkedBlockType, 0x7FFFFFFF);
  putTerminator(belowLimitBlock);
  EXPECT_EQ(faultOf(belowLimitBlock.bytes()), Fault::ShortBlockHead);

  // A record size that sends the walk to 2 GiB needs a seek there.
  BlockRecord farJump{kPlainRecordId, Bytes(8, 0), 0x7FFFFF00};
  EXPECT_EQ(faultOf(facilityFileWithBlock({marker16(1), farJump}, 1000)), Fault::BeyondSeekLimit);
}

TEST(SectionValidation, ManyEntriesIntoOneBlockGetTheVerdictOfTheLiteralWalk) {
  EXPECT_TRUE(sectionIsSound(sharedBlockFacilityFile(300, 300, 0)));
  EXPECT_TRUE(sectionIsSound(sharedBlockFacilityFile(300, 300, 299)));
  EXPECT_EQ(sectionVerdict(sharedBlockFacilityFile(300, 300, std::nullopt)).entry, 1U);
  EXPECT_TRUE(sectionIsSound(sharedBlockFacilityFile(1, 1, 0)));
  Bytes cut = sharedBlockFacilityFile(50, 50, 25);
  cut.resize(cut.size() - 4);  // the terminator record cut short
  EXPECT_EQ(faultOf(cut), Fault::ShortRecordHead);
}

// Entries whose blocks start inside another block's records share its walk:
// the remembered end must be judged against each block's own start and length.
TEST(SectionValidation, BlocksStartingInsideAnotherBlocksRecordsAreEachJudgedOnTheirOwn) {
  for (std::uint32_t stated : {40U, 48U, 56U}) {
    ByteWriter out;
    putHeader(out);
    putLeadIn(out, 2);
    const std::size_t outer = out.position() + 2 * 20 + 8;
    // The inner block's head is the content of the outer block's first record.
    const std::size_t inner = outer + 16 + 8;
    putEntry(out, kLinkedBlockType, static_cast<std::uint32_t>(outer));
    putEntry(out, kLinkedBlockType, static_cast<std::uint32_t>(inner));
    putTerminator(out);
    ByteWriter innerHead;
    innerHead.u32(1).u32(stated).fill(8, 0x33);
    putLinkedBlock(out, {BlockRecord{kPlainRecordId, innerHead.bytes(), std::nullopt}, markerRecord(1),
                         BlockRecord{kPlainRecordId, Bytes(8, 0x44), std::nullopt}});
    // Outer: records at +16 (24 bytes), +40 (16), +56 (16), terminator at +72.
    // Inner (at outer + 24): its records start at outer + 40, the terminator is at inner + 48.
    EXPECT_EQ(sectionIsSound(out.bytes()), stated == 48U) << stated;
  }
}

TEST(SectionValidation, DirectoryGoesOnAfterEachLinkedBlock) {
  ByteWriter out = facilitySectionStart(3);
  const std::size_t first = out.position();
  putEntry(out, kLinkedBlockType, 0);
  putEntry(out, kLinkedBlockType, 0);
  putEntry(out, kOffsetType3, 0);  // must be seen after both blocks
  putTerminator(out);
  const std::size_t blockA = putLinkedBlock(out, {markerRecord(1)});
  const std::size_t blockB = putLinkedBlock(out, {markerRecord(2)});
  out.at(first + 12).u32(static_cast<std::uint32_t>(blockA));
  out.at(first + 32).u32(static_cast<std::uint32_t>(blockB));
  EXPECT_EQ(sectionVerdict(out.bytes()), (checks::SectionVerdict{Fault::TargetOffsetZero, 3, first + 40}));
  out.at(first + 52).u32(1);
  EXPECT_TRUE(sectionIsSound(out.bytes()));
}

TEST(SectionValidation, EachRuleBreakingFileBreaksItsOwnRule) {
  const std::vector<Bytes> files = filesBreakingEachRule();
  ASSERT_EQ(files.size(), static_cast<std::size_t>(Fault::BeyondSeekLimit));
  for (std::size_t rule = 1; rule <= files.size(); ++rule) {
    EXPECT_EQ(faultOf(files[rule - 1]), static_cast<Fault>(rule)) << "file " << rule - 1;
  }
}

TEST(SectionValidation, WorksAfterTheChecksumPassLeftTheFileAtItsEnd) {
  OpenBytes file(soundFacilityFile());
  const std::optional<FacilityHeader> header = checks::isFacilityFile(file.get());
  ASSERT_TRUE(header);
  checks::fileCrc32(file.get());
  ASSERT_EQ(file.get().nextBlock().size(), 0U);
  EXPECT_TRUE(checks::validateFacilitySection(file.get(), *header).sound());
}

// ---------------------------------------------------------------- classification

class Classification : public ::testing::Test {
 protected:
  // Runs every check on one file and records its verdict, as the scan does.
  void classify(const Bytes& bytes, const std::string& name) {
    OpenBytes file(bytes);
    const checks::FileVerdict verdict = checks::checkFile(file.get(), name, checks::selectedCrc32Kernel().update);
    checks::classifyFacilityFile(lists, builtPath("/scan/" + name), verdict);
  }

  static std::vector<std::pair<std::string, bool>> records(const checks::BadFileList& list) {
    std::vector<std::pair<std::string, bool>> out;
    for (const auto& record : list) out.emplace_back(record.path.shown(), record.isStock);
    return out;
  }
  using Records = std::vector<std::pair<std::string, bool>>;

  checks::BadFileLists lists;
};

TEST_F(Classification, StockFileWithItsReferenceChecksumIsClean) {
  classify(withCrc32(soundFacilityFile(), 0x6C40A47E), "geopol07.bgl");
  EXPECT_TRUE(lists.formatErrorList.empty());
  EXPECT_TRUE(lists.checksumErrorList.empty());
}

TEST_F(Classification, OneChangedByteLandsInTheChecksumListOnly) {
  Bytes bytes = withCrc32(soundFacilityFile(), 0x6C40A47E);
  bytes[10] ^= 0x01;
  classify(bytes, "geopol07.bgl");
  EXPECT_TRUE(lists.formatErrorList.empty());
  EXPECT_EQ(records(lists.checksumErrorList), (Records{{"/scan/geopol07.bgl", true}}));
}

TEST_F(Classification, AddOnFilesAreOnlyValidated) {
  classify(soundFacilityFile(), "myfield.bgl");
  EXPECT_FALSE(lists.anyBad());
  classify(faultyFacilityFile(), "myfield.bgl");
  EXPECT_EQ(records(lists.formatErrorList), (Records{{"/scan/myfield.bgl", false}}));
  EXPECT_TRUE(lists.checksumErrorList.empty());
}

TEST_F(Classification, StockFileWithoutReferenceChecksumIsOnlyValidated) {
  classify(faultyFacilityFile(), "eurnwafd.bgl");
  EXPECT_EQ(records(lists.formatErrorList), (Records{{"/scan/eurnwafd.bgl", true}}));
  EXPECT_TRUE(lists.checksumErrorList.empty());
}

TEST_F(Classification, AlteredAndFaultyStockFileStandsInBothLists) {
  classify(faultyFacilityFile(), "way005.bgl");
  EXPECT_EQ(records(lists.formatErrorList), (Records{{"/scan/way005.bgl", true}}));
  EXPECT_EQ(records(lists.checksumErrorList), (Records{{"/scan/way005.bgl", true}}));
}

TEST_F(Classification, ListsReadNewestFirst) {
  classify(faultyFacilityFile(), "a.bgl");
  classify(soundFacilityFile(), "between.bgl");
  classify(faultyFacilityFile(), "b.bgl");
  classify(faultyFacilityFile(), "bv10001.bgl");
  EXPECT_EQ(records(lists.formatErrorList),
            (Records{{"/scan/bv10001.bgl", true}, {"/scan/b.bgl", false}, {"/scan/a.bgl", false}}));
  EXPECT_EQ(records(lists.checksumErrorList), (Records{{"/scan/bv10001.bgl", true}}));
}

TEST_F(Classification, NamesAreLookedUpWithoutRegardToCase) {
  classify(withCrc32(soundFacilityFile(), 0xAF77A480), "BV42301.BGL");
  EXPECT_FALSE(lists.anyBad());
  classify(withCrc32(soundFacilityFile(), 0xAF77A481), "BV42301.BGL");
  EXPECT_EQ(records(lists.checksumErrorList), (Records{{"/scan/BV42301.BGL", true}}));
}

// Every stock name belongs to a facility file, so a stock file emptied, cut
// short or with its header overwritten is a format error (its checksum is
// never computed); an add-on file that fails the header test is no facility
// file at all.
TEST_F(Classification, StockNameFailingTheHeaderTestIsAFormatErrorWithoutAChecksum) {
  Bytes destroyed = withCrc32(soundFacilityFile(), 0x12345678);
  destroyed[0] = 0;  // header marker
  const Bytes cut(destroyed.begin(), destroyed.begin() + 10);
  classify(destroyed, "geopol07.bgl");
  classify(Bytes{}, "WAY004.BGL");
  classify(cut, "eurnwafd.bgl");
  classify(Bytes{}, "myfield.bgl");
  EXPECT_EQ(records(lists.formatErrorList),
            (Records{{"/scan/eurnwafd.bgl", true}, {"/scan/WAY004.BGL", true}, {"/scan/geopol07.bgl", true}}));
  EXPECT_TRUE(lists.checksumErrorList.empty());
}

}  // namespace
