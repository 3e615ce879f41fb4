// The pieces of lanzhou-query's output that the fixture timetable cannot reach: JSON escapes
// of characters no table holds, widths of mixed text, the packed-or-plain test of --data files.
#include "cli/text_output.h"

#include <gtest/gtest.h>

#include "cli/table_loading.h"
#include "data/packed_resource.h"

namespace lanzhou::cli {
namespace {

TEST(cli_text_output, JsonStringEscapesWhatJsonForbids) {
  EXPECT_EQ(JsonString("北京"), "\"北京\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("x\ny\rz\t"), "\"x\\ny\\rz\\t\"");
  EXPECT_EQ(JsonString(std::string_view("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(JsonString(std::string_view("a\0b", 3)), "\"a\\u0000b\"");
  EXPECT_EQ(JsonString(""), "\"\"");
}

TEST(cli_text_output, JsonObjectAndArrayLayout) {
  EXPECT_EQ(JsonObject().Str(), "{}");
  EXPECT_EQ(
      JsonObject().Text("Name", "郑州").Integer("FromTrains", -2).Boolean("Ready", false).Str(),
      "{\"Name\":\"郑州\",\"FromTrains\":-2,\"Ready\":false}");
  EXPECT_EQ(JsonArrayLines({}), "[]\n");
  EXPECT_EQ(JsonArrayLines({"1", "{}"}), "[\n1,\n{}\n]\n");
}

TEST(cli_text_output, DisplayWidthCountsChineseAsTwoCells) {
  EXPECT_EQ(DisplayWidth(""), 0u);
  EXPECT_EQ(DisplayWidth("G1"), 2u);
  EXPECT_EQ(DisplayWidth("北京西"), 6u);
  EXPECT_EQ(DisplayWidth("结果:8"), 6u);
  EXPECT_EQ(DisplayWidth("全程："), 6u);            // full-width colon
  EXPECT_EQ(DisplayWidth("车 次↑"), 6u);            // the arrow takes one cell
  EXPECT_EQ(DisplayWidth("\xE5\x8C"), 2u);          // a cut character: one cell per byte
  EXPECT_EQ(DisplayWidth("\xF0\xA0\x80\x80"), 2u);  // U+20000, a supplementary ideograph
}

TEST(cli_text_output, AlignColumnsPadsByDisplayWidth) {
  EXPECT_EQ(AlignColumns({{"车次", "发站", "km"}, {"G1", "北京南", "1318"}, {"D1", "北京", ""}}),
            "车次  发站    km\n"
            "G1    北京南  1318\n"
            "D1    北京\n");
  EXPECT_EQ(AlignColumns({}), "");
}

TEST(cli_table_loading, PackedFilesAreToldFromTableText) {
  EXPECT_TRUE(LooksPacked(data::PackResource("\"@@FILE VERSION@@\",\"251\"\r\n")));
  EXPECT_TRUE(LooksPacked(data::PackResource("")));
  EXPECT_FALSE(LooksPacked("\"@@FILE VERSION@@\",\"251\"\r\n"));
  EXPECT_FALSE(LooksPacked(""));
  EXPECT_FALSE(LooksPacked(std::string("\x10\0\0\0\x78", 5)));      // cut before the second byte
  EXPECT_FALSE(LooksPacked(std::string("\x10\0\0\0\x78\x9D", 6)));  // header check fails
}

}  // namespace
}  // namespace lanzhou::cli
