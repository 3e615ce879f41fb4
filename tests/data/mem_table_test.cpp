#include "data/mem_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

using namespace lanzhou::data;

namespace {

struct ColumnSpec {
  std::string name;
  FieldType type = FieldType::WideString;
  int size = 20;
};

struct IndexSpec {
  std::string name;
  std::string fields;
  IndexOptions options;
};

using Row = std::vector<std::string>;

// prefix followed by n in decimal ("T" and 100 give "T100").
std::string Num(std::string prefix, long long n) {
  prefix += std::to_string(n);
  return prefix;
}

// Loads a table through the loading API, the way the table text reader does: definitions,
// Open, Append / SetAsString / Post per row, EndLoad. A row's values go to the columns in
// order; a shorter row leaves the remaining fields empty.
void Load(MemTable& t, const std::vector<ColumnSpec>& columns,
          const std::vector<IndexSpec>& indexes, const std::vector<Row>& rows) {
  t.Close();
  t.ClearFieldDefs();
  for (const auto& c : columns) {
    FieldDef& def = t.AddFieldDef(c.name, c.type, c.size, false);
    def.display_label = c.name;
    def.display_width = c.size;
  }
  t.ClearIndexDefs();
  for (const auto& i : indexes) t.AddIndexDef(i.name, i.fields, i.options);
  t.Open();
  std::vector<Field> fields;
  for (const auto& c : columns) fields.push_back(t.FieldByName(c.name));
  for (const auto& row : rows) {
    t.Append();
    for (std::size_t i = 0; i < row.size() && i < fields.size(); ++i) fields[i].SetAsString(row[i]);
    t.Post();
  }
  t.EndLoad();
}

const IndexOptions kUnique{.unique = true};
const IndexOptions kPlain{};

// KMTrain's shape: ID, Station, S_No, A_Time, D_Time, R_Date, Distance, P1..P4.
std::vector<ColumnSpec> TrainColumns() {
  return {{"ID", FieldType::WideString, 35},     {"Station", FieldType::WideString, 20},
          {"S_No", FieldType::Integer, 0},       {"A_Time", FieldType::WideString, 20},
          {"D_Time", FieldType::WideString, 20}, {"R_Date", FieldType::WideString, 20},
          {"Distance", FieldType::Integer, 0},   {"P1", FieldType::WideString, 20},
          {"P2", FieldType::WideString, 20},     {"P3", FieldType::WideString, 20},
          {"P4", FieldType::WideString, 20}};
}
std::vector<IndexSpec> TrainIndexes() {
  return {{"SIDNo", "ID;S_No", kUnique}, {"SStation", "Station", kPlain}};
}

// `trains` trains of `stops` stops each, in SIDNo order (as the shipped text is); train t
// calls at stations S<t+k> so that station names repeat across trains.
std::vector<Row> TrainRows(int trains, int stops) {
  std::vector<Row> rows;
  for (int t = 0; t < trains; ++t) {
    for (int s = 1; s <= stops; ++s) {
      const std::string id = Num("T", 100 + t);
      rows.push_back({id, Num("S", 10 + t + s), std::to_string(s), s == 1 ? "" : "08:00",
                      s == stops ? "" : "08:05", s == 1 ? "0" : std::to_string(s),
                      std::to_string(10 * (s - 1))});
    }
  }
  return rows;
}

std::vector<std::string> Walk(MemTable& t, const std::string& field) {
  std::vector<std::string> out;
  const Field f = t.FieldByName(field);
  for (t.First(); !t.Eof(); t.Next()) out.push_back(f.AsString());
  return out;
}

std::vector<std::int64_t> WalkRecNo(MemTable& t) {
  std::vector<std::int64_t> out;
  for (t.First(); !t.Eof(); t.Next()) out.push_back(t.RecNo());
  return out;
}

template <class F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const TableError& e) {
    return e.what();
  }
  return "<no error>";
}

}  // namespace

// ---- Field types --------------------------------------------------------------------------

TEST(MemTableFieldTypes, NamesMatchExactlyAndRoundTrip) {
  EXPECT_EQ(FieldTypeFromName("WideString"), FieldType::WideString);
  EXPECT_EQ(FieldTypeFromName("Integer"), FieldType::Integer);
  EXPECT_EQ(FieldTypeFromName("SmallInt"), FieldType::SmallInt);
  EXPECT_EQ(FieldTypeFromName("dBaseOle"), FieldType::DBaseOle);
  EXPECT_EQ(FieldTypeFromName("FMTBcdField"), FieldType::FMTBcdField);
  EXPECT_EQ(FieldTypeFromName("widestring"), std::nullopt);
  EXPECT_EQ(FieldTypeFromName("Smallint"), std::nullopt);
  EXPECT_EQ(FieldTypeFromName(""), std::nullopt);
  for (int i = 0; i <= static_cast<int>(FieldType::FMTBcdField); ++i) {
    const auto type = static_cast<FieldType>(i);
    EXPECT_EQ(FieldTypeFromName(FieldTypeName(type)), type) << i;
  }
}

TEST(MemTableFieldTypes, AcceptedAndTextTypes) {
  for (const auto t :
       {FieldType::Unknown, FieldType::Cursor, FieldType::Reference, FieldType::DataSet,
        FieldType::Variant, FieldType::Interface, FieldType::Dispatch}) {
    EXPECT_FALSE(IsAcceptedFieldType(t)) << FieldTypeName(t);
  }
  for (const auto t : {FieldType::WideString, FieldType::Integer, FieldType::SmallInt,
                       FieldType::Blob, FieldType::Guid, FieldType::FMTBcdField}) {
    EXPECT_TRUE(IsAcceptedFieldType(t)) << FieldTypeName(t);
  }
  for (const auto t :
       {FieldType::String, FieldType::FixedChar, FieldType::WideString, FieldType::Guid}) {
    EXPECT_TRUE(IsTextFieldType(t)) << FieldTypeName(t);
  }
  for (const auto t :
       {FieldType::Integer, FieldType::SmallInt, FieldType::Boolean, FieldType::Float}) {
    EXPECT_FALSE(IsTextFieldType(t)) << FieldTypeName(t);
  }
}

// ---- Fields -------------------------------------------------------------------------------

TEST(MemTableFields, LookUpByNameIgnoresAsciiCase) {
  MemTable t;
  Load(t,
       {{"ID", FieldType::WideString, 35},
        {"StartStation", FieldType::WideString, 20},
        {"A_Time", FieldType::WideString, 20}},
       {}, {{"1043", "西安", "21:25"}});
  EXPECT_EQ(t.FieldByName("startStation").Def().name, "StartStation");
  EXPECT_EQ(t.FieldByName("A_time").Def().name, "A_Time");
  EXPECT_EQ(t.FieldByName("a_TIME").Index(), 2);
  EXPECT_EQ(t.FieldByName("startstation").AsString(), "西安");
  EXPECT_EQ(t.FindField("STARTSTATION"), 1);
  EXPECT_EQ(t.FindField("Start"), -1);
  EXPECT_EQ(MessageOf([&] { (void)t.FieldByName("EndStation"); }), "Field 'EndStation' not found");
}

