// The date of a question: which texts are dates, and what the answer says of one while the
// timetable has no running days.
#include <gtest/gtest.h>

#include "cli/mcp/date_argument.h"

namespace lanzhou::cli::mcp {
namespace {

TEST(cli_mcp_date_argument, CalendarDatesOnly) {
  struct Case {
    const char* text;
    bool date;
  };
  const Case cases[] = {
      {"2024-07-05", true},  {"2024-02-29", true},      {"2000-02-29", true},
      {"2023-12-31", true},  {"2023-02-29", false},     {"1900-02-29", false},
      {"2024-04-31", false}, {"2024-13-01", false},     {"2024-00-10", false},
      {"2024-01-00", false}, {"2024-7-05", false},      {"2024/07/05", false},
      {"2024-+7-05", false}, {"20240705", false},       {" 2024-07-05", false},
      {"", false},           {"２０２４-07-05", false},
  };
  for (const Case& c : cases) {
    const auto effect = ApplyDate(std::string(c.text));
    if (c.date) {
      const auto* d = std::get_if<DateEffect>(&effect);
      ASSERT_NE(d, nullptr) << c.text;
      EXPECT_EQ(d->date, c.text);
      // Not applied yet, and the answer says so, naming the date.
      EXPECT_FALSE(d->applied);
      EXPECT_NE(d->note.find(std::string("日期 ") + c.text + " 尚未生效"), std::string::npos);
    } else {
      const auto* refused = std::get_if<DateRefusal>(&effect);
      ASSERT_NE(refused, nullptr) << c.text;
      EXPECT_EQ(refused->reason, std::string("日期格式错误：“") + c.text +
                                     "”，应为 YYYY-MM-DD 格式的有效日期，如 2024-07-06。");
    }
  }
  // No date asked: nothing to say.
  const auto none = ApplyDate(std::nullopt);
  ASSERT_TRUE(std::holds_alternative<DateEffect>(none));
  EXPECT_TRUE(std::get<DateEffect>(none).date.empty());
  EXPECT_TRUE(std::get<DateEffect>(none).note.empty());
}

}  // namespace
}  // namespace lanzhou::cli::mcp
