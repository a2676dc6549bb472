#include "support/crash_states.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "support/temp_dir.h"

namespace testsupport {

namespace fs = std::filesystem;

namespace {

// A text of the log with strace's \xHH escapes read.
std::string unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The arguments of a call's line, split at the commas outside strings and
// descriptors' decorations.
std::vector<std::string> arguments(std::string_view text) {
  std::vector<std::string> parts;
  std::string part;
  bool inString = false;
  int inPath = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && inString) {
      part += text.substr(i, 2);
      ++i;
      continue;
    }
    if (c == '"') inString = !inString;
    if (!inString && c == '<') ++inPath;
    if (!inString && c == '>') --inPath;
    if (c == ',' && !inString && inPath == 0) {
      parts.push_back(part);
      part.clear();
      if (i + 1 < text.size() && text[i + 1] == ' ') ++i;
      continue;
    }
    part += c;
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// The path an argument names: a string, or a descriptor's decoration.
std::optional<std::string> pathOf(const std::string& argument) {
  if (argument.starts_with('"')) return unescaped(argument.substr(1, argument.rfind('"') - 1));
  const std::size_t open = argument.find('<');
  if (open == std::string::npos) return std::nullopt;
  return unescaped(argument.substr(open + 1, argument.rfind('>') - open - 1));
}

unsigned octal(const std::string& text) { return static_cast<unsigned>(std::stoul(text, nullptr, 8)); }

unsigned currentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<unsigned>(mask);
}

// One call of the log that changes a tree or flushes it; nothing for any other.
std::optional<CrashStates::Operation> operationOf(const std::string& line) {
  const std::size_t paren = line.find('(');
  const std::size_t result = line.rfind(") = ");
  if (paren == std::string::npos || result == std::string::npos || line.starts_with("---")) return std::nullopt;
  const std::string returned = line.substr(result + 4);
  if (returned.starts_with("-1")) return std::nullopt;  // failed: changed nothing
  CrashStates::Operation operation{line.substr(0, paren), {}, {}, 0, false, false};
  const std::vector<std::string> args = arguments(std::string_view(line).substr(paren + 1, result - paren - 1));
  const std::string& name = operation.name;
  if (name == "openat") {
    if (args.size() < 3 || args[2].find("O_CREAT") == std::string::npos) {
      if (args.size() < 3 || args[2].find("O_TRUNC") == std::string::npos) return std::nullopt;
    }
    operation.creates = args[2].find("O_CREAT") != std::string::npos;
    operation.truncates = args[2].find("O_TRUNC") != std::string::npos;
    operation.mode = args.size() > 3 ? octal(args[3]) & ~currentUmask() : 0644;
    operation.paths.push_back(*pathOf(returned));
  } else if (name == "write") {
    operation.paths.push_back(*pathOf(args.at(0)));
    const std::string bytes = *pathOf(args.at(1));
    operation.bytes = bytes.substr(0, std::stoul(returned));
  } else if (name == "fsync" || name == "fdatasync") {
    operation.name = "fsync";
    operation.paths.push_back(*pathOf(args.at(0)));
  } else if (name == "fchmod" || name == "chmod") {
    operation.name = "chmod";
    operation.paths.push_back(*pathOf(args.at(0)));
    operation.mode = octal(args.at(1));
  } else if (name == "fchmodat") {
    operation.name = "chmod";
    operation.paths.push_back(*pathOf(args.at(1)));
    operation.mode = octal(args.at(2));
  } else if (name == "rename" || name == "unlink" || name == "rmdir") {
    for (const std::string& arg : args) operation.paths.push_back(*pathOf(arg));
  } else if (name == "mkdir") {
    operation.paths.push_back(*pathOf(args.at(0)));
    operation.mode = octal(args.at(1)) & ~currentUmask();
  } else {
    return std::nullopt;
  }
  return operation;
}

std::string parentOf(const std::string& path) { return fs::path(path).parent_path().string(); }

bool isUnder(const std::string& path, const std::string& root) {
  return path.size() > root.size() && path.starts_with(root) && path[root.size()] == '/';
}

// The tree as the model holds it: what is on the disk for sure (`durable`),
// and what the program sees now.
class Model {
 public:
  Model(const std::string& root, const TreeImage& before) : root_(root) {
    for (const auto& [path, node] : before) {
      const int id = next_++;
      current_.entries[path] = id;
      current_.nodes[id] = node;
    }
    durable_ = current_;
  }

