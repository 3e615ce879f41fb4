// HTTP replies from outside the program, read as the version check reads them. The first byte
// picks how the reply is cut into reads (a server's bytes arrive in pieces of any size); the rest
// is the reply. Success, the body and any status-based refusal must not depend on the pieces, a
// body must respect the size cap, and the body's verdict (VersionMessage) must be one of the three
// label texts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "net/http_client.h"
#include "net/version_check.h"

namespace {

using namespace lanzhou::net;

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

struct Outcome {
  std::optional<std::string> body;
  HttpFailure failure = HttpFailure::kProtocol;
  int status = 0;
};

Outcome Read(std::string_view reply, std::size_t chunk) {
  Outcome outcome;
  try {
    outcome.body = ReadReplyBytes(reply, chunk);
  } catch (const HttpError& e) {
    outcome.failure = e.failure();
    outcome.status = e.status();
  }
  return outcome;
}

bool IsUnreadable(HttpFailure failure) {
  return failure == HttpFailure::kProtocol || failure == HttpFailure::kBrokenTransfer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // 0 hands the whole reply over at once; 1..31 cut it into pieces of that many bytes.
  const std::size_t chunk = data[0] % 32;
  const std::string_view reply(reinterpret_cast<const char*>(data) + 1, size - 1);

  const Outcome whole = Read(reply, 0);
  const Outcome cut = chunk == 0 ? whole : Read(reply, chunk);
  Require(whole.body.has_value() == cut.body.has_value(), "pieces change success or failure");
  if (whole.body) {
    Require(*whole.body == *cut.body, "pieces change the body");
    Require(whole.body->size() <= kMaxBodyBytes, "body passes the size cap");
    const std::string message = VersionMessage(true, *whole.body);
    Require(message == kUpToDateMessage || message == kOfflineMessage ||
                message.starts_with("发现新版本:"),
            "VersionMessage gives an unknown text");
  } else {
    // A reply that is both malformed and cut short may be diagnosed either way, depending on how
    // much of it the parser had when the connection ended; the version check treats every
    // failure alike, so only the status-based verdicts must agree.
    Require(IsUnreadable(whole.failure) == IsUnreadable(cut.failure),
            "pieces change the kind of failure");
    if (!IsUnreadable(whole.failure)) {
      Require(whole.failure == cut.failure, "pieces change the kind of failure");
    }
    Require(whole.status == cut.status, "pieces change the reported status");
  }
  return 0;
}
