#pragma once
// The day an answer of lanzhou-query is for: --date checked against the timetable's period, or
// the default day (today inside the period, else its first day), named on standard error.
#include <chrono>
#include <optional>
#include <string>

#include "data/calendar.h"

namespace lanzhou::cli {

struct DateChoice {
  // The day, or nothing when the tables know no period and no --date was given (every train).
  std::optional<data::Date> date;
  std::optional<std::string> refusal;  // a --date that is not a date of the period (exit 2)
  bool outside_period = false;         // the refusal is of a real date outside the period
  // The line for standard error when the date was chosen (not for tables whose trains all run
  // every day: the day changes nothing there).
  std::optional<std::string> notice;
};

[[nodiscard]] DateChoice ChooseDate(const std::optional<std::string>& text, data::Date today,
                                    const data::Calendar& calendar);

}  // namespace lanzhou::cli
