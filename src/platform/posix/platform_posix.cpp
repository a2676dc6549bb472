// POSIX services: the program's own path and folder, the opening and reading
// of files, standard output. The Windows view of the installation's names,
// folders and registry is in windows_view.cpp.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <limits>

#include "platform/path_text.h"
#include "platform/platform.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/windows_view.h"

namespace platform {

namespace {

// Room for the longest path Linux hands over (PATH_MAX).
constexpr std::size_t kSystemPathBufferSize = 4096;

}  // namespace

char pathSeparator() { return '/'; }

std::string systemForm(const std::string& builtPath) { return posix::systemPath(builtPath); }

std::string programPath() {
  std::array<char, kSystemPathBufferSize> buffer{};
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  // A full buffer may hold a path cut short: no text rather than another path.
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

// The own folder of a program in the root is the empty text before its '/'.
void setCurrentFolder(const std::string& folder) { (void)::chdir(folder.empty() ? "/" : folder.c_str()); }

std::string currentFolder() {
  std::array<char, kSystemPathBufferSize> buffer{};
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return {};
  return std::string(buffer.data());
}

bool isExistingFile(const std::string& path) {
  return !path.empty() && posix::targetExists(path) && !posix::isFolder(path);
}

void File::close() {
  if (native_ != kNone) (void)::close(static_cast<int>(native_));
  native_ = kNone;
}

File openForReading(const std::string& builtPath, std::optional<FileFailure>* failure) {
  const std::string path = posix::systemPath(builtPath);
  // Neither Windows nor FS2002 can open such a file on a Wine disk.
  if (isDeviceName(fileNameOf(path))) {
    if (failure != nullptr && posix::isRegularFile(path)) *failure = FileFailure{FileFailure::Kind::DeviceName, {}};
    return File();
  }
  // Only regular files are scanned, as on Windows where a folder fails to open.
  const int fd = posix::openRegularFile(path, O_RDONLY);
  if (fd < 0) {
    const int error = errno;
    // Only a regular file that is there failed; anything else is no scenery file.
    if (failure != nullptr && posix::isRegularFile(path)) *failure = posix::fileFailureOf(error);
    return File();
  }
  return File(fd);
}

std::size_t readAt(const File& file, std::uint64_t position, std::span<std::uint8_t> into) {
  if (!file || position > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return 0;
  ssize_t got = 0;
  do {
    got = ::pread(static_cast<int>(file.native()), into.data(), into.size(), static_cast<off_t>(position));
  } while (got < 0 && errno == EINTR);
  return got < 0 ? 0 : static_cast<std::size_t>(got);
}

std::optional<std::uint64_t> fileSize(const File& file) {
  struct stat status {};
  if (!file || ::fstat(static_cast<int>(file.native()), &status) != 0 || status.st_size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(status.st_size);
}

bool replaceWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::string spelled = posix::spellingOnDisk(path);
  // A link is followed: the file it leads to is the listing, as a write through it would reach.
  if (posix::entryExists(spelled) && !posix::isRegularFile(spelled)) return false;
  const std::string target = posix::isLink(spelled) ? posix::resolvedPath(spelled) : spelled;
  const std::string temporary = target + ".trawlex-new";
  ::unlink(temporary.c_str());
  if (writeNewFile(temporary, bytes)) return false;
  if (replaceFile(temporary, target).replaced) return true;
  ::unlink(temporary.c_str());
  return false;
}

bool isLeadByte(char) { return false; }

bool listsNamesLowerCased() { return false; }

// A terminal here shows the bytes as they are.
ConsoleCodePage::ConsoleCodePage() = default;
ConsoleCodePage::~ConsoleCodePage() = default;

bool prepareStandardOutput() {
  const bool terminal = ::isatty(STDOUT_FILENO) == 1;
  // Without the block buffer the stream keeps its default; output is the same.
  if (!terminal) (void)std::setvbuf(stdout, nullptr, _IOFBF, kOutputBlockSize);
  return terminal;
}

}  // namespace platform
