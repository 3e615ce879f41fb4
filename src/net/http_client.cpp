#include "net/http_client.h"

#include <boost/asio/async_result.hpp>
#include <boost/asio/buffer.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/connect.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/field.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <exception>
#include <utility>
#include <vector>

#include "net/tcp_connect.h"
#include "text/ascii.h"

namespace lanzhou::net {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using asio::ip::tcp;
using boost::system::error_code;

// Status line and headers; a version reply needs a few hundred bytes at most.
constexpr std::size_t kMaxHeaderBytes = 16 * 1024;

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         lanzhou::text::EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

[[noreturn]] void BadUrl(std::string_view url, const char* why) {
  throw HttpError(HttpFailure::kBadUrl, 0, "cannot fetch \"" + std::string(url) + "\": " + why);
}

// Redirects are not followed, and no credentials exist to answer 401/407.
void CheckStatus(int status, bool has_location) {
  const std::string code = std::to_string(status);
  if (status / 100 == 2 && !has_location) return;
  if (status != 304 && (status / 100 == 3 || has_location)) {
    throw HttpError(HttpFailure::kRedirect, status, "HTTP " + code + ": redirect not followed");
  }
  if (status == 401 || status == 407) {
    throw HttpError(HttpFailure::kAuthentication, status, "HTTP " + code + ": no credentials");
  }
  throw HttpError(HttpFailure::kStatus, status, "HTTP " + code);
}

HttpError ReadFailure(const error_code& ec, int status) {
  const std::string what = "reading the reply: " + ec.message();
  if (ec == http::error::body_limit || ec == http::error::header_limit ||
      ec == http::error::buffer_overflow) {
    return HttpError(HttpFailure::kTooLarge, status, what);
  }
  const bool is_http_error =
      ec.category() == make_error_code(http::error::end_of_stream).category();
  if (!is_http_error || ec == http::error::end_of_stream || ec == http::error::partial_message) {
    return HttpError(HttpFailure::kBrokenTransfer, status, what);
  }
  return HttpError(HttpFailure::kProtocol, status, what);
}

// Where the header block at the start of text ends (just after its empty line), ending its lines
// in CR LF or, as browsers accept, in LF alone; npos while it has not ended.
std::size_t HeaderEnd(std::string_view text) {
  for (std::size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1)) {
    if (i + 1 < text.size() && text[i + 1] == '\n') return i + 2;
    if (i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n') return i + 3;
  }
  return std::string_view::npos;
}

// The header block with every line ending in CR LF, as the parser requires.
std::string WithCrLf(std::string_view header) {
  std::string out;
  out.reserve(header.size() + 32);
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (header[i] == '\n' && (i == 0 || header[i - 1] != '\r')) out += '\r';
    out += header[i];
  }
  return out;
}

