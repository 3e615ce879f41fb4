#include "timetable/station_match.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "text/ascii.h"

using lanzhou::data::FieldType;
using lanzhou::data::MemTable;
using namespace lanzhou::timetable;
using lanzhou::text::TrimBlanks;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

// A small station-group table in the shape of the shipped one: ordered by group in the text,
// working order by station name.
void LoadGroups(MemTable& table, const std::vector<std::pair<std::string, int>>& rows) {
  table.Close();
  table.ClearFieldDefs();
  table.AddFieldDef("Station", FieldType::WideString, 20, false).display_label = "Station";
  table.AddFieldDef("Gp", FieldType::Integer, 0, false).display_label = "Gp";
  table.ClearIndexDefs();
  table.AddIndexDef("SStation", "Station", {.unique = true});
  table.AddIndexDef("SGp", "Gp", {});
  table.Open();
  for (const auto& [station, group] : rows) {
    table.Append();
    table.FieldByName("Station").SetAsString(station);
    table.FieldByName("Gp").SetAsString(std::to_string(group));
    table.Post();
  }
  table.EndLoad();
  table.SetIndexName("SStation");
}

class StationMatch : public testing::Test {
 protected:
  void SetUp() override {
    LoadGroups(KMSM, {{"安庆", 1},     {"安庆西", 1},   {"北京", 5},     {"北京北", 5},
                      {"北京东", 5},   {"北京南", 5},   {"北京西", 5},   {"上海", 80},
                      {"上海南", 80},  {"上海虹桥", 80}, {"上海西", 80},  {"汉口", 118},
                      {"武昌", 118},   {"武汉", 118},   {"丹阳", 148},   {"丹阳北", 149},
                      {"德州", 150},   {"德州东", 150}, {"枣庄", 150},   {"枣庄西", 150},
                      {"贵阳", 151}});
  }
  MemTable KMSM;
  TPub_FZStruct FromSpec;
  TPub_DZStruct ToSpec;
};

TEST_F(StationMatch, CityNamesStandForTheirWholeGroup) {
  EXPECT_FALSE(ResolveStationPair("北京", "上海", KMSM, FromSpec, ToSpec));
  // Working order is by station name (code point order here), not the text's group order.
  EXPECT_THAT(FromSpec.Stations, ElementsAre("北京", "北京东", "北京北", "北京南", "北京西"));
  EXPECT_EQ(FromSpec.Group, 5);
  EXPECT_EQ(ToSpec.Stations.size(), 4u);
  EXPECT_EQ(ToSpec.Group, 80);
  EXPECT_TRUE(IsStationOf("北京西", false, FromSpec));
  EXPECT_TRUE(IsStationOf("上海虹桥", false, ToSpec));
  EXPECT_FALSE(IsStationOf("上海虹桥", false, FromSpec));
  EXPECT_FALSE(IsStationOf("天津", false, FromSpec));
}

TEST_F(StationMatch, SameGroupMeansExactNames) {
  EXPECT_TRUE(ResolveStationPair("北京", "北京西", KMSM, FromSpec, ToSpec));
  EXPECT_THAT(FromSpec.Stations, IsEmpty());
  EXPECT_THAT(ToSpec.Stations, IsEmpty());
  EXPECT_TRUE(IsStationOf("北京", true, FromSpec));
  EXPECT_FALSE(IsStationOf("北京南", true, FromSpec));
  EXPECT_TRUE(IsStationOf("北京西", true, ToSpec));
  // Even if a caller forgot the mode, the emptied lists leave only the exact names.
  EXPECT_FALSE(IsStationOf("北京南", false, FromSpec));
}

TEST_F(StationMatch, TwoUngroupedNamesAreExactAndOneSidedGroupsMix) {
  EXPECT_TRUE(ResolveStationPair("咸阳", "石家庄", KMSM, FromSpec, ToSpec));
  EXPECT_EQ(FromSpec.Group, 0);
  EXPECT_TRUE(IsStationOf("咸阳", true, FromSpec));
  EXPECT_FALSE(IsStationOf("咸阳西", true, FromSpec));

  EXPECT_FALSE(ResolveStationPair("咸阳", "汉口", KMSM, FromSpec, ToSpec));
  EXPECT_THAT(FromSpec.Stations, IsEmpty());
  EXPECT_TRUE(IsStationOf("咸阳", false, FromSpec));  // by name
  EXPECT_TRUE(IsStationOf("武昌", false, ToSpec));    // by set
}

TEST_F(StationMatch, HankouSetAndCity) {
  BuildStationSpec("汉口", KMSM, FromSpec);
  EXPECT_EQ(FromSpec.Name, "汉口");
  EXPECT_EQ(FromSpec.City, "武汉");
  EXPECT_THAT(FromSpec.Stations, ElementsAre("武昌", "武汉", "汉口"));
  EXPECT_EQ(FromSpec.Group, 118);
}

