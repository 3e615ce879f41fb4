#include "system/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <memory>
#include <vector>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace lanzhou::system {
namespace {

namespace fs = std::filesystem;

[[nodiscard]] std::string Reason(int error) {
  return std::strerror(error);
}

[[noreturn]] void ThrowCreate(const fs::path& path, int error) {
  throw FileWriteError("Cannot create file \"" + path.string() + "\". " + Reason(error), path,
                       true, error);
}

[[noreturn]] void ThrowWrite(const fs::path& path, int error) {
  throw FileWriteError("Cannot write file \"" + path.string() + "\". " + Reason(error), path,
                       false, error);
}

// Temporary files of one target begin alike: ".lzx" and a hash of the target's name, so the next
// write of that target finds the ones a killed writer left. The name does not repeat the
// target's, so a target whose name is already as long as a name may be still gets one.
[[nodiscard]] std::string TemporaryPrefix(const fs::path& target) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (const char c : target.filename().string()) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  }
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, ".lzx%08x-", hash);
  return prefix;
}

// The prefix, then the writing process (so a leftover can be told from a file in use), then a
// part no other writer of this process picks at the same moment.
[[nodiscard]] fs::path TemporaryName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 random{std::random_device{}()};
  const unsigned mix = (random() ^ (counter.fetch_add(1) * 2654435761u)) & 0xFFFFFFu;
  char rest[40];
  std::snprintf(rest, sizeof rest, "%ld-%06x.tmp", static_cast<long>(::getpid()), mix);
  fs::path result = target;
  result.replace_filename(TemporaryPrefix(target) + rest);
  return result;
}

// Removes the temporary files of `target` whose writer no longer runs: a writer killed between
// creating its file and renaming it leaves one behind.
void RemoveLeftovers(const fs::path& target) {
  const std::string prefix = TemporaryPrefix(target);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) return;
  const long self = static_cast<long>(::getpid());
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name(entry->d_name);
    if (!name.starts_with(prefix) || !name.ends_with(".tmp")) continue;
    long pid = 0;
    const char* first = name.data() + prefix.size();
    const auto [end, ec] = std::from_chars(first, name.data() + name.size(), pid);
    if (ec != std::errc() || *end != '-' || pid <= 0 || pid == self) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
  }
}

// The file a path names once every symbolic link is followed, also a link to a file that does
// not exist yet. Throws for a loop of links.
[[nodiscard]] fs::path FollowLinks(const fs::path& path) {
  fs::path target = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(target, ec))) return target;
    const fs::path link = fs::read_symlink(target, ec);
    if (ec) ThrowCreate(path, ec.value());
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  ThrowCreate(path, ELOOP);
}

void WriteAll(const fs::path& path, int fd, std::string_view bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowWrite(path, errno);
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

// Closes and removes the temporary file unless released.
class TemporaryFile {
 public:
  TemporaryFile(fs::path path, int fd) : path_(std::move(path)), fd_(fd) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!released_) ::unlink(path_.c_str());
  }
  [[nodiscard]] int fd() const { return fd_; }
  [[nodiscard]] const fs::path& path() const { return path_; }
  // Closes the descriptor; returns 0 or the error number.
  [[nodiscard]] int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }
  void Release() { released_ = true; }

 private:
  fs::path path_;
  int fd_;
  bool released_ = false;
};

// A temporary file written and flushed beside its target, waiting to be renamed over it.
struct Prepared {
  fs::path path;    // as the caller named it, for messages
  fs::path target;  // the file the path names, links followed
  std::unique_ptr<TemporaryFile> file;
};

Prepared Prepare(const fs::path& path, std::string_view bytes, fs::perms add_mode) {
  if (path.filename().empty()) ThrowCreate(path, EISDIR);

  // Through a symbolic link the file it points to is written, and the link stays a link.
  const fs::path target = FollowLinks(path);

  // Keep the permissions of the file being replaced; a new file follows the umask as open does.
  struct stat old_status {};
  const bool replacing = ::stat(target.c_str(), &old_status) == 0;
  if (replacing && S_ISDIR(old_status.st_mode)) ThrowCreate(path, EISDIR);
  if (replacing && !S_ISREG(old_status.st_mode)) {
    // A device node or a FIFO would be replaced by a plain file: refuse rather than destroy it.
    throw FileWriteError("Cannot create file \"" + path.string() +
                         "\". It is not a regular file (a device, FIFO or socket)");
  }
  RemoveLeftovers(target);

  int fd = -1;
  fs::path temporary;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = TemporaryName(target);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno == EEXIST) continue;
    const int error = errno;
    // Writing the old file where it is would leave it cut short by a full disk or a crash.
    throw FileWriteError("Cannot create file \"" + path.string() + "\". " + Reason(error) +
                             (replacing ? ": no new file can be made in its folder, and the "
                                          "file is never overwritten where it is"
                                        : ""),
                         path, true, error);
  }
  if (fd < 0) ThrowCreate(path, EEXIST);
  auto file = std::make_unique<TemporaryFile>(temporary, fd);

  if (replacing && ::fchmod(fd, old_status.st_mode & 07777) != 0) ThrowCreate(path, errno);
  if (add_mode != fs::perms::none) {
    struct stat now {};
    if (::fstat(fd, &now) != 0 ||
        ::fchmod(fd, (now.st_mode & 07777) | static_cast<mode_t>(add_mode)) != 0) {
      ThrowCreate(path, errno);
    }
  }

  WriteAll(path, fd, bytes);
  // The data must be on disk before the rename makes it the file; otherwise a crash could leave
  // an empty file under the old name.
  if (::fsync(fd) != 0) ThrowWrite(path, errno);
  if (const int error = file->Close(); error != 0) ThrowWrite(path, error);
  return {path, target, std::move(file)};
}

void Commit(Prepared& prepared) {
  if (::rename(prepared.file->path().c_str(), prepared.target.c_str()) != 0) {
    ThrowCreate(prepared.path, errno);
  }
  prepared.file->Release();
}

}  // namespace

void WriteFileAtomically(const fs::path& path, std::string_view bytes, fs::perms add_mode) {
  Prepared prepared = Prepare(path, bytes, add_mode);
  Commit(prepared);
}

void WriteFilesAtomically(std::span<const FileContent> files) {
  std::vector<Prepared> prepared;
  prepared.reserve(files.size());
  for (const FileContent& f : files) prepared.push_back(Prepare(f.path, f.bytes, fs::perms::none));
  // Every byte of every file is on disk; what is left are renames, which need no space.
  for (Prepared& p : prepared) Commit(p);
}

}  // namespace lanzhou::system
