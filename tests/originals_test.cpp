// The search for originals, driven directly: its progress line on a console.
// What it finds, and why, is shown by whole runs in e2e_command_line_test.cpp
// and parity_test.cpp.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "originals/original_search.h"
#include "support/bgl_builder.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The progress line changes at every tenth file, and after any file read a
// second or more after it last changed; the search ends the line.
TEST(OriginalSearch, ProgressShowsAtEveryTenthFileAndAtLeastOnceASecond) {
  testsupport::TempDir dir;
  for (int i = 0; i < 13; ++i) {
    testsupport::writeBytes(dir.path() / "place" / ("f" + std::to_string(100 + i) + ".bgl"),
                            testsupport::plainBglFile(100));
  }
  std::FILE* captured = std::fopen((dir.path() / "console").string().c_str(), "wb");
  ASSERT_NE(captured, nullptr);
  report::TextOut console(captured, false);
  // Each reading of the clock is 0.3 s later than the one before.
  auto now = std::chrono::steady_clock::time_point{};
  originals::OriginalSearch search({}, checks::selectedCrc32Kernel().update, &console, [&now] { return now += 300ms; });
  checks::BadFileLists lists;
  lists.checksumErrorList.prepend({(dir.path() / "none" / "geopol07.bgl").string(), true, checks::ChecksumComparison{}});
  const auto findings = search.find(lists, {{(dir.path() / "place").string()}, false});
  std::fclose(captured);
  ASSERT_EQ(findings.size(), 1U);
  EXPECT_FALSE(findings[0].original);
  // The start reads 0.3 s, file n reads 0.3 s * (n + 1): files 4 and 8 come 1.2 s after the line
  // last changed, file 10 is the tenth, and 11 to 13 come within a second of it.
  EXPECT_EQ(testsupport::readText(dir.path() / "console"),
            "\rSearching for originals: 4 file(s) read\rSearching for originals: 8 file(s) read"
            "\rSearching for originals: 10 file(s) read\r\n");
}

}  // namespace
