#include "system/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
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

// A name beside the target that no other writer (thread or process) picks at the same moment.
[[nodiscard]] fs::path TemporaryName(const fs::path& path) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 random{std::random_device{}()};
  const std::string suffix = ".tmp-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter.fetch_add(1)) + "-" +
                             std::to_string(random() % 1000000);
  fs::path name = path;
  name.replace_filename("." + path.filename().string() + suffix);
  return name;
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

void WriteFileAtomically(const fs::path& path, std::string_view bytes, fs::perms add_mode) {
  if (path.filename().empty()) ThrowCreate(path, EISDIR);

  // Through a symbolic link the file it points to is replaced, and the link stays a link.
  fs::path target = path;
  std::error_code link_error;
  if (fs::is_symlink(path, link_error)) {
    fs::path resolved = fs::weakly_canonical(path, link_error);
    if (!link_error) target = std::move(resolved);
  }

  // Keep the permissions of the file being replaced; a new file follows the umask as open does.
  struct stat old_status {};
  const bool replacing = ::stat(target.c_str(), &old_status) == 0;
  if (replacing && S_ISDIR(old_status.st_mode)) ThrowCreate(path, EISDIR);

  int fd = -1;
  fs::path temporary;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = TemporaryName(target);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) ThrowCreate(path, errno);
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
  // The data must be on disk before the rename makes it the file; otherwise a crash could leave
  // an empty file under the old name.
  if (::fsync(fd) != 0) ThrowWrite(path, errno);
  if (const int error = file.Close(); error != 0) ThrowWrite(path, error);
  if (::rename(file.path().c_str(), target.c_str()) != 0) ThrowCreate(path, errno);
  file.Release();
}

}  // namespace lanzhou::system
