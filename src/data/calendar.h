#pragma once
// Running days: on which days each train version leaves its first stop, and the one rule that
// says whether a train calls at a stop on a date.
//
// A timetable covers a period of consecutive days. Each train version (one KMList record, one
// KMTrain run, found by its table ID) holds an index into a deduplicated array of day sets (bit d
// = the version leaves its first stop on the period's day d; most trains share a handful of
// sets), and each of its stops keeps the day offsets of its arrival and departure after that
// first departure. A timetable that does not know its running days (a one-day file, tables
// without a calendar) says every train runs every day.
//
// The calendar travels in the timetable file as the member CALENDAR, a short text
// (docs/timetable-file.md):
//
//   period: 2024-06-15 88          first day and number of days
//   every-day                      (only in a calendar that does not know running days)
//   days: 1fffffffffffffffffffff   one day set per line, hex, day 0 in the lowest bit
//   train: G1 0 0000000000         table ID, day set number, arrival and departure day of
//                                  every stop in stop order, one digit each
#include <bitset>
#include <functional>
#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lanzhou::data {

using Date = std::chrono::sys_days;

// The longest period a timetable may cover.
inline constexpr int kMaxPeriodDays = 512;
using DaySet = std::bitset<kMaxPeriodDays>;

// A calendar text that cannot be read, or a date text that is not a date; what() says why.
class CalendarError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "YYYY-MM-DD" to a date; throws CalendarError ("not a date YYYY-MM-DD: …", "no such date: …").
[[nodiscard]] Date ParseIsoDate(std::string_view text);
// A date as "YYYY-MM-DD".
[[nodiscard]] std::string IsoDateText(Date date);

// Consecutive days first .. first + days - 1.
struct Period {
  Date first{};
  int days = 0;
  [[nodiscard]] Date Last() const { return first + std::chrono::days{days - 1}; }
  [[nodiscard]] bool Contains(Date d) const { return days > 0 && d >= first && d <= Last(); }
  // Day number of d in the period (may lie outside 0 .. days-1).
  [[nodiscard]] int DayIndex(Date d) const { return static_cast<int>((d - first).count()); }
  // "2024-06-15..2024-09-10", or one date for a one-day period (meta.txt's valid:).
  [[nodiscard]] std::string Text() const;
  friend bool operator==(const Period&, const Period&) = default;
};

// Reads "2024-06-15..2024-09-10" or "2024-07-05"; throws CalendarError.
[[nodiscard]] Period ParsePeriod(std::string_view text);

class Calendar {
 public:
  // Version number of a train no calendar lists: it runs every day.
  static constexpr int kUnknown = -1;

  // No period, every train every day (tables loaded without a calendar).
  Calendar() = default;
  // A period in which every train runs every day: a one-day timetable file.
  [[nodiscard]] static Calendar EveryDay(Period period);
  // Reads the CALENDAR text; throws CalendarError naming the line.
  [[nodiscard]] static Calendar Parse(std::string_view text);
  // The CALENDAR text of this calendar.
  [[nodiscard]] std::string Text() const;

  // Building (importers, the timetable builder): a period that knows its running days, then one
  // call per train version. `day_offsets` holds arrival then departure day of every stop in stop
  // order (the origin's arrival = its departure = 0; the last stop's departure = its arrival). An ID added twice throws CalendarError.
  explicit Calendar(Period period);
  void Add(std::string_view id, const DaySet& days, std::vector<std::uint8_t> day_offsets);

  [[nodiscard]] const std::optional<Period>& period() const { return period_; }
  // False when every train runs every day (no calendar, or a one-day file).
  [[nodiscard]] bool KnowsRunningDays() const { return knows_days_; }
  [[nodiscard]] int VersionCount() const { return static_cast<int>(ids_.size()); }
  [[nodiscard]] int DaySetCount() const { return static_cast<int>(sets_.size()); }

  // The version of a table ID, or kUnknown.
  [[nodiscard]] int Find(std::string_view id) const;
  [[nodiscard]] const std::string& Id(int version) const { return ids_[static_cast<std::size_t>(version)]; }
  // The days a version leaves its first stop (all days for kUnknown or a calendar that does not
  // know running days).
  [[nodiscard]] const DaySet& Days(int version) const;

  // Whether the version leaves its first stop on `service_day`. Days outside the period: false,
  // unless the calendar does not know running days.
  [[nodiscard]] bool RunsOn(int version, Date service_day) const;
  // THE rule: a train calls at a stop whose event lies `day_offset` days after its first
  // departure on `date` when its version runs on date - day_offset.
  [[nodiscard]] bool CallsOn(int version, int day_offset, Date date) const {
    return RunsOn(version, date - std::chrono::days{day_offset});
  }
  // The rule for a stop of a run: the train calls at its stop stop_no on `date`, its departure
  // there deciding (its arrival at a last stop).
  [[nodiscard]] bool CallsAt(int version, int stop_no, Date date) const {
    return CallsOn(version, DepartureDay(version, stop_no), date);
  }
  // Day offsets of stop number stop_no (1 = the origin); 0 for unknown versions or stops.
  [[nodiscard]] int ArrivalDay(int version, int stop_no) const;
  [[nodiscard]] int DepartureDay(int version, int stop_no) const;
  // The first day on or after `from` within the period on which the version runs.
  [[nodiscard]] std::optional<Date> NextRunningDay(int version, Date from) const;
  // The day a query answers for when none is given: today inside the period, else the period's
  // first day; today itself when there is no period.
  [[nodiscard]] Date DefaultDay(Date today) const;

 private:
  std::optional<Period> period_;
  bool knows_days_ = false;
  std::vector<DaySet> sets_;
  std::vector<std::string> ids_;
  std::vector<std::uint32_t> set_of_;        // per version: index into sets_
  std::vector<std::uint32_t> offset_begin_;  // per version + 1: into offsets_
  std::vector<std::uint8_t> offsets_;        // arrival, departure day per stop
  struct IdHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, int, IdHash, std::equal_to<>> by_id_;
  std::unordered_map<DaySet, std::uint32_t> set_index_;
};

}  // namespace lanzhou::data
