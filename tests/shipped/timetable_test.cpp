// The shipped timetable as the program loads it: sizes, orders, stations and groups, classes
// and numbers, and the example trains the queries and their documentation rely on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "shipped_tables.h"
#include "timetable/train_class.h"

namespace {

using lanzhou::testing::ChineseLength;
using lanzhou::testing::IsClock;
using lanzhou::testing::Shipped;
using lanzhou::testing::Stop;
using lanzhou::testing::Train;
using ::testing::ElementsAre;

TEST_F(Shipped, HasTheSizeOfANationalTimetable) {
  EXPECT_GE(store_->KMTrain.RecordCount(), 40000u);
  EXPECT_GE(trains_.size(), 4000u);
  EXPECT_EQ(store_->KMList.RecordCount(), trains_.size());
  EXPECT_GE(py_.size(), 2000u);
  EXPECT_GE(groups_.size(), 120u);
  std::size_t most = 0;
  for (const auto& t : trains_) most = std::max(most, t.stops.size());
  EXPECT_LE(most, 61u);
  std::cout << "[ shipped  ] " << trains_.size() << " trains, " << store_->KMTrain.RecordCount()
            << " stops, " << py_.size() << " stations, " << groups_.size() << " groups\n";
}

TEST_F(Shipped, TrainListHasExactlyTheTrainsOfTheStopTableInTheSameOrder) {
  ASSERT_EQ(list_.size(), trains_.size());
  for (std::size_t i = 0; i < list_.size(); ++i) {
    ASSERT_EQ(list_[i].id, trains_[i].id) << "row " << i;
  }
  // Plain character-code order, train numbers unique; stops numbered 1..n.
  for (std::size_t i = 1; i < trains_.size(); ++i) {
    EXPECT_LT(trains_[i - 1].id, trains_[i].id);
  }
  for (const auto& t : trains_) {
    for (std::size_t i = 0; i < t.stops.size(); ++i) {
      ASSERT_EQ(t.stops[i].s_no, static_cast<int>(i + 1)) << t.id;
    }
  }
  EXPECT_EQ(trains_.front().id, "1043");
  EXPECT_EQ(trains_.back().id, "Z98/Z95");
  store_->KMTrain.Last();
  EXPECT_EQ(store_->KMTrain.FieldByName("ID").AsString(), "Z98/Z95");
  EXPECT_EQ(store_->KMTrain.FieldByName("S_No").AsInteger(),
            static_cast<int>(trains_.back().stops.size()));
}

TEST_F(Shipped, InitialsTableHoldsExactlyTheStationsOfTheStopTable) {
  std::set<std::string> called;
  for (const auto& t : trains_) {
    for (const auto& s : t.stops) called.insert(s.station);
  }
  std::set<std::string> listed;
  for (const auto& [name, code] : py_) {
    EXPECT_TRUE(listed.insert(name).second) << "twice in KMPy: " << name;
    const int length = ChineseLength(name);
    EXPECT_TRUE(length >= 1 && length <= 5) << name;
    EXPECT_EQ(static_cast<int>(code.size()), length) << name;
    EXPECT_EQ(code.find_first_not_of("ABCDEFGHJKLMNOPQRSTWXYZ"), std::string::npos) << name;
  }
  EXPECT_EQ(listed, called);
}

TEST_F(Shipped, InitialsTableIsGroupedByLetterBusiestFirst) {
  // The completion offers stations in table order: within a letter, the stations where more
  // trains stop come first.
  std::map<std::string, int> calls;
  for (const auto& t : trains_) {
    for (const auto& s : t.stops) ++calls[s.station];
  }
  for (std::size_t i = 1; i < py_.size(); ++i) {
    ASSERT_LE(py_[i - 1].second[0], py_[i].second[0]) << py_[i].first;
    if (py_[i - 1].second[0] == py_[i].second[0]) {
      EXPECT_GE(calls[py_[i - 1].first], calls[py_[i].first]) << py_[i].first;
    }
  }
  const auto b =
      std::find_if(py_.begin(), py_.end(), [](const auto& p) { return p.second[0] == 'B'; });
  ASSERT_LE(b + 3, py_.end());
  EXPECT_EQ(b->first, "北京西");
  EXPECT_GT(calls["北京"], calls["北京北"]);
  EXPECT_FALSE(std::is_sorted(py_.begin(), py_.end()));
}

TEST_F(Shipped, StationGroupsHaveTheShapesTheQueriesUse) {
  auto group = [](std::initializer_list<const char*> names) {
    return std::set<std::string>(names.begin(), names.end());
  };
  EXPECT_EQ(groups_[GroupOf("北京")], group({"北京", "北京北", "北京东", "北京南", "北京西"}));
  EXPECT_EQ(groups_[GroupOf("上海")], group({"上海", "上海南", "上海虹桥", "上海西"}));
  EXPECT_NE(GroupOf("汉口"), 0);
  EXPECT_EQ(GroupOf("汉口"), GroupOf("武昌"));
  EXPECT_EQ(GroupOf("汉口"), GroupOf("武汉"));
  EXPECT_EQ(groups_[148], group({"丹阳"}));
  EXPECT_EQ(groups_[149], group({"丹阳北"}));
  EXPECT_EQ(groups_[151], group({"贵阳"}));
  EXPECT_EQ(groups_[150], group({"德州", "德州东", "枣庄", "枣庄西"}));
  for (const auto& [gp, names] : groups_) {
    EXPECT_TRUE(gp >= 1 && gp <= 159 && !(gp >= 51 && gp <= 59) && !(gp >= 101 && gp <= 109)) << gp;
  }
  // 咸阳 is a station in no group; 滦县东 exists only in the group table.
  EXPECT_EQ(GroupOf("咸阳"), 0);
  EXPECT_TRUE(std::any_of(py_.begin(), py_.end(), [](const auto& p) { return p.first == "咸阳"; }));
  EXPECT_NE(GroupOf("滦县东"), 0);
  EXPECT_FALSE(
      std::any_of(py_.begin(), py_.end(), [](const auto& p) { return p.first == "滦县东"; }));
  EXPECT_FALSE(store_->KMList.Locate("StartStation", "滦县东"));
  EXPECT_FALSE(store_->KMTrain.Locate("Station", "滦县东"));
  // The text is ordered by group number.
  store_->KMSM.SetIndexName("");
  int previous = 0;
  for (store_->KMSM.First(); !store_->KMSM.Eof(); store_->KMSM.Next()) {
    const int gp = static_cast<int>(store_->KMSM.FieldByName("Gp").AsInteger());
    EXPECT_LE(previous, gp);
    previous = gp;
  }
  store_->KMSM.SetIndexName("SStation");
}

TEST_F(Shipped, ClassCodesFollowTheNumberPrefix) {
  std::map<int, int> per_class;
  for (const auto& t : list_) {
    ++per_class[t.ntype];
    const char p = t.id[0];
    std::set<int> allowed;
    switch (p) {
      case 'D':
        allowed = {1};
        break;
      case 'G':
        allowed = {2};
        break;
      case 'C':
        allowed = {3};
        break;
      case 'Z':
        allowed = {4};
        break;
      case 'T':
      case 'Y':
        allowed = {5};
        break;
      case 'K':
        allowed = {6, 7};
        break;
      case 'L':
        allowed = {5, 8, 9, 11};
        break;
      default:
        allowed = {8, 9, 10, 11};
        EXPECT_TRUE(std::isdigit(p)) << t.id;
    }
    EXPECT_TRUE(allowed.contains(t.ntype)) << t.id << " class " << t.ntype;
  }
  for (int n = 1; n <= 11; ++n) EXPECT_GT(per_class[n], 0) << "no train of class " << n;
}

TEST_F(Shipped, TrainNumbersHaveTheFormsOfTheData) {
  std::map<int, int> by_numbers;
  int lettered = 0;
  for (const auto& t : list_) {
    EXPECT_LE(t.id.size(), 19u) << t.id;
    // A further version of a number running on other days carries "#2".
    const std::string number(lanzhou::timetable::TrainNumberOfId(t.id));
    EXPECT_EQ(number.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/"), std::string::npos)
        << t.id;
    ++by_numbers[static_cast<int>(std::count(t.id.begin(), t.id.end(), '/')) + 1];
    if (t.id.back() == 'A' || t.id.back() == 'B') ++lettered;
  }
  EXPECT_GT(by_numbers[2], 500);
  EXPECT_GT(by_numbers[3], 0);
  EXPECT_GT(by_numbers[4], 0);
  EXPECT_GE(lettered, 4);
}

TEST_F(Shipped, ExampleTrainsHaveTheirDescribedShapes) {
  // 1043: the first train, 28 stops from 西安; a look-up lands on its first stop.
  const Train* t1043 = FindTrain("1043");
  ASSERT_NE(t1043, nullptr);
  EXPECT_EQ(t1043->stops.size(), 28u);
  EXPECT_EQ(t1043->stops.front().station, "西安");
  EXPECT_EQ(t1043->stops.front().d_time, "21:25");
  ASSERT_TRUE(store_->KMTrain.Locate("ID", "1043"));
  EXPECT_EQ(store_->KMTrain.FieldByName("S_No").AsInteger(), 1);
  EXPECT_EQ(store_->KMTrain.FieldByName("Station").AsString(), "西安");

  // 1163: boards at 北京西, named 北京 in the train list.
  ASSERT_NE(FindTrain("1163"), nullptr);
  EXPECT_EQ(FindTrain("1163")->stops.front().station, "北京西");
  EXPECT_EQ(FindList("1163")->start, "北京");

  ASSERT_NE(FindList("1112/1113"), nullptr);
  EXPECT_EQ(FindList("1112/1113")->ntype, 9);
  ASSERT_NE(FindList("1051"), nullptr);
  EXPECT_EQ(FindList("1051")->r_date, "23:");

  // 1984/1985A: one stop, 长春, departure only. 1984/1985B: a departure at its last stop.
  const Train* a = FindTrain("1984/1985A");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->stops.size(), 1u);
  EXPECT_EQ(a->stops[0].station, "长春");
  EXPECT_EQ(a->stops[0].a_time, "");
  EXPECT_TRUE(IsClock(a->stops[0].d_time));
  const Train* b = FindTrain("1984/1985B");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->stops.back().station, "辽中");
  for (const auto& s : b->stops) EXPECT_TRUE(IsClock(s.d_time)) << s.station;
  EXPECT_EQ(FindTrain("1984/1985"), nullptr);