TEST(MemTableFields, EmptyFieldsReadAsEmptyTextAndZero) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(), {{"1043", "西安", "1", "", "21:25", "0", ""}});
  const Field a_time = t.FieldByName("A_Time");
  const Field distance = t.FieldByName("Distance");
  const Field p4 = t.FieldByName("P4");  // never set: the row is shorter than the header
  EXPECT_EQ(a_time.AsString(), "");
  EXPECT_EQ(distance.AsString(), "");
  EXPECT_EQ(distance.AsInteger(), 0);
  EXPECT_TRUE(distance.IsNull());
  EXPECT_EQ(p4.AsString(), "");
  EXPECT_TRUE(p4.IsNull());
  EXPECT_EQ(t.IntAt(distance.Handle()), 0);
  EXPECT_EQ(t.TextAt(p4.Handle()), "");
  EXPECT_EQ(t.FieldByName("S_No").AsInteger(), 1);
  EXPECT_EQ(t.FieldByName("D_Time").AsString(), "21:25");
}

TEST(MemTableFields, IntegersReadInDecimalWithoutLeadingZeros) {
  MemTable t;
  Load(t, {{"N", FieldType::Integer, 0}, {"S", FieldType::WideString, 10}}, {},
       {{"007", "12"}, {"-45", "x"}, {"+3", "-8"}});
  const Field n = t.FieldByName("N");
  const Field s = t.FieldByName("S");
  t.First();
  EXPECT_EQ(n.AsString(), "7");
  EXPECT_EQ(n.AsInteger(), 7);
  EXPECT_EQ(s.AsInteger(), 12);  // text read as a decimal integer
  t.Next();
  EXPECT_EQ(n.AsString(), "-45");
  EXPECT_EQ(s.AsInteger(), 0);  // not a number
  t.Next();
  EXPECT_EQ(n.AsString(), "3");
  EXPECT_EQ(t.IntAt(s.Handle()), -8);
}

TEST(MemTableFields, NonNumericTextInAnIntegerFieldFailsWithTheDisplayLabel) {
  MemTable t;
  t.AddFieldDef("S_No", FieldType::Integer, 0, false).display_label = "Stop number";
  t.Open();
  t.Append();
  const Field f = t.FieldByName("s_no");
  EXPECT_EQ(MessageOf([&] { f.SetAsString("abc"); }),
            "'abc' is not a valid integer value for field 'Stop number'");
  EXPECT_EQ(MessageOf([&] { f.SetAsString("1.5"); }),
            "'1.5' is not a valid integer value for field 'Stop number'");
  EXPECT_EQ(MessageOf([&] { f.SetAsString(" 1"); }),
            "' 1' is not a valid integer value for field 'Stop number'");
  EXPECT_EQ(MessageOf([&] { f.SetAsString("12x"); }),
            "'12x' is not a valid integer value for field 'Stop number'");
  // Without a display label, the name is the display name.
  MemTable u;
  u.AddFieldDef("Gp", FieldType::Integer, 0, false);
  u.Open();
  u.Append();
  EXPECT_EQ(MessageOf([&] { u.FieldByName("Gp").SetAsString("北京"); }),
            "'北京' is not a valid integer value for field 'Gp'");
}

TEST(MemTableFields, IntegerTypesKeepTheirRanges) {
  MemTable t;
  t.AddFieldDef("Small", FieldType::SmallInt, 0, false);
  t.AddFieldDef("Int", FieldType::Integer, 0, false);
  t.AddFieldDef("Word", FieldType::Word, 0, false);
  t.AddFieldDef("Large", FieldType::LargeInt, 0, false);
  t.Open();
  t.Append();
  const Field small = t.FieldByName("Small"), integer = t.FieldByName("Int"),
              word = t.FieldByName("Word"), large = t.FieldByName("Large");
  small.SetAsString("-32768");
  EXPECT_EQ(small.AsInteger(), -32768);
  EXPECT_EQ(MessageOf([&] { small.SetAsString("32768"); }),
            "'32768' is not a valid integer value for field 'Small'");
  integer.SetAsString("2147483647");
  EXPECT_EQ(integer.AsInteger(), 2147483647);
  EXPECT_EQ(MessageOf([&] { integer.SetAsString("2147483648"); }),
            "'2147483648' is not a valid integer value for field 'Int'");
  word.SetAsString("65535");
  EXPECT_EQ(MessageOf([&] { word.SetAsString("-1"); }),
            "'-1' is not a valid integer value for field 'Word'");
  large.SetAsString("-9223372036854775808");
  EXPECT_EQ(large.AsString(), "-9223372036854775808");
  EXPECT_EQ(MessageOf([&] { large.SetAsString("9223372036854775808"); }),
            "'9223372036854775808' is not a valid integer value for field 'Large'");
  small.SetAsString("");  // empty text empties the field
  EXPECT_TRUE(small.IsNull());
  t.Post();
  EXPECT_EQ(t.RecordCount(), 1u);
}

TEST(MemTableFields, BooleanFloatAndOtherTypes) {
  MemTable t;
  Load(t,
       {{"B", FieldType::Boolean, 0},
        {"F", FieldType::Float, 0},
        {"C", FieldType::Currency, 0},
        {"D", FieldType::Date, 0},
        {"M", FieldType::Memo, 0}},
       {}, {{"True", "3.5", "12.25", "15/08/2011", "line"}, {"false", "-1e3", "", "", ""}});
  const Field b = t.FieldByName("B"), f = t.FieldByName("F"), c = t.FieldByName("C"),
              d = t.FieldByName("D"), m = t.FieldByName("M");
  t.First();
  EXPECT_EQ(b.AsString(), "True");
  EXPECT_EQ(b.AsInteger(), 1);
  EXPECT_EQ(f.AsString(), "3.5");
  EXPECT_EQ(f.AsInteger(), 4);  // rounded
  EXPECT_EQ(c.AsString(), "12.25");
  EXPECT_EQ(d.AsString(), "15/08/2011");  // stored as text
  EXPECT_EQ(m.AsString(), "line");
  t.Next();
  EXPECT_EQ(b.AsString(), "False");
  EXPECT_EQ(f.AsString(), "-1000");
  EXPECT_TRUE(c.IsNull());
  EXPECT_EQ(c.AsString(), "");

  t.Append();
  EXPECT_EQ(MessageOf([&] { f.SetAsString("3,5"); }),
            "'3,5' is not a valid floating point value for field 'F'");
  EXPECT_EQ(MessageOf([&] { b.SetAsString("yes"); }),
            "'yes' is not a valid boolean value for field 'B'");
}

