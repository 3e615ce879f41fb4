#include "net/version_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "net/loopback_server.h"

namespace lanzhou::net {
namespace {

using namespace std::chrono_literals;
using testing::ClosedPort;
using testing::LoopbackServer;
using testing::Reply;

const std::string kOffline(kOfflineMessage);
const std::string kUpToDate(kUpToDateMessage);
const std::string kBom = "\xEF\xBB\xBF";  // UTF-8 byte-order mark

std::string NewVersion(const std::string& shown) {
  return "发现新版本:" + shown + "，请及时升级。";
}

std::string OkWithBody(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(VersionMessage, JudgesTheGbkFormOfTheBody) {
  EXPECT_EQ(ProgramVersion, "2011.08.15");
  EXPECT_EQ(kCheckingMessage, "版本检测中...");

  const std::string five_chinese = "新版本发布";
  ASSERT_EQ(five_chinese.size(), 15u);  // UTF-8; ten bytes in GBK
  const std::string utf8_ten_gbk_nine = "2011.0.中";
  ASSERT_EQ(utf8_ten_gbk_nine.size(), 10u);

  struct Case {
    bool download_ok;
    std::string body;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {true, "2011.08.15", kUpToDate},
           {true, "2011.09.01", NewVersion("2011.09.01")},
           {true, "2010.01.01", NewVersion("2010.01.01")},  // equality, not order
           {true, "abcdefghij", NewVersion("abcdefghij")},
           {true, five_chinese, NewVersion(five_chinese)},  // counted after conversion
           {true, utf8_ten_gbk_nine, kOffline},
           {true, "2011.8.15", kOffline},
           {true, "2011.08.15\n", kOffline},
           {true, "2011.08.15\r\n", kOffline},
           {true, kBom + "2011.08.15", kOffline},
           {true, "2011.08.1\xFF", kOffline},  // not UTF-8: empty text, not "2011.08.1?"
           // Ten bytes, but control characters: no version text, whatever its length.
           {true, "2011\t08.15", kOffline},
           {true, "2011.0\x01.15", kOffline},
           {true,
            "2011.08\x7f"
            "15",
            kOffline},
           {true, "\n2011.08.1", kOffline},
           // Markup is only text: shown as typed (the label shows plain text).
           {true, "<b>1</b>12", "发现新版本:<b>1</b>12，请及时升级。"},
           {true, "", kOffline},
           {false, "2011.08.15", kOffline},  // a failed download has no text
       }) {
    EXPECT_EQ(VersionMessage(c.download_ok, c.body), c.message) << c.body;
  }
}

TEST(ProbeConnection, SaysWhetherAConnectionOpens) {
  LoopbackServer server({{"never sent"}});
  EXPECT_TRUE(ProbeConnection("127.0.0.1", server.port()));
  ASSERT_TRUE(server.WaitForRequests(1));
  EXPECT_EQ(server.Finish(), 1);
  EXPECT_EQ(server.Requests(), std::vector<std::string>{""});  // connects, sends nothing

  // Not dotted-quad, so it takes the resolver thread; the resolver reads it as 127.0.0.1
  // without asking any name service.
  LoopbackServer by_name({});
  EXPECT_TRUE(ProbeConnection("127.1", by_name.port()));
  EXPECT_EQ(by_name.Finish(), 1);

  EXPECT_FALSE(ProbeConnection("127.0.0.1", ClosedPort().port()));

  LoopbackServer untouched({});
  std::stop_source stop;
  stop.request_stop();
  EXPECT_FALSE(ProbeConnection("127.0.0.1", untouched.port(), stop.get_token()));
  EXPECT_EQ(untouched.Finish(), 0);
}

// The callbacks and the maker server's requests as one ordered record.
class EventLog {
 public:
  void Add(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
    cv_.notify_all();
  }
  // Waits (bounded) for the message callback, then returns everything recorded.
  std::vector<std::string> AfterMessage() {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, 10s, [&] {
      for (const auto& e : events_) {
        if (e.starts_with("message:")) return true;
      }
      return false;
    });
    return events_;
  }
  std::vector<std::string> Now() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<std::string> events_;
};

std::unique_ptr<TThreadNet> StartCheck(EventLog& log, std::uint16_t probe_port,
                                       const std::string& maker_site) {
  return std::make_unique<TThreadNet>(
      NetCheckConfig{"127.0.0.1", probe_port, maker_site},
      [&log](bool online) { log.Add(online ? "connected:true" : "connected:false"); },
      [&log](std::string text) { log.Add("message:" + text); });
}

struct CheckRun {
  std::vector<std::string> events;
  std::vector<std::string> maker_requests;
  int maker_connections = 0;
  std::string host_header;
};

// One whole check against a local probe site and a maker site answering `maker_reply`.
CheckRun RunCheck(Reply maker_reply) {
  EventLog log;
  LoopbackServer probe({});
  LoopbackServer maker({std::move(maker_reply)}, [&log] { log.Add("request"); });
  CheckRun run;
  {
    const auto check = StartCheck(log, probe.port(), maker.Url());
    run.events = log.AfterMessage();
  }
  run.maker_connections = maker.Finish();
  run.maker_requests = maker.Requests();
  run.host_header = "127.0.0.1:" + std::to_string(maker.port());
  return run;
}

std::string VersionRequest(const std::string& host_header) {
  return "GET /dirivazad.txt HTTP/1.1\r\nContent-Type: text/html\r\nHost: " + host_header +
         "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n";
}

TEST(TThreadNet, PublishesNetConnectedThenJudgesTheVersionFile) {
  struct Case {
    std::string body;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {"2011.08.15", kUpToDate},
           {"2011.09.01", NewVersion("2011.09.01")},
           {"2010.01.01", NewVersion("2010.01.01")},
           {"新版本发布", NewVersion("新版本发布")},
           {"2011.8.15", kOffline},
           {"2011.08.15\r\n", kOffline},
           {kBom + "2011.08.15", kOffline},
       }) {
    const CheckRun run = RunCheck({OkWithBody(c.body)});
    // NetConnected is out before the download starts.
    EXPECT_EQ(run.events,
              (std::vector<std::string>{"connected:true", "request", "message:" + c.message}))
        << c.body;
    EXPECT_EQ(run.maker_requests, std::vector<std::string>{VersionRequest(run.host_header)});
  }
}

