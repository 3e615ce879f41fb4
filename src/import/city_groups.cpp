#include "import/city_groups.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "import/crawl_timetable.h"

namespace lanzhou::import {
namespace {

constexpr std::array<std::string_view, 4> kDirections{"东", "西", "南", "北"};

struct FileGroup {
  std::vector<std::string> names;
  std::string city;       // city-level name
  std::string list_city;  // the 12306 city most of its stations have; may be empty
  std::vector<std::string> placed;
};

std::vector<FileGroup> ReadGroups(std::string_view text, std::string_view what) {
  std::vector<FileGroup> groups;
  std::unordered_set<std::string> taken;  // a station belongs to the first group naming it
  ForEachLine(text, [&](int line_no, std::string_view line) {
    if (WithoutBlanks(line).empty()) return;
    FileGroup group;
    bool any = false;
    for (std::string_view field : SplitFields(line)) {
      std::string name = WithoutBlanks(field);
      if (name.empty()) continue;
      any = true;
      if (taken.insert(name).second) group.names.push_back(std::move(name));
    }
    if (!any) {
      throw ImportError(std::string(what) + ":" + std::to_string(line_no) + ": no station name");
    }
    if (!group.names.empty()) groups.push_back(std::move(group));
  });
  return groups;
}

// The most frequent non-empty value, ties to the one met first; empty when there is none.
std::string MostCommon(const std::vector<std::string>& values) {
  std::map<std::string, int> counts;
  int best = 0;
  for (const std::string& v : values) {
    if (!v.empty()) best = std::max(best, ++counts[v]);
  }
  for (const std::string& v : values) {
    if (!v.empty() && counts[v] == best) return v;
  }
  return {};
}

// The group's city-level name: the member that is the 12306 city of most of its members (汉口,
// 武昌 and 武汉 are all in 武汉); else that city itself when a member's name begins with it and
// the list has it as a station that no group holds (赤峰 for 赤峰南, 赤峰东, 平庄), which then
// joins the group; else the first member (the file puts the hub first).
void NameCity(FileGroup& g, const StationList& stations, std::unordered_set<std::string>& grouped) {
  std::vector<std::string> cities;
  for (const std::string& n : g.names) cities.emplace_back(stations.CityOf(n));
  g.list_city = MostCommon(cities);
  std::vector<std::string> member_cities;
  for (const std::string& c : cities) {
    if (std::find(g.names.begin(), g.names.end(), c) != g.names.end()) member_cities.push_back(c);
  }
  g.city = MostCommon(member_cities);
  if (!g.city.empty()) return;
  const std::string& c = g.list_city;
  const bool leads = std::any_of(g.names.begin(), g.names.end(), [&c](const std::string& n) {
    return n.size() > c.size() && n.starts_with(c);
  });
  if (!c.empty() && leads && stations.RowOf(c) >= 0 && grouped.insert(c).second) {
    g.names.push_back(c);
    g.city = c;
    return;
  }
  g.city = g.names.front();
}

bool EndsWithDirection(std::string_view name, std::string_view stem) {
  if (!name.starts_with(stem)) return false;
  const std::string_view rest = name.substr(stem.size());
  return std::find(kDirections.begin(), kDirections.end(), rest) != kDirections.end();
}

}  // namespace

std::vector<CityGroup> BuildCityGroups(std::string_view groups_text, std::string_view what,
                                       const std::vector<std::string>& served,
                                       const StationList& stations) {
  std::vector<FileGroup> groups = ReadGroups(groups_text, what);
  std::unordered_set<std::string> grouped;
  for (const FileGroup& g : groups) grouped.insert(g.names.begin(), g.names.end());
  for (FileGroup& g : groups) NameCity(g, stations, grouped);
  const std::unordered_set<std::string> is_served(served.begin(), served.end());

  // A served station the file misses joins the group whose city-level name its own name begins
  // with (the longest such name), when the station list puts both in the same 12306 city, or,
  // for a station the list lacks, when only a direction follows the city's name (大同东).
  std::vector<std::string> left;
  for (const std::string& s : served) {
    if (grouped.contains(s)) continue;
    const std::string_view city = stations.CityOf(s);
    FileGroup* best = nullptr;
    for (FileGroup& g : groups) {
      if (s.size() <= g.city.size() || !s.starts_with(g.city)) continue;
      const bool same_city =
          city.empty() ? EndsWithDirection(s, g.city) : !g.list_city.empty() && city == g.list_city;
      if (same_city && (best == nullptr || g.city.size() > best->city.size())) best = &g;
    }
    if (best != nullptr) {
      best->placed.push_back(s);
    } else {
      left.push_back(s);
    }
  }

  std::vector<CityGroup> out;
  for (FileGroup& g : groups) {
    CityGroup c{g.city, {}, static_cast<int>(g.placed.size()), true};
    for (const std::string& n : g.names) {
      if (is_served.contains(n) || n == g.city) c.names.push_back(n);
    }
    c.names.insert(c.names.end(), g.placed.begin(), g.placed.end());
    const bool serves = !g.placed.empty() ||
                        std::any_of(g.names.begin(), g.names.end(),
                                    [&](const std::string& n) { return is_served.contains(n); });
    if (serves) out.push_back(std::move(c));
  }

  // Cities the file has no group for: a station and the stations named as it plus a direction
  // (泉州, 泉州东, 泉州南), all in the same 12306 city.
  std::unordered_map<std::string, std::size_t> left_index;
  for (std::size_t i = 0; i < left.size(); ++i) left_index.emplace(left[i], i);
  std::vector<bool> used(left.size(), false);
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (used[i]) continue;
    const std::string& stem = left[i];
    const std::string_view city = stations.CityOf(stem);
    if (city.empty()) continue;
    CityGroup c{stem, {stem}, 0, false};
    for (std::string_view d : kDirections) {
      const auto it = left_index.find(stem + std::string(d));
      if (it == left_index.end() || used[it->second]) continue;
      if (stations.CityOf(it->first) != city) continue;
      c.names.push_back(it->first);
      used[it->second] = true;
    }
    if (c.names.size() > 1) {
      used[i] = true;
      c.placed = static_cast<int>(c.names.size());
      out.push_back(std::move(c));
    }
  }
  return out;
}

}  // namespace lanzhou::import
