#pragma once
// The date a question asks about. The timetable has no running days yet, so a date is checked
// and then reported as not applied; this is the one place where a checked date is turned into
// what the answer says about it, and where it will take effect once the tables know the days.
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace lanzhou::cli::mcp {

struct DateEffect {
  std::string date;      // YYYY-MM-DD as asked, or "" when no date was asked
  bool applied = false;  // whether the answer is for that date only
  std::string note;      // a line for the answer; "" when there is nothing to say
};

// A date YYYY-MM-DD of the Gregorian calendar; otherwise the Chinese reason it is refused.
struct DateRefusal {
  std::string reason;
};
[[nodiscard]] std::variant<DateEffect, DateRefusal> ApplyDate(
    const std::optional<std::string>& date);

// What a train's answer says of its running days while the tables hold none.
[[nodiscard]] std::string RunningDaysText();

}  // namespace lanzhou::cli::mcp
