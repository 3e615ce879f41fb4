#pragma once
// The Model Context Protocol over stdio: JSON-RPC 2.0, one message a line. The session answers
// initialize, ping, tools/list and tools/call, takes notifications silently, and answers
// everything else with a JSON-RPC error; it never ends on bad input. What the tools do is the
// toolbox's business.
#include <boost/json/array.hpp>
#include <boost/json/object.hpp>
#include <cstddef>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace lanzhou::cli::mcp {

inline constexpr std::string_view kProtocolVersion = "2025-06-18";
// Longest message read; a longer line is refused whole and the next one is read.
inline constexpr std::size_t kMaxMessageBytes = std::size_t{1} << 20;

// JSON-RPC error codes.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;

// One tool call's answer: a text for the model, the same answer as structured content (left
// out when is_error), and whether the call failed.
struct ToolResult {
  std::string text;
  boost::json::object structured;
  bool is_error = false;
};

class Toolbox {
 public:
  virtual ~Toolbox() = default;
  // The tools as tools/list lists them: name, title, description, inputSchema, outputSchema.
  [[nodiscard]] virtual const boost::json::array& Tools() const = 0;
  // nullopt when there is no tool of that name.
  [[nodiscard]] virtual std::optional<ToolResult> Call(std::string_view name,
                                                       const boost::json::object& arguments) = 0;
};

class Session {
 public:
  Session(Toolbox& tools, std::string server_name, std::string server_version);

  // The answer to one line (a whole JSON-RPC message, without its newline), or nullopt when
  // the line asks for none (a notification, a reply, a blank line).
  [[nodiscard]] std::optional<std::string> Answer(std::string_view line);
  // The answer to a line longer than kMaxMessageBytes, which is not read.
  [[nodiscard]] static std::string TooLong();

  // Reads messages from in until it ends, writing each answer as one line to out and flushing
  // it. Returns 0, or 1 when out fails.
  int Serve(std::istream& in, std::ostream& out);

 private:
  [[nodiscard]] boost::json::value Dispatch(std::string_view method,
                                            const boost::json::value* params,
                                            std::optional<boost::json::object>& error);
  Toolbox& tools_;
  std::string name_;
  std::string version_;
};

}  // namespace lanzhou::cli::mcp
