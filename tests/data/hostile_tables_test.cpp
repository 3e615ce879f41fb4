// Table texts an adversary would write, loaded as the four timetables: a field the queries read
// left out or of the wrong kind, numbers no timetable holds, texts with no header at all, index
// blocks in an unusual place, more fields than any table has. Each must fail to load with a
// message naming table and field (leaving the table empty), or load as the reader's rules say.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/packed_resource.h"
#include "data/resource_registry.h"
#include "data/timetable_schema.h"
#include "lanzhou_test_fixtures.h"

namespace lanzhou::data {
namespace {

using ::testing::HasSubstr;

// The fixture table text of a resource (GBK, CR LF), as the loaders receive it.
std::string FixtureText(std::string_view name) {
  ResourceRegistry registry;
  registry.Register(testing::FixtureResources());
  return ReadPackedResource(registry, name);
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The text with the field `field` called "Zz" instead, in its definition, the index keys and the
// header (any letter case), so the table lacks that field but loads otherwise.
std::string WithoutField(const std::string& text, std::string_view field) {
  const std::size_t header_end = text.find('\n', text.find("@@TABLEDEF END@@"));
  const std::size_t data_start = text.find('\n', header_end + 1);
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const bool here = i < data_start && i + field.size() <= text.size() &&
                      (i == 0 || !IsNameChar(text[i - 1])) &&
                      (i + field.size() == text.size() || !IsNameChar(text[i + field.size()]));
    bool match = here;
    for (std::size_t k = 0; match && k < field.size(); ++k) {
      match = (text[i + k] | 0x20) == (field[k] | 0x20);
    }
    if (match) {
      out += "Zz";
      i += field.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

// The text with value number `column` of the data line containing `marker` replaced.
std::string WithValue(const std::string& text, std::string_view marker, int column,
                      std::string_view value) {
  const std::size_t at = text.find(marker);
  EXPECT_NE(at, std::string::npos) << marker;
  const std::size_t begin = text.rfind('\n', at) + 1;
  std::size_t start = begin;
  for (int c = 0; c < column; ++c) start = text.find(',', start) + 1;
  const std::size_t end = text.find(',', start);
  std::string out = text;
  out.replace(start, end - start, "\"" + std::string(value) + "\"");
  return out;
}

// The message LoadTimetableTable fails with, or "" when it loads; a failed load must leave the
// table with nothing in it.
std::string LoadMessage(std::string_view name, const std::string& text) {
  MemTable table;
  const CsvTableFormat format;
  try {
    LoadTimetableTable(name, text, table, format);
  } catch (const TableError& e) {
    EXPECT_TRUE(table.FieldDefs().empty()) << e.what();
    EXPECT_EQ(table.RecordCount(), 0u) << e.what();
    EXPECT_TRUE(table.IndexDefs().empty()) << e.what();
    return e.what();
  }
  EXPECT_GT(table.RecordCount(), 0u);
  return "";
}

TEST(LoadTimetableTable, EveryFieldAQueryReadsMustBeThere) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> tables = {
      {"STRAIN",
       {"ID", "Station", "S_No", "A_Time", "D_Time", "R_Date", "Distance", "P1", "P2", "P3", "P4"}},
      {"SLIST",
       {"ID", "NType", "StartStation", "endStation", "A_Time", "D_Time", "R_Date", "Distance", "P1",
        "P2", "P3", "P4"}},
      {"SM", {"Station", "Gp"}},
      {"SPY", {"Station", "Shortcode"}},
  };
  for (const auto& [name, fields] : tables) {
    const std::string text = FixtureText(name);
    EXPECT_EQ(LoadMessage(name, text), "") << name;
    for (const std::string& field : fields) {
      EXPECT_EQ(LoadMessage(name, WithoutField(text, field)),
                "Table " + name + " has no field '" + field + "'");
    }
  }
  // Resources of other names carry no schema.
  EXPECT_EQ(LoadMessage("OTHER", WithoutField(FixtureText("SM"), "Gp")), "");
}

TEST(LoadTimetableTable, NumbersMustBeIntegerFieldsAndTextsText) {
  std::string strain = FixtureText("STRAIN");
  strain.replace(strain.find("Distance=Integer"), 16, "Distance=WideString");
  EXPECT_EQ(LoadMessage("STrain", strain),
            "Field 'Distance' of table STRAIN is WideString; it must hold integers");
  std::string sm = FixtureText("SM");
  sm.replace(sm.find("Station=WideString"), 18, "Station=Integer");
  // The station texts are not integers, so the reader refuses them first; an empty table of
  // the wrong type reaches the schema check.
  sm.erase(sm.find('\n', sm.find("\"Station\",\"Gp\"")) + 1);
  EXPECT_EQ(LoadMessage("SM", sm), "Field 'Station' of table SM is Integer; it must hold text");
}

TEST(LoadTimetableTable, NumbersBeyondATimetableAreRefused) {
  // Record 2 of STRAIN: train 1043 at 渭南 (S_No 2, R_Date "58", Distance 60, fares).
  const std::string strain = FixtureText("STRAIN");
  const std::string_view row = "\"22:23\",\"22:27\"";
  struct Case {
    int column;
    const char* value;
    const char* refusal;  // nullptr: loads
  };
  const Case cases[] = {
      {2, "-2147483648", "stop numbers run 1..999"},
      {2, "0", "stop numbers run 1..999"},
      {2, "1000", "stop numbers run 1..999"},
      {2, "999", nullptr},
      {6, "2147483647", "distances run 0..99999 km"},
      {6, "-1", "distances run 0..99999 km"},
      {6, "100000", "distances run 0..99999 km"},
      {6, "99999", nullptr},
      {5, "100:0", "running times run 0..99 h, minutes 0..59"},
      {5, "5:60", "running times run 0..99 h, minutes 0..59"},
      {5, "-5", "running times run 0..99 h, minutes 0..59"},
      {5, "6000", "running times run 0..99 h, minutes 0..59"},
      {5, "99:59", nullptr},
      {5, "5999", nullptr},
      {5, "23:", nullptr},
      {5, "x", nullptr},  // not a number: reads as 0, as every reader of these texts takes it
      {7, "1e300", "fares run 0..99999 yuan"},
      {7, "-3", "fares run 0..99999 yuan"},
      {7, "99999.5", "fares run 0..99999 yuan"},
      {7, "99999", nullptr},
      {7, "-", nullptr},
      {9, "27/1e300/29", "fares run 0..99999 yuan"},
      {10, "40/-42", "fares run 0..99999 yuan"},
      {9, "27/28/99999", nullptr},
  };
  for (const Case& c : cases) {
    const std::string message = LoadMessage("STRAIN", WithValue(strain, row, c.column, c.value));
    if (c.refusal == nullptr) {
      EXPECT_EQ(message, "") << c.value;
    } else {
      EXPECT_THAT(message,
                  HasSubstr(std::string(" holds ") +
                            (c.column == 2 || c.column == 6 ? c.value
                                                            : "\"" + std::string(c.value) + "\"") +
                            " in record 2; " + c.refusal))
          << c.value;
      EXPECT_THAT(message, HasSubstr("of table STRAIN"));
    }
  }
  // The train list is held to the same ranges.
  const std::string slist = FixtureText("SLIST");
  const std::size_t first_row = slist.find('\n', slist.find("\"ID\",\"NType\"")) + 1;
  const std::string first = slist.substr(first_row, 8);
  EXPECT_EQ(LoadMessage("SLIST", WithValue(slist, first, 7, "2147483647")),
            "Field 'Distance' of table SLIST holds 2147483647 in record 1; distances run 0..99999 "
            "km");
  EXPECT_THAT(LoadMessage("SLIST", WithValue(slist, first, 8, "1e300")),
              HasSubstr("Field 'P1' of table SLIST holds \"1e300\""));
}

// City groups bound what every query costs: each group's stations stand for one another and are
// tried against each other, so a group number of 0, -1 or INT_MAX given to every station (one
// group of them all) is refused, and so is a group larger than any city has.
TEST(LoadTimetableTable, CityGroupsAreNumberedAndSmall) {
  const std::string sm = FixtureText("SM");
  const std::size_t header = sm.find("\"Station\",\"Gp\"");
  ASSERT_NE(header, std::string::npos);
  const std::size_t first_row = sm.find('\n', header) + 1;
  // Every record's group set to `group`, and `copies` more stations in it.
  const auto all_in = [&](const std::string& group, int copies) {
    std::string text = sm.substr(0, first_row);
    std::size_t at = first_row;
    int n = 0;
    while (at < sm.size()) {
      const std::size_t end = sm.find('\n', at);
      const std::string line = sm.substr(at, end - at + 1);
      text += line.substr(0, line.find(',') + 1) + "\"" + group + "\",\r\n";
      at = end + 1;
      ++n;
    }
    for (int i = 0; i < copies; ++i) {
      text += "\"Z" + std::to_string(i) + "\",\"" + group + "\",\r\n";
    }
    return text;
  };
  struct Case {
    std::string group;
    int copies;
    const char* refusal;  // nullptr: loads
  };
  const Case cases[] = {
      {"0", 0, "holds 0 in record 1; city groups are numbered 1..999999"},
      {"-1", 0, "holds -1 in record 1; city groups are numbered 1..999999"},
      {"2147483647", 0, "holds 2147483647 in record 1; city groups are numbered 1..999999"},
      {"999999", 0, nullptr},
      {"7", 200, "City group 7 of table SM has more than 64 stations"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.group);
    const std::string message = LoadMessage("SM", all_in(c.group, c.copies));
    if (c.refusal == nullptr) {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_THAT(message, HasSubstr(c.refusal));
    }
  }
  EXPECT_EQ(LoadMessage("SM", sm), "");
}

TEST(LoadTimetableTable, ATextWithoutAHeaderLineHasNoFieldCount) {
  const std::string strain = FixtureText("STRAIN");
  const std::string definitions_only = strain.substr(0, strain.find("\"ID\",\"Station\""));
  const std::vector<std::string> texts = {
      "",
      std::string(4096, '\0'),
      "\r\n\r\n",
      definitions_only,
      UnpackResource(PackResource("")),  // a packed resource of 0 bytes
  };
  for (const std::string& text : texts) {
    for (const char* name : {"STRAIN", "SLIST", "SM", "SPY"}) {
      EXPECT_EQ(LoadMessage(name, text), "Couldnt determine field count for load.")
          << name << " " << text.size();
    }
  }
}

TEST(CsvTableFormat, AnIndexBlockAfterTheTableDefinitionDefinesIndexes) {
  const std::string text = R"("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"Station=WideString,20,""Station"","""",20,Data,"""""
"Gp=Integer,0,""Gp"","""",10,Data,"""""
"@@TABLEDEF END@@"
"@@INDEXDEF START@@"
"SStation=""Station"",""SStation"",UNIQ"
"@@INDEXDEF END@@"
"Station","Gp",
"B","5",
"A","5",
)";
  MemTable table;
  const CsvTableFormat format;
  format.Load(text, table);
  ASSERT_EQ(table.IndexDefs().size(), 1u);
  EXPECT_EQ(table.IndexDefs()[0].name, "SStation");
  EXPECT_EQ(table.RecordCount(), 2u);
  table.SetIndexName("SStation");
  table.First();
  EXPECT_EQ(table.FieldByName("Station").AsString(), "A");
  // The index is real: a second "A" breaks its uniqueness.
  MemTable duplicate;
  try {
    format.Load(text + "\"A\",\"6\",\n", duplicate);
    ADD_FAILURE() << "loaded a duplicate key";
  } catch (const TableError& e) {
    EXPECT_STREQ(e.what(), "Duplicate index value. Operation aborted.");
  }
}

TEST(CsvTableFormat, NoMoreThan64Fields) {
  auto text_with = [](std::size_t fields) {
    std::string text = "\"@@TABLEDEF START@@\"\r\n";
    std::string header, row;
    for (std::size_t i = 0; i < fields; ++i) {
      const std::string name = "F" + std::to_string(i);
      text += "\"" + name + "=Integer,0,\"\"" + name + "\"\",\"\"\"\",10,Data,\"\"\"\"\"\r\n";
      header += "\"" + name + "\",";
      row += "\"1\",";
    }
    return text + "\"@@TABLEDEF END@@\"\r\n" + header + "\r\n" + row + "\r\n";
  };
  const CsvTableFormat format;
  MemTable fits;
  format.Load(text_with(kMaxTableFields), fits);
  EXPECT_EQ(fits.FieldDefs().size(), kMaxTableFields);
  EXPECT_EQ(fits.FieldByName("F63").AsInteger(), 1);
  MemTable refused;
  try {
    format.Load(text_with(kMaxTableFields + 1), refused);
    ADD_FAILURE() << "loaded 65 fields";
  } catch (const TableError& e) {
    EXPECT_STREQ(e.what(), "A table may have at most 64 fields");
  }
  // Without definitions the header makes the fields; the same limit holds.
  CsvSettings auto_layout;
  auto_layout.auto_layout_def = true;
  std::string header;
  for (int i = 0; i < 65; ++i) header += "\"H" + std::to_string(i) + "\",";
  MemTable from_header;
  EXPECT_THROW(CsvTableFormat(auto_layout).Load(header + "\r\n", from_header), TableError);
}

TEST(MemTable, AColumnHandleNeverReadsPastTheColumns) {
  MemTable table;
  const CsvTableFormat format;
  LoadTimetableTable("STRAIN", FixtureText("STRAIN"), table, format);
  const ColumnId p4 = table.ColumnOf("P4");
  EXPECT_THROW((void)table.ColumnOf("Gp"), TableError);
  // The table is loaded again with two fields: the old handle is stale and refused.
  table.ClearFieldDefs();
  LoadTimetableTable("SM", FixtureText("SM"), table, format);
  ASSERT_EQ(table.FieldDefs().size(), 2u);
  EXPECT_THROW((void)table.TextAt(p4), TableError);
  EXPECT_THROW((void)table.IntAt(p4), TableError);
}

}  // namespace
}  // namespace lanzhou::data
