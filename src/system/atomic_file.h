#pragma once
// Replacing a file whole or not at all: the bytes go to a fresh file beside the target, which is
// renamed over the target only once every byte is written and flushed. A failure leaves the old
// file (if any) untouched and removes the half-written one. A file is never written in place:
// where no file can be made beside the target (a writable file in a read-only folder) the write
// is refused with the reason. A temporary file left by a killed writer is removed by the next
// write of the same target.
#include <filesystem>
#include <span>
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

// Writes `bytes` as the whole content of `path`, replacing an existing file. A symbolic link
// (also one whose target does not exist yet) is followed: the file it points to is written and
// the link stays. Anything but a regular file (a device, a FIFO, a socket, a folder) is refused.
// The new file gets the old file's permission bits, or 0666 less the umask when there was none,
// plus `add_mode`. Throws FileWriteError; then `path` is as it was and no temporary file remains.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::filesystem::perms add_mode = std::filesystem::perms::none);

// One file of a set written together.
struct FileContent {
  std::filesystem::path path;
  std::string_view bytes;
};

// Writes a set of files that belong together (the four tables of a folder): every file is
// written and flushed beside its target first, and only then are they renamed into place, so a
// full disk or any other failure while writing leaves the whole old set. Throws FileWriteError.
void WriteFilesAtomically(std::span<const FileContent> files);

}  // namespace lanzhou::system
