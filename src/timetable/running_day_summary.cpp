#include "timetable/running_day_summary.h"

#include <array>
#include <vector>

namespace lanzhou::timetable {
namespace {

using data::Date;
using std::chrono::days;

constexpr std::array<std::string_view, 8> kWeekdayNames{"", "周一", "周二", "周三", "周四",
                                                        "周五", "周六", "周日"};

// The pattern of the set days within first .. last (both running days), or "", and the
// longest gap between two running days it allows (a weekly train may start six days into the
// period and still run "from the start").
struct Rhythm {
  std::string text;
  int cycle = 1;
};

Rhythm Pattern(const data::DaySet& set, const data::Period& period, int first, int last) {
  auto on = [&](int d) { return set[static_cast<std::size_t>(d)]; };
  auto date = [&](int d) { return period.first + days{d}; };
  bool every = true;
  for (int d = first; d <= last && every; ++d) every = on(d);
  if (every) return {"每日", 1};
  if (last - first < 6) return {};  // too short to tell a rhythm from a list of days
  // Every other day.
  bool alternate = true;
  for (int d = first; d <= last && alternate; ++d) alternate = on(d) == ((d - first) % 2 == 0);
  bool odd = true, even = true;
  for (int d = first; d <= last; ++d) {
    const unsigned dom = static_cast<unsigned>(std::chrono::year_month_day{date(d)}.day());
    odd = odd && on(d) == (dom % 2 == 1);
    even = even && on(d) == (dom % 2 == 0);
  }
  if (odd) return {"单日", 3};  // 7月31日 and 8月2日 are three days apart
  if (even) return {"双日", 3};
  if (alternate) return {"隔日", 2};
  // Fixed weekdays.
  unsigned weekdays = 0;
  for (int d = first; d <= last; ++d) {
    if (on(d)) weekdays |= 1u << std::chrono::weekday{date(d)}.iso_encoding();
  }
  for (int d = first; d <= last; ++d) {
    const bool want = (weekdays >> std::chrono::weekday{date(d)}.iso_encoding() & 1u) != 0;
    if (want != on(d)) return {};
  }
  std::string text;
  for (unsigned w = 1; w <= 7; ++w) {
    if ((weekdays >> w & 1u) == 0) continue;
    if (!text.empty()) text += "、";
    text += kWeekdayNames[w];
  }
  return {text, 7};
}

}  // namespace

std::string MonthDayText(Date date) {
  const std::chrono::year_month_day ymd{date};
  return std::to_string(static_cast<unsigned>(ymd.month())) + "月" +
         std::to_string(static_cast<unsigned>(ymd.day())) + "日";
}

std::string RunningDaySummary(const data::DaySet& set, const data::Period& period) {
  auto on = [&](int d) { return set[static_cast<std::size_t>(d)]; };
  auto md = [&](int d) { return MonthDayText(period.first + days{d}); };
  int first = -1, last = -1, count = 0;
  for (int d = 0; d < period.days; ++d) {
    if (!on(d)) continue;
    if (first < 0) first = d;
    last = d;
    ++count;
  }
  if (first < 0) return "停运";
  const Rhythm rhythm = Pattern(set, period, first, last);
  const std::string& pattern = rhythm.text;
  const bool from_start = first < rhythm.cycle;
  const bool to_end = last > period.days - 1 - rhythm.cycle;
  if (!pattern.empty() && from_start && to_end) return pattern;
  if (pattern == "每日") {
    if (from_start) return md(last + 1) + "起停运";
    if (to_end) return md(first) + "起开行";
    return md(first) + "–" + md(last);
  }
  if (!pattern.empty()) {
    if (from_start) return pattern + "，" + md(last + 1) + "起停运";
    if (to_end) return md(first) + "起" + pattern;
    return pattern + "（" + md(first) + "–" + md(last) + "）";
  }
  // Stretches of consecutive days.
  std::vector<std::pair<int, int>> stretches;
  for (int d = first; d <= last; ++d) {
    if (!on(d)) continue;
    if (!stretches.empty() && stretches.back().second == d - 1) {
      stretches.back().second = d;
    } else {
      stretches.emplace_back(d, d);
    }
  }
  if (stretches.size() <= 3) {
    std::string text;
    for (const auto& [a, b] : stretches) {
      if (!text.empty()) text += "、";
      text += a == b ? md(a) : md(a) + "–" + md(b);
    }
    return text;
  }
  return "不定期（共" + std::to_string(count) + "天）";
}

std::string NotRunningText(std::string_view train, Date date) {
  return std::string(train) + " 在 " + MonthDayText(date) + " 不开行";
}

}  // namespace lanzhou::timetable
