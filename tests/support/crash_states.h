#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

// Every state a power loss may leave a folder tree in, after any number of
// the file calls that a program made: computed from the program's strace log
// (taken with -y -xx and long strings), under a conservative model of a file
// system. What was not flushed may be lost, each part on its own and in any
// combination: a file's bytes (until fsync of the file), its mode (likewise)
// and each folder entry made, renamed or removed (until fsync of the folder).
// Every state ext4's ordered mode can leave is one of these.
namespace testsupport {

// One file or folder of a tree, as a state holds it.
struct NodeImage {
  bool folder = false;
  std::string bytes;
  unsigned mode = 0644;
  bool operator==(const NodeImage&) const = default;
};

// A tree by absolute path.
using TreeImage = std::map<std::string, NodeImage>;

// The tree under `root` as it is on the disk now, but for the paths in `keep`.
TreeImage imageOf(const std::string& root, const std::set<std::string>& keep);

// Makes the tree under `root` what `image` says, leaving the paths in `keep` as they are.
void materialize(const std::string& root, const TreeImage& image, const std::set<std::string>& keep);

class CrashStates {
 public:
  // `before`: the tree under `root` before the run; `log`: its strace log.
  // The flushes whose places (counted among the flushes, from 0) are in
  // `ignoredFlushes` are taken as never made, to prove the model finds what
  // a missing flush loses.
  CrashStates(const std::string& root, TreeImage before, const std::string& log,
              const std::set<std::size_t>& ignoredFlushes = {});

  struct Operation {
    std::string name;
    std::vector<std::string> paths;  // the paths it names, a descriptor's included
    std::string bytes;               // a write's
    unsigned mode = 0;               // a chmod's or a new file's
    bool truncates = false;          // an open that empties the file
    bool creates = false;            // an open that may make the file
  };

  // The calls of the log under the root that change the tree or flush it.
  const std::vector<Operation>& operations() const { return operations_; }
  std::size_t flushes() const;

  // Every state a power loss right after the first `done` calls may leave.
  std::vector<TreeImage> statesAfter(std::size_t done) const;

 private:
  std::string root_;
  TreeImage before_;
  std::vector<Operation> operations_;
  std::set<std::size_t> ignoredFlushes_;
};

}  // namespace testsupport
