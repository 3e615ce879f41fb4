#include "query/station_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "data/csv_table_format.h"
#include "query/query_test_tables.h"

namespace lanzhou::query {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr std::string_view kSpy = R"("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"Station=WideString,20,""Station"","""",20,Data,"""""
"Shortcode=WideString,10,""Shortcode"","""",10,Data,"""""
"@@INDEXDEF START@@"
"PyIndex=""ShortCode"",""PyIndex"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"Station","Shortcode",
"北京西","BJX",
"安阳","AY",
"北京","BJ",
"宝鸡","BJ",
"北京南","BJN",
"南京","NJ",
"南京南","NJN",
"京山","JS",
"西安北","XAB",
"上海虹桥","SHHQ",
"上海","SH",
)";

class StationSearch : public ::testing::Test {
 protected:
  StationSearch()
      : tables("", "",
               "\"北京\",\"5\",\n\"北京南\",\"5\",\n\"北京西\",\"5\",\n"
               "\"南京\",\"70\",\n\"南京南\",\"70\",\n") {
    data::CsvTableFormat{}.LoadUtf8(std::string(kSpy), KMPy);
  }
  std::vector<std::string> Found(std::string_view text, std::size_t limit = 50) {
    std::vector<std::string> out;
    for (const StationHit& h : SearchStations(KMPy, tables.store.KMSM, text, limit)) {
      std::string groups;
      for (const std::string& g : h.group) groups += (groups.empty() ? "" : ",") + g;
      out.push_back(h.name + "/" + h.initials + "/" + h.city + "/" + groups);
    }
    return out;
  }
  Tables tables;
  data::MemTable KMPy;
};

TEST_F(StationSearch, ByInitialsNamePartAndCity) {
  struct Case {
    std::string_view text;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      // Initials: the beginning of the code, any letter case, table order.
      {"bj",
       {"北京西/BJX/北京/北京,北京南,北京西", "北京/BJ/北京/北京,北京南,北京西", "宝鸡/BJ/宝鸡/",
        "北京南/BJN/北京/北京,北京南,北京西"}},
      {"SHH", {"上海虹桥/SHHQ/上海/"}},  // the city of an alias
      // A name part: the exact name first, then the others containing it in table order.
      {"京",
       {"北京西/BJX/北京/北京,北京南,北京西", "北京/BJ/北京/北京,北京南,北京西",
        "北京南/BJN/北京/北京,北京南,北京西", "南京/NJ/南京/南京,南京南",
        "南京南/NJN/南京/南京,南京南", "京山/JS/京山/"}},
      {"南京", {"南京/NJ/南京/南京,南京南", "南京南/NJN/南京/南京,南京南"}},
      // Blanks around the text do not count.
      {" 西安 ", {"西安北/XAB/西安/"}},
      {"火星", {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_THAT(Found(c.text), ElementsAreArray(c.expected)) << c.text;
  EXPECT_THAT(Found("bj", 2),
              ElementsAre("北京西/BJX/北京/北京,北京南,北京西", "北京/BJ/北京/北京,北京南,北京西"));
}

// The nearest names, computed the slow way: count each character of the text once against a
// copy of the name's characters, keep names sharing any, order by count, length gap, table order.
std::vector<std::string> NearestOracle(const std::vector<std::string>& names,
                                       const std::vector<std::string>& typed, std::size_t count) {
  struct Scored {
    int common;
    std::size_t gap;
    std::size_t order;
  };
  const auto chars = [](const std::string& s) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size(); i += 3) out.push_back(s.substr(i, 3));
    return out;
  };
  std::vector<Scored> scored;
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::map<std::string, int> have;
    const auto cs = chars(names[i]);
    for (const std::string& c : cs) ++have[c];
    int common = 0;
    for (const std::string& c : typed) {
      if (have[c] > 0) {
        --have[c];
        ++common;
      }
    }
    const std::size_t gap =
        cs.size() > typed.size() ? cs.size() - typed.size() : typed.size() - cs.size();
    if (common > 0) scored.push_back({common, gap, i});
  }
  std::sort(scored.begin(), scored.end(), [](const Scored& a, const Scored& b) {
    return std::tie(b.common, a.gap, a.order) < std::tie(a.common, b.gap, b.order);
  });
  std::vector<std::string> out;
  for (std::size_t i = 0; i < scored.size() && i < count; ++i)
    out.push_back(names[scored[i].order]);
  return out;
}

TEST_F(StationSearch, NearestNamesAgreeWithAnOracle) {
  const std::vector<std::string> names = {"北京西", "安阳", "北京",   "宝鸡",     "北京南", "南京",
                                          "南京南", "京山", "西安北", "上海虹桥", "上海"};
  const std::vector<std::string> alphabet = {"北", "京", "南", "西", "安", "上", "海", "火", "星"};
  std::mt19937 random(25);
  for (int round = 0; round < 500; ++round) {
    std::vector<std::string> typed;
    std::string text;
    const int length = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < length; ++i) {
      typed.push_back(alphabet[random() % alphabet.size()]);
      text += typed.back();
    }
    const std::size_t count = 1 + random() % 6;
    EXPECT_EQ(NearestStationNames(KMPy, text, count), NearestOracle(names, typed, count)) << text;
  }
  // A doubled character: the names of three characters share two and differ least in length.
  EXPECT_THAT(NearestStationNames(KMPy, "北京京", 3), ElementsAre("北京西", "北京南", "北京"));
  EXPECT_TRUE(NearestStationNames(KMPy, "火星", 5).empty());
}

}  // namespace
}  // namespace lanzhou::query