TEST(MemTableFields, DefinitionAttributesAreStored) {
  MemTable t;
  FieldDef& def = t.AddFieldDef("ID", FieldType::WideString, 35, true);
  def.display_label = "Train";
  def.edit_mask = "!999";
  def.display_width = 35;
  def.read_only = true;
  def.visible = false;
  def.default_expression = "'0'";
  def.kind = FieldKind::InternalCalc;
  t.AddIndexDef(
      "SID", "ID",
      IndexOptions{
          .descending = true, .case_insensitive = true, .non_maintained = true, .unique = true});
  const FieldDef& got = t.FieldDefs().at(0);
  EXPECT_EQ(got.name, "ID");
  EXPECT_EQ(got.type, FieldType::WideString);
  EXPECT_EQ(got.size, 35);
  EXPECT_TRUE(got.required);
  EXPECT_EQ(got.display_label, "Train");
  EXPECT_EQ(got.Label(), "Train");
  EXPECT_EQ(got.edit_mask, "!999");
  EXPECT_EQ(got.display_width, 35);
  EXPECT_TRUE(got.read_only);
  EXPECT_FALSE(got.visible);
  EXPECT_EQ(got.default_expression, "'0'");
  EXPECT_EQ(got.kind, FieldKind::InternalCalc);
  const IndexDef& index = t.IndexDefs().at(0);
  EXPECT_EQ(index.name, "SID");
  EXPECT_EQ(index.fields, "ID");
  EXPECT_TRUE(index.options.descending && index.options.case_insensitive &&
              index.options.non_maintained && index.options.unique);
  t.Open();
  EXPECT_EQ(t.FieldByName("id").Def().Label(), "Train");
}

// ---- Loading ------------------------------------------------------------------------------

TEST(MemTableLoading, AppendPostAndEndLoadMakeTheFirstRecordCurrent) {
  MemTable t;
  EXPECT_FALSE(t.Active());
  Load(t, TrainColumns(), TrainIndexes(), TrainRows(3, 4));
  EXPECT_TRUE(t.Active());
  EXPECT_EQ(t.RecordCount(), 12u);
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_TRUE(t.Bof());
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.FieldByName("ID").AsString(), "T100");
}

TEST(MemTableLoading, ASecondValueReplacesTheFirstAndLeavesOtherRecordsAlone) {
  MemTable t;
  t.AddFieldDef("Name", FieldType::WideString, 20, false);
  t.AddFieldDef("N", FieldType::Integer, 0, false);
  t.Open();
  const Field name = t.FieldByName("Name");
  const Field n = t.FieldByName("N");
  t.Append();
  name.SetAsString("北京西");
  name.SetAsString("x");
  n.SetAsString("5");
  EXPECT_EQ(name.AsString(), "x");  // the record being appended is readable
  t.Post();
  t.Append();
  name.SetAsString("long value");
  name.SetAsString("");
  t.Post();
  t.Append();
  name.SetAsString("上海");
  t.Post();
  t.EndLoad();
  EXPECT_EQ(Walk(t, "Name"), (std::vector<std::string>{"x", "", "上海"}));
  t.First();
  t.Next();
  EXPECT_FALSE(name.IsNull());  // holds the empty text
  EXPECT_TRUE(n.IsNull());
}

TEST(MemTableLoading, WritingOutsideAnAppendOrIntoAClosedTableFails) {
  MemTable t;
  t.AddFieldDef("Name", FieldType::WideString, 20, false);
  EXPECT_EQ(MessageOf([&] { t.Append(); }), "Cannot perform this operation on a closed dataset");
  t.Open();
  EXPECT_EQ(MessageOf([&] { t.FieldByName("Name").SetAsString("a"); }),
            "Dataset not in edit or insert mode");
}

TEST(MemTableLoading, CloseDropsRecordsAndKeepsDefinitions) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(), TrainRows(2, 3));
  t.Close();
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(t.RecordCount(), 0u);
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_EQ(t.FieldDefs().size(), 11u);
  EXPECT_EQ(t.IndexDefs().size(), 2u);
  EXPECT_EQ(t.FieldByName("ID").AsString(), "");
  t.Open();
  t.First();
  EXPECT_TRUE(t.Bof() && t.Eof());
}

TEST(MemTableLoading, RecordsAppendedAfterALoadJoinTheIndexes) {
  MemTable t;
  Load(t, {{"ID", FieldType::WideString, 35}}, {{"SID", "ID", kUnique}}, {{"B"}, {"D"}});
  t.SetIndexName("SID");
  ASSERT_TRUE(t.Locate("ID", "D"));
  t.Append();
  t.FieldByName("ID").SetAsString("A");
  t.Post();
  t.Append();
  t.FieldByName("ID").SetAsString("C");
  t.Post();
  t.EndLoad();
  EXPECT_EQ(Walk(t, "ID"), (std::vector<std::string>{"A", "B", "C", "D"}));
  EXPECT_TRUE(t.Locate("ID", "C"));
  EXPECT_EQ(t.RecNo(), 3);
}

// ---- Index order --------------------------------------------------------------------------

TEST(MemTableIndexOrder, TrainNumbersInPlainCharacterCodeOrder) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(),
       {{"Z98/Z95", "北京西", "1"},
        {"D102", "上海", "1"},
        {"1112/1113", "天津", "1"},
        {"1043", "西安", "1"},
        {"K1032/K1033/K1035", "西安", "1"},
        {"T97A", "西安", "1"},
        {"T97", "西安", "1"}});
  t.SetIndexName("SIDNo");
  EXPECT_EQ(Walk(t, "ID"),
            (std::vector<std::string>{"1043", "1112/1113", "D102", "K1032/K1033/K1035", "T97",
                                      "T97A", "Z98/Z95"}));
}

TEST(MemTableIndexOrder, IntegerKeysCompareNumericallyAndTextKeysByCharacterCode) {
  MemTable t;
  Load(t,
       {{"ID", FieldType::WideString, 35},
        {"S_No", FieldType::Integer, 0},
        {"Text", FieldType::WideString, 5}},
       {{"SIDNo", "ID;S_No", kUnique}, {"SText", "Text", kPlain}},
       {{"A", "10", "10"}, {"A", "2", "2"}, {"A", "1", "1"}, {"B", "-3", "-3"}, {"A", "", "9"}});
  t.SetIndexName("SIDNo");
  EXPECT_EQ(Walk(t, "S_No"), (std::vector<std::string>{"", "1", "2", "10", "-3"}));  // empty first
  t.SetIndexName("SText");
  EXPECT_EQ(Walk(t, "Text"), (std::vector<std::string>{"-3", "1", "10", "2", "9"}));
}

