// City groups of the crawl import where city names nest: a group whose city-level name begins
// with another group's, and stations the groups file does not list.
#include "import/city_groups.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lanzhou::import {
namespace {

using ::testing::ElementsAre;

// Every station of the list in the 12306 city 上海.
StationList ShanghaiStations(const std::vector<std::string>& names) {
  std::string text;
  int i = 0;
  for (const std::string& name : names) {
    const std::string code = {'S', 'H', static_cast<char>('A' + i++)};
    text += "x," + name + "," + code + ",shanghai,sh,1,0001,上海\n";
  }
  return StationList(text, "stations.csv");
}

TEST(CityGroups, NestedCityNamesAndAnUnlistedStationJoinTheLongestMatchingGroup) {
  const std::vector<std::string> served = {"上海", "上海南", "上海虹桥", "上海松江",
                                           "上海虹桥西", "上海西"};
  const StationList stations = ShanghaiStations(served);
  const std::vector<CityGroup> groups =
      BuildCityGroups("上海,上海南\n上海虹桥,上海松江\n", "groups.csv", served, stations);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].city, "上海");
  // 上海西 begins only with 上海; 上海虹桥西 begins with both, and the longer name wins.
  EXPECT_THAT(groups[0].names, ElementsAre("上海", "上海南", "上海西"));
  EXPECT_EQ(groups[0].placed, 1);
  EXPECT_EQ(groups[1].city, "上海虹桥");
  EXPECT_THAT(groups[1].names, ElementsAre("上海虹桥", "上海松江", "上海虹桥西"));
  EXPECT_EQ(groups[1].placed, 1);
}

}  // namespace
}  // namespace lanzhou::import
