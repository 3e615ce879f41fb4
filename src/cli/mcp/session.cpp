#include "cli/mcp/session.h"

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>
#include <exception>
#include <new>
#include <utility>

namespace lanzhou::cli::mcp {
namespace {

boost::json::object Error(int code, std::string_view message) {
  return boost::json::object{{"code", code}, {"message", message}};
}

std::string Reply(const boost::json::value& id, const char* member, boost::json::value value) {
  return boost::json::serialize(
      boost::json::object{{"jsonrpc", "2.0"}, {"id", id}, {member, std::move(value)}});
}

boost::json::object ResultJson(ToolResult result) {
  boost::json::object out{{"content", boost::json::array{boost::json::object{
                                          {"type", "text"}, {"text", std::move(result.text)}}}}};
  if (!result.is_error) out["structuredContent"] = std::move(result.structured);
  out["isError"] = result.is_error;
  return out;
}

}  // namespace

Session::Session(Toolbox& tools, std::string server_name, std::string server_version)
    : tools_(tools), name_(std::move(server_name)), version_(std::move(server_version)) {}

std::string Session::TooLong() {
  return Reply(nullptr, "error",
               Error(kInvalidRequest, "request refused: a message may hold at most 1 MiB"));
}

boost::json::value Session::Dispatch(std::string_view method, const boost::json::value* params,
                                     std::optional<boost::json::object>& error) {
  if (method == "initialize") {
    // This server speaks one revision; a client asking for another decides whether to go on.
    return boost::json::object{
        {"protocolVersion", kProtocolVersion},
        {"capabilities", boost::json::object{{"tools", {{"listChanged", false}}}}},
        {"serverInfo", {{"name", name_}, {"title", "岚舟时刻"}, {"version", version_}}},
        {"instructions",
         "离线的全国铁路时刻表：车站、站站车次、车次经停、车站车次与最多两次换乘的行程。"
         "站名可写城市名（代表该市所有车站）或拼音首字母。"}};
  }
  if (method == "ping") return boost::json::object{};
  if (method == "tools/list") return boost::json::object{{"tools", tools_.Tools()}};
  if (method == "tools/call") {
    const boost::json::object* p = params ? params->if_object() : nullptr;
    const boost::json::value* name = p ? p->if_contains("name") : nullptr;
    const boost::json::value* arguments = p ? p->if_contains("arguments") : nullptr;
    if (!name || !name->is_string() || (arguments && !arguments->is_object())) {
      error = Error(kInvalidParams, "tools/call needs params {name: string, arguments: object}");
      return nullptr;
    }
    static const boost::json::object kNoArguments;
    std::optional<ToolResult> result =
        tools_.Call(name->get_string(), arguments ? arguments->get_object() : kNoArguments);
    if (!result) {
      error = Error(kInvalidParams, "unknown tool: " + std::string(name->get_string()));
      return nullptr;
    }
    return ResultJson(std::move(*result));
  }
  error = Error(kMethodNotFound, "method not found: " + std::string(method));
  return nullptr;
}

std::optional<std::string> Session::Answer(std::string_view line) {
  if (line.find_first_not_of(" \t\r") == std::string_view::npos) return std::nullopt;
  boost::system::error_code ec;
  const boost::json::value message = boost::json::parse(line, ec);
  if (ec) return Reply(nullptr, "error", Error(kParseError, "parse error: " + ec.message()));
  const boost::json::object* m = message.if_object();
  if (!m) {
    return Reply(nullptr, "error", Error(kInvalidRequest, "a message is one JSON-RPC object"));
  }
  const boost::json::value* method = m->if_contains("method");
  const boost::json::value* id = m->if_contains("id");
  // A reply to a request of ours (we send none) or a notification needs no answer.
  if (!method && id && (m->contains("result") || m->contains("error"))) return std::nullopt;
  const bool id_ok = id && (id->is_string() || id->is_int64() || id->is_uint64());
  const boost::json::value reply_id = id_ok ? *id : boost::json::value(nullptr);
  const boost::json::value* version = m->if_contains("jsonrpc");
  if (!version || !version->is_string() || version->get_string() != "2.0" || !method ||
      !method->is_string() || (id && !id_ok)) {
    if (!id && method && method->is_string()) return std::nullopt;
    return Reply(reply_id, "error", Error(kInvalidRequest, "not a JSON-RPC 2.0 request"));
  }
  if (!id) return std::nullopt;  // notifications/initialized, notifications/cancelled, ...
  std::optional<boost::json::object> error;
  try {
    boost::json::value result = Dispatch(method->get_string(), m->if_contains("params"), error);
    if (error) return Reply(reply_id, "error", std::move(*error));
    return Reply(reply_id, "result", std::move(result));
  } catch (const std::bad_alloc&) {
    return Reply(reply_id, "error", Error(kInternalError, "not enough memory for this answer"));
  } catch (const std::exception& e) {
    return Reply(reply_id, "error", Error(kInternalError, e.what()));
  }
}

int Session::Serve(std::istream& in, std::ostream& out) {
  std::streambuf& source = *in.rdbuf();
  std::string line;
  for (;;) {
    line.clear();
    bool too_long = false;
    int c = 0;
    // A line is read up to the cap; the rest of a longer one is skipped, never stored.
    while ((c = source.sbumpc()) != std::char_traits<char>::eof() && c != '\n') {
      if (too_long) continue;
      if (line.size() == kMaxMessageBytes) {
        too_long = true;
        line.clear();
        line.shrink_to_fit();
        continue;
      }
      line.push_back(static_cast<char>(c));
    }
    const bool ended = c == std::char_traits<char>::eof();
    if (ended && line.empty() && !too_long) return 0;
    const std::optional<std::string> answer = too_long ? TooLong() : Answer(line);
    if (answer) {
      out << *answer << '\n';
      out.flush();
      if (!out) return 1;
    }
    if (ended) return 0;
  }
}

}  // namespace lanzhou::cli::mcp
