// The whole real crawl of 2024 (../shared/realdata beside the checkout, or LANZHOU_SHARED_DIR),
// imported for Friday 2024-07-05 and queried as the program queries it. Skipped where the data
// is absent: it is third-party data and never part of the repository.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "data/packed_resource.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "import/crawl_import.h"
#include "query/input_checks.h"
#include "query/query_state.h"
#include "query/station_match.h"
#include "query/through_query.h"

namespace lanzhou::import {
namespace {

namespace fs = std::filesystem;

fs::path RealData() {
  const char* shared = std::getenv("LANZHOU_SHARED_DIR");
  return fs::path(shared != nullptr ? shared : LANZHOU_DEFAULT_SHARED_DIR) / "realdata";
}

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class NationalImport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path dir = RealData();
    const fs::path files[] = {dir / "cr2024/raw/cr240615.min.csv",
                              dir / "stations/station_20240820.csv",
                              dir / "citygroups/samecity.csv"};
    for (const fs::path& f : files) {
      if (!fs::exists(f)) return;
    }
    const std::string timetable = ReadWhole(files[0]);
    const std::string stations = ReadWhole(files[1]);
    const std::string groups = ReadWhole(files[2]);
    CrawlImportInput in;
    in.timetable = timetable;
    in.stations = stations;
    in.groups = groups;
    in.day = ParseIsoDate("2024-07-05");
    result_ = new CrawlImport(ImportCrawl(in));
    registry_ = new data::ResourceRegistry;
    packed_ = new std::string[4]{
        data::PackResource(result_->texts.strain), data::PackResource(result_->texts.slist),
        data::PackResource(result_->texts.sm), data::PackResource(result_->texts.spy)};
    const char* names[] = {"STRAIN", "SLIST", "SM", "SPY"};
    for (int i = 0; i < 4; ++i) registry_->Add(names[i], data::kResourceTypeMe, packed_[i]);
    store_ = new data::TimetableStore(*registry_);
    store_->StartLoading();
    store_->WaitUntilLoaded();
  }
  static void TearDownTestSuite() {
    delete store_;
    delete registry_;
    delete[] packed_;
    delete result_;
  }
  void SetUp() override {
    if (result_ == nullptr) GTEST_SKIP() << "no real timetable under " << RealData();
    ASSERT_TRUE(store_->AllReady());
  }

  // The rows of the station-to-station query, after the button's input checks.
  static std::size_t Through(const char* from, const char* to) {
    EXPECT_TRUE(query::CheckThroughQuery(from, to, *store_).GoOn()) << from << " " << to;
    query::QueryState state;
    EXPECT_TRUE(query::FindThroughTrains(*store_, state, from, to));
    return state.ResultList.size();
  }

  static CrawlImport* result_;
  static data::ResourceRegistry* registry_;
  static std::string* packed_;
  static data::TimetableStore* store_;
};

CrawlImport* NationalImport::result_ = nullptr;
data::ResourceRegistry* NationalImport::registry_ = nullptr;
std::string* NationalImport::packed_ = nullptr;
data::TimetableStore* NationalImport::store_ = nullptr;

TEST_F(NationalImport, OneDayFigures) {
  EXPECT_EQ(result_->trains, 11413);
  EXPECT_EQ(result_->stops, 104646);
  EXPECT_EQ(result_->stations, 3087);
  EXPECT_EQ(store_->KMTrain.RecordCount(), 104646);
  EXPECT_EQ(store_->KMList.RecordCount(), 11413);
  // The one version that runs that day but has no timed stop (8359).
  EXPECT_EQ(result_->unusable, 1);
  EXPECT_EQ(result_->doubled, 0);
}

TEST_F(NationalImport, ThroughTrainsBetweenBeijingAndShanghai) {
  EXPECT_EQ(Through("北京", "上海"), 49u);
  EXPECT_EQ(Through("上海", "北京"), 46u);
}

// 重庆 has no train of its own that day, yet the city is typed and answers for its stations.
TEST_F(NationalImport, EveryCityNameIsQueryable) {
  EXPECT_GT(Through("重庆", "北京"), 0u);
  EXPECT_GT(Through("成都", "上海"), 0u);
  query::TPub_FZStruct spec;
  query::BuildStationSpec("北京", store_->KMSM, spec);
  EXPECT_NE(std::find(spec.Stations.begin(), spec.Stations.end(), "北京丰台"), spec.Stations.end());
  // Every group has a name of the initials table, and every name of the groups is one.
  data::MemTable& sm = store_->KMSM;
  data::MemTable& py = store_->KMPy;
  for (sm.First(); !sm.Eof(); sm.Next()) {
    EXPECT_TRUE(py.Locate("Station", sm.FieldByName("Station").AsString()))
        << sm.FieldByName("Station").AsString();
  }
}

}  // namespace
}  // namespace lanzhou::import
