#pragma once
// Internal to lanzhou_net: name resolution and event-loop running that give way to a stop request,
// since nothing here has a time limit and program exit must not wait on the network.
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <cstdint>
#include <stop_token>
#include <string_view>
#include <vector>

namespace lanzhou::net::detail {

// IPv4 endpoints of host:port. A dotted address is taken as is; a name is resolved on a detached
// helper thread, so a stop request returns at once even while the resolver hangs.
// Throws HttpError kConnect when the name does not resolve, kStopped on a stop request.
[[nodiscard]] std::vector<boost::asio::ip::tcp::endpoint> ResolveHost(std::string_view host,
                                                                      std::uint16_t port,
                                                                      std::stop_token stop);

// Runs io until it runs out of work or stop is requested; callers tell the two apart by whether
// their own completion handler ran.
void RunUntilDoneOrStopped(boost::asio::io_context& io, std::stop_token stop);

}  // namespace lanzhou::net::detail
