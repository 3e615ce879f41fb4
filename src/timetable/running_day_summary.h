#pragma once
// Running days as a traveller reads them: a short Chinese summary of a day set (每日, 单日,
// 周五、周日, 6月15日–7月21日, 7月21日起停运 …) and the answer for a train that does not run.
#include <string>
#include <string_view>

#include "data/calendar.h"

namespace lanzhou::timetable {

// "7月6日".
[[nodiscard]] std::string MonthDayText(data::Date date);

// The summary of the days a version leaves its first stop within `period`:
//   every day of the period             每日
//   every other day                     单日 / 双日 (odd / even days of the month), else 隔日
//   the same weekdays every week        周五、周日
//   any of these on a part of the period, followed by where it holds:
//     from the first day                每日，7月22日起停运 (每日 alone: 7月22日起停运)
//     up to the last day                7月22日起每日 (每日 alone: 7月22日起开行)
//     in between                        周五、周日（6月21日–7月21日）(每日 alone: 6月21日–7月21日)
//   up to three stretches               6月15日–6月20日、7月1日、7月5日–7月9日
//   anything else                       不定期（共23天）
//   no day at all                       停运
[[nodiscard]] std::string RunningDaySummary(const data::DaySet& days, const data::Period& period);

// "G1234 在 7月6日 不开行".
[[nodiscard]] std::string NotRunningText(std::string_view train, data::Date date);

}  // namespace lanzhou::timetable