TEST(MemTableIndexOrder, EqualKeysKeepLoadOrderAndDescendingReversesEverything) {
  MemTable t;
  IndexOptions desc{.descending = true};
  Load(t, {{"Station", FieldType::WideString, 20}, {"Gp", FieldType::Integer, 0}},
       {{"SGp", "Gp", kPlain}, {"SGpDesc", "Gp", desc}},
       {{"安庆", "2"},
        {"北京", "1"},
        {"白河东", "2"},
        {"北京西", "1"},
        {"白河县", "2"},
        {"贵阳", "3"}});
  t.SetIndexName("SGp");
  EXPECT_EQ(WalkRecNo(t), (std::vector<std::int64_t>{1, 3, 0, 2, 4, 5}));
  t.SetIndexName("SGpDesc");
  EXPECT_EQ(WalkRecNo(t), (std::vector<std::int64_t>{5, 4, 2, 0, 3, 1}));
}

TEST(MemTableIndexOrder, CaseInsensitiveIndexFoldsAsciiCase) {
  MemTable t;
  IndexOptions ci{.case_insensitive = true};
  Load(t, {{"Code", FieldType::WideString, 10}},
       {{"SCode", "Code", kPlain}, {"SCodeCI", "Code", ci}}, {{"b"}, {"A"}, {"a"}, {"B"}, {"Ab"}});
  t.SetIndexName("SCode");
  EXPECT_EQ(Walk(t, "Code"), (std::vector<std::string>{"A", "Ab", "B", "a", "b"}));
  t.SetIndexName("SCodeCI");
  EXPECT_EQ(Walk(t, "Code"), (std::vector<std::string>{"A", "a", "Ab", "b", "B"}));
}

TEST(MemTableIndexOrder, KeyFieldNamesResolveWithoutCase) {
  MemTable t;
  Load(t, {{"StartStation", FieldType::WideString, 20}, {"Shortcode", FieldType::WideString, 10}},
       {{"SstartStation", "startStation", kPlain}, {"PyIndex", "ShortCode", kPlain}},
       {{"北京", "BJ"}, {"安阳", "AY"}});
  t.SetIndexName("PyIndex");
  EXPECT_EQ(Walk(t, "Shortcode"), (std::vector<std::string>{"AY", "BJ"}));
  t.SetIndexName("SstartStation");
  EXPECT_EQ(Walk(t, "StartStation"),
            (std::vector<std::string>{"北京", "安阳"}));  // 北 U+5317 < 安 U+5B89
}

// Random tables against a reference sort: keys in key order, then load number, reversed
// when descending. Covers both the already-sorted path and the general sort.
TEST(MemTableIndexOrder, MatchesAReferenceSortOnRandomData) {
  std::mt19937 rng(12345);
  const std::vector<std::string> words = {"",       "A",    "a",         "B",    "北京",
                                          "北京西", "1043", "1112/1113", "D102", "Z98"};
  for (int round = 0; round < 12; ++round) {
    const int n = round % 3 == 0 ? 40 : 700;
    std::vector<Row> rows;
    for (int i = 0; i < n; ++i) {
      const int num = static_cast<int>(rng() % 7) - 2;
      rows.push_back({words[rng() % words.size()], rng() % 9 == 0 ? "" : std::to_string(num),
                      std::to_string(rng() % 3)});
    }
    if (round % 4 == 1) {  // already sorted by T;N: the shortcut path
      std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a[0] != b[0]) return a[0] < b[0];
        if (a[1].empty() != b[1].empty()) return a[1].empty();
        return !a[1].empty() && std::stoi(a[1]) < std::stoi(b[1]);
      });
    }
    const bool desc = round % 2 == 1;
    const bool ci = round % 3 == 2;
    MemTable t;
    Load(t,
         {{"T", FieldType::WideString, 20},
          {"N", FieldType::SmallInt, 0},
          {"K", FieldType::Integer, 0}},
         {{"X", "T;N", IndexOptions{.descending = desc, .case_insensitive = ci}},
          {"Y", "K;T", kPlain}},
         rows);

    auto fold = [&](std::string s) {
      if (ci)
        std::transform(s.begin(), s.end(), s.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
      return s;
    };
    auto num = [](const std::string& s) { return s.empty() ? -1000 : std::stoi(s); };
    std::vector<std::int64_t> expect_x(static_cast<std::size_t>(n)),
        expect_y(static_cast<std::size_t>(n));
    std::iota(expect_x.begin(), expect_x.end(), 0);
    std::iota(expect_y.begin(), expect_y.end(), 0);
    std::stable_sort(expect_x.begin(), expect_x.end(), [&](std::int64_t a, std::int64_t b) {
      const Row& ra = rows[static_cast<std::size_t>(a)];
      const Row& rb = rows[static_cast<std::size_t>(b)];
      if (fold(ra[0]) != fold(rb[0])) return fold(ra[0]) < fold(rb[0]);
      return num(ra[1]) < num(rb[1]);
    });
    if (desc) std::reverse(expect_x.begin(), expect_x.end());
    std::stable_sort(expect_y.begin(), expect_y.end(), [&](std::int64_t a, std::int64_t b) {
      const Row& ra = rows[static_cast<std::size_t>(a)];
      const Row& rb = rows[static_cast<std::size_t>(b)];
      if (ra[2] != rb[2]) return std::stoi(ra[2]) < std::stoi(rb[2]);
      return ra[0] < rb[0];
    });
    t.SetIndexName("X");
    EXPECT_EQ(WalkRecNo(t), expect_x) << "round " << round;
    t.SetIndexName("Y");
    EXPECT_EQ(WalkRecNo(t), expect_y) << "round " << round;
  }
}

// ---- Index errors -------------------------------------------------------------------------

TEST(MemTableIndexErrors, DuplicateKeysInAUniqueIndexFailTheLoad) {
  MemTable t;
  EXPECT_EQ(MessageOf([&] {
              Load(t, TrainColumns(), TrainIndexes(),
                   {{"1043", "西安", "1"},
                    {"1043", "渭南", "2"},
                    {"D102", "上海", "1"},
                    {"1043", "华山", "2"}});
            }),
            "Duplicate index value. Operation aborted.");
  // The same in text that is otherwise in index order (equal keys side by side).
  MemTable sorted;
  EXPECT_EQ(MessageOf([&] {
              Load(sorted, TrainColumns(), TrainIndexes(),
                   {{"1043", "西安", "1"},
                    {"1043", "渭南", "2"},
                    {"1043", "华山", "2"},
                    {"D102", "上海", "1"}});
            }),
            "Duplicate index value. Operation aborted.");
  // Equal keys are fine in a non-unique index, and a unique case-insensitive index folds case.
  MemTable u;
  EXPECT_NO_THROW(
      Load(u, {{"Code", FieldType::WideString, 10}}, {{"S", "Code", kPlain}}, {{"ab"}, {"ab"}}));
  EXPECT_EQ(MessageOf([&] {
              Load(u, {{"Code", FieldType::WideString, 10}},
                   {{"S", "Code", IndexOptions{.case_insensitive = true, .unique = true}}},
                   {{"ab"}, {"x"}, {"AB"}});
            }),
            "Duplicate index value. Operation aborted.");
}

