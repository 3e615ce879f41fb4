#include "data/csv_table_format.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "data/mem_table.h"
#include "text/gbk.h"

using namespace lanzhou::data;
using lanzhou::text::Utf8ToGbk;

namespace {

// Table texts are written with CR LF line ends; fixtures are written with "\n".
std::string Crlf(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Loads readable UTF-8 table text the way the program does: as GBK bytes with CR LF.
void LoadText(std::string_view utf8, MemTable& table, const CsvSettings& settings = {}) {
  LoadFromStream(table, Utf8ToGbk(Crlf(utf8)), CsvTableFormat(settings));
}

using Rows = std::vector<std::vector<std::string>>;

// Every record in the working order, every field as text.
Rows Dump(MemTable& table) {
  Rows rows;
  std::vector<Field> fields;
  for (const FieldDef& def : table.FieldDefs()) fields.push_back(table.FieldByName(def.name));
  for (table.First(); !table.Eof(); table.Next()) {
    std::vector<std::string> row;
    for (const Field& field : fields) row.push_back(field.AsString());
    rows.push_back(row);
  }
  return rows;
}

std::string FieldDefinitionError(std::string_view line) {
  try {
    (void)csv::ParseFieldDefinition(line);
  } catch (const TableError& e) {
    return e.what();
  }
  return "(no error)";
}

std::string ErrorOf(std::string_view utf8) {
  MemTable table;
  try {
    LoadText(utf8, table);
  } catch (const TableError& e) {
    return e.what();
  }
  return "(no error)";
}

constexpr std::string_view kSm = R"csv("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"Station=WideString,20,""Station"","""",20,Data,"""""
"Gp=Integer,0,""Gp"","""",10,Data,"""""
"@@INDEXDEF START@@"
"SStation=""Station"",""SStation"",UNIQ"
"SGp=""Gp"",""SGp"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"Station","Gp",
"安庆","1",
"安庆西","1",
"白河东","2",
"白河县","2",
)csv";

// Definitions of a two-field table (text Name, integer Num) for the row and header cases.
constexpr std::string_view kTwoFieldDefs = R"csv("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"Name=WideString,20,""Name"","""",20,Data,"""""
"Num=Integer,0,""Num"","""",10,Data,"""""
"@@INDEXDEF START@@"
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
)csv";

std::string TwoFields(std::string_view rest) {
  return std::string(kTwoFieldDefs) + std::string(rest);
}

constexpr std::string_view kTrainDefs = R"csv("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"ID=WideString,35,""ID"","""",35,Data,"""""
"Station=WideString,20,""Station"","""",20,Data,"""""
"S_No=Integer,0,""S_No"","""",10,Data,"""""
"A_Time=WideString,20,""A_Time"","""",20,Data,"""""
"D_Time=WideString,20,""D_Time"","""",20,Data,"""""
"R_Date=WideString,20,""R_Date"","""",20,Data,"""""
"Distance=Integer,0,""Distance"","""",10,Data,"""""
"P1=WideString,20,""P1"","""",20,Data,"""""
"P2=WideString,20,""P2"","""",20,Data,"""""
"P3=WideString,20,""P3"","""",20,Data,"""""
"P4=WideString,20,""P4"","""",20,Data,"""""
"@@INDEXDEF START@@"
"SIDNo=""ID;S_No"",""SIDNo"",UNIQ"
"SStation=""Station"",""SStation"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"ID","Station","S_No","A_Time","D_Time","R_Date","Distance","P1","P2","P3","P4",
)csv";

// A stop-by-stop text of the shipped table's shape: trains x stops rows of 11 quoted values.
std::string MakeTrainText(int trains, int stops) {
  static const char* const kStations[] = {"西安", "北京西", "上海虹桥", "广州南", "郑州东",
                                          "武汉", "长沙南", "成都东",   "兰州西", "哈尔滨"};
  std::string text(kTrainDefs);
  for (int t = 0; t < trains; ++t) {
    const std::string id = (t % 3 == 0 ? "D" : t % 3 == 1 ? "K" : "") + std::to_string(1000 + t);
    for (int s = 1; s <= stops; ++s) {
      const std::string hm = std::to_string(10 + s % 14) + ":" + std::to_string(10 + s % 50);
      text += "\"" + id + "\",\"" + kStations[(t + s) % 10] + "\",\"" + std::to_string(s) +
              "\",\"" + (s == 1 ? "" : hm) + "\",\"" + (s == stops ? "" : hm) + "\",\"" +
              std::to_string(s * 37 / 60) + ":" + std::to_string(s * 37 % 60) + "\",\"" +
              std::to_string((s - 1) * 83) + "\",\"" + (s == 1 ? "" : "12.5") + "\",\"" +
              (s == 1 ? "" : "-") + "\",\"" + (s == 1 ? "" : "38/41/43") + "\",\"" +
              (s == 1 ? "" : "54/58") + "\",\n";
    }
  }
  return text;
}

}  // namespace

