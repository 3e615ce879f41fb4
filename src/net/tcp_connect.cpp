#include "net/tcp_connect.h"

#include <boost/asio/ip/address_v4.hpp>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "net/http_client.h"

namespace lanzhou::net::detail {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;

// Shared by the waiting caller and the resolver thread, which may outlive the caller.
struct Resolution {
  std::mutex mutex;
  std::condition_variable_any done_cv;
  bool done = false;
  std::vector<tcp::endpoint> endpoints;
  std::string error;
};

}  // namespace

std::vector<tcp::endpoint> ResolveHost(std::string_view host, std::uint16_t port,
                                       std::stop_token stop) {
  if (stop.stop_requested()) throw HttpError(HttpFailure::kStopped, 0, "stopped");
  boost::system::error_code parse_error;
  const auto address = asio::ip::make_address_v4(std::string(host), parse_error);
  if (!parse_error) return {tcp::endpoint(address, port)};

  auto resolution = std::make_shared<Resolution>();
  try {
    // IPv4 only: the sites we contact all have IPv4 addresses.
    std::thread([resolution, name = std::string(host), port] {
      asio::io_context io;
      tcp::resolver resolver(io);
      boost::system::error_code ec;
      const auto results = resolver.resolve(tcp::v4(), name, std::to_string(port),
                                            tcp::resolver::numeric_service, ec);
      std::lock_guard lock(resolution->mutex);
      if (ec) {
        resolution->error = ec.message();
      } else if (results.empty()) {
        resolution->error = "no IPv4 address";
      } else {
        for (const auto& entry : results) resolution->endpoints.push_back(entry.endpoint());
      }
      resolution->done = true;
      resolution->done_cv.notify_all();
    }).detach();
  } catch (const std::system_error& e) {
    throw HttpError(HttpFailure::kConnect, 0, std::string("cannot start resolver: ") + e.what());
  }

  std::unique_lock lock(resolution->mutex);
  if (!resolution->done_cv.wait(lock, stop, [&] { return resolution->done; })) {
    throw HttpError(HttpFailure::kStopped, 0, "stopped");
  }
  if (resolution->endpoints.empty()) {
    throw HttpError(HttpFailure::kConnect, 0,
                    "cannot resolve " + std::string(host) + ": " + resolution->error);
  }
  return resolution->endpoints;
}

void RunUntilDoneOrStopped(asio::io_context& io, std::stop_token stop) {
  // io_context::stop is safe from any thread and makes run() return even mid-operation.
  std::stop_callback on_stop(stop, [&io] { io.stop(); });
  io.run();
}

}  // namespace lanzhou::net::detail
