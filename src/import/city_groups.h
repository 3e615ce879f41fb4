#pragma once
// City groups for the imported timetable: the same-city groups file (one group per line,
// station names separated by commas), narrowed to the stations the day's trains serve, with
// every group's city-level name kept typeable, stations the file misses placed where a rule can
// place them, and new groups for cities the file does not have. The rules are in
// docs/import-crawl.md.
#include <string>
#include <string_view>
#include <vector>

#include "import/station_list.h"

namespace lanzhou::import {

struct CityGroup {
  std::string city;                // city-level name, always one of `names`
  std::vector<std::string> names;  // the file's members first, in its order, then placed ones
  int placed = 0;                  // how many of `names` the file did not list in this group
  bool from_file = true;           // false for a group made from station names alone
};

// `served` lists the stations the trains call at, in order of first use. Returns the groups
// that hold at least one served station, the file's groups first (in file order), then the new
// ones. A group's names are its served stations plus its city-level name, served or not.
// Throws ImportError naming `what` for a line that holds no name at all.
[[nodiscard]] std::vector<CityGroup> BuildCityGroups(std::string_view groups_text,
                                                     std::string_view what,
                                                     const std::vector<std::string>& served,
                                                     const StationList& stations);

}  // namespace lanzhou::import