TEST(MemTableIndexErrors, LargeObjectAndUnknownKeyFields) {
  MemTable t;
  t.AddFieldDef("ID", FieldType::WideString, 35, false);
  t.AddFieldDef("Notes", FieldType::Memo, 0, false).display_label = "Remarks";
  t.AddIndexDef("SNotes", "ID;notes", kPlain);
  t.Open();
  EXPECT_EQ(MessageOf([&] { t.EndLoad(); }), "Can't index on field Remarks");

  MemTable u;
  u.AddFieldDef("Pic", FieldType::Graphic, 0, false);
  u.AddIndexDef("SPic", "Pic", kPlain);
  u.Open();
  EXPECT_EQ(MessageOf([&] { u.SetIndexName("SPic"); }), "Can't index on field Pic");

  // An unknown key field name is the data-set library's "field not found".
  MemTable v;
  v.AddFieldDef("ID", FieldType::WideString, 35, false);
  v.AddIndexDef("SX", "ID;Station", kPlain);
  v.Open();
  EXPECT_EQ(MessageOf([&] { v.EndLoad(); }), "Field 'Station' not found");
}

TEST(MemTableIndexErrors, FixedMessages) {
  EXPECT_STREQ(FieldNotFound("Gp").what(), "Field 'Gp' not found");
  EXPECT_STREQ(DuplicateIndexValue().what(), "Duplicate index value. Operation aborted.");
  EXPECT_STREQ(CannotIndexField("Notes").what(), "Can't index on field Notes");
  EXPECT_STREQ(InvalidIntegerValue("x1", "S_No").what(),
               "'x1' is not a valid integer value for field 'S_No'");
  EXPECT_STREQ(InvalidLocale().what(), "Invalid locale.");
}

// ---- Working index ------------------------------------------------------------------------

TEST(MemTableWorkingIndex, SelectionByNameWithoutCaseAndUnknownNamesIgnored) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(),
       {{"D102", "上海", "1"}, {"1043", "西安", "1"}, {"1043", "渭南", "2"}});
  EXPECT_EQ(t.IndexName(), "");
  EXPECT_EQ(WalkRecNo(t), (std::vector<std::int64_t>{0, 1, 2}));  // load order
  t.SetIndexName("sidno");
  EXPECT_EQ(t.IndexName(), "SIDNo");
  EXPECT_EQ(WalkRecNo(t), (std::vector<std::int64_t>{1, 2, 0}));
  EXPECT_NO_THROW(t.SetIndexName("NoSuchIndex"));
  EXPECT_EQ(t.IndexName(), "SIDNo");
  EXPECT_EQ(WalkRecNo(t), (std::vector<std::int64_t>{1, 2, 0}));
  t.SetIndexName("");
  EXPECT_EQ(t.IndexName(), "");
  EXPECT_EQ(WalkRecNo(t), (std::vector<std::int64_t>{0, 1, 2}));
}

TEST(MemTableWorkingIndex, TheCurrentRecordStaysCurrentInTheNewOrder) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(),
       {{"D102", "上海", "1"},
        {"1043", "西安", "1"},
        {"1043", "渭南", "2"},
        {"Z98", "北京西", "1"}});
  t.First();  // D102 in load order
  t.SetIndexName("SIDNo");
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_FALSE(t.Bof() || t.Eof());
  t.Next();
  EXPECT_EQ(t.FieldByName("ID").AsString(), "Z98");
  t.Prior();
  t.Prior();
  EXPECT_EQ(t.FieldByName("Station").AsString(), "渭南");
  t.SetIndexName("");
  t.Next();
  EXPECT_EQ(t.FieldByName("ID").AsString(), "Z98");  // load order after 渭南 (record 2)
}

TEST(MemTableWorkingIndex, DroppingTheIndexDefinitionsReturnsToLoadOrder) {
  MemTable t;
  Load(t, {{"ID", FieldType::WideString, 35}}, {{"SID", "ID", kUnique}}, {{"B"}, {"A"}});
  t.SetIndexName("SID");
  t.ClearIndexDefs();
  EXPECT_EQ(t.IndexName(), "");
  EXPECT_EQ(Walk(t, "ID"), (std::vector<std::string>{"B", "A"}));
}

// ---- Cursor -------------------------------------------------------------------------------

TEST(MemTableCursor, EmptyTableSetsBothFlags) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(), {});
  t.SetIndexName("SIDNo");
  t.First();
  EXPECT_TRUE(t.Bof());
  EXPECT_TRUE(t.Eof());
  t.Last();
  EXPECT_TRUE(t.Bof());
  EXPECT_TRUE(t.Eof());
  t.Next();
  t.Prior();
  EXPECT_TRUE(t.Bof() && t.Eof());
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_EQ(t.FieldByName("ID").AsString(), "");
  EXPECT_EQ(t.FieldByName("S_No").AsInteger(), 0);
  EXPECT_EQ(t.TextAt(t.ColumnOf("ID")), "");
  EXPECT_FALSE(t.Locate("ID", "1043"));
  // A table that was never opened behaves the same.
  MemTable never;
  never.First();
  EXPECT_TRUE(never.Bof() && never.Eof());
  EXPECT_EQ(never.RecNo(), -1);
}

TEST(MemTableCursor, FirstLastNextPriorAtBothEnds) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(), TrainRows(1, 3));
  t.First();
  EXPECT_TRUE(t.Bof());
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.RecNo(), 0);
  t.Prior();  // Bof set: nothing happens
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecNo(), 0);
  t.Next();
  EXPECT_FALSE(t.Bof());
  EXPECT_EQ(t.RecNo(), 1);
  t.Next();
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_FALSE(t.Eof());
  t.Next();  // at the last record: stays, sets Eof
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(t.Bof());
  EXPECT_EQ(t.RecNo(), 2);
  t.Next();  // Eof set: nothing happens
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecNo(), 2);
  t.Prior();  // moves back and clears Eof
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.RecNo(), 1);
  t.Last();
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(t.Bof());
  EXPECT_EQ(t.RecNo(), 2);
  t.Prior();
  t.Prior();
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_FALSE(t.Bof());
  t.Prior();  // at the first record: stays, sets Bof, clears Eof
  EXPECT_TRUE(t.Bof());
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.RecNo(), 0);
}

