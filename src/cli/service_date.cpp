#include "cli/service_date.h"

namespace lanzhou::cli {

DateChoice ChooseDate(const std::optional<std::string>& text, data::Date today,
                      const data::Calendar& calendar) {
  DateChoice choice;
  const std::optional<data::Period>& period = calendar.period();
  if (text) {
    try {
      choice.date = data::ParseIsoDate(*text);
    } catch (const data::CalendarError& e) {
      choice.refusal = "lanzhou-query: --date: " + std::string(e.what());
      return choice;
    }
    if (period && !period->Contains(*choice.date)) {
      choice.refusal = "lanzhou-query: --date " + *text + " is outside the timetable's period " +
                       period->Text();
      choice.outside_period = true;
      choice.date.reset();
    }
    return choice;
  }
  if (!period) return choice;
  choice.date = calendar.DefaultDay(today);
  // Where every train runs every day (a one-day file) the day changes no answer: no notice.
  if (!calendar.KnowsRunningDays()) return choice;
  if (*choice.date == today) {
    choice.notice = "lanzhou-query: no --date: answering for today, " + data::IsoDateText(today);
  } else {
    choice.notice = "lanzhou-query: no --date: answering for " + data::IsoDateText(*choice.date) +
                    ", the first day of the timetable's period " + period->Text() + " (today, " +
                    data::IsoDateText(today) + ", lies outside it)";
  }
  return choice;
}

}  // namespace lanzhou::cli
