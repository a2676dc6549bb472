#include "driver/config_survey.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "driver/area_walk.h"
#include "platform/ini_text.h"
#include "platform/path_text.h"
#include "platform/platform.h"

namespace driver {

namespace {

constexpr std::string_view kAreaPrefix = "area.";
constexpr std::size_t kAreaDigits = 3;

bool startsFolded(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && platform::sameAsciiFolded(text.substr(0, prefix.size()), prefix);
}

bool allDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// What a section's name means to the walk.
struct SectionRole {
  bool looksLikeArea = false;  // "Area." and digits, any letter case
  unsigned area = 0;           // the area the walk asks for under this name, or 0
};

SectionRole roleOf(std::string_view name) {
  if (!startsFolded(name, kAreaPrefix)) return {};
  const std::string_view digits = name.substr(kAreaPrefix.size());
  if (!allDigits(digits)) return {};
  if (digits.size() != kAreaDigits) return {true, 0};
  const auto number = static_cast<unsigned>(std::stoul(std::string(digits)));
  return {true, number >= kFirstArea && number <= kLastArea ? number : 0};
}

// Follows the outline of the file section by section and keeps the notes.
class Survey : public platform::ProfileOutline {
 public:
  void section(std::string_view name, std::size_t line) override {
    current_ = Current{};
    const SectionRole role = roleOf(name);
    if (!role.looksLikeArea) return;
    if (role.area == 0) {
      current_.unreadNote = add({scan::ConfigNote::Kind::NeverRead, line, std::string(name), "", 0, 0});
      current_.localPending = true;
      return;
    }
    std::size_t& first = firstLines_[role.area];
    if (first != 0) {
      add({scan::ConfigNote::Kind::Repeated, line, std::string(name), "", first, 0});
      return;
    }
    first = line;
    current_.area = role.area;
    current_.name = std::string(name);
    current_.activePending = true;
  }

  // Only the first key of a name counts, as the reader answers.
  void key(std::string_view name, std::string_view value, std::size_t line) override {
    if (current_.localPending && platform::sameAsciiFolded(name, "Local")) {
      current_.localPending = false;
      if (current_.unreadNote) notes_[*current_.unreadNote].local = std::string(value);
    }
    if (current_.activePending && platform::sameAsciiFolded(name, "Active")) {
      current_.activePending = false;
      if (platform::sameAsciiFolded(value, "FALSE")) {
        add({scan::ConfigNote::Kind::Inactive, line, current_.name, "", 0, 0});
      }
    }
  }

  // Notes on areas whose folder an earlier area scanned, at their section's line.
  void addFoldersScannedBefore(const std::vector<scan::AreaSummary>& areas) {
    for (std::size_t i = 0; i < areas.size(); ++i) {
      for (std::size_t j = 0; j < i; ++j) {
        if (!areas[i].exists || !areas[j].exists || !platform::sameAsciiFolded(areas[i].folder, areas[j].folder)) {
          continue;
        }
        const unsigned area = areas[i].number;
        add({scan::ConfigNote::Kind::FolderScannedBefore, firstLines_[area], areaSectionName(area), "", 0,
             areas[j].number});
        break;
      }
    }
  }

  scan::ConfigSurvey finish(std::string configPath) {
    std::stable_sort(notes_.begin(), notes_.end(),
                     [](const scan::ConfigNote& a, const scan::ConfigNote& b) { return a.line < b.line; });
    return {std::move(configPath), std::move(notes_), notShown_};
  }

 private:
  struct Current {
    unsigned area = 0;
    std::string name;
    std::optional<std::size_t> unreadNote;
    bool localPending = false;
    bool activePending = false;
  };

  std::optional<std::size_t> add(scan::ConfigNote note) {
    if (notes_.size() >= kMaxConfigNotes) {
      ++notShown_;
      return std::nullopt;
    }
    notes_.push_back(std::move(note));
    return notes_.size() - 1;
  }

  std::array<std::size_t, kLastArea + 1> firstLines_{};  // the line of each area's first section, 0 when none
  Current current_;
  std::vector<scan::ConfigNote> notes_;
  std::size_t notShown_ = 0;
};

}  // namespace

scan::ConfigSurvey surveyConfig(const platform::SystemPaths& paths, const std::string& configPath,
                                const std::vector<scan::AreaSummary>& areas) {
  Survey survey;
  platform::ProfileScan scan({}, "", &survey);
  if (platform::fitsPathLimit(paths, configPath)) {
    (void)platform::readFileInBlocks(configPath, [&scan](std::string_view block) { scan.feed(block); });
  }
  (void)scan.finish();
  survey.addFoldersScannedBefore(areas);
  return survey.finish(configPath);
}

}  // namespace driver
