#pragma once
// Replacing a file whole or not at all: the bytes go to a fresh file beside the target, which is
// renamed over the target only once every byte is written and flushed. A failure leaves the old
// file (if any) untouched and removes the half-written one. Where no file can be made beside the
// target (a writable file in a read-only folder) the file is written in place instead, and the
// caller is told so.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lanzhou::system {

// A file that could not be written; what() is the text shown to the user, in the form
// `Cannot create file "<path>". <reason>` or `Cannot write file "<path>". <reason>`.
// The parts stay available for callers that word the message themselves.
class FileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  FileWriteError(const std::string& text, std::filesystem::path path, bool creating, int error)
      : std::runtime_error(text), path_(std::move(path)), creating_(creating), error_(error) {}
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  // True when the file could not be made at all, false when its bytes could not be written.
  [[nodiscard]] bool creating() const { return creating_; }
  // The errno value of the failure (0 when unknown).
  [[nodiscard]] int error() const { return error_; }

 private:
  std::filesystem::path path_;
  bool creating_ = false;
  int error_ = 0;
};

// How the content reached the file.
enum class WriteOutcome {
  kReplaced,  // a complete new file took the old one's place at once
  kInPlace,   // the folder takes no new file: the existing file was overwritten where it is, so
              // a failure half-way would have left it cut short
};

// Writes `bytes` as the whole content of `path`, replacing an existing file. A symbolic link
// (also one whose target does not exist yet) is followed: the file it points to is written and
// the link stays. Anything but a regular file (a device, a FIFO, a socket, a folder) is refused.
// The new file gets the old file's permission bits, or 0666 less the umask when there was none,
// plus `add_mode`. Throws FileWriteError; then `path` is as it was and no temporary file remains
// (after kInPlace writing began, the file may be cut short).
WriteOutcome WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                 std::filesystem::perms add_mode = std::filesystem::perms::none);

}  // namespace lanzhou::system