// Reads one reply (after at most kMaxInterimReplies 100 replies) from stream into body; throws
// HttpError. Shared by the socket and by ReadReplyBytes, so a reply given as bytes meets exactly
// the socket's parsing. The header block is gathered here, so lines ending in LF alone read as
// lines ending in CR LF; the body is handed on as it came.
template <typename AsyncReadStream>
asio::awaitable<void> ReadReply(AsyncReadStream& stream, std::string& body) {
  error_code ec;
  // The buffer's cap bounds memory the parser's limits do not: chunk headers and trailers.
  beast::flat_buffer buffer(kMaxHeaderBytes + kMaxBodyBytes);
  int interim = 0;
  for (;;) {
    std::size_t end = std::string_view::npos;
    for (;;) {
      const auto bytes = buffer.cdata();
      const std::string_view seen(static_cast<const char*>(bytes.data()), bytes.size());
      end = HeaderEnd(seen);
      if (end != std::string_view::npos) break;
      if (seen.size() >= kMaxHeaderBytes) throw ReadFailure(http::error::header_limit, 0);
      const std::size_t n = co_await stream.async_read_some(
          buffer.prepare(std::min<std::size_t>(4096, kMaxHeaderBytes - seen.size())),
          asio::redirect_error(asio::use_awaitable, ec));
      buffer.commit(n);
      if (ec) {
        throw ReadFailure(seen.empty() && n == 0 ? error_code(http::error::end_of_stream)
                                                 : error_code(http::error::partial_message),
                          0);
      }
    }
    const auto bytes = buffer.cdata();
    const std::string header =
        WithCrLf(std::string_view(static_cast<const char*>(bytes.data()), end));
    buffer.consume(end);
    http::response_parser<http::string_body> parser;
    parser.header_limit(kMaxHeaderBytes);
    // The body cap is kept here, not by the parser: Beast counts a chunk's announced size
    // against its limit each time it re-reads an unfinished chunk header, so a reply arriving
    // in small pieces could pass for too large. Announced sizes are counted once each, when
    // their chunk header is whole; what arrives is counted after each read below.
    parser.body_limit(boost::none);
    std::uint64_t announced = 0;
    auto count_chunk = [&announced](std::uint64_t size, beast::string_view, error_code& chunk_ec) {
      announced += std::min<std::uint64_t>(size, kMaxBodyBytes + 1);
      if (announced > kMaxBodyBytes) chunk_ec = http::error::body_limit;
    };
    parser.on_chunk_header(count_chunk);
    parser.put(asio::buffer(header), ec);
    if (!ec && !parser.is_header_done()) ec = http::error::partial_message;
    if (ec) throw ReadFailure(ec, 0);
    const int status = static_cast<int>(parser.get().result_int());
    if (status == 100) {
      // Interim reply without a body; the real one follows. A server that sends nothing else
      // would keep the client here for ever.
      if (++interim > kMaxInterimReplies) {
        throw HttpError(HttpFailure::kProtocol, status,
                        "more than " + std::to_string(kMaxInterimReplies) + " interim replies");
      }
      continue;
    }
    CheckStatus(status, parser.get().count(http::field::location) > 0);
    // Beast ends the body by Content-Length, by the last chunk or at close; 204 has none.
    if (const auto length = parser.content_length(); length && *length > kMaxBodyBytes) {
      throw ReadFailure(http::error::body_limit, status);
    }
    while (!parser.is_done()) {
      co_await http::async_read_some(stream, buffer, parser,
                                     asio::redirect_error(asio::use_awaitable, ec));
      if (!ec && parser.get().body().size() > kMaxBodyBytes) ec = http::error::body_limit;
      if (ec) throw ReadFailure(ec, status);
    }
    body = parser.release().body();
    co_return;
  }
}

// Connects, sends the request and reads the reply into body; throws HttpError.
asio::awaitable<void> Exchange(const std::vector<tcp::endpoint>& endpoints,
                               const std::string& request, std::string& body) {
  tcp::socket socket(co_await asio::this_coro::executor);
  error_code ec;
  co_await asio::async_connect(socket, endpoints, asio::redirect_error(asio::use_awaitable, ec));
  if (ec) throw HttpError(HttpFailure::kConnect, 0, "cannot connect: " + ec.message());
  co_await asio::async_write(socket, asio::buffer(request),
                             asio::redirect_error(asio::use_awaitable, ec));
  if (ec) throw HttpError(HttpFailure::kBrokenTransfer, 0, "cannot send: " + ec.message());
  co_await ReadReply(socket, body);
}

// A read-only stream over bytes in memory, for ReadReplyBytes: hands out at most `chunk` bytes
// per read (0: as many as asked for), then end of file, as a server that closes after replying.
class BytesReadStream {
 public:
  using executor_type = asio::any_io_executor;

  BytesReadStream(executor_type executor, std::string_view bytes, std::size_t chunk)
      : executor_(std::move(executor)), rest_(bytes), chunk_(chunk) {}
  [[nodiscard]] executor_type get_executor() const { return executor_; }

  template <typename MutableBufferSequence, typename ReadToken>
  auto async_read_some(const MutableBufferSequence& buffers, ReadToken&& token) {
    return asio::async_initiate<ReadToken, void(error_code, std::size_t)>(
        [this](auto handler, const MutableBufferSequence& into) {
          std::string_view piece = rest_;
          if (chunk_ != 0 && piece.size() > chunk_) piece = piece.substr(0, chunk_);
          const std::size_t n = asio::buffer_copy(into, asio::buffer(piece.data(), piece.size()));
          rest_.remove_prefix(n);
          const error_code ec =
              n == 0 && asio::buffer_size(into) != 0 ? error_code(asio::error::eof) : error_code();
          // Completing through the executor, never inline, as a socket does.
          asio::post(executor_,
                     [handler = std::move(handler), ec, n]() mutable { handler(ec, n); });
        },
        token, buffers);
  }