  // Numbers that begin with 1986 and K7430.
  std::vector<std::string> n1986, k7430;
  for (const auto& t : list_) {
    if (t.id.starts_with("1986")) n1986.push_back(t.id);
    if (t.id.starts_with("K7430")) k7430.push_back(t.id);
  }
  EXPECT_THAT(n1986, ElementsAre("1986/1983", "1986/1983A", "1986/1983B"));
  EXPECT_THAT(k7430, ElementsAre("K7430", "K7430/9999"));

  // 6327/6329 reverses at 赤峰: 赤峰东 at stops 4 and 6, distances still rising through it.
  const Train* c = FindTrain("6327/6329");
  ASSERT_NE(c, nullptr);
  std::vector<std::pair<std::string, int>> chifeng;
  for (const auto& s : c->stops) chifeng.emplace_back(s.station, s.distance);
  EXPECT_THAT(chifeng, ElementsAre(std::pair<std::string, int>{"叶柏寿", 0},
                                   std::pair<std::string, int>{"平庄", 95},
                                   std::pair<std::string, int>{"元宝山", 120},
                                   std::pair<std::string, int>{"赤峰东", 140},
                                   std::pair<std::string, int>{"赤峰", 147},
                                   std::pair<std::string, int>{"赤峰东", 155},
                                   std::pair<std::string, int>{"通辽", 517}));

  for (const char* id : {"D1", "D10", "D100"}) {
    ASSERT_NE(FindList(id), nullptr) << id;
    EXPECT_EQ(FindList(id)->ntype, 1) << id;
  }
  ASSERT_NE(FindList("G1001"), nullptr);
  EXPECT_EQ(FindList("G1001")->ntype, 2);
  for (const char* id : {"T97A", "T97B"}) {
    ASSERT_NE(FindList(id), nullptr) << id;
    EXPECT_EQ(FindList(id)->ntype, 5) << id;
  }
}

}  // namespace
