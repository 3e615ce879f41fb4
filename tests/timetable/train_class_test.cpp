#include "timetable/train_class.h"

#include <gtest/gtest.h>

#include <string>

using namespace lanzhou::timetable;

TEST(TrainClassName, NamesTheElevenClasses) {
  const char* const expected[] = {"动车组",   "高速动车", "城际高速", "直特",
                                  "空调特快", "空调快速", "快速",     "普快",
                                  "空调普快", "空调普客", "普客"};
  for (int code = 1; code <= 11; ++code) {
    EXPECT_EQ(TrainClassName(code), expected[code - 1]) << "code " << code;
  }
}

TEST(TrainClassName, EmptyOutsideOneToEleven) {
  EXPECT_EQ(TrainClassName(0), "");
  EXPECT_EQ(TrainClassName(12), "");
  EXPECT_EQ(TrainClassName(-1), "");
  EXPECT_EQ(TrainClassName(11), "普客");
}

TEST(TrainClassName, ComesFromTheCodeNotTheNumber) {
  // The double-numbered 1112/1113 is class 9; nothing in its number says so.
  EXPECT_EQ(TrainClassName(9), "空调普快");
}

TEST(IsMultipleUnitClass, CodesBelowFour) {
  EXPECT_TRUE(IsMultipleUnitClass(1));
  EXPECT_TRUE(IsMultipleUnitClass(3));
  EXPECT_FALSE(IsMultipleUnitClass(4));
  EXPECT_FALSE(IsMultipleUnitClass(11));
}

TEST(TrainPrefixLetter, FirstCharacterUpperCased) {
  EXPECT_EQ(TrainPrefixLetter("D301"), 'D');
  EXPECT_EQ(TrainPrefixLetter("d301"), 'D');
  EXPECT_EQ(TrainPrefixLetter("g1001"), 'G');
  EXPECT_EQ(TrainPrefixLetter("1112/1113"), '1');
  EXPECT_EQ(TrainPrefixLetter(""), '\0');
}

TEST(IsG100Train, FirstFourCharactersExactly) {
  EXPECT_TRUE(IsG100Train("G1001"));
  EXPECT_TRUE(IsG100Train("G1002/G1003"));
  EXPECT_TRUE(IsG100Train("G100"));
  EXPECT_FALSE(IsG100Train("G101"));
  EXPECT_FALSE(IsG100Train("G10"));
  EXPECT_FALSE(IsG100Train("D1001"));
  EXPECT_FALSE(IsG100Train("g1001"));
}

TEST(IsHighSpeedNumber, BeginsWithCDOrG) {
  for (const char* id : {"C2001", "D301", "G1001", "D301/D304"})
    EXPECT_TRUE(IsHighSpeedNumber(id)) << id;
  for (const char* id : {"K1008", "T110", "Z98", "1043", "", "d301", "Y1"}) {
    EXPECT_FALSE(IsHighSpeedNumber(id)) << id;
  }
}

TEST(TrainGroupOf, ByTheNumbersFirstLetter) {
  const struct {
    const char* id;
    TrainGroup group;
    const char* name;
  } cases[] = {
      {"G1", TrainGroup::HighSpeed, "高铁"},       {"g7", TrainGroup::HighSpeed, "高铁"},
      {"D301/D304", TrainGroup::MultipleUnit, "动车"}, {"C2001", TrainGroup::Intercity, "城际"},
      {"Z98", TrainGroup::Express, "直特快"},      {"T110", TrainGroup::Express, "直特快"},
      {"K1043", TrainGroup::Express, "直特快"},    {"1461", TrainGroup::Ordinary, "普客"},
      {"Y1", TrainGroup::Ordinary, "普客"},        {"", TrainGroup::Ordinary, "普客"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrainGroupOf(c.id), c.group) << c.id;
    EXPECT_EQ(TrainGroupName(TrainGroupOf(c.id)), c.name) << c.id;
  }
}

namespace lanzhou::timetable {
namespace {

TEST(TrainNumbers, VersionsAndJoinedNumbers) {
  EXPECT_EQ(TrainNumberOfId("G1#2"), "G1");
  EXPECT_EQ(TrainNumberOfId("K1231/K1234"), "K1231/K1234");
  struct Case {
    const char* number;
    const char* key;
    bool carries;
  };
  const Case cases[] = {
      {"K1231/K1234", "K1231", true},  {"K1231/K1234", "K1234", true},
      {"K1231/4", "K1234", true},      {"K1231/4", "K1231", true},
      {"K1231/4", "4", true},          {"K1231/4", "K1233", false},
      {"1112/1113", "1113", true},     {"1112/1113", "1112/1113", true},
      {"1986/1983A", "1983A", true},   {"1986/1983A", "1983", false},
      {"G1", "G1", true},              {"G1", "G10", false},
      {"G10", "G1", false},            {"K1/K2/K3", "K3", true},
      {"K1231/4", "", false},          {"K1231/34", "K1234", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CarriesTrainNumber(c.number, c.key), c.carries) << c.number << " " << c.key;
  }
}

}  // namespace
}  // namespace lanzhou::timetable
