#pragma once
// The community crawl of the national timetable (raw compact form), the 12306 station list and
// the same-city groups, turned into the four table texts for the trains running on one day.
#include <chrono>
#include <string>
#include <string_view>

#include "data/timetable_file.h"
#include "import/crawl_timetable.h"
#include "import/running_days.h"

namespace lanzhou::import {

struct CrawlImportInput {
  std::string_view timetable;  // the raw crawl
  std::string_view stations;   // the station list CSV
  std::string_view groups;     // the same-city groups CSV
  std::chrono::sys_days day{};
  std::chrono::sys_days epoch = kCrawlEpoch;  // day 0 of 单/双 and b... running days
  // Names of the three inputs in messages ("<name>:<line>: <rule>").
  std::string_view timetable_name = "timetable";
  std::string_view stations_name = "stations";
  std::string_view groups_name = "groups";
};

struct CrawlImport {
  data::TimetableTexts texts;  // the four table texts (GBK, CR LF), as the program loads them

  long trains = 0;    // trains of the day
  long stops = 0;     // their stops
  long stations = 0;  // stations they call at
  long names = 0;     // KMPy rows: the stations and the city-level names without trains
  long groups = 0;    // KMSM groups
  long placed = 0;    // stations grouped by a rule, not by the groups file
  long versions = 0;  // train versions in the crawl
  long running = 0;   // versions running on the day (before one is chosen per train number)
  long unusable = 0;  // running versions whose block has no timed stop, left out
  long doubled = 0;   // running versions left out because another of the same number runs
};

// Throws ImportError ("<input>:<line>: <rule>") for input that cannot be read.
[[nodiscard]] CrawlImport ImportCrawl(const CrawlImportInput& input);

// NType of a train number: D 1, G 2, C 3, Z 4, T and Y 5, K 6, S 10; numbers without a letter
// 8 below 6000 and 11 from there; other letters 8.
[[nodiscard]] int CrawlTrainClass(std::string_view train_id);

}  // namespace lanzhou::import
