#include "data/timetable_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "lanzhou_test_fixtures.h"
#include "text/gbk.h"

namespace lanzhou::data {
namespace {

using ::testing::ElementsAre;

// The fixture tables, some of them replaced by a broken resource or (nullptr) left out.
struct Registry {
  explicit Registry(
      std::initializer_list<std::pair<std::string_view, const char*>> replacements = {}) {
    auto upper = [](std::string_view name) {
      std::string out(name);
      for (char& c : out) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
      return out;
    };
    for (const EmbeddedResource& resource : testing::FixtureResources()) {
      const bool left_out = std::ranges::any_of(replacements, [&](const auto& r) {
        return r.second == nullptr && upper(r.first) == upper(resource.name);
      });
      if (!left_out) registry.Add(resource.name, resource.type, resource.bytes);
    }
    for (const auto& [table, replacement] : replacements) {
      if (replacement != nullptr) {
        registry.Add(table, kResourceTypeMe, registry.Open(replacement, kResourceTypeMe));
      }
    }
  }
  ResourceRegistry registry;
};

// What the notices saw: how often each came, on which thread, and the flag it announces.
struct NoticeLog {
  std::mutex mutex;
  int py_notices = 0;
  int train_notices = 0;
  bool py_flag_at_notice = false;
  bool train_flag_at_notice = false;
  std::thread::id py_thread;
  std::thread::id train_thread;
  int finished_notices = 0;
  bool all_ready_at_finish = false;

