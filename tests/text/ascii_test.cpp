// One integer reader, one number reader and one case fold for the whole program: every place
// that reads a number out of a text must agree with them on every text, hostile ones included.
#include "text/ascii.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "data/csv_value_conversion.h"
#include "data/mem_table.h"
#include "timetable/times.h"

namespace lanzhou::text {
namespace {

const std::vector<std::string>& Texts() {
  static const std::vector<std::string> texts = {
      "0",
      "5",
      "+5",
      "-5",
      "007",
      "+-5",
      "-+5",
      "--5",
      "++5",
      "+",
      "-",
      "",
      " 5",
      "5 ",
      "5a",
      "0x5",
      "1.5",
      "1e3",
      "2147483647",
      "2147483648",
      "-2147483648",
      "-2147483649",
      "9223372036854775807",
      "9223372036854775808",
      "-9223372036854775808",
      "-9223372036854775809",
      "\xef\xbc\x95",
  };
  return texts;
}

TEST(ParseDecimal, EveryIntegerReaderAgrees) {
  for (const std::string& t : Texts()) {
    SCOPED_TRACE("\"" + t + "\"");
    std::int64_t value = 0;
    const bool is_integer = ParseDecimal(t, value);
    // Whole decimal: at most one sign, digits only.
    const std::size_t digits =
        t.find_first_not_of("+-") == std::string::npos ? t.size() : t.find_first_not_of("+-");
    const bool well_formed = digits <= 1 && digits < t.size() &&
                             t.find_first_not_of("0123456789", digits) == std::string::npos;
    const bool fits = well_formed && (t.size() - digits < 19 || t == "9223372036854775807" ||
                                      t == "-9223372036854775808");
    EXPECT_EQ(is_integer, fits);

    const bool fits32 = is_integer && value >= std::numeric_limits<std::int32_t>::min() &&
                        value <= std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(timetable::TextToIntOrZero(t), fits32 ? value : 0);

    bool definition_ok = true;
    int definition = 0;
    try {
      definition = data::csv::ParseDefinitionInteger(t);
    } catch (const data::TableError&) {
      definition_ok = false;
    }
    // Definition numbers may have blanks around them; the rest is the same rule.
    if (t.front() != ' ' && t.back() != ' ') {
      EXPECT_EQ(definition_ok, fits32);
      if (fits32) EXPECT_EQ(definition, value);
    }

    data::MemTable table;
    table.AddFieldDef("N", data::FieldType::LargeInt, 0, false);
    table.Open();
    table.Append();
    bool field_ok = true;
    try {
      table.FieldByName("N").SetAsString(t);
    } catch (const data::TableError&) {
      field_ok = false;
    }
    EXPECT_EQ(field_ok, is_integer || t.empty());  // empty text leaves the field empty
    if (is_integer) EXPECT_EQ(table.FieldByName("N").AsInteger(), value);
  }
}

TEST(ParseDecimalNumber, SignsOnlyOnceAndFiniteOnly) {
  struct Case {
    const char* text;
    bool number;
    double value;
  };
  const Case cases[] = {{"3.5", true, 3.5},  {"+3.5", true, 3.5}, {"-2", true, -2},
                        {".5", true, 0.5},   {"1e3", true, 1000}, {"+-5", false, 0},
                        {"--5", false, 0},   {"inf", false, 0},   {"-nan", false, 0},
                        {"1e999", false, 0}, {"", false, 0},      {"3.5 ", false, 0}};
  for (const Case& c : cases) {
    double value = -1;
    EXPECT_EQ(ParseDecimalNumber(c.text, value), c.number) << c.text;
    if (c.number) EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(EqualsIgnoreAsciiCase, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase("startStation", "STARTSTATION"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("a", "b"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("ab", "a"));
  // Bytes outside ASCII are never folded: 0xE1 and 0xC1 differ by 0x20 as 'a' and 'A' do.
  EXPECT_FALSE(EqualsIgnoreAsciiCase("\xe1", "\xc1"));
  EXPECT_EQ(UpperAscii("g1001/北京x"), "G1001/北京X");
}

}  // namespace
}  // namespace lanzhou::text
