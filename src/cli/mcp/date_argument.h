#pragma once
// The date a question asks about: chosen by the command line's own rule (ChooseDate: the day
// asked, checked against the timetable's period, or the default day), and what the answer says
// about it in Chinese.
#include <optional>
#include <string>
#include <variant>

#include "data/calendar.h"

namespace lanzhou::cli::mcp {

struct DateEffect {
  // The day the answer is for; nothing when the tables know no period and no date was asked
  // (every train, every day).
  std::optional<data::Date> day;
  std::string date;      // that day as YYYY-MM-DD, or ""
  bool applied = false;  // whether only the trains running that day answer
  std::string note;      // a line for the answer; "" when there is nothing to say
};

// A date that is not YYYY-MM-DD of the Gregorian calendar, or one outside the period: the
// Chinese reason it is refused.
struct DateRefusal {
  std::string reason;
};
[[nodiscard]] std::variant<DateEffect, DateRefusal> ApplyDate(
    const std::optional<std::string>& date, data::Date today, const data::Calendar& calendar);

// A period as the answers write it: "2024-07-01 至 2024-08-31" (one date for one day).
[[nodiscard]] std::string PeriodText(const data::Period& period);

}  // namespace lanzhou::cli::mcp
