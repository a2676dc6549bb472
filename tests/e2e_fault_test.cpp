// Hostile and broken input, end to end: truncated files, junk files, junk
// configurations and odd Local values. The program must neither crash nor
// hang, and every verdict must still be right.

#include <cstdio>
#include <random>
#include <set>
#include <string>

#include "platform/path_text.h"
#include "e2e_fixture.h"

namespace {

using namespace e2e;

std::string numbered(const char* format, unsigned n) {
  char name[64];
  std::snprintf(name, sizeof name, format, n);
  return name;
}

// The running count lines of a run whose i-th file (from 0) is a facility
// file exactly when `isFacility(i)`.
template <typename IsFacility>
std::string runningCounts(unsigned files, IsFacility isFacility) {
  std::string counts;
  unsigned facility = 0;
  for (unsigned i = 0; i < files; ++i) {
    facility += isFacility(i) ? 1 : 0;
    if ((i + 1) % 10 == 0 || i + 1 == files) {
      counts += "\rAll Files: " + std::to_string(i + 1) + "  Facility Files: " + std::to_string(facility);
    }
  }
  return counts;
}

// Every prefix of a sound facility file, from empty to whole, one file each:
// below 168 bytes no facility file, then a format error for every cut (the
// validation reads up to the last byte), and sound once the file is whole.
TEST_F(EndToEnd, EveryTruncationOfASoundFileGetsTheRightVerdict) {
  const Bytes sound = soundFacilityFile();
  const auto size = static_cast<unsigned>(sound.size());
  install.config({{areaSection(1), "Cut"}});
  for (unsigned n = 0; n <= size; ++n) {
    install.file("Cut/scenery/" + numbered("t%04u.bgl", n), Bytes(sound.begin(), sound.begin() + n));
  }
  const ProgramRun result = run();
  EXPECT_EQ(result.output, console(runningCounts(size + 1, [](unsigned i) { return i >= 168; }), ex::kVerdictBad));
  EXPECT_EQ(result.exitStatus, 1);
  std::string records;
  for (unsigned n = size; n-- > 168;) {
    records += record(host() + native("/Cut/scenery/") + numbered("t%04u.bgl", n), false);
  }
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation + records + "\r\n");
}

// Thousands of files of random bytes and lengths under random mixed-case
// .bgl names; a third carry a facility header so that the validation meets
// junk. Every file is counted once and the run ends normally.
TEST_F(EndToEnd, FolderOfRandomJunkFiles) {
  std::mt19937 random(2024);
  std::set<std::string> lowerNames;
  install.config({{areaSection(1), "Junk"}});
  const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
  while (lowerNames.size() < 3000) {
    std::string name = "j";  // never a reserved device name such as CON or NUL
    for (std::size_t i = 0, length = random() % 12; i < length; ++i) name += letters[random() % (sizeof letters - 1)];
    name += (random() % 2) ? ".bgl" : ".BgL";
    if (!lowerNames.insert(platform::asciiLower(name)).second) continue;
    Bytes bytes(random() % 2000);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    if (random() % 3 == 0 && bytes.size() >= 168) {
      ByteWriter header;
      putHeader(header, HeaderFields{.sectionOffset = static_cast<std::uint32_t>(random() % 2500)});
      std::copy(header.bytes().begin(), header.bytes().begin() + 168, bytes.begin());
    }
    install.file("Junk/scenery/" + name, bytes);
  }
  const ProgramRun result = run();
  EXPECT_TRUE(result.exitStatus == 0 || result.exitStatus == 1) << result.exitStatus;
  EXPECT_NE(result.output.find("\rAll Files: 3000  Facility Files: "), std::string::npos);
  EXPECT_EQ(result.output.find("\rAll Files: 3010"), std::string::npos);
  const std::string prompt = ex::kPrompt;
  ASSERT_GT(result.output.size(), prompt.size());
  EXPECT_EQ(result.output.substr(result.output.size() - prompt.size()), prompt);
}

TEST_F(EndToEnd, BinaryJunkConfigurationChecksNothing) {
  std::mt19937 random(7);
  std::string junk;
  for (int i = 0; i < 20000; ++i) junk.push_back(static_cast<char>(random()));
  writeText(install.host() / "Scenery.cfg", junk);
  install.file("Scenery/World/scenery/bad.bgl", faultyFacilityFile());
  const ProgramRun result = run(Input::AtEnd);
  EXPECT_EQ(result.output, nothingChecked());
  EXPECT_EQ(result.exitStatus, 2);
}

TEST_F(EndToEnd, ConfigurationLineEndsRepeatsAndOverlongValues) {
  const std::string overlong(1200, 'x');
  writeText(install.host() / "Scenery.cfg",
            "[Area.001]\r\nLocal=First\nLocal=Second\r\n"    // mixed line ends; the first key wins
            "[Area.002]\nLocal=" + overlong + "\r\n"          // cut to 999 characters: too long a path
            "[area.001]\r\nLocal=Repeated\r\n"                // a repeated section is never read
            "[Area.003]\r\nLocal=Last");                       // no final line end
  for (const char* area : {"First", "Second", "Repeated", "Last"}) {
    install.file(std::string(area) + "/scenery/bad.bgl", faultyFacilityFile());
  }
  const ProgramRun result = run();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation +
                           record(host() + native("/Last/scenery/bad.bgl"), false) +
                           record(host() + native("/First/scenery/bad.bgl"), false) + "\r\n");
}

TEST_F(EndToEnd, LocalValuesFullOfParentFolders) {
  install.config({{areaSection(1), "Scenery\\..\\Scenery\\.\\World"},
                  {areaSection(2), "..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\nowhere"},
                  {areaSection(3), std::string(80, '.') + "\\" + "..\\.."}});
  install.file("Scenery/World/scenery/bad.bgl", faultyFacilityFile());
  const ProgramRun result = run();
  // Windows stops the parents at the drive's root, where "nowhere" is not.
  EXPECT_EQ(result.exitStatus, 2);
  // (as many parents kept as the test's folder lies deep)
  const std::string found = std::string(ex::kHeading) + ex::kFormatExplanation +
                            record(host() + native("/Scenery/../Scenery/./World/scenery/bad.bgl"), false) + "\r\n" +
                            ex::kUnreadExplanation + host();
  EXPECT_TRUE(listing().starts_with(found)) << listing();
  EXPECT_TRUE(listing().ends_with(native("/../nowhere/") + "  (the folder does not exist)\r\n")) << listing();

}

}  // namespace
