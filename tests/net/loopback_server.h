#pragma once
// A scripted HTTP peer on 127.0.0.1 for the network tests: records the exact bytes each
// connection sent and answers with raw reply bytes, so malformed and hostile replies are easy.
// Every wait is bounded, so a client fault fails a test instead of hanging it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace lanzhou::net::testing {

using namespace std::chrono_literals;

// The script for one accepted connection.
struct Reply {
  std::string bytes;          // sent once the request head (up to the empty line) has arrived
  bool hold_open = false;     // after sending, wait for the client to close instead of closing
  bool byte_by_byte = false;  // send one byte per segment, to split the reply across reads
};

class LoopbackServer {
 public:
  // Listens on an ephemeral port of 127.0.0.1 and serves replies[i] to the i-th connection;
  // later connections are accepted, counted and closed. on_request runs on the server thread.
  explicit LoopbackServer(std::vector<Reply> replies, std::function<void()> on_request = {})
      : replies_(std::move(replies)), on_request_(std::move(on_request)) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listen_fd_ < 0) throw std::runtime_error("socket");
    sockaddr_in addr = LoopbackAddress(0);
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listen_fd_, 16) != 0) {
      ::close(listen_fd_);
      throw std::runtime_error("bind/listen on 127.0.0.1");
    }
    socklen_t len = sizeof addr;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;
  ~LoopbackServer() {
    (void)Finish();
    ::close(listen_fd_);
  }

  [[nodiscard]] std::uint16_t port() const { return port_; }
  [[nodiscard]] std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // Everything each served connection sent, in order of connection.
  [[nodiscard]] std::vector<std::string> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  // How many held connections ended because the client closed them.
  [[nodiscard]] int ClosedByClient() const { return closed_by_client_; }

  // Waits up to `limit` until `count` connections have sent their request head or closed.
  bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit = 10s) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, limit, [&] { return heads_seen_ >= count; });
  }

  // Stops serving and returns how many connections were made, counting any still queued.
  int Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    pollfd p{listen_fd_, POLLIN, 0};
    while (::poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
      const int fd = ::accept(listen_fd_, nullptr, nullptr);
      if (fd < 0) break;
      ++connections_;
      ::close(fd);
    }
    return connections_;
  }

 private:
  static sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
  }

  // Waits for fd to become readable, up to `limit` or until the server stops.
  bool WaitReadable(int fd, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 20) > 0) return true;
    }
    return false;
  }

  void Serve() {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    std::size_t served = 0;
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
      pollfd p{listen_fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const int fd = ::accept(listen_fd_, nullptr, nullptr);
      if (fd < 0) continue;
      ++connections_;
      if (served < replies_.size()) ServeOne(fd, replies_[served++]);
      ::close(fd);
    }
  }

  void ServeOne(int fd, const Reply& reply) {
    const timeval send_limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &send_limit, sizeof send_limit);
    std::size_t index;
    {
      std::lock_guard lock(mutex_);
      index = requests_.size();
      requests_.emplace_back();
    }
    // The head ends at the empty line; a client that closes (or stalls) first gets no reply.
    bool peer_closed = false;
    while (!peer_closed && RequestOf(index).find("\r\n\r\n") == std::string::npos) {
      peer_closed = ReadSome(fd, index, 5s) != Read::kData;
    }
    // The callback first: a test woken by WaitForRequests finds what it recorded.
    if (on_request_ && !peer_closed) on_request_();
    {
      std::lock_guard lock(mutex_);
      ++heads_seen_;
    }
    cv_.notify_all();
    if (peer_closed) return;

    if (reply.byte_by_byte) {
      const int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      for (const char c : reply.bytes) {
        if (::send(fd, &c, 1, MSG_NOSIGNAL) != 1) break;
        std::this_thread::sleep_for(1ms);
      }
    } else {
      std::size_t sent = 0;
      while (sent < reply.bytes.size()) {
        const ssize_t n =
            ::send(fd, reply.bytes.data() + sent, reply.bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;  // the client gave up reading; that is its right
        sent += static_cast<std::size_t>(n);
      }
    }
    // A closed reply ends with our FIN; then everything else the client sends is still recorded
    // (a second request on this connection would show up here) until it closes.
    if (!reply.hold_open) ::shutdown(fd, SHUT_WR);
    Read read;
    do {
      read = ReadSome(fd, index, reply.hold_open ? 15s : 5s);
    } while (read == Read::kData);
    if (reply.hold_open && read == Read::kClosed) ++closed_by_client_;
  }

  enum class Read { kData, kClosed, kTimedOut };

  // Appends what arrives on fd to request `index`.
  Read ReadSome(int fd, std::size_t index, std::chrono::milliseconds limit) {
    if (!WaitReadable(fd, limit)) return Read::kTimedOut;
    char chunk[4096];
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return Read::kClosed;  // FIN or reset
    std::lock_guard lock(mutex_);
    requests_[index].append(chunk, static_cast<std::size_t>(n));
    return Read::kData;
  }

  std::string RequestOf(std::size_t index) const {
    std::lock_guard lock(mutex_);
    return requests_[index];
  }

  std::vector<Reply> replies_;
  std::function<void()> on_request_;
  int listen_fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> closed_by_client_{0};
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<std::string> requests_;
  std::size_t heads_seen_ = 0;
  std::thread thread_;
};

// A port of 127.0.0.1 on which nothing listens, for as long as this lives: the socket stays
// bound but never listens, so connections are refused and no other test process that binds
// port 0 in the meantime can be given the same port.
class ClosedPort {
 public:
  ClosedPort() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      if (fd_ >= 0) ::close(fd_);
      throw std::runtime_error("cannot bind a port on 127.0.0.1");
    }
    port_ = ntohs(addr.sin_port);
  }
  ~ClosedPort() { ::close(fd_); }
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;
  [[nodiscard]] std::uint16_t port() const { return port_; }

 private:
  int fd_;
  std::uint16_t port_ = 0;
};

}  // namespace lanzhou::net::testing
