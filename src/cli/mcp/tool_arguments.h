#pragma once
// Reading the arguments of a tool call: by name and type, with the Chinese reason an assistant
// is given when one does not fit.
#include <boost/json/object.hpp>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/mcp/date_argument.h"

namespace lanzhou::cli::mcp {

// A call that cannot be answered; what() is the Chinese reason.
struct ToolError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The arguments of one call. Names the tool's input schema does not list are refused, so that
// a misspelt condition is not silently ignored. Every reader throws ToolError.
class ToolArguments {
 public:
  ToolArguments(const boost::json::object& values, const boost::json::object& input_schema);

  // A text, or nothing when absent or null.
  [[nodiscard]] std::optional<std::string> Text(std::string_view name) const;
  // A text that holds more than blanks.
  [[nodiscard]] std::string RequiredText(std::string_view name) const;
  // A whole number within [low, high] (3.0 counts as 3), or fallback when absent or null.
  [[nodiscard]] std::int64_t Integer(std::string_view name, std::int64_t low, std::int64_t high,
                                     std::int64_t fallback) const;
  // A list of texts; empty when absent or null.
  [[nodiscard]] std::vector<std::string> Texts(std::string_view name) const;
  // A time of day HH:MM in minutes, or nothing when absent.
  [[nodiscard]] std::optional<int> Clock(std::string_view name) const;
  // The date argument, checked against the calendar's period, or the default day (ApplyDate).
  [[nodiscard]] DateEffect Date(std::string_view name, data::Date today,
                                const data::Calendar& calendar) const;

 private:
  const boost::json::object& values_;
};

}  // namespace lanzhou::cli::mcp
