#pragma once
// A program run with both standard streams on pipes, spoken to a line at a time: the way an
// assistant runs a stdio server. Header-only so that tests and benchmarks share it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace lanzhou::testing {

class ChildPipes {
 public:
  // Starts binary with the arguments; its standard error goes to err_path ("" keeps ours).
  ChildPipes(const std::string& binary, const std::vector<std::string>& arguments,
             const std::string& err_path = "") {
    int to_child[2];
    int from_child[2];
    // Close-on-exec: no other program started meanwhile holds our ends, so that closing the input
    // really ends it (dup2 clears the flag on the child's own 0 and 1).
    if (pipe2(to_child, O_CLOEXEC) != 0 || pipe2(from_child, O_CLOEXEC) != 0) return;
    signal(SIGPIPE, SIG_IGN);  // a child that ended must not end us on the next write
    pid_ = fork();
    if (pid_ == 0) {
      dup2(to_child[0], 0);
      dup2(from_child[1], 1);
      // A pipe end that already was 0 or 1 (a parent started without them) keeps its flag.
      fcntl(0, F_SETFD, 0);
      fcntl(1, F_SETFD, 0);
      if (!err_path.empty()) {
        if (FILE* f = std::fopen(err_path.c_str(), "w")) dup2(fileno(f), 2);
      }
      close(to_child[1]);
      close(from_child[0]);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(binary.c_str()));
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(binary.c_str(), argv.data());
      _exit(127);
    }
    close(to_child[0]);
    close(from_child[1]);
    in_ = to_child[1];
    out_ = from_child[0];
  }
  ~ChildPipes() {
    CloseInput();
    if (out_ >= 0) close(out_);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  ChildPipes(const ChildPipes&) = delete;
  ChildPipes& operator=(const ChildPipes&) = delete;

  // Writes text and a newline; false when the child no longer reads.
  bool Send(const std::string& line) {
    std::string bytes = line + "\n";
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(in_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }
  // The next line the child writes, without its newline; nothing when it ends or stays silent
  // for `wait`.
  std::optional<std::string> Receive(std::chrono::milliseconds wait = std::chrono::seconds(20)) {
    for (;;) {
      const std::size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
      }
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(wait.count())) <= 0) return std::nullopt;
      char chunk[65536];
      const ssize_t n = read(out_, chunk, sizeof chunk);
      if (n <= 0) return std::nullopt;
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  void CloseInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
  }
  // The exit status after the input was closed; -1 when it did not end normally.
  int Wait() {
    CloseInput();
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  [[nodiscard]] bool Started() const { return pid_ > 0; }
  [[nodiscard]] pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string buffer_;
};

}  // namespace lanzhou::testing