TEST(TThreadNet, AFailedDownloadKeepsNetConnectedTrue) {
  for (const std::string reply : {
           "HTTP/1.1 404 Not Found\r\nContent-Length: 10\r\n\r\n2011.08.15",
           "HTTP/1.1 301 Moved Permanently\r\nLocation: http://127.0.0.1:1/dirivazad.txt\r\n"
           "Content-Length: 10\r\n\r\n2011.08.15",
           "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n2011.",
       }) {
    const CheckRun run = RunCheck({reply});
    EXPECT_EQ(run.events,
              (std::vector<std::string>{"connected:true", "request", "message:" + kOffline}))
        << reply;
    EXPECT_EQ(run.maker_connections, 1) << reply;
    EXPECT_EQ(run.maker_requests, std::vector<std::string>{VersionRequest(run.host_header)});
  }

  EventLog log;
  LoopbackServer probe({});
  {
    const ClosedPort closed;
    const auto check =
        StartCheck(log, probe.port(), "http://127.0.0.1:" + std::to_string(closed.port()));
    EXPECT_EQ(log.AfterMessage(),
              (std::vector<std::string>{"connected:true", "message:" + kOffline}));
  }
}

TEST(TThreadNet, AFailingProbeSendsNoRequest) {
  EventLog log;
  LoopbackServer maker({{OkWithBody("2011.08.15")}}, [&log] { log.Add("request"); });
  {
    const ClosedPort closed;
    const auto check = StartCheck(log, closed.port(), maker.Url());
    EXPECT_EQ(log.AfterMessage(),
              (std::vector<std::string>{"connected:false", "message:" + kOffline}));
  }
  EXPECT_EQ(maker.Finish(), 0);
}

TEST(TThreadNet, DestructionAbandonsABlockedDownloadWithoutCallingBack) {
  EventLog log;
  LoopbackServer probe({});
  // The maker's server takes the request and then neither answers nor closes.
  LoopbackServer maker({{"", true}}, [&log] { log.Add("request"); });
  auto check = StartCheck(log, probe.port(), maker.Url());
  ASSERT_TRUE(maker.WaitForRequests(1));

  const auto asked = std::chrono::steady_clock::now();
  check.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
  EXPECT_EQ(log.Now(), (std::vector<std::string>{"connected:true", "request"}));
  EXPECT_EQ(maker.Finish(), 1);
  EXPECT_EQ(maker.ClosedByClient(), 1);
}

}  // namespace
}  // namespace lanzhou::net
