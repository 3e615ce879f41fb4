#include "net/version_check.h"

#include <algorithm>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/connect.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <exception>
#include <utility>
#include <vector>

#include "net/http_client.h"
#include "net/tcp_connect.h"
#include "text/gbk.h"

namespace lanzhou::net {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;

void RunCheck(const NetCheckConfig& config, std::stop_token stop,
              const TThreadNet::ConnectedCallback& on_connected,
              const TThreadNet::MessageCallback& on_message) {
  const bool online = ProbeConnection(config.probe_host, config.probe_port, stop);
  if (stop.stop_requested()) return;
  // Published before the download, which may take long: the partner pages need only this.
  on_connected(online);
  if (!online) {
    on_message(std::string(kOfflineMessage));
    return;
  }
  bool download_ok = false;
  std::string body;
  try {
    body = HttpGetText(config.maker_site + std::string(kVersionFilePath), stop);
    download_ok = true;
  } catch (const std::exception&) {
    // Every failure reads the same to the user: the network message below.
  }
  if (stop.stop_requested()) return;
  on_message(VersionMessage(download_ok, body));
}

}  // namespace

std::string VersionMessage(bool download_ok, std::string_view body) {
  std::string text;  // GBK
  // A control character (a line end among them) makes the body no version text at all.
  const bool printable = std::none_of(body.begin(), body.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
  if (download_ok && printable && text::IsValidUtf8(body)) text = text::Utf8ToGbk(body);
  if (text.size() != 10) return std::string(kOfflineMessage);
  if (text == ProgramVersion) return std::string(kUpToDateMessage);
  return "发现新版本:" + text::GbkToUtf8(text) + "，请及时升级。";
}

bool ProbeConnection(std::string_view host, std::uint16_t port, std::stop_token stop) {
  std::vector<tcp::endpoint> endpoints;
  try {
    endpoints = detail::ResolveHost(host, port, stop);
  } catch (const HttpError&) {
    return false;
  }
  bool connected = false;
  {
    asio::io_context io(1);
    asio::co_spawn(
        io,
        [&endpoints, &connected]() -> asio::awaitable<void> {
          tcp::socket socket(co_await asio::this_coro::executor);
          boost::system::error_code ec;
          co_await asio::async_connect(socket, endpoints,
                                       asio::redirect_error(asio::use_awaitable, ec));
          connected = !ec;
        },
        [](std::exception_ptr) {});
    detail::RunUntilDoneOrStopped(io, stop);
  }
  return connected && !stop.stop_requested();
}

TThreadNet::TThreadNet(NetCheckConfig config, ConnectedCallback on_connected,
                       MessageCallback on_message)
    : thread_([config = std::move(config), on_connected = std::move(on_connected),
               on_message = std::move(on_message)](std::stop_token stop) {
        try {
          RunCheck(config, stop, on_connected, on_message);
        } catch (const std::exception&) {
          // Out of memory or no thread for the resolver: the label keeps its first text.
        }
      }) {}

}  // namespace lanzhou::net
