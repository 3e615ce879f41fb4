// The pieces of lanzhou-query's output that the fixture timetable cannot reach: JSON escapes
// of characters no table holds (Boost.JSON's), widths of mixed text, the packed-or-plain test
// of --data files.
#include "cli/text_output.h"

#include <gtest/gtest.h>

#include <boost/json/object.hpp>

#include "cli/table_loading.h"
#include "data/packed_resource.h"

namespace lanzhou::cli {
namespace {

TEST(cli_text_output, JsonArrayLinesLayoutAndEscapes) {
  EXPECT_EQ(JsonArrayLines({}), "[]\n");
  EXPECT_EQ(JsonArrayLines({1, boost::json::object{}}), "[\n1,\n{}\n]\n");
  // Keys keep their order; texts are UTF-8 as they are, with what JSON forbids escaped.
  const boost::json::array values = {
      boost::json::object{{"Name", "郑州"}, {"FromTrains", -2}, {"Ready", false}},
      "a\"b\\c", "x\ny\rz\t", std::string_view("\x01\x1f", 2), std::string_view("a\0b", 3), ""};
  EXPECT_EQ(JsonArrayLines(values),
            "[\n{\"Name\":\"郑州\",\"FromTrains\":-2,\"Ready\":false},\n\"a\\\"b\\\\c\",\n"
            "\"x\\ny\\rz\\t\",\n\"\\u0001\\u001f\",\n\"a\\u0000b\",\n\"\"\n]\n");
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
