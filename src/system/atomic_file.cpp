#include "system/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
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

// A short name beside the target that no other writer (thread or process) picks at the same
// moment. It does not repeat the target's name, so a target whose name is already as long as a
// name may be still gets one.
[[nodiscard]] fs::path TemporaryName(const fs::path& path) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 random{std::random_device{}()};
  const unsigned mix =
      random() ^ (counter.fetch_add(1) * 2654435761u) ^ static_cast<unsigned>(::getpid());
  char name[24];
  std::snprintf(name, sizeof name, ".lzx%08x.tmp", mix);
  fs::path result = path;
  result.replace_filename(name);
  return result;
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

// The fallback where the folder takes no new file: the existing file is truncated and written.
WriteOutcome WriteInPlace(const fs::path& path, const fs::path& target, std::string_view bytes) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) ThrowCreate(path, errno);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  WriteAll(path, fd, bytes);
  if (::fsync(fd) != 0) ThrowWrite(path, errno);
  return WriteOutcome::kInPlace;
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

}  // namespace

WriteOutcome WriteFileAtomically(const fs::path& path, std::string_view bytes, fs::perms add_mode) {
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

  int fd = -1;
  fs::path temporary;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = TemporaryName(target);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno == EEXIST) continue;
    // A folder that takes no new file may still hold a file we can write.
    if (replacing && (errno == EACCES || errno == EPERM || errno == EROFS)) {
      return WriteInPlace(path, target, bytes);
    }
    ThrowCreate(path, errno);
  }
  if (fd < 0) ThrowCreate(path, EEXIST);
  TemporaryFile file(temporary, fd);

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
  if (const int error = file.Close(); error != 0) ThrowWrite(path, error);
  if (::rename(file.path().c_str(), target.c_str()) != 0) {
    const int error = errno;
    // A file that cannot be renamed over (a mount point of its own, for one) can still be
    // written where it is; the temporary file goes when `file` does.
    if (replacing && (error == EBUSY || error == EXDEV || error == EPERM || error == EACCES)) {
      return WriteInPlace(path, target, bytes);
    }
    ThrowCreate(path, error);
  }
  file.Release();
  return WriteOutcome::kReplaced;
}

}  // namespace lanzhou::system