  LoadNotices For(TimetableStore& store) {
    return {[this, &store] {
              std::lock_guard lock(mutex);
              ++py_notices;
              py_flag_at_notice = store.KMPyReady;
              py_thread = std::this_thread::get_id();
            },
            [this, &store] {
              std::lock_guard lock(mutex);
              ++train_notices;
              train_flag_at_notice = store.KMTrainReady;
              train_thread = std::this_thread::get_id();
            },
            [this, &store] {
              std::lock_guard lock(mutex);
              ++finished_notices;
              all_ready_at_finish = store.AllReady();
            }};
  }
};

std::vector<std::string> Walk(MemTable& table, const char* field) {
  std::vector<std::string> values;
  for (table.First(); !table.Eof(); table.Next())
    values.push_back(table.FieldByName(field).AsString());
  return values;
}

std::vector<std::string> Distinct(const std::vector<std::string>& values) {
  std::vector<std::string> out;
  for (const std::string& v : values) {
    if (out.empty() || out.back() != v) out.push_back(v);
  }
  return out;
}

TEST(TimetableStore, LoadsAllFourTablesWithTheirWorkingIndexes) {
  Registry fixtures;
  TimetableStore store(fixtures.registry);
  EXPECT_FALSE(store.KMTrainReady || store.KMListReady || store.KMSMReady || store.KMPyReady);
  NoticeLog log;
  store.StartLoading(log.For(store));
  store.WaitUntilLoaded();

  EXPECT_TRUE(store.KMTrainReady);
  EXPECT_TRUE(store.KMListReady);
  EXPECT_TRUE(store.KMSMReady);
  EXPECT_TRUE(store.KMPyReady);
  EXPECT_TRUE(store.AllReady());
  EXPECT_EQ(store.KMTrain.IndexName(), "SIDNo");
  EXPECT_EQ(store.KMList.IndexName(), "SID");
  EXPECT_EQ(store.KMSM.IndexName(), "SStation");
  EXPECT_EQ(store.KMPy.IndexName(), "");

  // Each notice once, on its own loader thread, after its table's flag was set.
  EXPECT_EQ(log.py_notices, 1);
  EXPECT_EQ(log.train_notices, 1);
  EXPECT_TRUE(log.py_flag_at_notice);
  EXPECT_TRUE(log.train_flag_at_notice);
  EXPECT_NE(log.py_thread, std::this_thread::get_id());
  EXPECT_NE(log.train_thread, std::this_thread::get_id());
  EXPECT_NE(log.py_thread, log.train_thread);
  // The end of loading: once, before WaitUntilLoaded returns, with every table standing.
  EXPECT_EQ(log.finished_notices, 1);
  EXPECT_TRUE(log.all_ready_at_finish);
}

TEST(TimetableStore, WalksSeeTheOrdersTheQueriesRelyOn) {
  Registry fixtures;
  TimetableStore store(fixtures.registry);
  store.StartLoading();
  store.WaitUntilLoaded();
  ASSERT_TRUE(store.AllReady());

  // KMTrain: by train number in character-code order, then stop number.
  MemTable& train = store.KMTrain;
  train.First();
  EXPECT_EQ(train.FieldByName("ID").AsString(), "1043");
  EXPECT_EQ(train.FieldByName("S_No").AsInteger(), 1);
  EXPECT_EQ(train.FieldByName("Station").AsString(), "西安");
  const std::vector<std::string> ids = Walk(train, "ID");
  EXPECT_EQ(ids.size(), 53u);
  EXPECT_THAT(Distinct(ids), ElementsAre("1043", "1112/1113", "4471", "C2001", "D1", "G1", "G1001",
                                         "K7711", "Z98/Z95"));
  train.Last();
  EXPECT_EQ(train.FieldByName("ID").AsString(), "Z98/Z95");
  EXPECT_EQ(train.FieldByName("S_No").AsInteger(), 7);
  EXPECT_EQ(train.FieldByName("Station").AsString(), "北京西");
  EXPECT_EQ(train.FieldByName("R_Date").AsString(), "23:");
  ASSERT_TRUE(train.Locate("ID", "1043"));
  EXPECT_EQ(train.FieldByName("S_No").AsInteger(), 1);
  train.Next();
  EXPECT_EQ(train.FieldByName("S_No").AsInteger(), 2);
  EXPECT_EQ(train.FieldByName("Station").AsString(), "渭南");

  // KMList: the same trains in the same order; its A_Time is the departure at the origin.
  EXPECT_EQ(Walk(store.KMList, "ID"), Distinct(ids));
  ASSERT_TRUE(store.KMList.Locate("ID", "1112/1113"));
  EXPECT_EQ(store.KMList.FieldByName("NType").AsInteger(), 9);
  EXPECT_EQ(store.KMList.FieldByName("A_Time").AsString(), "18:05");
  EXPECT_EQ(store.KMList.FieldByName("startStation").AsString(), "郑州");

  // KMPy: the text's own order, grouped by initial but not sorted within a letter.
  const std::vector<std::string> stations = Walk(store.KMPy, "Station");
  ASSERT_EQ(stations.size(), 48u);
  EXPECT_THAT(std::vector<std::string>(stations.begin(), stations.begin() + 6),
              ElementsAre("安阳", "北京", "北京西", "北京南", "北京北", "北京东"));
  EXPECT_TRUE(store.KMPy.Locate("Station", "北京"));
  EXPECT_EQ(store.KMPy.FieldByName("Shortcode").AsString(), "BJ");

  // KMSM: ordered by station name (the text lists the stations by group). Which collation of
  // Chinese names the table uses is its own business: code-point or GBK order both serve.
  const std::vector<std::string> by_name = Walk(store.KMSM, "Station");
  ASSERT_EQ(by_name.size(), 18u);
  const bool code_point_order = std::is_sorted(by_name.begin(), by_name.end());
  const bool gbk_order =
      std::is_sorted(by_name.begin(), by_name.end(),
                     [](const auto& a, const auto& b) { return text::CompareGbk(a, b) < 0; });
  EXPECT_TRUE(code_point_order || gbk_order);
  ASSERT_TRUE(store.KMSM.Locate("Station", "汉口"));
  EXPECT_EQ(store.KMSM.FieldByName("Gp").AsInteger(), 118);
  store.KMSM.SetIndexName("");
  const std::vector<std::string> load_order = Walk(store.KMSM, "Station");
  EXPECT_TRUE(std::is_permutation(by_name.begin(), by_name.end(), load_order.begin()));
  EXPECT_NE(by_name, load_order);
}

TEST(TimetableStore, CorruptStrainLeavesOnlyKMTrainNotReady) {
  for (const char* broken : std::initializer_list<const char*>{"CORRUPT_ZLIB", "TRUNCATED_STREAM",
                                                               "DUPLICATE_KEY", nullptr}) {
    SCOPED_TRACE(broken == nullptr ? "missing" : broken);
    Registry fixtures({{"STRAIN", broken}});
    TimetableStore store(fixtures.registry);
    NoticeLog log;
    store.StartLoading(log.For(store));
    store.WaitUntilLoaded();
    EXPECT_FALSE(store.KMTrainReady);
    EXPECT_EQ(log.train_notices, 0);
    EXPECT_TRUE(store.KMPyReady);
    EXPECT_TRUE(store.KMListReady);
    EXPECT_TRUE(store.KMSMReady);
    EXPECT_EQ(log.py_notices, 1);
    EXPECT_EQ(log.finished_notices, 1);
    EXPECT_FALSE(log.all_ready_at_finish);
  }
}

TEST(TimetableStore, FailureStopsItsLoaderAtThatTable) {
  struct Case {
    const char* table;
    const char* broken;
    bool py, list, sm;
  };
  for (const Case& c :
       {Case{"SPY", "SHORT_STREAM", false, false, false},
        Case{"SList", "TRUNCATED_STREAM", true, false, false},
        Case{"SLIST", "CORRUPT_ZLIB", true, false, false},
        Case{"SM", "SHORT_STREAM", true, true, false}, Case{"sm", nullptr, true, true, false}}) {
    SCOPED_TRACE(std::string(c.table) + " <- " + (c.broken == nullptr ? "missing" : c.broken));
    Registry fixtures({{c.table, c.broken}});
    TimetableStore store(fixtures.registry);
    NoticeLog log;
    store.StartLoading(log.For(store));
    store.WaitUntilLoaded();
    EXPECT_EQ(store.KMPyReady, c.py);
    EXPECT_EQ(store.KMListReady, c.list);
    EXPECT_EQ(store.KMSMReady, c.sm);
    EXPECT_EQ(log.py_notices, c.py ? 1 : 0);
    // The other loader is not affected.
    EXPECT_TRUE(store.KMTrainReady);
    EXPECT_EQ(log.train_notices, 1);
    EXPECT_EQ(store.KMTrain.RecordCount(), 53u);
    EXPECT_EQ(log.finished_notices, 1);
    EXPECT_FALSE(log.all_ready_at_finish);
  }
}

TEST(TimetableStore, StartsOnceAndStopsCleanlyWhileLoading) {
  Registry fixtures;
  {
    TimetableStore store(fixtures.registry);
    store.StartLoading();
    EXPECT_THROW(store.StartLoading(), std::logic_error);
    // Destroyed while the loaders may still run: the destructor joins them.
  }
  TimetableStore never_started(fixtures.registry);
  never_started.WaitUntilLoaded();
  EXPECT_FALSE(never_started.KMPyReady);
}

}  // namespace
}  // namespace lanzhou::data