  void apply(const CrashStates::Operation& op, bool flushIgnored) {
    if (op.paths.empty() || !isUnder(op.paths[0], root_)) return;
    const std::string& path = op.paths[0];
    if (op.name == "openat") {
      if (!current_.entries.count(path) && op.creates) create(path, {false, "", op.mode});
      if (op.truncates && current_.entries.count(path)) node(path).bytes.clear();
    } else if (op.name == "write") {
      node(path).bytes += op.bytes;
    } else if (op.name == "chmod") {
      node(path).mode = op.mode & 07777;
    } else if (op.name == "mkdir") {
      create(path, {true, "", op.mode});
    } else if (op.name == "rename") {
      current_.entries[op.paths.at(1)] = current_.entries.at(path);
      current_.entries.erase(path);
    } else if (op.name == "unlink" || op.name == "rmdir") {
      current_.entries.erase(path);
    } else if (op.name == "fsync" && !flushIgnored) {
      flush(path);
    }
  }

  // Every state a power loss now may leave.
  std::vector<TreeImage> crashStates() const {
    std::vector<std::string> entries;  // names whose folder entry is not on the disk as the program sees it
    for (const auto& [path, id] : current_.entries) {
      if (entryOf(durable_, path) != id) entries.push_back(path);
    }
    for (const auto& [path, id] : durable_.entries) {
      if (!current_.entries.count(path)) entries.push_back(path);
    }
    std::vector<int> nodes;  // files whose bytes or mode are not on the disk as the program sees them
    for (const auto& [id, node] : current_.nodes) {
      const auto kept = durable_.nodes.find(id);
      if (kept == durable_.nodes.end() || !(kept->second == node)) nodes.push_back(id);
    }
    const std::size_t units = entries.size() + 2 * nodes.size();
    if (units > 16) throw std::runtime_error("too many unflushed changes to enumerate");
    std::vector<TreeImage> states;
    std::set<std::string> seen;
    for (std::size_t choice = 0; choice < (std::size_t{1} << units); ++choice) {
      TreeImage image = stateFor(entries, nodes, choice);
      std::string key;
      for (const auto& [path, node] : image) key += path + '\0' + node.bytes + '\0' + std::to_string(node.mode) + '\1';
      if (seen.insert(key).second) states.push_back(std::move(image));
    }
    return states;
  }

 private:
  struct Tree {
    std::map<std::string, int> entries;
    std::map<int, NodeImage> nodes;
  };

  static std::optional<int> entryOf(const Tree& tree, const std::string& path) {
    const auto found = tree.entries.find(path);
    if (found == tree.entries.end()) return std::nullopt;
    return found->second;
  }

  NodeImage& node(const std::string& path) { return current_.nodes.at(current_.entries.at(path)); }

  void create(const std::string& path, const NodeImage& image) {
    const int id = next_++;
    current_.entries[path] = id;
    current_.nodes[id] = image;
    created_[id] = {image.folder, "", image.mode};  // what a loss of everything since leaves
  }

  void flush(const std::string& path) {
    const std::optional<int> id = entryOf(current_, path);
    if (!id) return;
    if (!current_.nodes.at(*id).folder) {
      durable_.nodes[*id] = current_.nodes.at(*id);
      return;
    }
    std::erase_if(durable_.entries, [&](const auto& entry) { return parentOf(entry.first) == path; });
    for (const auto& [name, entryId] : current_.entries) {
      if (parentOf(name) == path) durable_.entries[name] = entryId;
    }
  }

  NodeImage durableNode(int id) const {
    const auto kept = durable_.nodes.find(id);
    return kept != durable_.nodes.end() ? kept->second : created_.at(id);
  }

