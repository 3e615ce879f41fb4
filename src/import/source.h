#pragma once
// The timetable source as read from resources/timetable (format: docs/timetable-source.md):
// stations, groups, city aliases, lines, classes and train blocks, still as written. Reading
// checks every rule that one file can check on its own and collects the breaches as
// "file:line: rule" diagnostics instead of stopping at the first.
#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/calendar.h"

namespace lanzhou::timetable_build {

// One breach of a source rule, at a file (relative to the source folder) and line.
struct SourceError {
  std::string file;
  int line = 0;
  std::string rule;
};

// Collects errors; the build writes nothing while any exist.
class Diagnostics {
 public:
  void Error(const std::string& file, int line, std::string rule) {
    errors_.push_back({file, line, std::move(rule)});
  }
  [[nodiscard]] bool empty() const { return errors_.empty(); }
  [[nodiscard]] const std::vector<SourceError>& errors() const { return errors_; }

 private:
  std::vector<SourceError> errors_;
};

// Where a directive was written, for later diagnostics.
struct Place {
  std::string file;
  int line = 0;
};

struct Station {
  std::string name;
  std::string initials;
  Place place;
};

struct Group {
  int number = 0;
  std::vector<std::string> names;
  Place place;
};

struct LineStation {
  int km = 0;
  std::string name;
};

struct Line {
  std::string name;
  bool high_speed = false;
  std::vector<LineStation> stations;
  Place place;
};

// One row of classes.txt.
struct ClassInfo {
  bool defined = false;
  int conventional_speed = 0;
  int high_speed_speed = 0;
  int dwell = 0;
  std::array<bool, 4> sells{};
  bool aircon = false;  // tariff classes: air-conditioning supplement charged
  double factor = 1.0;  // tariff classes: price factor over the standard tariff
  double rate_p1 = 0;   // multiple-unit classes: yuan per km, second class
  double rate_p2 = 0;   // multiple-unit classes: yuan per km, first class
  Place place;
};

// A station named in a train block: the k-th occurrence of `name` ("赤峰东#2").
struct StopRef {
  std::string name;
  int occurrence = 1;
  Place place;
};

// field=value of an `at`, `list` or `stop` line.
struct FieldValue {
  std::string field;
  std::string value;
};

struct Segment {
  std::string line;
  std::string from;
  std::string to;
};

struct AtOverride {
  StopRef stop;
  std::vector<FieldValue> fields;
};

struct ExplicitStop {
  std::string name;
  std::optional<int> arrival;    // minutes of the day
  std::optional<int> departure;  // minutes of the day
  int km = 0;
  std::vector<FieldValue> fields;
  Place place;
};

struct ReturnWorking {
  std::string id;
  int departure = 0;
  Place place;
};

enum class StopMode { kUnset, kAll, kEvery, kList };

struct TrainSource {
  std::string id;
  Place place;
  int ntype = 0;
  std::vector<Segment> route;
  Place route_place;
  StopMode stop_mode = StopMode::kUnset;
  int every = 0;
  std::vector<StopRef> stops;
  std::vector<StopRef> adds;
  std::vector<StopRef> skips;
  std::optional<int> departure;
  std::optional<int> speed;
  std::optional<int> dwell;
  std::vector<std::pair<StopRef, int>> dwell_at;
  std::optional<std::array<bool, 4>> sells;
  std::optional<bool> aircon;
  std::optional<double> factor;
  std::optional<std::pair<double, double>> rate;
  std::vector<AtOverride> at;
  std::vector<FieldValue> list;
  std::vector<ExplicitStop> explicit_stops;
  std::vector<ReturnWorking> returns;
  std::string days;  // running days in the crawl's notation (import/running_days.h); "" daily
  Place days_place;
};

struct Source {
  // calendar.txt: the period of the timetable's running days; without the file every train runs
  // every day and the tables carry no calendar.
  std::optional<data::Period> period;
  std::vector<Station> stations;  // stations.txt order
  std::map<std::string, std::size_t> station_index;
  std::vector<Group> groups;                   // groups.txt order
  std::map<std::string, std::string> aliases;  // station -> city-level name
  std::map<std::string, Line> lines;           // by line name
  std::array<ClassInfo, 12> classes{};         // by NType 1..11
  std::vector<TrainSource> trains;             // file order (files by name)
};

// Reads the whole source folder. Missing optional files (aliases.txt) are empty.
[[nodiscard]] Source ReadSource(const std::filesystem::path& dir, Diagnostics& diagnostics);

// True for 1 to 5 CJK unified ideographs that GBK can hold.
[[nodiscard]] bool IsStationName(const std::string& text);

// "HH:MM" to minutes of the day; nullopt for anything else.
[[nodiscard]] std::optional<int> ParseClock(const std::string& text);

}  // namespace lanzhou::timetable_build
