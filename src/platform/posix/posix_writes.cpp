// Writing scenery and its backups on a POSIX disk: every call returns only
// once the file's bytes and its folder's entry are on the disk (fsync of the
// file, then of the folder), so that a power cut after it loses nothing.
// Every path is read as the reads read it (posix::systemPath: "." and ".."
// taken out as Windows takes them out), so that a restore checks, backs up
// and replaces the very file the scan checked, even where a ".." follows a
// symbolic link.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/windows_view.h"

namespace platform {

namespace {

// Makes the entries of the folder holding `path` durable.
bool syncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  errno = error;
  return synced;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return false;
    if (written == 0) {
      errno = EIO;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

// The permission bits a new file is made with: those of the file it is like,
// with the read-only mark as asked.
mode_t newFileMode(const NewFileMark& mark) {
  struct stat status {};
  const std::string like = posix::systemPath(mark.like);
  mode_t mode = ::stat(like.c_str(), &status) == 0 ? status.st_mode & 07777 : 0644;
  const mode_t writable = S_IWUSR | S_IWGRP | S_IWOTH;
  return mark.readOnly ? mode & ~writable : mode | S_IWUSR;
}

}  // namespace

std::optional<FileFailure> writeNewFile(const std::string& builtPath, std::span<const std::uint8_t> bytes,
                                        const std::optional<NewFileMark>& mark) {
  const std::string path = posix::systemPath(builtPath);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return posix::fileFailureOf(errno);
  int error = 0;
  // The mark goes with the file's first flush: no crash leaves it unmarked.
  if (mark && ::fchmod(fd, newFileMode(*mark)) != 0) error = errno;
  if (error == 0 && (!writeAll(fd, bytes) || ::fsync(fd) != 0)) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && !syncFolderOf(path)) error = errno;
  if (error == 0) return std::nullopt;
  ::unlink(path.c_str());
  return posix::fileFailureOf(error);
}

ReplaceOutcome replaceFile(const std::string& builtFrom, const std::string& builtTo) {
  const std::string from = posix::systemPath(builtFrom);
  const std::string to = posix::systemPath(builtTo);
  if (::rename(from.c_str(), to.c_str()) != 0) return {false, posix::fileFailureOf(errno)};
  if (!syncFolderOf(to)) return {true, posix::fileFailureOf(errno)};
  return {true, std::nullopt};
}

std::optional<FileFailure> createFolder(const std::string& builtPath) {
  const std::string path = posix::systemPath(builtPath);
  if (::mkdir(path.c_str(), 0777) != 0) return posix::fileFailureOf(errno);
  if (!syncFolderOf(path)) return posix::fileFailureOf(errno);
  return std::nullopt;
}

bool removeFile(const std::string& path) {
  return ::unlink(posix::systemPath(path).c_str()) == 0 || errno == ENOENT;
}

bool removeFolder(const std::string& builtPath) {
  const std::string path = posix::systemPath(builtPath);
  if (::rmdir(path.c_str()) != 0) return errno == ENOENT;
  (void)syncFolderOf(path);
  return true;
}

std::optional<bool> isReadOnly(const std::string& path) {
  struct stat status {};
  if (::stat(posix::systemPath(path).c_str(), &status) != 0) return std::nullopt;
  return (status.st_mode & S_IWUSR) == 0;
}

bool setReadOnly(const std::string& builtPath, bool readOnly) {
  const std::string path = posix::systemPath(builtPath);
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  // Taken from everyone; given back to the owner alone.
  const mode_t writable = S_IWUSR | S_IWGRP | S_IWOTH;
  const mode_t mode = readOnly ? status.st_mode & ~writable : status.st_mode | S_IWUSR;
  if (::chmod(path.c_str(), mode & 07777) != 0) return false;
  // A mark put back must outlive a power loss like the bytes it guards.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return true;
  (void)::fsync(fd);
  ::close(fd);
  return true;
}

FileFacts fileFacts(const std::string& builtPath) {
  const std::string path = posix::systemPath(builtPath);
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return {};
  FileFacts facts;
  if (S_ISLNK(status.st_mode)) {
    facts.kind = FileFacts::Kind::Link;
    char target[4096];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
    if (length > 0) facts.linkTarget.assign(target, static_cast<std::size_t>(length));
    return facts;
  }
  facts.kind = S_ISREG(status.st_mode) ? FileFacts::Kind::Regular : FileFacts::Kind::Other;
  facts.identity = std::pair{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
  facts.names = static_cast<std::uint32_t>(status.st_nlink);
  return facts;
}

bool isInUse(const std::string& builtPath) {
  // A write lease is refused while any other descriptor of the file is open,
  // in any process (a Wine program's included): the kernel's own answer.
  const int fd = posix::openRegularFile(posix::systemPath(builtPath), O_RDONLY);
  if (fd < 0) return false;
  const bool held = ::fcntl(fd, F_SETLEASE, F_WRLCK) != 0 && errno == EAGAIN;
  if (!held) (void)::fcntl(fd, F_SETLEASE, F_UNLCK);
  ::close(fd);
  return held;
}

std::string utf8FromSystemText(std::string_view text) { return std::string(text); }
std::string systemTextFromUtf8(std::string_view text) { return std::string(text); }

}  // namespace platform