TEST(MemTableCursor, SingleRecord) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(), TrainRows(1, 1));
  t.First();
  EXPECT_TRUE(t.Bof());
  EXPECT_FALSE(t.Eof());
  t.Next();
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(t.Bof());
  EXPECT_EQ(t.RecNo(), 0);
  t.Last();
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(t.Bof());
  t.Prior();
  EXPECT_TRUE(t.Bof());
  EXPECT_FALSE(t.Eof());
}

TEST(MemTableCursor, LastThenPriorVisitsEveryRecordOnceInReverse) {
  MemTable t;
  std::vector<Row> rows = TrainRows(4, 5);
  std::reverse(rows.begin(), rows.end());  // load order is the reverse of SIDNo order
  Load(t, TrainColumns(), TrainIndexes(), rows);
  t.SetIndexName("SIDNo");
  const std::vector<std::int64_t> forward = WalkRecNo(t);
  ASSERT_EQ(forward.size(), 20u);
  std::vector<std::int64_t> backward;
  for (t.Last(); !t.Bof(); t.Prior()) backward.push_back(t.RecNo());
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(backward, forward);
  std::vector<std::int64_t> expected(20);
  std::iota(expected.rbegin(), expected.rend(), 0);
  EXPECT_EQ(forward, expected);
}

TEST(MemTableCursor, HotAccessorsReadTheCurrentRecordByColumn) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(), TrainRows(2, 3));
  t.SetIndexName("SIDNo");
  const ColumnId id = t.ColumnOf("ID"), s_no = t.ColumnOf("S_No"), dist = t.ColumnOf("Distance");
  std::string seen;
  std::int64_t sum = 0;
  for (t.First(); !t.Eof(); t.Next()) {
    seen += std::string(t.TextAt(id)) + Num(":", t.IntAt(s_no)) + " ";
    sum += t.IntAt(dist);
  }
  EXPECT_EQ(seen, "T100:1 T100:2 T100:3 T101:1 T101:2 T101:3 ");
  EXPECT_EQ(sum, 60);
  EXPECT_EQ(t.TextAt(s_no), "");  // TextAt reads text fields only
}

// ---- Locate -------------------------------------------------------------------------------

TEST(MemTableLocate, LandsOnTheFirstStopOfATrainInTheWorkingOrder) {
  MemTable t;
  // Stops loaded out of order (small table: the scan path), like 1043 西安 → 渭南 → 华山.
  Load(
      t, TrainColumns(), TrainIndexes(),
      {{"1043", "华山", "3"}, {"1043", "西安", "1"}, {"1043", "渭南", "2"}, {"D102", "上海", "1"}});
  t.SetIndexName("SIDNo");
  ASSERT_TRUE(t.Locate("ID", "1043"));
  EXPECT_FALSE(t.Bof() || t.Eof());
  EXPECT_EQ(t.FieldByName("S_No").AsInteger(), 1);
  EXPECT_EQ(t.FieldByName("Station").AsString(), "西安");
  t.Next();
  EXPECT_EQ(t.FieldByName("S_No").AsInteger(), 2);
  EXPECT_TRUE(t.Locate("id", "D102"));  // field name without case
  EXPECT_EQ(t.FieldByName("Station").AsString(), "上海");
}

TEST(MemTableLocate, BinarySearchOnALargeTableFindsTheFirstStop) {
  for (const bool reversed_load : {false, true}) {
    MemTable t;
    std::vector<Row> rows = TrainRows(40, 9);  // 360 records, nine stops per train
    if (reversed_load) std::reverse(rows.begin(), rows.end());
    Load(t, TrainColumns(), TrainIndexes(), rows);
    t.SetIndexName("SIDNo");
    const Field id = t.FieldByName("ID"), s_no = t.FieldByName("S_No");
    for (int train = 0; train < 40; ++train) {
      const std::string name = Num("T", 100 + train);
      ASSERT_TRUE(t.Locate("ID", name)) << name;
      EXPECT_EQ(id.AsString(), name);
      EXPECT_EQ(s_no.AsInteger(), 1) << name;
      t.Prior();  // the stop before is the previous train's last stop (or Bof)
      if (train == 0) {
        EXPECT_TRUE(t.Bof());
      } else {
        EXPECT_EQ(s_no.AsInteger(), 9);
      }
    }
    EXPECT_FALSE(t.Locate("ID", "T099"));
    EXPECT_FALSE(t.Locate("ID", "T1000"));
    EXPECT_FALSE(t.Locate("ID", "T140"));
  }
}

TEST(MemTableLocate, AnAbsentValueMovesNothingAndKeepsTheFlags) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(), TrainRows(5, 6));
  t.SetIndexName("SIDNo");
  t.Last();
  t.Next();
  ASSERT_TRUE(t.Eof());
  const std::int64_t at = t.RecNo();
  EXPECT_FALSE(t.Locate("ID", "1043"));
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(t.Bof());
  EXPECT_EQ(t.RecNo(), at);
  t.First();
  t.Next();
  t.Prior();
  t.Prior();
  ASSERT_TRUE(t.Bof());
  EXPECT_FALSE(t.Locate("Station", "无此站"));
  EXPECT_FALSE(t.Locate("S_No", "99"));
  EXPECT_FALSE(t.Locate("S_No", "abc"));  // cannot be an integer: no record equals it
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecNo(), 0);
  // Success clears both flags.
  EXPECT_TRUE(t.Locate("S_No", "3"));
  EXPECT_FALSE(t.Bof() || t.Eof());
  EXPECT_EQ(t.FieldByName("ID").AsString(), "T100");
  EXPECT_EQ(MessageOf([&] { t.Locate("Platform", "1"); }), "Field 'Platform' not found");
}

TEST(MemTableLocate, LoadOrderTableFindsAStationThroughItsStationIndex) {
  // KMPy's shape: station initials in load order, not sorted; StationIndex serves Locate.
  std::vector<Row> rows;
  for (int i = 0; i < 60; ++i) rows.push_back({Num("站", 97 * i % 60), Num("Z", i)});
  rows.insert(rows.begin() + 48, Row{"北京", "BJ"});
  rows.insert(rows.begin() + 49, Row{"北京西", "BJX"});
  MemTable t;
  Load(t, {{"Station", FieldType::WideString, 20}, {"Shortcode", FieldType::WideString, 10}},
       {{"PyIndex", "ShortCode", kPlain}, {"StationIndex", "Station", kPlain}}, rows);
  EXPECT_EQ(t.IndexName(), "");
  ASSERT_TRUE(t.Locate("Station", "北京"));
  EXPECT_EQ(t.RecNo(), 48);
  EXPECT_EQ(t.FieldByName("Shortcode").AsString(), "BJ");
  t.Next();  // still load order
  EXPECT_EQ(t.FieldByName("Station").AsString(), "北京西");
  EXPECT_TRUE(t.Locate("Station", "站59"));
  EXPECT_EQ(t.FieldByName("Shortcode").AsString(), Num("Z", 59 * 13 % 60));  // 97⁻¹ ≡ 13 (mod 60)
  EXPECT_FALSE(t.Locate("Station", "北"));
  EXPECT_EQ(t.FieldByName("Station").AsString(), "站59");
}