TEST_F(StationMatch, GroupHoldingTwoCitiesAndSingletons) {
  BuildStationSpec("枣庄", KMSM, FromSpec);
  EXPECT_EQ(FromSpec.Stations.size(), 4u);  // 德州 and 枣庄 share group 150
  BuildStationSpec("丹阳", KMSM, ToSpec);
  EXPECT_THAT(ToSpec.Stations, ElementsAre("丹阳"));
  EXPECT_EQ(ToSpec.Group, 148);
}

TEST_F(StationMatch, BlanksAroundTypedNamesAreRemovedBeforeLookup) {
  BuildStationSpec("  北京西\t ", KMSM, FromSpec);
  EXPECT_EQ(FromSpec.Name, "北京西");
  EXPECT_EQ(FromSpec.City, "北京");
  EXPECT_EQ(FromSpec.Group, 5);
  EXPECT_TRUE(IsStationOf("北京", false, FromSpec));
}

TEST_F(StationMatch, EmptyNameMatchesNothingReal) {
  EXPECT_TRUE(ResolveStationPair("", "  ", KMSM, FromSpec, ToSpec));
  EXPECT_EQ(FromSpec.Name, "");
  EXPECT_FALSE(IsStationOf("北京", true, FromSpec));
}

TEST_F(StationMatch, RebuildOverwritesEveryField) {
  BuildStationSpec("北京", KMSM, FromSpec);
  BuildStationSpec("咸阳", KMSM, FromSpec);
  EXPECT_THAT(FromSpec.Stations, IsEmpty());
  EXPECT_EQ(FromSpec.Group, 0);
  EXPECT_EQ(FromSpec.City, "咸阳");
}

TEST(CityOf, AliasesWinOverTheSuffixRule) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"汉口", "武汉"},       {"武昌", "武汉"},     {"白河东", "白河县"}, {"白河县", "白河县"},
      {"白银市", "白银"},     {"白银西", "白银"},   {"洛阳龙门", "洛阳"}, {"上海虹桥", "上海"},
      {"苏州新区", "苏州"},   {"苏州园区", "苏州"}, {"无锡新区", "无锡"}, {"北京西", "北京"},
      {"哈尔滨东", "哈尔滨"}, {"无锡东", "无锡"},   {"武汉", "武汉"},     {"济南", "济南"},
      {"丹东", "丹东"},       {"西安", "西安"},     {"广州南", "广州"},   {"上海", "上海"},
      {"", ""},
  };
  for (const auto& [name, city] : cases) EXPECT_EQ(CityOf(name), city) << name;
}

TEST(CityOf, CountsCharactersAsGbkBytes) {
  // Two Chinese characters are four bytes: too short. Six ASCII letters are six bytes.
  EXPECT_EQ(CityOf("南北"), "南北");
  EXPECT_EQ(CityOf("abcd东"), "abcd");
  EXPECT_EQ(CityOf("ab东"), "ab东");
}

}  // namespace

// The queries' per-stop test must answer as IsStationOf does, including for names that share
// the first character or the length with a name of the side, or are prefixes of one.
TEST_F(StationMatch, StationSetAnswersAsIsStationOf) {
  std::vector<std::string> probes = {"北京", "北京西",   "北京东", "北京南",   "北京北", "北京朝阳",
                                     "北",   "北京西站", "上海",   "上海虹桥", "上海虹", "天津",
                                     "咸阳", "咸阳西",   "武昌",   "",         "ab",     "a",
                                     "abc",  "abcd",     "abcde"};
  probes.emplace_back("\0", 1);
  const auto agree = [&](bool exact_mode, const TPub_FZStruct& spec) {
    const StationSet set(exact_mode, spec);
    for (const std::string& probe : probes) {
      EXPECT_EQ(set.Contains(probe), IsStationOf(probe, exact_mode, spec))
          << "probe '" << probe << "', name '" << spec.Name << "', exact " << exact_mode;
    }
  };
  ASSERT_FALSE(ResolveStationPair("北京", "上海虹桥", KMSM, FromSpec, ToSpec));
  for (bool exact : {false, true}) {
    agree(exact, FromSpec);
    agree(exact, ToSpec);
  }
  const StationSet beijing(false, FromSpec);
  EXPECT_TRUE(beijing.Contains("北京南"));
  EXPECT_FALSE(beijing.Contains("北京朝阳"));  // not in this table's group
  EXPECT_FALSE(beijing.Contains("北"));

  ASSERT_TRUE(ResolveStationPair("咸阳", "石家庄", KMSM, FromSpec, ToSpec));
  agree(true, FromSpec);
  EXPECT_TRUE(StationSet(true, FromSpec).Contains("咸阳"));
  EXPECT_FALSE(StationSet(true, FromSpec).Contains("咸阳西"));

  for (const std::string& name : {std::string(), std::string("ab"), std::string("abcd")}) {
    TPub_FZStruct spec;
    spec.Name = name;
    agree(true, spec);
    agree(false, spec);
  }
}
