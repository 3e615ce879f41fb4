#pragma once
// The shipped tables loaded once per test binary from the embedded resources through
// TimetableStore, exactly as the program loads them, with plain copies of their rows in
// working-index order for the checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "lanzhou_timetable.h"

namespace lanzhou::testing {

using lanzhou::data::MemTable;
using lanzhou::data::TimetableStore;

struct Stop {
  std::string station, a_time, d_time, r_date;
  int s_no = 0;
  int distance = 0;
  std::array<std::string, 4> fares;
};

struct Train {
  std::string id;
  int ntype = 0;
  std::string start, end, a_time, d_time, r_date;
  int distance = 0;
  std::array<std::string, 4> fares;
  std::vector<Stop> stops;
};

// The four tables loaded once, plus plain copies of their rows in working-index order.
class Shipped : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Each suite deriving from this fixture loads afresh; the copies are shared.
    trains_.clear();
    list_.clear();
    py_.clear();
    groups_.clear();
    registry_ = new lanzhou::data::ResourceRegistry;
    registry_->Register(lanzhou::resources::TimetableResources());
    store_ = new TimetableStore(*registry_);
    store_->StartLoading();
    store_->WaitUntilLoaded();
    ASSERT_TRUE(store_->AllReady());
    MemTable& t = store_->KMTrain;
    for (t.First(); !t.Eof(); t.Next()) {
      const std::string id = t.FieldByName("ID").AsString();
      if (trains_.empty() || trains_.back().id != id) {
        trains_.emplace_back();
        trains_.back().id = id;
      }
      Stop s;
      s.station = t.FieldByName("Station").AsString();
      s.s_no = static_cast<int>(t.FieldByName("S_No").AsInteger());
      s.a_time = t.FieldByName("A_Time").AsString();
      s.d_time = t.FieldByName("D_Time").AsString();
      s.r_date = t.FieldByName("R_Date").AsString();
      s.distance = static_cast<int>(t.FieldByName("Distance").AsInteger());
      for (int p = 0; p < 4; ++p)
        s.fares[p] = t.FieldByName("P" + std::to_string(p + 1)).AsString();
      trains_.back().stops.push_back(std::move(s));
    }
    MemTable& l = store_->KMList;
    for (l.First(); !l.Eof(); l.Next()) {
      Train r;
      r.id = l.FieldByName("ID").AsString();
      r.ntype = static_cast<int>(l.FieldByName("NType").AsInteger());
      r.start = l.FieldByName("StartStation").AsString();
      r.end = l.FieldByName("endStation").AsString();
      r.a_time = l.FieldByName("A_Time").AsString();
      r.d_time = l.FieldByName("D_Time").AsString();
      r.r_date = l.FieldByName("R_Date").AsString();
      r.distance = static_cast<int>(l.FieldByName("Distance").AsInteger());
      for (int p = 0; p < 4; ++p)
        r.fares[p] = l.FieldByName("P" + std::to_string(p + 1)).AsString();
      list_.push_back(std::move(r));
    }
    MemTable& py = store_->KMPy;
    for (py.First(); !py.Eof(); py.Next()) {
      py_.emplace_back(py.FieldByName("Station").AsString(),
                       py.FieldByName("Shortcode").AsString());
    }
    MemTable& sm = store_->KMSM;
    sm.SetIndexName("SGp");  // test-only view by group; the program keeps SStation
    for (sm.First(); !sm.Eof(); sm.Next()) {
      groups_[static_cast<int>(sm.FieldByName("Gp").AsInteger())].insert(
          sm.FieldByName("Station").AsString());
    }
    sm.SetIndexName("SStation");
  }
  static void TearDownTestSuite() {
    delete store_;
    delete registry_;
  }

  static const Train* FindTrain(const std::string& id) {
    for (const auto& t : trains_) {
      if (t.id == id) return &t;
    }
    return nullptr;
  }
  static const Train* FindList(const std::string& id) {
    for (const auto& t : list_) {
      if (t.id == id) return &t;
    }
    return nullptr;
  }
  static int GroupOf(const std::string& station) {
    for (const auto& [gp, names] : groups_) {
      if (names.contains(station)) return gp;
    }
    return 0;
  }

  static inline lanzhou::data::ResourceRegistry* registry_ = nullptr;
  static inline TimetableStore* store_ = nullptr;
  static inline std::vector<Train> trains_;  // KMTrain, stops filled
  static inline std::vector<Train> list_;    // KMList, no stops
  static inline std::vector<std::pair<std::string, std::string>> py_;
  static inline std::map<int, std::set<std::string>> groups_;
};

inline bool IsClock(const std::string& t) {
  return t.size() == 5 && std::isdigit(t[0]) && std::isdigit(t[1]) && t[2] == ':' &&
         std::isdigit(t[3]) && std::isdigit(t[4]) && (t[0] - '0') * 10 + (t[1] - '0') < 24 &&
         t[3] < '6';
}

inline int ClockMinutes(const std::string& t) {
  return ((t[0] - '0') * 10 + (t[1] - '0')) * 60 + (t[3] - '0') * 10 + (t[4] - '0');
}

// "0", "18", "1:7", "23:", "37:43": no leading zeros, minutes 0..59, hours 1..99.
inline bool IsElapsed(const std::string& r) {
  auto number = [](const std::string& s, int max) {
    if (s.empty() || s.size() > 2 || (s.size() == 2 && s[0] == '0')) return false;
    if (!std::all_of(s.begin(), s.end(), ::isdigit)) return false;
    return std::stoi(s) <= max;
  };
  const auto colon = r.find(':');
  if (colon == std::string::npos) return number(r, 59);
  const std::string h = r.substr(0, colon);
  const std::string m = r.substr(colon + 1);
  return number(h, 99) && h != "0" && (m.empty() || (number(m, 59) && m != "0"));
}

// Number of Chinese characters of a UTF-8 name made only of three-byte characters, else -1.
inline int ChineseLength(const std::string& name) {
  if (name.size() % 3 != 0) return -1;
  for (std::size_t i = 0; i < name.size(); i += 3) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (b < 0xE3 || b > 0xE9) return -1;
  }
  return static_cast<int>(name.size() / 3);
}

}  // namespace lanzhou::testing
