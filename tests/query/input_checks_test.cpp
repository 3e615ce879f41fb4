#include "query/input_checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "data/csv_table_format.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"

namespace lanzhou::query {

// Readable failures: the verdict and the message box.
void PrintTo(const InputCheck& check, std::ostream* os) {
  *os << "{verdict " << static_cast<int>(check.verdict) << ", \"" << check.message.text << "\" / \""
      << check.message.caption << "\", focus " << check.message.focus << "}";
}

namespace {

// Station initials in the shape of the shipped table: load order, no working index.
constexpr std::string_view kStationInitials = R"("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"Station=WideString,20,""Station"","""",20,Data,"""""
"Shortcode=WideString,10,""Shortcode"","""",10,Data,"""""
"@@INDEXDEF START@@"
"PyIndex=""ShortCode"",""PyIndex"""
"StationIndex=""Station"",""StationIndex"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"Station","Shortcode",
"安阳","AY",
"北京","BJ",
"北京西","BJX",
"北京南","BJN",
"上海","SH",
"上海虹桥","SHHQ",
"天津","TJ",
)";

// A train list with numbers only: all the train number check reads.
constexpr std::string_view kTrainList = R"("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"ID=WideString,35,""ID"","""",35,Data,"""""
"@@INDEXDEF START@@"
"SID=""ID"",""SID"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"ID",
"1112/1113",
"D1",
"T97A",
)";

// A store whose KMPy and KMList are loaded; each test sets the ready flags it needs.
class InputChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    data::CsvTableFormat{}.LoadUtf8(kStationInitials, store_.KMPy);
    data::CsvTableFormat{}.LoadUtf8(kTrainList, store_.KMList);
  }
  void SetReady(bool py, bool list, bool sm, bool train) {
    store_.KMPyReady = py;
    store_.KMListReady = list;
    store_.KMSMReady = sm;
    store_.KMTrainReady = train;
  }
  static InputCheck Says(std::string text, std::string caption, std::string_view focus) {
    return {CheckVerdict::ShowMessage,
            {std::move(text), std::move(caption), MessageButtons::Ok, MessageIcon::None,
             std::string(focus)}};
  }
  static InputCheck Silent() { return {CheckVerdict::NotReady, {}}; }

  data::ResourceRegistry registry_;
  data::TimetableStore store_{registry_};
};

TEST(IsAllLetters, OnlyNonEmptyLatinLetters) {
  EXPECT_TRUE(IsAllLetters("bj"));
  EXPECT_TRUE(IsAllLetters("BJx"));
  EXPECT_TRUE(IsAllLetters("Z"));
  EXPECT_FALSE(IsAllLetters(""));
  EXPECT_FALSE(IsAllLetters("b j"));
  EXPECT_FALSE(IsAllLetters(" bj"));
  EXPECT_FALSE(IsAllLetters("bj1"));
  EXPECT_FALSE(IsAllLetters("北京"));
  EXPECT_FALSE(IsAllLetters("BJ北"));
  EXPECT_FALSE(IsAllLetters("b-j"));
}

TEST_F(InputChecks, ThroughQueryMessagesInTheirOrder) {
  SetReady(true, true, true, true);
  EXPECT_EQ(CheckThroughQuery("", "上海", store_), Says("请输入发站。", "信息不完整", "ComboFZ"));
  // Initials not yet turned into a name count as no station, even when the other box is empty.
  EXPECT_EQ(CheckThroughQuery("bj", "", store_), Says("请输入发站。", "信息不完整", "ComboFZ"));
  EXPECT_EQ(CheckThroughQuery("北京", "", store_), Says("请输入到站。", "信息不完整", "ComboDZ"));
  EXPECT_EQ(CheckThroughQuery("北京", "SH", store_), Says("请输入到站。", "信息不完整", "ComboDZ"));
  // Sameness is tested before existence: two equal unknown names are "the same".
  EXPECT_EQ(CheckThroughQuery("咸阳", "咸阳", store_),
            Says("发站与到站相同。", "输入错误", "ComboDZ"));
  EXPECT_EQ(CheckThroughQuery("北京", "北京", store_),
            Says("发站与到站相同。", "输入错误", "ComboDZ"));
  // Both unknown: the departure is reported first.
  EXPECT_EQ(CheckThroughQuery("咸阳", "延安", store_), Says("发站不存在。", "输入错误", "ComboFZ"));
  EXPECT_EQ(CheckThroughQuery("北京", "延安", store_), Says("到站不存在。", "输入错误", "ComboDZ"));
  // The names are checked as typed: blanks around them make them unknown, and "北京 " is not
  // the same text as "北京".
  EXPECT_EQ(CheckThroughQuery(" 北京", "上海", store_),
            Says("发站不存在。", "输入错误", "ComboFZ"));
  EXPECT_EQ(CheckThroughQuery("北京", "北京 ", store_),
            Says("到站不存在。", "输入错误", "ComboDZ"));
  EXPECT_TRUE(CheckThroughQuery("北京", "上海虹桥", store_).GoOn());
  EXPECT_TRUE(CheckThroughQuery("北京", "北京西", store_).GoOn());
}

