#pragma once
// The community crawl of the national timetable (raw compact form), the 12306 station list and
// the same-city groups, turned into the four table texts and the calendar: every train version
// of the crawl's whole period with its running days, or the trains running on one day.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/calendar.h"
#include "data/timetable_file.h"
#include "import/crawl_timetable.h"
#include "import/running_days.h"

namespace lanzhou::import {

struct CrawlImportInput {
  std::string_view timetable;  // the raw crawl
  std::string_view stations;   // the station list CSV
  std::string_view groups;     // the same-city groups CSV
  // One day: the trains leaving their first station that day, one version per number, and no
  // calendar (a one-day file). Nothing: the whole period.
  std::optional<std::chrono::sys_days> day;
  // Day 0 of 单/双 and b... running days, and the first day of the period; the period ends on
  // the latest day any running-day text names.
  std::chrono::sys_days epoch = kCrawlEpoch;
  // Names of the three inputs in messages ("<name>:<line>: <rule>").
  std::string_view timetable_name = "timetable";
  std::string_view stations_name = "stations";
  std::string_view groups_name = "groups";
};

// A day asked for outside the crawl's period; what() names the period.
class OutsidePeriodError : public ImportError {
 public:
  using ImportError::ImportError;
};

struct CrawlImport {
  // The four table texts (GBK, CR LF), as the program loads them, and for the whole period the
  // calendar text (empty for one day).
  data::TimetableTexts texts;
  data::Period period;  // the crawl's period (whatever was imported)

  long trains = 0;    // trains of the day
  long stops = 0;     // their stops
  long stations = 0;  // stations they call at
  long names = 0;     // KMPy rows: the stations and the city-level names without trains
  long groups = 0;    // KMSM groups
  long placed = 0;    // stations grouped by a rule, not by the groups file
  long versions = 0;  // train versions in the crawl
  long running = 0;   // versions running on the day (the whole period: on any day of it)
  long unusable = 0;  // running versions whose block has no timed stop, left out
  // One day: running versions left out because another of the same number runs. The whole
  // period: versions that gave days to another of their number running the same day (a dated
  // version stands in for an every-day one on its dates).
  long doubled = 0;
  long unreadable_days = 0;  // versions left out because their running-day text is unreadable
  // One line each: a running-day text that cannot be read, a station without initials.
  std::vector<std::string> warnings;
};

// Throws ImportError ("<input>:<line>: <rule>") for input that cannot be read, and
// OutsidePeriodError for a day outside the crawl's period. One version's unreadable running days
// or one station's unknown initials are warnings, never the whole import's failure.
[[nodiscard]] CrawlImport ImportCrawl(const CrawlImportInput& input);

// NType of a train number: D 1, G 2, C 3, Z 4, T and Y 5, K 6, S 10; numbers without a letter
// 8 below 6000 and 11 from there; other letters 8.
[[nodiscard]] int CrawlTrainClass(std::string_view train_id);

}  // namespace lanzhou::import