  TreeImage stateFor(const std::vector<std::string>& entries, const std::vector<int>& nodes, std::size_t choice) const {
    std::map<std::string, int> bound = durable_.entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if ((choice >> i & 1U) == 0) continue;
      const std::optional<int> now = entryOf(current_, entries[i]);
      if (now) bound[entries[i]] = *now;
      else bound.erase(entries[i]);
    }
    TreeImage image;
    for (const auto& [path, id] : bound) {
      const std::string parent = parentOf(path);
      if (parent != root_ && !image.count(parent)) continue;  // its folder's own entry was lost
      NodeImage node = durableNode(id);
      const auto at = std::find(nodes.begin(), nodes.end(), id);
      if (at != nodes.end()) {
        const std::size_t index = entries.size() + 2 * static_cast<std::size_t>(at - nodes.begin());
        const NodeImage& now = current_.nodes.at(id);
        if ((choice >> index & 1U) != 0) node.bytes = now.bytes;
        if ((choice >> (index + 1) & 1U) != 0) node.mode = now.mode;
      }
      image[path] = node;
    }
    return image;
  }

  std::string root_;
  Tree current_;
  Tree durable_;
  std::map<int, NodeImage> created_;
  int next_ = 0;
};

}  // namespace

TreeImage imageOf(const std::string& root, const std::set<std::string>& keep) {
  TreeImage image;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string path = entry.path().string();
    if (keep.count(path) || entry.is_symlink()) continue;
    const unsigned mode = static_cast<unsigned>(entry.status().permissions()) & 07777;
    image[path] = entry.is_directory() ? NodeImage{true, "", mode} : NodeImage{false, readText(entry.path()), mode};
  }
  return image;
}

// Removes everything under `folder` but the paths in `keep` and the folders that hold them.
void clearBut(const fs::path& folder, const std::set<std::string>& keep) {
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(folder)) entries.push_back(entry.path());
  for (const fs::path& path : entries) {
    if (keep.count(path.string())) continue;
    const bool holdsKept = std::any_of(keep.begin(), keep.end(), [&](const std::string& kept) { return isUnder(kept, path.string()); });
    if (holdsKept) {
      clearBut(path, keep);
      continue;
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(path);
  }
}

void materialize(const std::string& root, const TreeImage& image, const std::set<std::string>& keep) {
  clearBut(root, keep);
  for (const auto& [path, node] : image) {
    if (node.folder) {
      fs::create_directories(path);
    } else {
      std::ofstream(path, std::ios::binary | std::ios::trunc).write(node.bytes.data(),
                                                                   static_cast<std::streamsize>(node.bytes.size()));
    }
    fs::permissions(path, static_cast<fs::perms>(node.mode), fs::perm_options::replace);
  }
}

CrashStates::CrashStates(const std::string& root, TreeImage before, const std::string& log,
                         const std::set<std::size_t>& ignoredFlushes)
    : root_(root), before_(std::move(before)), ignoredFlushes_(ignoredFlushes) {
  std::size_t start = 0;
  while (start < log.size()) {
    const std::size_t end = std::min(log.find('\n', start), log.size());
    if (std::optional<Operation> operation = operationOf(log.substr(start, end - start))) {
      if (!operation->paths.empty() && isUnder(operation->paths[0], root_)) operations_.push_back(std::move(*operation));
    }
    start = end + 1;
  }
}

std::size_t CrashStates::flushes() const {
  return static_cast<std::size_t>(
      std::count_if(operations_.begin(), operations_.end(), [](const Operation& op) { return op.name == "fsync"; }));
}

std::vector<TreeImage> CrashStates::statesAfter(std::size_t done) const {
  Model model(root_, before_);
  std::size_t flush = 0;
  for (std::size_t i = 0; i < done && i < operations_.size(); ++i) {
    const bool isFlush = operations_[i].name == "fsync";
    model.apply(operations_[i], isFlush && ignoredFlushes_.count(flush) > 0);
    if (isFlush) ++flush;
  }
  return model.crashStates();
}

}  // namespace testsupport