TEST(MemTableLocate, HitThroughAnotherIndexTakesItsPlaceInTheWorkingOrder) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(), TrainRows(10, 5));  // stations S11..S24, repeated
  t.SetIndexName("SStation");
  // By ID through SIDNo: T103's first stop (S14) is found in SIDNo, then placed in station
  // order, where its neighbours are the other stops at S14 (expected from a walk).
  std::vector<std::int64_t> order = WalkRecNo(t);
  ASSERT_TRUE(t.Locate("ID", "T103"));
  const std::int64_t rec = t.RecNo();
  EXPECT_EQ(rec, 15);  // T103 stop 1
  const auto at = std::find(order.begin(), order.end(), rec);
  ASSERT_NE(at + 1, order.end());
  t.Next();
  EXPECT_EQ(t.RecNo(), *(at + 1));
  t.Prior();
  t.Prior();
  EXPECT_EQ(t.RecNo(), *(at - 1));
  // By station through SStation itself: the first S14 in station order is the lowest load number.
  ASSERT_TRUE(t.Locate("Station", "S14"));
  EXPECT_EQ(t.FieldByName("ID").AsString(), "T100");
  EXPECT_EQ(t.FieldByName("S_No").AsInteger(), 4);
}

TEST(MemTableLocate, ScanWithoutAnIndexTakesTheFirstEqualRecord) {
  std::vector<Row> rows;
  for (int i = 0; i < 30; ++i) rows.push_back({Num("K", i % 7), std::to_string(i)});
  MemTable t;
  Load(t, {{"Code", FieldType::WideString, 10}, {"N", FieldType::Integer, 0}}, {}, rows);
  ASSERT_TRUE(t.Locate("Code", "K3"));
  EXPECT_EQ(t.RecNo(), 3);
  ASSERT_TRUE(t.Locate("N", "17"));
  EXPECT_EQ(t.FieldByName("Code").AsString(), "K3");
  ASSERT_TRUE(t.Locate("N", "+017"));  // converted to the field's type
  EXPECT_EQ(t.RecNo(), 17);
}

TEST(MemTableLocate, ACaseInsensitiveIndexDoesNotServeACaseSensitiveLookUp) {
  std::vector<Row> rows;
  for (int i = 0; i < 30; ++i) rows.push_back({Num("C", i)});
  rows.insert(rows.begin() + 5, Row{"AB"});
  rows.insert(rows.begin() + 20, Row{"ab"});
  MemTable t;
  Load(t, {{"Code", FieldType::WideString, 10}},
       {{"SCode", "Code", IndexOptions{.case_insensitive = true}}}, rows);
  t.SetIndexName("SCode");
  ASSERT_TRUE(t.Locate("Code", "ab"));
  EXPECT_EQ(t.FieldByName("Code").AsString(), "ab");
  EXPECT_EQ(t.RecNo(), 20);
  ASSERT_TRUE(t.Locate("Code", "AB"));
  EXPECT_EQ(t.RecNo(), 5);
  EXPECT_FALSE(t.Locate("Code", "Ab"));
}

TEST(MemTableLocate, DescendingAndIntegerIndexes) {
  std::vector<Row> rows;
  for (int i = 0; i < 50; ++i) rows.push_back({std::to_string(i % 10), Num("R", i)});
  MemTable t;
  Load(t, {{"Gp", FieldType::Integer, 0}, {"Station", FieldType::WideString, 20}},
       {{"SGpDesc", "Gp", IndexOptions{.descending = true}}}, rows);
  t.SetIndexName("SGpDesc");
  ASSERT_TRUE(t.Locate("Gp", "7"));
  // The first 7 of the descending index is the last 7 in load order.
  EXPECT_EQ(t.FieldByName("Station").AsString(), "R47");
  t.Next();
  EXPECT_EQ(t.FieldByName("Station").AsString(), "R37");
  EXPECT_FALSE(t.Locate("Gp", "10"));
  EXPECT_FALSE(t.Locate("Gp", "-1"));
  ASSERT_TRUE(t.Locate("Gp", "0"));
  EXPECT_EQ(t.FieldByName("Station").AsString(), "R40");
}

TEST(MemTableLocate, PositionsStayRightAfterMoreRecordsAreLoaded) {
  MemTable t;
  Load(t, TrainColumns(), TrainIndexes(), TrainRows(6, 5));
  t.SetIndexName("SStation");
  ASSERT_TRUE(t.Locate("ID", "T104"));
  t.Append();
  t.FieldByName("ID").SetAsString("T000");
  t.FieldByName("Station").SetAsString("S00");
  t.FieldByName("S_No").SetAsString("1");
  t.Post();
  t.EndLoad();
  t.First();
  EXPECT_EQ(t.FieldByName("Station").AsString(), "S00");
  ASSERT_TRUE(t.Locate("ID", "T104"));
  EXPECT_EQ(t.FieldByName("Station").AsString(), "S15");
  t.Prior();
  EXPECT_EQ(t.FieldByName("Station").AsString(), "S15");  // T103 stop 2 comes first in load order
  EXPECT_EQ(t.FieldByName("ID").AsString(), "T103");
}

// The index path of Locate is observable where the index's first equal record is not the
// working order's: a descending index over duplicates in a load-order table. Above 20 records
// the index serves (its first equal record is the last one loaded); up to 20 the working
// order is scanned.
TEST(MemTableLocate, IndexPathOnlyAboveTwentyRecords) {
  for (const int n : {20, 21}) {
    std::vector<Row> rows;
    for (int i = 0; i < n; ++i) rows.push_back({i % 2 == 0 ? "北京" : Num("站", i), Num("R", i)});
    MemTable t;
    Load(t, {{"Station", FieldType::WideString, 20}, {"Tag", FieldType::WideString, 10}},
         {{"SDesc", "Station", IndexOptions{.descending = true}}}, rows);
    ASSERT_TRUE(t.Locate("Station", "北京"));
    EXPECT_EQ(t.FieldByName("Tag").AsString(), n > 20 ? "R20" : "R0") << n;
    t.Next();  // load order goes on from there
    EXPECT_EQ(t.RecNo(), n > 20 ? 20 : 1) << n;
    EXPECT_EQ(t.Eof(), n > 20) << n;
  }
}

