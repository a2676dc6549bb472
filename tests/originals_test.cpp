// The search for originals, driven directly: when it tells its progress.
// What it finds, and why, is shown by whole runs in e2e_command_line_test.cpp
// and parity_test.cpp.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "originals/original_search.h"
#include "support/bgl_builder.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The counts the search told, and -1 for its end.
struct ToldProgress final : originals::SearchProgress {
  void filesRead(int count) override { told.push_back(count); }
  void finished() override { told.push_back(-1); }
  std::vector<int> told;
};

// The progress is told at every tenth file, and after any file read a second
// or more after it was last told; the search tells its end.
TEST(OriginalSearch, ProgressIsToldAtEveryTenthFileAndAtLeastOnceASecond) {
  testsupport::TempDir dir;
  for (int i = 0; i < 13; ++i) {
    testsupport::writeBytes(dir.path() / "place" / ("f" + std::to_string(100 + i) + ".bgl"),
                            testsupport::plainBglFile(100));
  }
  ToldProgress progress;
  platform::SystemFileSystem files;
  // Each reading of the clock is 0.3 s later than the one before.
  auto now = std::chrono::steady_clock::time_point{};
  originals::OriginalSearch search(files, {}, checks::selectedCrc32Kernel().update, &progress,
                                   [&now] { return now += 300ms; });
  checks::BadFileLists lists;
  lists.checksumErrorList.prepend({testsupport::builtPath((dir.path() / "none" / "geopol07.bgl").string()), true, checks::ChecksumComparison{}});
  const auto findings = search.find(lists, {{(dir.path() / "place").string()}, false});
  ASSERT_EQ(findings.size(), 1U);
  EXPECT_FALSE(findings[0].original);
  // The start reads 0.3 s, file n reads 0.3 s * (n + 1): files 4 and 8 come 1.2 s after the count
  // was last told, file 10 is the tenth, and 11 to 13 come within a second of it.
  EXPECT_EQ(progress.told, (std::vector<int>{4, 8, 10, -1}));
}

}  // namespace
