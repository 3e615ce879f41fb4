#include "cli/mcp/date_argument.h"

#include <chrono>

#include "text/ascii.h"

namespace lanzhou::cli::mcp {

std::variant<DateEffect, DateRefusal> ApplyDate(const std::optional<std::string>& date) {
  if (!date) return DateEffect{};
  const std::string& d = *date;
  // Digits only: the integer reader would also take a sign.
  const auto digits = [&](std::size_t at, std::size_t n, std::int64_t& out) {
    const std::string_view part = std::string_view(d).substr(at, n);
    for (const char c : part) {
      if (c < '0' || c > '9') return false;
    }
    return text::ParseDecimalIn(part, 0, 9999, out);
  };
  std::int64_t y = 0;
  std::int64_t m = 0;
  std::int64_t day = 0;
  const bool shaped = d.size() == 10 && d[4] == '-' && d[7] == '-' && digits(0, 4, y) &&
                      digits(5, 2, m) && digits(8, 2, day);
  const std::chrono::year_month_day ymd{std::chrono::year(static_cast<int>(y)),
                                        std::chrono::month(static_cast<unsigned>(m)),
                                        std::chrono::day(static_cast<unsigned>(day))};
  if (!shaped || !ymd.ok()) {
    return DateRefusal{"日期格式错误：“" + d +
                       "”，应为 YYYY-MM-DD 格式的有效日期，如 2024-07-06。"};
  }
  return DateEffect{
      d, false,
      "日期 " + d +
          " 尚未生效：本时刻表还没有开行日期资料，结果为每日时刻，请另行核实该日是否开行。"};
}

std::string RunningDaysText() {
  return "开行日期：本时刻表尚无开行日期资料。";
}

}  // namespace lanzhou::cli::mcp
