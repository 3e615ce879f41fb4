#include "cli/mcp/date_argument.h"

#include "cli/service_date.h"

namespace lanzhou::cli::mcp {

std::string PeriodText(const data::Period& period) {
  const std::string first = data::IsoDateText(period.first);
  return period.days <= 1 ? first : first + " 至 " + data::IsoDateText(period.Last());
}

std::variant<DateEffect, DateRefusal> ApplyDate(const std::optional<std::string>& date,
                                                data::Date today,
                                                const data::Calendar& calendar) {
  const DateChoice choice = ChooseDate(date, today, calendar);
  if (choice.refusal) {
    if (choice.outside_period) {
      return DateRefusal{"日期 " + *date + " 不在本时刻表的有效期 " +
                         PeriodText(*calendar.period()) + " 之内。"};
    }
    return DateRefusal{"日期格式错误：“" + *date +
                       "”，应为 YYYY-MM-DD 格式的有效日期，如 2024-07-06。"};
  }
  DateEffect effect;
  effect.day = choice.date;
  if (!effect.day) return effect;
  effect.date = data::IsoDateText(*effect.day);
  if (!calendar.KnowsRunningDays()) {
    // A one-day file or tables without a calendar: the day changes no answer.
    if (date) {
      effect.note = "日期 " + effect.date +
                    " 未能核实：本时刻表没有开行日期资料，结果为每日时刻，请另行核实该日是否开行。";
    }
    return effect;
  }
  effect.applied = true;
  if (date) {
    effect.note = "按 " + effect.date + " 作答：只含当日开行的车次。";
  } else if (*effect.day == today) {
    effect.note = "未给日期：按今天 " + effect.date + " 作答，只含当日开行的车次。";
  } else {
    effect.note = "未给日期：按 " + effect.date + " 作答，即本时刻表有效期 " +
                  PeriodText(*calendar.period()) + " 的第一天（今天 " +
                  data::IsoDateText(today) + " 不在其内），只含当日开行的车次。";
  }
  return effect;
}

}  // namespace lanzhou::cli::mcp
