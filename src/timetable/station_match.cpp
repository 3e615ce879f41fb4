#include "timetable/station_match.h"

#include <algorithm>
#include <array>
#include <utility>

#include "text/ascii.h"
#include "text/gbk.h"

namespace lanzhou::timetable {
namespace {

// Names whose city is not what the suffix rule would make of them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kCityAliases{{
    {"汉口", "武汉"},
    {"武昌", "武汉"},
    {"白河东", "白河县"},
    {"白河县", "白河县"},
    {"白银市", "白银"},
    {"白银西", "白银"},
    {"洛阳龙门", "洛阳"},
    {"上海虹桥", "上海"},
    {"苏州新区", "苏州"},
    {"苏州园区", "苏州"},
    {"无锡新区", "无锡"},
}};

constexpr std::array<std::string_view, 4> kDirectionSuffixes{"东", "西", "南", "北"};

}  // namespace

std::string CityOf(std::string_view name) {
  for (const auto& [station, city] : kCityAliases) {
    if (name == station) return std::string(city);
  }
  // Three characters are six bytes in GBK; the rule counts bytes, so it is measured in GBK.
  if (text::GbkLength(name) >= 6) {
    for (std::string_view suffix : kDirectionSuffixes) {
      if (name.ends_with(suffix)) return std::string(name.substr(0, name.size() - suffix.size()));
    }
  }
  return std::string(name);
}

void BuildStationSpec(std::string_view box_text, data::MemTable& KMSM, TPub_FZStruct& spec) {
  spec.Name = text::TrimBlanks(box_text);
  spec.City = CityOf(spec.Name);
  spec.Stations.clear();
  spec.Group = 0;
  if (!KMSM.Locate("Station", spec.Name)) return;
  const data::ColumnId station_col = KMSM.ColumnOf("Station");
  const data::ColumnId group_col = KMSM.ColumnOf("Gp");
  const auto group = static_cast<std::int32_t>(KMSM.IntAt(group_col));
  for (KMSM.First(); !KMSM.Eof(); KMSM.Next()) {
    if (KMSM.IntAt(group_col) == group) spec.Stations.emplace_back(KMSM.TextAt(station_col));
  }
  spec.Group = group;
}

bool ResolveStationPair(std::string_view from_text, std::string_view to_text, data::MemTable& KMSM,
                        TPub_FZStruct& FromSpec, TPub_DZStruct& ToSpec) {
  BuildStationSpec(from_text, KMSM, FromSpec);
  BuildStationSpec(to_text, KMSM, ToSpec);
  if (FromSpec.Group != ToSpec.Group) return false;
  FromSpec.Stations.clear();
  ToSpec.Stations.clear();
  return true;
}

bool IsStationOf(std::string_view station, bool exact_mode, const TPub_FZStruct& spec) {
  if (!exact_mode && !spec.Stations.empty()) {
    return std::find(spec.Stations.begin(), spec.Stations.end(), station) != spec.Stations.end();
  }
  return station == spec.Name;
}

StationSet::StationSet(bool exact_mode, const TPub_FZStruct& spec) {
  if (!exact_mode && !spec.Stations.empty()) {
    for (const std::string& name : spec.Stations) entries_.push_back({Head(name), name});
  } else {
    entries_.push_back({Head(spec.Name), spec.Name});
  }
}

}  // namespace lanzhou::timetable
