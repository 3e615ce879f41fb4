#pragma once
// The once-per-start version check: is the machine online (NetConnected), and does the maker
// publish a version other than ours (the LabNew text)? Runs on its own thread, touches no widget.
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

namespace lanzhou::net {

// This program's version, as the status bar, the about box and the version file write it.
inline constexpr std::string_view ProgramVersion = "2011.08.15";

// The maker's web site: home page for upgrades, and host of the version file.
inline constexpr std::string_view kMakerSite = "http://www.lanzhou-shike.cn";
// Where the maker publishes the newest version, relative to kMakerSite.
inline constexpr std::string_view kVersionFilePath = "/dirivazad.txt";
// A large public site whose port 80 answers whenever the machine is online.
inline constexpr std::string_view kProbeHost = "www.baidu.com";
inline constexpr std::uint16_t kProbePort = 80;

// LabNew texts (UTF-8). The new-version text is built by VersionMessage.
inline constexpr std::string_view kCheckingMessage = "版本检测中...";
inline constexpr std::string_view kUpToDateMessage = "当前已是最新版本，无需升级。";
inline constexpr std::string_view kOfflineMessage = "网络未连通，无法获取最新版本信息。";

// The LabNew text for a download: its body is read as UTF-8 (invalid gives empty text) and judged
// by its GBK form, which must be exactly 10 bytes; a failed download judges empty text.
[[nodiscard]] std::string VersionMessage(bool download_ok, std::string_view body);

// True when a TCP connection to host:port opens (it is closed at once); false on any failure or
// when stop is requested. No time limit beyond the system's own connect timeout.
[[nodiscard]] bool ProbeConnection(std::string_view host, std::uint16_t port,
                                   std::stop_token stop = {});

// Where the check looks; tests point it at local servers.
struct NetCheckConfig {
  std::string probe_host{kProbeHost};
  std::uint16_t probe_port = kProbePort;
  std::string maker_site{kMakerSite};  // scheme and host, no trailing "/"
};

// The version check thread. It starts on construction and runs once: probe, publish NetConnected,
// download the version file, publish the LabNew text. Both callbacks run on the worker thread
// (the window forwards them to its own thread), at most once each, and must not throw.
// Destruction stops a check still waiting on the network (the wait is abandoned, the socket
// closed) and joins promptly: a stopped check calls back no more, and none runs afterwards.
class TThreadNet {
 public:
  using ConnectedCallback = std::function<void(bool online)>;
  using MessageCallback = std::function<void(std::string text)>;

  TThreadNet(NetCheckConfig config, ConnectedCallback on_connected, MessageCallback on_message);
  TThreadNet(const TThreadNet&) = delete;
  TThreadNet& operator=(const TThreadNet&) = delete;
  ~TThreadNet() = default;  // std::jthread: request stop, then join

 private:
  std::jthread thread_;
};

}  // namespace lanzhou::net