// ---- Definition lines ----------------------------------------------------------------------

TEST(CsvDefinitions, FieldDefinitionItems) {
  const FieldDef id = csv::ParseFieldDefinition(R"("ID=WideString,35,""ID"","""",35,Data,""""")");
  EXPECT_EQ(id.name, "ID");
  EXPECT_EQ(id.type, FieldType::WideString);
  EXPECT_EQ(id.size, 35);
  EXPECT_EQ(id.display_label, "ID");
  EXPECT_EQ(id.edit_mask, "");
  EXPECT_EQ(id.display_width, 35);
  EXPECT_EQ(id.kind, FieldKind::Data);
  EXPECT_EQ(id.default_expression, "");
  EXPECT_FALSE(id.required);
  EXPECT_FALSE(id.read_only);
  EXPECT_TRUE(id.visible);

  const FieldDef flags = csv::ParseFieldDefinition(
      R"("Amount=Float,0,""Betrag"",""#0.00"",12,REQ,RO,INV,Calculated,""0""")");
  EXPECT_EQ(flags.type, FieldType::Float);
  EXPECT_EQ(flags.display_label, "Betrag");
  EXPECT_EQ(flags.edit_mask, "#0.00");
  EXPECT_EQ(flags.display_width, 12);
  EXPECT_TRUE(flags.required);
  EXPECT_TRUE(flags.read_only);
  EXPECT_FALSE(flags.visible);
  EXPECT_EQ(flags.kind, FieldKind::Calculated);
  EXPECT_EQ(flags.default_expression, "0");

  // Six items: no default expression, the sixth is the kind; five: kind Data.
  EXPECT_EQ(csv::ParseFieldDefinition(R"("L=Integer,0,"""","""",10,Lookup")").kind,
            FieldKind::Lookup);
  EXPECT_EQ(csv::ParseFieldDefinition(R"("L=Integer,0,"""","""",10")").kind, FieldKind::Data);
  // An unknown kind name means Data.
  EXPECT_EQ(csv::ParseFieldDefinition(R"("L=Integer,0,"""","""",10,Sideways,""""")").kind,
            FieldKind::Data);
}

TEST(CsvDefinitions, TypeNamesMatchExactly) {
  EXPECT_EQ(csv::ParseFieldDefinition(R"("A=SmallInt,0,""A"","""",10,Data,""""")").type,
            FieldType::SmallInt);
  EXPECT_EQ(csv::ParseFieldDefinition(R"("A=dBaseOle,0,""A"","""",10,Data,""""")").type,
            FieldType::DBaseOle);
  EXPECT_EQ(csv::ParseFieldDefinition(R"("A=FMTBcdField,0,""A"","""",10,Data,""""")").type,
            FieldType::FMTBcdField);
  try {
    (void)csv::ParseFieldDefinition(R"("A=Cursor,0,""A"","""",10,Data,""""")");
    FAIL() << "a refused type must fail";
  } catch (const TableError& e) {
    EXPECT_STREQ(e.what(),
                 R"(Unknown field type (Cursor) in CSV file. (A=Cursor,0,"A","",10,Data,""))");
  }
  EXPECT_EQ(FieldDefinitionError(R"("A=Strings,0,""A"","""",10,Data,""""")"),
            R"(Unknown field type (Strings) in CSV file. (A=Strings,0,"A","",10,Data,""))");
  EXPECT_EQ(FieldDefinitionError(R"("A=WideString,x,""A"","""",10,Data,""""")"),
            "'x' is not a valid integer value");
  EXPECT_EQ(FieldDefinitionError(R"("A=WideString,20,""A""")"), "List index out of bounds (3)");
  // A line that does not begin with a quote reads as an empty definition and fails.
  EXPECT_EQ(FieldDefinitionError(R"(A=WideString,20,"A","",20,Data,"")"),
            "List index out of bounds (0)");
}

TEST(CsvDefinitions, IndexDefinitionOptions) {
  const IndexDef sidno = csv::ParseIndexDefinition(R"("SIDNo=""ID;S_No"",""SIDNo"",UNIQ")");
  EXPECT_EQ(sidno.name, "SIDNo");
  EXPECT_EQ(sidno.fields, "ID;S_No");
  EXPECT_TRUE(sidno.options.unique);
  EXPECT_FALSE(sidno.options.descending);
  EXPECT_FALSE(sidno.options.case_insensitive);
  EXPECT_FALSE(sidno.options.non_maintained);

  const IndexDef all = csv::ParseIndexDefinition(R"("X=""A"",""Y"",DESC,CASE,NONMT,UNIQ")");
  EXPECT_EQ(all.name, "Y");  // the second name is the index's name
  EXPECT_TRUE(all.options.descending);
  EXPECT_TRUE(all.options.case_insensitive);
  EXPECT_TRUE(all.options.non_maintained);
  EXPECT_TRUE(all.options.unique);

  const IndexDef plain = csv::ParseIndexDefinition(R"("SGp=""Gp"",""SGp""")");
  EXPECT_FALSE(plain.options.unique);
}

TEST(CsvDefinitions, KeyFieldsResolveWithoutCase) {
  std::vector<FieldDef> defs(3);
  defs[0].name = "ID";
  defs[1].name = "S_No";
  defs[2].name = "Shortcode";
  EXPECT_EQ(csv::ResolveKeyFields("ShortCode", defs), "Shortcode");
  EXPECT_EQ(csv::ResolveKeyFields("id;s_no", defs), "ID;S_No");
  try {
    (void)csv::ResolveKeyFields("ID;Nope", defs);
    FAIL();
  } catch (const TableError& e) {
    EXPECT_STREQ(e.what(), "Field 'Nope' not found");
  }
}

// ---- Loading --------------------------------------------------------------------------------

TEST(CsvLoad, StationGroupExample) {
  MemTable table;
  LoadText(kSm, table);
  ASSERT_EQ(table.FieldDefs().size(), 2u);
  const FieldDef& station = table.FieldDefs()[0];
  EXPECT_EQ(station.name, "Station");
  EXPECT_EQ(station.type, FieldType::WideString);
  EXPECT_EQ(station.size, 20);
  EXPECT_EQ(station.display_label, "Station");
  EXPECT_EQ(station.display_width, 20);
  EXPECT_EQ(station.kind, FieldKind::Data);
  const FieldDef& gp = table.FieldDefs()[1];
  EXPECT_EQ(gp.name, "Gp");
  EXPECT_EQ(gp.type, FieldType::Integer);
  EXPECT_EQ(gp.size, 0);
  EXPECT_EQ(gp.display_width, 10);

  ASSERT_EQ(table.IndexDefs().size(), 2u);
  EXPECT_EQ(table.IndexDefs()[0].name, "SStation");
  EXPECT_EQ(table.IndexDefs()[0].fields, "Station");
  EXPECT_TRUE(table.IndexDefs()[0].options.unique);
  EXPECT_EQ(table.IndexDefs()[1].name, "SGp");
  EXPECT_EQ(table.IndexDefs()[1].fields, "Gp");
  EXPECT_FALSE(table.IndexDefs()[1].options.unique);

  EXPECT_EQ(table.RecordCount(), 4u);
  EXPECT_EQ(Dump(table), (Rows{{"安庆", "1"}, {"安庆西", "1"}, {"白河东", "2"}, {"白河县", "2"}}));
  table.First();
  EXPECT_EQ(table.FieldByName("Gp").AsInteger(), 1);
  EXPECT_EQ(table.RecNo(), 0);
}

TEST(CsvLoad, EdgeCaseDefinitionLines) {
  MemTable table;
  LoadText(R"csv("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"ID=WideString,35,""ID"","""",35,Data,"""""
"S_No=Integer,0,""S_No"","""",10,Data,"""""
"Shortcode=WideString,10,""Shortcode"","""",10,Data,"""""
"@@INDEXDEF START@@"
"SIDNo=""ID;S_No"",""SIDNo"",UNIQ"
"PyIndex=""ShortCode"",""PyIndex"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"ID","S_No","Shortcode",
"K1","2","BJX",
"K1","1","AY",
)csv",
           table);
  const FieldDef& id = table.FieldDefs()[0];
  EXPECT_EQ(id.name, "ID");
  EXPECT_EQ(id.type, FieldType::WideString);
  EXPECT_EQ(id.size, 35);
  EXPECT_EQ(id.display_label, "ID");
  EXPECT_EQ(id.display_width, 35);
  EXPECT_EQ(id.kind, FieldKind::Data);
  ASSERT_EQ(table.IndexDefs().size(), 2u);
  EXPECT_EQ(table.IndexDefs()[0].name, "SIDNo");
  EXPECT_EQ(table.IndexDefs()[0].fields, "ID;S_No");
  EXPECT_TRUE(table.IndexDefs()[0].options.unique);
  EXPECT_EQ(table.IndexDefs()[1].name, "PyIndex");
  EXPECT_EQ(table.IndexDefs()[1].fields, "Shortcode");
  EXPECT_FALSE(table.IndexDefs()[1].options.unique);

  table.SetIndexName("SIDNo");
  EXPECT_EQ(Dump(table), (Rows{{"K1", "1", "AY"}, {"K1", "2", "BJX"}}));
  table.SetIndexName("PyIndex");
  EXPECT_EQ(table.IndexName(), "PyIndex");
  EXPECT_EQ(Dump(table), (Rows{{"K1", "1", "AY"}, {"K1", "2", "BJX"}}));
}

TEST(CsvLoad, StopTableFirstRow) {
  MemTable table;
  LoadText(std::string(kTrainDefs) + R"csv("1043","西安","1","","21:25","0","0","","","","",
)csv",
           table);
  ASSERT_EQ(table.RecordCount(), 1u);
  table.First();
  EXPECT_EQ(table.FieldByName("ID").AsString(), "1043");
  EXPECT_EQ(table.FieldByName("Station").AsString(), "西安");
  EXPECT_EQ(table.FieldByName("A_Time").AsString(), "");
  EXPECT_EQ(table.FieldByName("D_Time").AsString(), "21:25");
  EXPECT_EQ(table.FieldByName("S_No").AsInteger(), 1);
  EXPECT_EQ(table.FieldByName("Distance").AsInteger(), 0);
  EXPECT_FALSE(table.FieldByName("Distance").IsNull());
  for (const char* p : {"P1", "P2", "P3", "P4"}) EXPECT_EQ(table.FieldByName(p).AsString(), "");
}

TEST(CsvLoad, HeaderMapsByLabelWithoutCase) {
  MemTable table;
  // Columns in another order, in other letter cases, and one unknown name.
  LoadText(TwoFields(R"csv("NUM","extra","name",
"7","x","甲",
)csv"),
           table);
  EXPECT_EQ(Dump(table), (Rows{{"甲", "7"}}));
}

TEST(CsvLoad, HeaderMatchesDisplayLabelOrElseName) {
  MemTable table;
  LoadText(R"csv("@@TABLEDEF START@@"
"Station=WideString,20,""Zhan"","""",20,Data,"""""
"Gp=Integer,0,"""","""",10,Data,"""""
"@@TABLEDEF END@@"
"zhan","gp","station",
"安庆","3","ignored",
)csv",
           table);
  EXPECT_EQ(Dump(table), (Rows{{"安庆", "3"}}));
}

TEST(CsvLoad, QuotesAndCommasInsideValues) {
  MemTable table;
  LoadText(TwoFields(R"csv("Name","Num",
"a ""quoted"", b","1",
)csv"),
           table);
  EXPECT_EQ(Dump(table), (Rows{{"a \"quoted\", b", "1"}}));
}

TEST(CsvLoad, EscapesInTextValues) {
  MemTable table;
  LoadText(TwoFields(R"csv("Name","Num",
"100%%","1",
"a%cb","2",
"a%nb","3",
"a%0b","4",
)csv"),
           table);
  EXPECT_EQ(Dump(table),
            (Rows{{"100%", "1"}, {"a\rb", "2"}, {"a\nb", "3"}, {std::string("a\0b", 3), "4"}}));
}

TEST(CsvLoad, VersionIsNotChecked) {
  std::string v250(kSm);
  v250.replace(v250.find("251"), 3, "250");
  MemTable a, b;
  LoadText(kSm, a);
  LoadText(v250, b);
  EXPECT_EQ(Dump(a), Dump(b));
  EXPECT_EQ(b.IndexDefs().size(), 2u);
}

TEST(CsvLoad, EmptyLinesAndLastLineWithoutLineEnd) {
  MemTable blank;
  LoadFromStream(blank,
                 Utf8ToGbk(Crlf(TwoFields("\"Name\",\"Num\",\n\"a\",\"1\",\n")) + "\r\n\r\n"),
                 CsvTableFormat());
  EXPECT_EQ(Dump(blank), (Rows{{"a", "1"}}));

  MemTable unterminated;
  LoadFromStream(unterminated,
                 Utf8ToGbk(Crlf(TwoFields("\"Name\",\"Num\",\n\"a\",\"1\",\n")) + "\"乙\",\"2\","),
                 CsvTableFormat());
  EXPECT_EQ(Dump(unterminated), (Rows{{"a", "1"}, {"乙", "2"}}));
}

TEST(CsvLoad, ShortAndLongRows) {
  MemTable table;
  LoadText(TwoFields(R"csv("Name","Num",
"short",
"long","5","extra","more",
,"6",
)csv"),
           table);
  ASSERT_EQ(Dump(table), (Rows{{"short", ""}, {"long", "5"}, {"", "6"}}));
  table.First();
  EXPECT_TRUE(table.FieldByName("Num").IsNull());
  EXPECT_EQ(table.FieldByName("Num").AsInteger(), 0);
}

TEST(CsvLoad, FailuresCarryTheFixedMessages) {
  EXPECT_EQ(
      ErrorOf(R"csv("@@TABLEDEF START@@"
"Station=widestring,20,""Station"","""",20,Data,"""""
"@@TABLEDEF END@@"
"Station",
"安庆",
)csv"),
      R"(Unknown field type (widestring) in CSV file. (Station=widestring,20,"Station","",20,Data,""))");
  EXPECT_EQ(ErrorOf(TwoFields(R"csv("Name","Num",
"a","12x",
)csv")),
            "'12x' is not a valid integer value for field 'Num'");
  EXPECT_EQ(ErrorOf(TwoFields(R"csv("Other","Unknown",
"a","1",
)csv")),
            "Couldnt determine field count for load.");
  std::string duplicate(kSm);
  duplicate += "\"安庆\",\"9\",\n";
  EXPECT_EQ(ErrorOf(duplicate), "Duplicate index value. Operation aborted.");
}

TEST(CsvLoad, CalculatedLookupAndLargeObjectColumnsAreNotLoaded) {
  const std::string text = R"csv("@@TABLEDEF START@@"
"A=WideString,10,""A"","""",10,Data,"""""
"C=WideString,10,""C"","""",10,Calculated,"""""
"L=WideString,10,""L"","""",10,Lookup,"""""
"G=Integer,0,""G"","""",10,Aggregate,"""""
"M=Memo,0,""M"","""",10,Data,"""""
"I=WideString,10,""I"","""",10,INV,Data,"""""
"@@TABLEDEF END@@"
"A","C","L","G","M","I",
"a","c","l","not a number","m","i",
)csv";
  MemTable table;
  LoadText(text, table);
  EXPECT_EQ(Dump(table), (Rows{{"a", "", "", "", "", "i"}}));

  CsvSettings all;
  all.load_calculated = true;
  all.load_lookup = true;
  all.load_blobs = true;
  all.load_non_visible = false;
  MemTable loaded;
  LoadText(text, loaded, all);
  EXPECT_EQ(Dump(loaded), (Rows{{"a", "c", "l", "", "m", ""}}));

  // Only unloadable columns in the header: no column at all.
  EXPECT_EQ(ErrorOf(R"csv("@@TABLEDEF START@@"
"C=WideString,10,""C"","""",10,Calculated,"""""
"@@TABLEDEF END@@"
"C",
"c",
)csv"),
            "Couldnt determine field count for load.");
}

TEST(CsvLoad, BooleanIsTrueStringExactly) {
  MemTable table;
  LoadText(R"csv("@@TABLEDEF START@@"
"N=Integer,0,""N"","""",10,Data,"""""
"B=Boolean,0,""B"","""",5,Data,"""""
"@@TABLEDEF END@@"
"N","B",
"1","True",
"2","true",
"3","False",
"4","",
)csv",
           table);
  std::vector<bool> values;
  const Field b = table.FieldByName("B");
  for (table.First(); !table.Eof(); table.Next()) values.push_back(b.AsString() == "True");
  EXPECT_EQ(values, (std::vector<bool>{true, false, false, false}));
}

TEST(CsvLoad, NumbersAndDatesInFixedForm) {
  MemTable table;
  LoadText(R"csv("@@TABLEDEF START@@"
"F=Float,0,""F"","""",10,Data,"""""
"D=Date,0,""D"","""",10,Data,"""""
"@@TABLEDEF END@@"
"F","D",
"1234.5","15/08/2011",
"","",
)csv",
           table);
  table.First();
  EXPECT_EQ(table.FieldByName("F").AsString(), "1234.5");
  EXPECT_EQ(table.FieldByName("D").AsString(), "2011-08-15");
  table.Next();
  EXPECT_TRUE(table.FieldByName("F").IsNull());
  EXPECT_EQ(ErrorOf(R"csv("@@TABLEDEF START@@"
"F=Float,0,""Wert"","""",10,Data,"""""
"@@TABLEDEF END@@"
"Wert",
"1234,5",
)csv"),
            "'1234,5' is not a valid floating point value for field 'Wert'");
  EXPECT_EQ(ErrorOf(R"csv("@@TABLEDEF START@@"
"D=Date,0,""D"","""",10,Data,"""""
"@@TABLEDEF END@@"
"D",
"2011-08-15",
)csv"),
            "'2011-08-15' is not a valid date");
}

TEST(CsvLoad, WithoutHeaderColumnsFollowTheDefinitions) {
  CsvSettings settings;
  settings.load_no_header = true;
  MemTable table;
  LoadText(TwoFields(R"csv("甲","1",
"乙","2",
)csv"),
           table, settings);
  EXPECT_EQ(Dump(table), (Rows{{"甲", "1"}, {"乙", "2"}}));
}

TEST(CsvLoad, TwoLoadsOnTwoThreadsGiveIdenticalTables) {
  const std::string gbk = Utf8ToGbk(Crlf(MakeTrainText(600, 11)));
  MemTable reference;
  LoadFromStream(reference, gbk, CsvTableFormat());
  ASSERT_EQ(reference.RecordCount(), 6600u);
  reference.SetIndexName("SIDNo");
  const Rows expected = Dump(reference);

  // Two readers, as the two loader threads have; each thread loads fresh tables in a loop so
  // that the loads overlap.
  const CsvTableFormat sf_csv, sf_csv1;
  auto load = [&gbk](const CsvTableFormat& format, std::vector<Rows>& dumps, std::string& error) {
    try {
      for (int i = 0; i < 4; ++i) {
        MemTable table;
        LoadFromStream(table, gbk, format);
        table.SetIndexName("SIDNo");
        dumps.push_back(Dump(table));
      }
    } catch (const std::exception& e) {
      error = e.what();
    }
  };
  std::vector<Rows> dumps_a, dumps_b;
  std::string error_a, error_b;
  std::thread ta(load, std::cref(sf_csv), std::ref(dumps_a), std::ref(error_a));
  std::thread tb(load, std::cref(sf_csv1), std::ref(dumps_b), std::ref(error_b));
  ta.join();
  tb.join();
  EXPECT_EQ(error_a, "");
  EXPECT_EQ(error_b, "");
  ASSERT_EQ(dumps_a.size(), 4u);
  ASSERT_EQ(dumps_b.size(), 4u);
  for (const Rows& rows : dumps_a) EXPECT_TRUE(rows == expected);
  for (const Rows& rows : dumps_b) EXPECT_TRUE(rows == expected);
}
