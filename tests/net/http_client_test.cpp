#include "net/http_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "net/loopback_server.h"

namespace lanzhou::net {
namespace {

using namespace std::chrono_literals;
using testing::ClosedPort;
using testing::LoopbackServer;
using testing::Reply;

std::string ExpectedRequest(const std::string& host_header) {
  return "GET /dirivazad.txt HTTP/1.1\r\n"
         "Content-Type: text/html\r\n"
         "Host: " +
         host_header +
         "\r\n"
         "Accept: text/html, */*\r\n"
         "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
         "\r\n";
}

// What one GET came to: the body, or the failure and its status.
struct Outcome {
  std::optional<std::string> body;
  std::optional<HttpFailure> failure;
  int status = 0;
};

Outcome GetFrom(const std::string& url, std::stop_token stop = {}) {
  Outcome outcome;
  try {
    outcome.body = HttpGetText(url, stop);
  } catch (const HttpError& e) {
    outcome.failure = e.failure();
    outcome.status = e.status();
  }
  return outcome;
}

// Serves `reply` once and GETs the version file from it.
Outcome GetWith(Reply reply) {
  LoopbackServer server({std::move(reply)});
  return GetFrom(server.Url() + "/dirivazad.txt");
}

std::string OkWithLength(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(SplitUrl, TakesHostPortAndPath) {
  Url url = SplitUrl("http://www.lanzhou-shike.cn/dirivazad.txt");
  EXPECT_EQ(url.host, "www.lanzhou-shike.cn");
  EXPECT_EQ(url.port, 80);
  EXPECT_EQ(url.path, "/dirivazad.txt");
  EXPECT_EQ(url.HostHeader(), "www.lanzhou-shike.cn");

  url = SplitUrl("HTTP://127.0.0.1:8080");
  EXPECT_EQ(url.host, "127.0.0.1");
  EXPECT_EQ(url.port, 8080);
  EXPECT_EQ(url.path, "/");
  EXPECT_EQ(url.HostHeader(), "127.0.0.1:8080");

  // An explicit port 80 still gives the bare host; the fragment is not sent.
  url = SplitUrl("http://h.cn:80/a/b.txt?x=1#top");
  EXPECT_EQ(url.port, 80);
  EXPECT_EQ(url.path, "/a/b.txt?x=1");
  EXPECT_EQ(url.HostHeader(), "h.cn");

  EXPECT_EQ(SplitUrl("http://h.cn?x=1").path, "/?x=1");
  EXPECT_EQ(SplitUrl("http://h.cn:65535/").port, 65535);
}

TEST(SplitUrl, RejectsAddressesItCannotFetch) {
  for (const char* bad : {"https://h.cn/", "ftp://h.cn/", "www.h.cn/dirivazad.txt", "", "http://",
                          "http://:81/", "http://h.cn:/", "http://h.cn:0/", "http://h.cn:65536/",
                          "http://h.cn:8a/", "http://h.cn:123456/", "http://user@h.cn/",
                          "http://[::1]:80/", "http://h.cn/a b", "http://h.cn/a\r\nX: y"}) {
    try {
      (void)SplitUrl(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const HttpError& e) {
      EXPECT_EQ(e.failure(), HttpFailure::kBadUrl) << bad;
    }
  }
}

TEST(HttpGetText, SendsExactlyTheFixedRequestAndNothingElse) {
  EXPECT_EQ(RequestText(SplitUrl("http://www.lanzhou-shike.cn/dirivazad.txt")),
            ExpectedRequest("www.lanzhou-shike.cn"));

  // The server records everything the client sends until it closes, so a body, a stray
  // Content-Length or a second request would all show up here.
  LoopbackServer server({{OkWithLength("2011.08.15")}});
  const Outcome outcome = GetFrom(server.Url() + "/dirivazad.txt");
  ASSERT_TRUE(outcome.body.has_value());
  EXPECT_EQ(*outcome.body, "2011.08.15");
  EXPECT_EQ(server.Finish(), 1);
  EXPECT_EQ(server.Requests(), std::vector<std::string>{
                                   ExpectedRequest("127.0.0.1:" + std::to_string(server.port()))});
}

TEST(HttpGetText, ReadsTwoHundredBodiesInEveryFraming) {
  struct Case {
    const char* name;
    Reply reply;
    std::string body;
  };
  // Held-open replies prove the client ends the body by the framing, not by the close.
  const std::vector<Case> cases = {
      {"length", {OkWithLength("2011.09.01"), true}, "2011.09.01"},
      {"chunked",
       {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
        "4\r\n2011\r\n6;ext=1\r\n.09.01\r\n0\r\nX-Trailer: t\r\n\r\n",
        true},
       "2011.09.01"},
      {"until close",
       {"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n2011.09.01"},
       "2011.09.01"},
      {"HTTP/1.0 until close", {"HTTP/1.0 200 OK\r\n\r\n2010.01.01"}, "2010.01.01"},
      {"other 2xx",
       {"HTTP/1.1 203 Non-Authoritative\r\nContent-Length: 3\r\n\r\nabc", true},
       "abc"},
      {"empty by length", {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", true}, ""},
      {"empty until close", {"HTTP/1.1 200 OK\r\n\r\n"}, ""},
      {"204", {"HTTP/1.1 204 No Content\r\n\r\n", true}, ""},
      {"100 Continue",
       {"HTTP/1.1 100 Continue\r\n\r\n" + OkWithLength("2011.09.01"), true},
       "2011.09.01"},
      {"two 100s, split into single bytes",
       {"HTTP/1.1 100 Continue\r\nX-A: 1\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n"
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\na\r\n2011.09.01\r\n0\r\n\r\n",
        true, true},
       "2011.09.01"},
      {"raw bytes",
       {OkWithLength(std::string("\xEF\xBB\xBF\x00\xFF", 5))},
       std::string("\xEF\xBB\xBF\x00\xFF", 5)},
  };
  for (const Case& c : cases) {
    const Outcome outcome = GetWith(c.reply);
    ASSERT_TRUE(outcome.body.has_value()) << c.name << " failed: " << int(*outcome.failure);
    EXPECT_EQ(*outcome.body, c.body) << c.name;
  }
}

TEST(HttpGetText, RefusesRedirectsWithoutASecondRequest) {
  {
    LoopbackServer server({});
    const std::string location = server.Url() + "/elsewhere.txt";
    // The redirect points back at this server, so following it would be seen.
    LoopbackServer redirecting({{"HTTP/1.1 301 Moved Permanently\r\nLocation: " + location +
                                 "\r\nContent-Length: 0\r\n\r\n"}});
    const Outcome outcome = GetFrom(redirecting.Url() + "/dirivazad.txt");
    EXPECT_EQ(outcome.failure, HttpFailure::kRedirect);
    EXPECT_EQ(outcome.status, 301);
    EXPECT_EQ(redirecting.Finish(), 1);
    EXPECT_EQ(server.Finish(), 0);
    EXPECT_EQ(redirecting.Requests(), std::vector<std::string>{ExpectedRequest(
                                          "127.0.0.1:" + std::to_string(redirecting.port()))});
  }
  struct Case {
    std::string reply;
    HttpFailure failure;
    int status;
  };
  for (const Case& c : std::vector<Case>{
           {"HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n", HttpFailure::kRedirect, 302},
           {"HTTP/1.1 307 Temporary Redirect\r\nLocation: /x\r\n\r\n", HttpFailure::kRedirect, 307},
           {"HTTP/1.1 200 OK\r\nLocation: /x\r\nContent-Length: 10\r\n\r\n2011.08.15",
            HttpFailure::kRedirect, 200},
           {"HTTP/1.1 304 Not Modified\r\nLocation: /x\r\n\r\n", HttpFailure::kStatus, 304},
       }) {
    const Outcome outcome = GetWith({c.reply});
    EXPECT_EQ(outcome.failure, c.failure) << c.reply;
    EXPECT_EQ(outcome.status, c.status) << c.reply;
  }
}

TEST(HttpGetText, FailsOnOtherStatusesWithTheStatus) {
  struct Case {
    std::string reply;
    HttpFailure failure;
    int status;
  };
  for (const Case& c : std::vector<Case>{
           {"HTTP/1.1 404 Not Found\r\nContent-Length: 10\r\n\r\n2011.08.15", HttpFailure::kStatus,
            404},
           {"HTTP/1.1 500 Internal Server Error\r\n\r\n", HttpFailure::kStatus, 500},
           {"HTTP/1.1 101 Switching Protocols\r\n\r\n", HttpFailure::kStatus, 101},
           {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not Found\r\n\r\n", HttpFailure::kStatus,
            404},
           {"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\"\r\n\r\n",
            HttpFailure::kAuthentication, 401},
           {"HTTP/1.1 407 Proxy Authentication Required\r\n\r\n", HttpFailure::kAuthentication,
            407},
       }) {
    const Outcome outcome = GetWith({c.reply});
    EXPECT_FALSE(outcome.body.has_value()) << c.reply;
    EXPECT_EQ(outcome.failure, c.failure) << c.reply;
    EXPECT_EQ(outcome.status, c.status) << c.reply;
  }
}

TEST(HttpGetText, FailsWhenTheTransferBreaksOrTheReplyIsNotHttp) {
  struct Case {
    const char* name;
    std::string reply;
    HttpFailure failure;
  };
  for (const Case& c : std::vector<Case>{
           {"closed mid-body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n2011.",
            HttpFailure::kBrokenTransfer},
           {"closed before the last chunk",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\na\r\n2011.08.15\r\n",
            HttpFailure::kBrokenTransfer},
           {"closed without a reply", "", HttpFailure::kBrokenTransfer},
           {"closed mid status line", "HTTP/1.1 20", HttpFailure::kBrokenTransfer},
           {"closed after 100", "HTTP/1.1 100 Continue\r\n\r\n", HttpFailure::kBrokenTransfer},
           {"not HTTP", "SSH-2.0-OpenSSH_9.2\r\n\r\n", HttpFailure::kProtocol},
           {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
            HttpFailure::kProtocol},
       }) {
    const Outcome outcome = GetWith({c.reply});
    EXPECT_FALSE(outcome.body.has_value()) << c.name;
    EXPECT_EQ(outcome.failure, c.failure) << c.name;
  }
}

TEST(HttpGetText, FailsOnARefusedConnection) {
  const Outcome outcome =
      GetFrom("http://127.0.0.1:" + std::to_string(ClosedPort().port()) + "/dirivazad.txt");
  EXPECT_EQ(outcome.failure, HttpFailure::kConnect);
  EXPECT_EQ(outcome.status, 0);
}

TEST(HttpGetText, CapsTheReplySize) {
  const std::string at_cap(kMaxBodyBytes, 'x');
  const Outcome fits = GetWith({OkWithLength(at_cap)});
  ASSERT_TRUE(fits.body.has_value());
  EXPECT_EQ(*fits.body, at_cap);

  const std::string big(1024 * 1024, 'x');
  std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (int i = 0; i < 256; ++i) chunked += "1000\r\n" + std::string(4096, 'x') + "\r\n";
  chunked += "0\r\n\r\n";
  struct Case {
    const char* name;
    std::string reply;
  };
  for (const Case& c : std::vector<Case>{
           {"one byte over by length", OkWithLength(at_cap + "x")},
           {"until close", "HTTP/1.1 200 OK\r\n\r\n" + big},
           {"chunked", chunked},
           {"endless header", "HTTP/1.1 200 OK\r\nX-Pad: " + big},
           {"endless chunk extension",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" + big},
       }) {
    const Outcome outcome = GetWith({c.reply});
    EXPECT_FALSE(outcome.body.has_value()) << c.name;
    EXPECT_EQ(outcome.failure, HttpFailure::kTooLarge) << c.name;
  }
}

TEST(HttpGetText, StopsWaitingWhenAskedTo) {
  // A server that sends half a body and then neither finishes nor closes.
  LoopbackServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n2011.", true}});
  std::stop_source stop;
  auto pending = std::async(std::launch::async, [&] {
    return GetFrom(server.Url() + "/dirivazad.txt", stop.get_token());
  });
  ASSERT_TRUE(server.WaitForRequests(1));
  EXPECT_EQ(pending.wait_for(200ms), std::future_status::timeout);  // no time limit of its own

  const auto asked = std::chrono::steady_clock::now();
  stop.request_stop();
  ASSERT_EQ(pending.wait_for(5s), std::future_status::ready);
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
  const Outcome outcome = pending.get();
  EXPECT_EQ(outcome.failure, HttpFailure::kStopped);
  EXPECT_EQ(server.Finish(), 1);
  EXPECT_EQ(server.ClosedByClient(), 1);  // the socket was closed, not leaked

  // Already stopped: not even a connection.
  LoopbackServer untouched({{OkWithLength("2011.08.15")}});
  EXPECT_EQ(GetFrom(untouched.Url() + "/dirivazad.txt", stop.get_token()).failure,
            HttpFailure::kStopped);
  EXPECT_EQ(untouched.Finish(), 0);
}

}  // namespace
}  // namespace lanzhou::net