 private:
  executor_type executor_;
  std::string_view rest_;
  std::size_t chunk_;
};

}  // namespace

HttpError::HttpError(HttpFailure failure, int status, const std::string& what)
    : std::runtime_error(what), failure_(failure), status_(status) {}

std::string Url::HostHeader() const {
  return port == 80 ? host : host + ":" + std::to_string(port);
}

Url SplitUrl(std::string_view url) {
  constexpr std::string_view kScheme = "http://";
  if (!StartsWithIgnoreCase(url, kScheme)) BadUrl(url, "not an http:// address");
  for (const char c : url) {
    // Such bytes would break the request line or the Host header.
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) BadUrl(url, "space or control byte");
  }
  std::string_view rest = url.substr(kScheme.size());
  rest = rest.substr(0, rest.find('#'));  // fragments stay with the client
  const std::size_t path_start = rest.find_first_of("/?");
  const std::string_view authority = rest.substr(0, path_start);
  if (authority.find('@') != std::string_view::npos) BadUrl(url, "user names are not supported");
  if (authority.find('[') != std::string_view::npos) BadUrl(url, "IPv6 hosts are not supported");

  Url out;
  const std::size_t colon = authority.find(':');
  out.host = std::string(authority.substr(0, colon));
  if (out.host.empty()) BadUrl(url, "no host");
  if (colon != std::string_view::npos) {
    const std::string_view digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) BadUrl(url, "bad port");
    unsigned value = 0;
    for (const char c : digits) {
      if (c < '0' || c > '9') BadUrl(url, "bad port");
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) BadUrl(url, "bad port");
    out.port = static_cast<std::uint16_t>(value);
  }
  if (path_start != std::string_view::npos) {
    const std::string_view path = rest.substr(path_start);
    out.path = path.front() == '?' ? "/" + std::string(path) : std::string(path);
  }
  return out;
}

std::string RequestText(const Url& url) {
  // Written by hand so the bytes and the header order are exactly these; no Content-Length.
  return "GET " + url.path + " HTTP/1.1\r\n" +
         "Content-Type: text/html\r\n"
         "Host: " +
         url.HostHeader() +
         "\r\n"
         "Accept: text/html, */*\r\n"
         "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
         "\r\n";
}

std::string HttpGetText(std::string_view url_text, std::stop_token stop) {
  const Url url = SplitUrl(url_text);
  const std::vector<tcp::endpoint> endpoints = detail::ResolveHost(url.host, url.port, stop);
  const std::string request = RequestText(url);

  std::string body;
  std::exception_ptr failure;
  bool finished = false;
  {
    // One-threaded loop; everything the coroutine refers to is declared above and outlives it.
    asio::io_context io(1);
    asio::co_spawn(io, Exchange(endpoints, request, body), [&](std::exception_ptr e) {
      failure = e;
      finished = true;
    });
    detail::RunUntilDoneOrStopped(io, stop);
  }
  if (!finished) throw HttpError(HttpFailure::kStopped, 0, "stopped");
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const HttpError&) {
      throw;
    } catch (const std::exception& e) {
      throw HttpError(HttpFailure::kConnect, 0, std::string("network failure: ") + e.what());
    }
  }
  return body;
}

std::string ReadReplyBytes(std::string_view reply, std::size_t chunk) {
  std::string body;
  std::exception_ptr failure;
  bool finished = false;
  asio::io_context io(1);
  BytesReadStream stream(io.get_executor(), reply, chunk);
  asio::co_spawn(io, ReadReply(stream, body), [&](std::exception_ptr e) {
    failure = e;
    finished = true;
  });
  io.run();
  if (failure) std::rethrow_exception(failure);
  if (!finished) throw HttpError(HttpFailure::kBrokenTransfer, 0, "reply reading did not finish");
  return body;
}

}  // namespace lanzhou::net
