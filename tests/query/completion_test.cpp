#include "query/completion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/csv_table_format.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "lanzhou_test_fixtures.h"

namespace lanzhou::query {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The station initials table in its shipped shape: not in initials order, with indexes that are
// defined but not the working order. The 北京 stations are spread out between others.
constexpr const char* kSpy = R"("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"Station=WideString,20,""Station"","""",20,Data,"""""
"Shortcode=WideString,10,""Shortcode"","""",10,Data,"""""
"@@INDEXDEF START@@"
"PyIndex=""ShortCode"",""PyIndex"""
"StationIndex=""Station"",""StationIndex"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"Station","Shortcode",
"北京西","BJX",
"安阳","AY",
"北京","BJ",
"保定","BD",
"北京南","BJN",
"蚌埠","BB",
"北京北","BJB",
"宝鸡","BJ",
"北京东","BJD",
"包头","BT",
"白城","BC",
"北戴河","BDH",
"长沙","CS",
)";

class Completion : public ::testing::Test {
 protected:
  void SetUp() override { data::CsvTableFormat{}.LoadUtf8(kSpy, KMPy); }
  data::MemTable KMPy;
};

std::vector<std::string> Names(const std::vector<std::string>& entries) {
  std::vector<std::string> out;
  for (const std::string& e : entries) {
    if (!e.empty()) out.push_back(e);
  }
  return out;
}

TEST_F(Completion, LettersOnly) {
  EXPECT_TRUE(IsAllLetters("bj"));
  EXPECT_TRUE(IsAllLetters("BJx"));
  EXPECT_FALSE(IsAllLetters(""));
  EXPECT_FALSE(IsAllLetters("北j"));
  EXPECT_FALSE(IsAllLetters("b1"));
  EXPECT_FALSE(IsAllLetters("b j"));
  EXPECT_FALSE(IsAllLetters("bj "));
}

TEST_F(Completion, InitialsListStationsInTableOrderPaddedToNine) {
  // City names whose initials are exactly the letters lead (北京, 宝鸡), the rest follow, each
  // in table order.
  const std::vector<std::string> list = FillInitialsDropDown(KMPy, "bj");
  EXPECT_THAT(list,
              ElementsAre("北京", "宝鸡", "北京西", "北京南", "北京北", "北京东", "", "", ""));
  EXPECT_EQ(FillInitialsDropDown(KMPy, "BJ"), list);
  EXPECT_EQ(FillInitialsDropDown(KMPy, "bJ"), list);
  EXPECT_THAT(FillInitialsDropDown(KMPy, "bjx"),
              ElementsAre("北京西", "", "", "", "", "", "", "", ""));
}

TEST_F(Completion, ExactlyEightMatchesNeedNoPadding) {
  // Eleven stations begin with B: no padding however many there are.
  EXPECT_EQ(FillInitialsDropDown(KMPy, "b").size(), 11u);
  EXPECT_EQ(Names(FillInitialsDropDown(KMPy, "b")).size(), 11u);
  // Six begin with BJ; two more make eight, one more seven.

  data::MemTable eight;
  std::string text = kSpy;
  text += "\"北京丰台\",\"BJFT\",\n\"北京朝阳\",\"BJCY\",\n";
  data::CsvTableFormat{}.LoadUtf8(text, eight);
  const auto eight_list = FillInitialsDropDown(eight, "BJ");
  EXPECT_EQ(eight_list.size(), 8u);
  EXPECT_THAT(eight_list, Each(::testing::Not(IsEmpty())));

  data::MemTable seven;
  text = kSpy;
  text += "\"北京丰台\",\"BJFT\",\n";
  data::CsvTableFormat{}.LoadUtf8(text, seven);
  const auto seven_list = FillInitialsDropDown(seven, "BJ");
  EXPECT_EQ(seven_list.size(), 9u);
  EXPECT_EQ(Names(seven_list).size(), 7u);
  EXPECT_EQ(seven_list[6], "北京丰台");
}

TEST_F(Completion, NoMatchGivesNineEmptyEntries) {
  for (const char* letters : {"q", "BJXX", "Z"}) {
    const auto list = FillInitialsDropDown(KMPy, letters);
    EXPECT_EQ(list.size(), 9u) << letters;
    EXPECT_THAT(list, Each(IsEmpty())) << letters;
  }
}

TEST_F(Completion, BoxTextDecidesWhatHappensToTheList) {
  const auto trimmed = DropDownForText(KMPy, " bj\t");
  ASSERT_TRUE(trimmed.has_value());
  EXPECT_EQ(*trimmed, FillInitialsDropDown(KMPy, "BJ"));
  for (const char* empty : {"", "   "}) {
    const auto reset = DropDownForText(KMPy, empty);
    ASSERT_TRUE(reset.has_value());
    EXPECT_EQ(reset->size(), 9u);
    EXPECT_THAT(*reset, Each(IsEmpty()));
  }
  // A chosen Chinese name, or letters mixed with anything else: the list stays as it is.
  EXPECT_FALSE(DropDownForText(KMPy, "北京").has_value());
  EXPECT_FALSE(DropDownForText(KMPy, "北j").has_value());
  EXPECT_FALSE(DropDownForText(KMPy, "b2").has_value());
}

TEST(CompletionFixture, LoadedInitialsTableKeepsItsOrder) {
  data::ResourceRegistry registry;
  registry.Register(testing::FixtureResources());
  data::TimetableStore store(registry);
  store.StartLoading();
  store.WaitUntilLoaded();
  ASSERT_TRUE(store.KMPyReady);
  EXPECT_THAT(FillInitialsDropDown(store.KMPy, "bj"),
              ElementsAre("北京", "北京西", "北京南", "北京北", "北京东", "", "", "", ""));
  EXPECT_THAT(Names(FillInitialsDropDown(store.KMPy, "sh")),
              ElementsAre("上海", "上海西", "上海虹桥", "山海关"));
}

}  // namespace
}  // namespace lanzhou::query