// ---- Images -------------------------------------------------------------------------------

namespace {

// Every value (as text, with its null flag) of every record in load order, and the load numbers
// in the order of every index.
std::vector<std::string> Contents(MemTable& t) {
  std::vector<std::string> out;
  for (const FieldDef& def : t.FieldDefs()) {
    const Field f = t.FieldByName(def.name);
    out.push_back("field " + def.name + " " + std::string(FieldTypeName(def.type)) + " " +
                  std::to_string(def.size) + " " + def.Label() + " " + def.edit_mask + " " +
                  std::to_string(def.display_width) + (def.read_only ? " ro" : "") +
                  (def.visible ? "" : " hidden") + (def.required ? " required" : ""));
    t.SetIndexName("");
    for (t.First(); !t.Eof(); t.Next()) {
      out.push_back(f.IsNull() ? "<null>" : "=" + f.AsString());
    }
  }
  for (const IndexDef& index : t.IndexDefs()) {
    t.SetIndexName(index.name);
    std::string order = "index " + index.name + " " + index.fields + ":";
    for (const std::int64_t r : WalkRecNo(t)) order += " " + std::to_string(r);
    out.push_back(order);
  }
  t.SetIndexName("");
  return out;
}

// A table of every kind of column, with empty fields, empty texts, Chinese, a text of more than
// 255 bytes and numbers that need eight bytes.
void LoadMixed(MemTable& t) {
  Load(t,
       {{"ID", FieldType::WideString, 35},
        {"Station", FieldType::WideString, 20},
        {"No", FieldType::SmallInt, 0},
        {"Big", FieldType::LargeInt, 0},
        {"Ok", FieldType::Boolean, 0},
        {"Km", FieldType::Float, 0},
        {"Note", FieldType::Memo, 0}},
       {{"SID", "ID", kUnique},
        {"SStation", "Station;No", IndexOptions{.descending = true}},
        {"Folded", "ID", IndexOptions{.case_insensitive = true}}},
       {{"G1", "北京南", "1", "1099511627776", "True", "0.5", std::string(300, 'x')},
        {"g2", "", "-32768", "-9223372036854775808", "False", "-1e3", ""},
        {"D3", "上海虹桥", "32767"},
        {"K4"},
        {"Z5", "北京南", "", "", "", "", "注"}});
}

}  // namespace

TEST(MemTableImage, AReadImageHoldsEveryValueDefinitionAndIndexOrderOfItsTable) {
  MemTable original;
  LoadMixed(original);
  const std::string image = original.Image();
  ASSERT_TRUE(IsTableImage(image));
  MemTable read;
  read.LoadImage(image);
  EXPECT_EQ(read.RecNo(), 0);  // the first record of load order is current
  EXPECT_EQ(Contents(read), Contents(original));
  EXPECT_EQ(read.Image(), image);

  // The train table's shape at a size where every index is really built.
  MemTable trains, trains_read;
  Load(trains, TrainColumns(), TrainIndexes(), TrainRows(40, 12));
  trains_read.LoadImage(trains.Image());
  EXPECT_EQ(Contents(trains_read), Contents(trains));
  trains_read.SetIndexName("SIDNo");
  EXPECT_TRUE(trains_read.Locate("ID", "T120"));
  EXPECT_EQ(trains_read.FieldByName("S_No").AsInteger(), 1);

  // An empty table and a closed one are images too.
  MemTable empty, empty_read;
  Load(empty, TrainColumns(), TrainIndexes(), {});
  empty_read.LoadImage(empty.Image());
  EXPECT_EQ(empty_read.RecordCount(), 0u);
  EXPECT_EQ(empty_read.FieldDefs().size(), TrainColumns().size());
  EXPECT_TRUE(empty_read.Bof() && empty_read.Eof());
}

TEST(MemTableImage, EveryShortenedImageIsRefusedAndLeavesTheTableClosed) {
  MemTable original;
  LoadMixed(original);
  const std::string image = original.Image();
  for (std::size_t size = 0; size < image.size(); ++size) {
    MemTable t;
    EXPECT_THROW(t.LoadImage(std::string_view(image).substr(0, size)), TableError) << size;
    EXPECT_FALSE(t.Active()) << size;
  }
  MemTable t;
  EXPECT_EQ(MessageOf([&] { t.LoadImage(image + "!"); }),
            "Table image is damaged: bytes follow its last field");
}

TEST(MemTableImage, DamagedValuesAreRefusedWithWhatIsWrong) {
  // One field, one record "G1": the image ends with the null form, the block size (4 bytes),
  // "G1", the lengths' width and the one length.
  MemTable one;
  Load(one, {{"ID", FieldType::WideString, 35}}, {}, {{"G1"}});
  const std::string image = one.Image();
  const std::size_t end = image.size();
  struct Case {
    std::size_t at;
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {
      {end - 1, "\x03", "field ID's texts run past its block"},
      {end - 1, "\x01", "field ID's texts do not fill its block"},
      {end - 2, "\x02", "field ID has lengths of 2 bytes"},
      {end - 4, "\xFF", "field ID holds text that is not UTF-8"},
      {end - 4, "\x80", "field ID's record 1 starts inside a character"},
      {end - 9, "\x03", "field ID has null flags of form 3"},
      {end - 9, "\x01", "field ID holds text in its empty record 1"},
      {8, "\x02\0\0\0", "image version 2 is not 1"},
      {12, std::string(4, '\0'), "0 fields (a table has 1..64)"},
      {0, "LZMT", "it is not a table image"},
  };
  for (const Case& c : cases) {
    std::string damaged = image;
    damaged.replace(c.at, c.bytes.size(), c.bytes);
    MemTable t;
    EXPECT_EQ(MessageOf([&] { t.LoadImage(damaged); }), "Table image is damaged: " + c.message)
        << c.message;
  }

  // Numbers outside their type: a SmallInt written in eight bytes, a Boolean of 2.
  MemTable wide;
  Load(wide, {{"Big", FieldType::LargeInt, 0}, {"Ok", FieldType::Boolean, 0}}, {},
       {{"40000", "True"}});
  std::string image2 = wide.Image();
  const std::size_t type_at = image2.find("Big") + 3;
  image2[type_at] = static_cast<char>(FieldType::SmallInt);
  MemTable t;
  EXPECT_EQ(MessageOf([&] { t.LoadImage(image2); }),
            "Table image is damaged: field Big holds 40000 in record 1");
  image2 = wide.Image();
  image2[image2.size() - 8] = 2;
  EXPECT_EQ(MessageOf([&] { t.LoadImage(image2); }),
            "Table image is damaged: field Ok holds 2 in record 1");
}