TEST_F(InputChecks, ThroughQueryStopsSilentlyUntilEveryTableItReadsIsReady) {
  SetReady(true, true, true, false);
  EXPECT_EQ(CheckThroughQuery("北京", "上海", store_), Silent());
  SetReady(true, true, false, true);
  EXPECT_EQ(CheckThroughQuery("北京", "上海", store_), Silent());
  SetReady(true, false, true, true);
  EXPECT_EQ(CheckThroughQuery("北京", "上海", store_), Silent());
  // The input messages still come first.
  SetReady(true, false, false, false);
  EXPECT_EQ(CheckThroughQuery("北京", "延安", store_), Says("到站不存在。", "输入错误", "ComboDZ"));
  // Without KMPy the existence of a name cannot be told: no message, no query. The checks
  // that need no table still answer.
  SetReady(false, true, true, true);
  EXPECT_EQ(CheckThroughQuery("延安", "上海", store_), Silent());
  EXPECT_EQ(CheckThroughQuery("", "上海", store_), Says("请输入发站。", "信息不完整", "ComboFZ"));
  EXPECT_EQ(CheckThroughQuery("上海", "上海", store_),
            Says("发站与到站相同。", "输入错误", "ComboDZ"));
}

TEST_F(InputChecks, TrainNumberNeedsTextAndTheTrainTables) {
  SetReady(true, true, true, true);
  EXPECT_EQ(CheckTrainNumberQuery("", store_), Says("请输入车次。", "信息不完整", "ECC"));
  EXPECT_EQ(CheckTrainNumberQuery(" \t ", store_), Says("请输入车次。", "信息不完整", "ECC"));
  // A number of the train list goes on (as the query finds it: case, blanks around it, the
  // first of joined numbers); one that matches nothing is refused as an unknown station is.
  EXPECT_TRUE(CheckTrainNumberQuery(" d1 ", store_).GoOn());
  EXPECT_TRUE(CheckTrainNumberQuery("1112", store_).GoOn());
  EXPECT_TRUE(CheckTrainNumberQuery("t97a", store_).GoOn());
  // A train that changes number is found by its second number too.
  EXPECT_TRUE(CheckTrainNumberQuery("1113", store_).GoOn());
  for (const char* unknown : {"no such", "D", "1111", "T97", "D10", "1112/"}) {
    EXPECT_EQ(CheckTrainNumberQuery(unknown, store_), Says("车次不存在。", "输入错误", "ECC"))
        << unknown;
  }
  // KMPy plays no part here.
  SetReady(false, true, true, true);
  EXPECT_TRUE(CheckTrainNumberQuery("D1", store_).GoOn());

  SetReady(true, true, false, true);
  EXPECT_EQ(CheckTrainNumberQuery("D1", store_), Silent());
  SetReady(true, false, true, true);
  EXPECT_EQ(CheckTrainNumberQuery("D1", store_), Silent());
  SetReady(true, true, true, false);
  EXPECT_EQ(CheckTrainNumberQuery("D1", store_), Silent());
  SetReady(false, false, false, false);
  EXPECT_EQ(CheckTrainNumberQuery("", store_), Says("请输入车次。", "信息不完整", "ECC"));
}

TEST_F(InputChecks, StationQueryMessagesAndReadyFlags) {
  SetReady(true, true, true, true);
  EXPECT_EQ(CheckStationQuery("", store_), Says("请输入车站。", "信息不完整", "ComboCZ"));
  EXPECT_EQ(CheckStationQuery("bj", store_), Says("请输入车站。", "信息不完整", "ComboCZ"));
  EXPECT_EQ(CheckStationQuery("咸阳", store_), Says("车站不存在。", "输入错误", "ComboCZ"));
  EXPECT_EQ(CheckStationQuery(" 北京", store_), Says("车站不存在。", "输入错误", "ComboCZ"));
  EXPECT_TRUE(CheckStationQuery("北京西", store_).GoOn());

  SetReady(true, true, true, false);
  EXPECT_EQ(CheckStationQuery("北京", store_), Silent());
  SetReady(true, true, false, true);
  EXPECT_EQ(CheckStationQuery("北京", store_), Silent());
  SetReady(true, false, true, true);
  EXPECT_EQ(CheckStationQuery("北京", store_), Silent());
  SetReady(false, true, true, true);
  EXPECT_EQ(CheckStationQuery("咸阳", store_), Silent());
  EXPECT_EQ(CheckStationQuery("bj", store_), Says("请输入车站。", "信息不完整", "ComboCZ"));
}

TEST(NoThroughTrainQuestion, AsksYesOrNoUnderTheProgramTitle) {
  const QueryMessage question = NoThroughTrainQuestion();
  EXPECT_EQ(question.text, "两站之间无直达列车,是否进行中转站查询?");
  EXPECT_EQ(question.caption, "岚舟时刻");
  EXPECT_EQ(question.buttons, MessageButtons::YesNo);
  EXPECT_EQ(question.icon, MessageIcon::Question);
}

}  // namespace
}  // namespace lanzhou::query
