// The arguments of a tool call: which values each reader takes and the Chinese reason for the
// others; which texts are dates, and which day an answer is for.
#include <gtest/gtest.h>

#include <boost/json/parse.hpp>

#include "cli/mcp/date_argument.h"
#include "cli/mcp/tool_arguments.h"

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
  // Tables without a calendar take any real date, and say it changes nothing.
  const data::Calendar none;
  const data::Date today = data::ParseIsoDate("2026-01-10");
  for (const Case& c : cases) {
    const auto effect = ApplyDate(std::string(c.text), today, none);
    if (c.date) {
      const auto* d = std::get_if<DateEffect>(&effect);
      ASSERT_NE(d, nullptr) << c.text;
      EXPECT_EQ(d->date, c.text);
      EXPECT_FALSE(d->applied);
      EXPECT_NE(d->note.find(std::string("日期 ") + c.text + " 未能核实"), std::string::npos);
    } else {
      const auto* refused = std::get_if<DateRefusal>(&effect);
      ASSERT_NE(refused, nullptr) << c.text;
      EXPECT_EQ(refused->reason, std::string("日期格式错误：“") + c.text +
                                     "”，应为 YYYY-MM-DD 格式的有效日期，如 2024-07-06。");
    }
  }
  // No date asked and no period: every train, nothing to say.
  const auto undated = ApplyDate(std::nullopt, today, none);
  ASSERT_TRUE(std::holds_alternative<DateEffect>(undated));
  EXPECT_FALSE(std::get<DateEffect>(undated).day);
  EXPECT_TRUE(std::get<DateEffect>(undated).note.empty());
}

// What a reader gives for one argument value: the value read, or the reason it is refused.
template <class Read>
std::string Outcome(std::string_view value_json, Read read) {
  const boost::json::object schema =
      boost::json::parse(R"({"properties":{"n":{},"t":{},"list":{}}})").as_object();
  const boost::json::object values =
      boost::json::parse(std::string(R"({"n":)") + std::string(value_json) + "}").as_object();
  try {
    return read(ToolArguments(values, schema));
  } catch (const ToolError& e) {
    return std::string("! ") + e.what();
  }
}

TEST(cli_mcp_arguments, ValuesAndReasons) {
  const auto integer = [](const ToolArguments& a) {
    return std::to_string(a.Integer("n", 0, 2, 7));
  };
  const auto clock = [](const ToolArguments& a) {
    const auto m = a.Clock("n");
    return m ? std::to_string(*m) : std::string("none");
  };
  const auto texts = [](const ToolArguments& a) {
    std::string joined;
    for (const std::string& t : a.Texts("n")) joined += "[" + t + "]";
    return joined;
  };
  struct Case {
    const char* value;
    std::string (*read)(const ToolArguments&);
    std::string expected;
  };
  const Case cases[] = {
      {"2", +integer, "2"},
      {"2.0", +integer, "2"},
      {"null", +integer, "7"},
      {"3", +integer, "! 参数 n 应在 0 至 2 之间，不能是 3。"},
      {"-1", +integer, "! 参数 n 应在 0 至 2 之间，不能是 -1。"},
      {"18446744073709551615", +integer,
       "! 参数 n 应在 0 至 2 之间，不能是 18446744073709551615。"},
      {"1e300", +integer, "! 参数 n 应在 0 至 2 之间，不能是 1E300。"},
      {"1.5", +integer, "! 参数 n 应为整数。"},
      {"\"1\"", +integer, "! 参数 n 应为整数。"},
      {"\"08:30\"", +clock, "510"},
      {"\"23:59\"", +clock, "1439"},
      {"null", +clock, "none"},
      {"\"24:00\"", +clock, "! 时间格式错误：n 为“24:00”，应为 HH:MM（00:00 至 23:59）。"},
      {"830", +clock, "! 参数 n 应为文字。"},
      {"[\"G\",\"d\"]", +texts, "[G][d]"},
      {"\"G\"", +texts, "! 参数 n 应为文字列表。"},
      {"[\"G\",1]", +texts, "! 参数 n 应为文字列表。"},
  };
  for (const Case& c : cases) EXPECT_EQ(Outcome(c.value, c.read), c.expected) << c.value;

  // A name the schema does not list is refused before anything is read.
  const boost::json::object schema =
      boost::json::parse(R"({"properties":{"from":{}}})").as_object();
  const boost::json::object values =
      boost::json::parse(R"({"from":"北京","form":"x"})").as_object();
  try {
    (void)ToolArguments(values, schema);
    ADD_FAILURE() << "an unknown argument was taken";
  } catch (const ToolError& e) {
    EXPECT_STREQ(e.what(), "未知参数：form。");
  }
  // Blanks are no text.
  const boost::json::object blank = boost::json::parse(R"({"from":" \t"})").as_object();
  EXPECT_THROW((void)ToolArguments(blank, schema).RequiredText("from"), ToolError);
}

}  // namespace
}  // namespace lanzhou::cli::mcp
