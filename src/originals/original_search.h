#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cabinets/cabinet_reader.h"
#include "checks/classification.h"
#include "checks/crc32.h"
#include "checks/file_check.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "originals/findings.h"

// The search for a verified original of each bad stock file: a copy proven
// by the checks before anyone puts it in place.
namespace originals {

// The end of the name a restore gives a file while it writes it beside the
// file it will replace: such a file is never a candidate.
inline constexpr std::string_view kTemporarySuffix = ".trawlex-new";

// Deepest folder level below a named place that the search enters.
inline constexpr int kMaxSearchDepth = 12;

// Where to look beyond each bad file's own folder.
struct SearchPlaces {
  std::vector<std::string> places;  // folders (searched with their subfolders) or files, as given
  bool opticalDrives = false;       // the places are the CD and DVD drives' roots
};

// A file of a place searched: a candidate itself, or a cabinet of candidates.
struct PlaceFile {
  std::string path;
  bool isCabinet = false;
};

// Finds originals for the bad files of one scan. Every candidate file is read
// once, whatever the number of bad files it could stand for.
class OriginalSearch {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `progress`, when given, hears how many files were read: at every tenth
  // file, and after any file read a second or more after it last heard (a
  // CD can take that long for a few files). `clock` tells the time.
  // Paths are measured against the path limit as `paths` says; every file
  // and folder is reached through `files`.
  OriginalSearch(platform::FileSystem& files, platform::SystemPaths paths, checks::Crc32Function crcKernel,
                 SearchProgress* progress, Clock clock = std::chrono::steady_clock::now)
      : files_(files),
        paths_(std::move(paths)),
        crcKernel_(crcKernel),
        progress_(progress),
        clock_(std::move(clock)),
        lastShown_(clock_()) {}

  // One finding per bad file of `lists`, in the listing's order (each file
  // once). A stock file's original is looked for in its own folder (every
  // file but itself), then in `places` (their files and the entries of
  // their cabinets); an add-on file has none. A copy is
  // verified when it is a facility file whose CRC-32 is the stock file's
  // reference value, under any name; for a stock name without a reference
  // value, when it bears the same name (any letter case) and its facility
  // section is sound. A cabinet's entry that is an original comes with its
  // bytes, decoded once: at most one entry per bad stock file and cabinet is
  // kept while the search goes on, and afterwards only those of the findings.
  std::vector<OriginalFinding> find(const checks::BadFileLists& lists, const SearchPlaces& places);

  // The cabinets (and sets) met so far that could not be read in full, in the order met.
  const std::vector<CabinetNotRead>& cabinetsNotRead() const { return cabinetsNotRead_; }

 private:
  struct Wanted {
    std::string name;
    std::optional<std::uint32_t> reference;
    std::optional<std::uint32_t> badCrc;  // the bad file's own: a copy of it is no original
    // Without a reference value only a file of the same name can stand for the original.
    bool mayBe(std::string_view candidateName) const;
  };
  struct CabinetEntry {
    std::size_t order;  // in its cabinet's listing
    std::string name;   // as stored, folders included
    checks::CandidateFacts facts;
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;  // kept when it is the first original for a wanted file
  };
  // A cabinet's entries in listing order, and the cabinet that the findings
  // name for them: the first part of its set.
  struct CabinetContents {
    std::string path;
    std::vector<CabinetEntry> entries;
  };

  std::optional<VerifiedOriginal> verified(const Wanted& wanted, const std::string& name,
                                                   const std::optional<checks::CandidateFacts>& facts) const;
  OriginalFinding stockFinding(const platform::Path& path, const Wanted& wanted, const SearchPlaces& places);
  std::optional<VerifiedOriginal> searchOwnFolder(const Wanted& wanted, const platform::Path& folder);
  std::optional<VerifiedOriginal> searchPlace(const Wanted& wanted, const std::string& place);
  std::optional<VerifiedOriginal> searchCabinet(const Wanted& wanted, const std::string& cabinet);
  const std::vector<PlaceFile>& filesOf(const std::string& place);
  std::optional<checks::CandidateFacts> factsOf(const std::string& path);
  // The bad file's own CRC-32, read before the search (not counted as searched).
  std::optional<std::uint32_t> crcOfBadFile(const platform::Path& path);
  const CabinetContents& entriesOf(const std::string& cabinet);
  void keepIfClaims(std::vector<CabinetEntry>& entries, std::vector<std::optional<std::size_t>>& claimedBy,
                    std::span<const std::uint8_t> bytes) const;
  void collectPlaceFiles(const std::string& folder, int depth, std::vector<PlaceFile>& files);
  void countFileRead();
  void showProgress();

  platform::FileSystem& files_;
  platform::SystemPaths paths_;
  std::vector<Wanted> wanted_;  // every bad stock file of the search, for the cabinets' entries to be held against
  checks::Crc32Function crcKernel_;
  SearchProgress* progress_;
  Clock clock_;
  std::chrono::steady_clock::time_point lastShown_;
  std::map<std::string, std::optional<checks::CandidateFacts>> facts_;   // by path; nothing: could not be read
  std::map<std::string, CabinetContents> cabinetEntries_;                // by the cabinet path asked for
  std::set<std::string> readAsParts_;  // the other parts of the sets read: not searched again on their own
  std::vector<CabinetNotRead> cabinetsNotRead_;
  std::map<std::string, std::vector<PlaceFile>> placeFiles_;             // by place, in search order
  std::map<std::string, SearchedPlace::Kind> placeKinds_;                 // by place: what it turned out to be
  std::vector<std::uint8_t> window_ = std::vector<std::uint8_t>(checks::kCrcReadBlockSize);  // scratch
  int filesRead_ = 0;
  bool progressShown_ = false;
};

}  // namespace originals
