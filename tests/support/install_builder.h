#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/bgl_builder.h"

namespace testsupport {

// One Scenery.cfg section: its name (normally "Area.NNN") and Local value.
struct AreaEntry {
  std::string section;
  std::string local;
};

// The Area.NNN section name of area `number`.
std::string areaSection(unsigned number);

// Scenery.cfg text in the simulator's own shape: a [General] section, then
// one section per area with Title, Local, Layer and Active keys; CR LF line ends.
std::string sceneryConfig(const std::vector<AreaEntry>& areas);

// A synthetic FS2002 installation under `root`: FS2002/SCENEDB, FS2002/Tools
// and whatever the test adds.
class InstallBuilder {
 public:
  explicit InstallBuilder(const std::filesystem::path& root);

  const std::filesystem::path& host() const { return host_; }
  std::filesystem::path tools() const { return host_ / "Tools"; }

  // Writes Scenery.cfg (the given name lets tests vary its letter case).
  InstallBuilder& config(const std::vector<AreaEntry>& areas, const std::string& name = "Scenery.cfg");

  // Writes a file under the host folder; `relative` uses '/' separators.
  InstallBuilder& file(const std::string& relative, const Bytes& bytes);

  // Copies the program into the Tools folder and returns the copy's path.
  std::filesystem::path installProgram(const std::filesystem::path& program) const;

 private:
  std::filesystem::path host_;
};

}  // namespace testsupport
