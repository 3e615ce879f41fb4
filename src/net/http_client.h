#pragma once
// The program's one kind of HTTP request: a plain GET of a small file, no proxy, no credentials,
// no redirects, no time limit. Boost stays out of this header so the window need not see it.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <string_view>

namespace lanzhou::net {

// Why a GET failed. Reply-based failures also carry the reply's status.
enum class HttpFailure {
  kBadUrl,          // not an http:// address we can fetch
  kConnect,         // name resolution or the TCP connection failed
  kRedirect,        // 3xx, or a reply with a Location header: redirects are not followed
  kAuthentication,  // 401 or 407: no credentials are configured
  kStatus,          // any other status outside 2xx
  kBrokenTransfer,  // the connection ended or broke before the reply was complete
  kProtocol,        // the reply is not well-formed HTTP
  kTooLarge,        // the reply's header or body passes the size cap
  kStopped,         // the caller asked the request to stop
};

// A failed GET: what went wrong and, for a received reply, its status (0 otherwise).
class HttpError : public std::runtime_error {
 public:
  HttpError(HttpFailure failure, int status, const std::string& what);
  [[nodiscard]] HttpFailure failure() const noexcept { return failure_; }
  [[nodiscard]] int status() const noexcept { return status_; }

 private:
  HttpFailure failure_;
  int status_;
};

// The parts of an http:// address that the request needs.
struct Url {
  std::string host;
  std::uint16_t port = 80;
  std::string path = "/";  // path and query, never empty; a fragment is dropped

  // The Host header's value: the host alone on port 80, else host + ":" + port.
  [[nodiscard]] std::string HostHeader() const;
};

// Splits "http://host[:port][/path]" (scheme case-insensitive); throws HttpError kBadUrl otherwise.
[[nodiscard]] Url SplitUrl(std::string_view url);

// The exact request bytes sent for url: request line, Content-Type, Host, Accept, User-Agent.
[[nodiscard]] std::string RequestText(const Url& url);

// Largest reply body accepted. The only file fetched holds 10 bytes; the cap keeps a hostile or
// broken server from filling memory.
inline constexpr std::size_t kMaxBodyBytes = 64 * 1024;
// "100 Continue" replies accepted before the real one; one more fails the fetch (kProtocol).
inline constexpr int kMaxInterimReplies = 8;

// GETs url and returns the 2xx reply body as raw bytes; throws HttpError on any failure.
// Waits without a time limit; a stop request ends the wait with HttpFailure::kStopped.
[[nodiscard]] std::string HttpGetText(std::string_view url, std::stop_token stop = {});

// Reads `reply`, the bytes a server sent before closing its end, exactly as HttpGetText reads its
// socket: the 2xx body, or HttpError for everything HttpGetText refuses. `chunk` caps the bytes
// handed over per read (0: no cap), as a reply arriving in pieces. No network is involved.
[[nodiscard]] std::string ReadReplyBytes(std::string_view reply, std::size_t chunk = 0);

}  // namespace lanzhou::net
