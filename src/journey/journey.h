#pragma once
// Journeys from one set of stations to another with up to two changes of train: the request,
// the answer and the planner. docs/journeys.md pins down what counts as a journey and which
// journeys are listed.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/mem_table.h"
#include "journey/network.h"
#include "timetable/times.h"

namespace lanzhou::journey {

inline constexpr std::int32_t kMinutesPerDay = 1440;

// ---- The request ---------------------------------------------------------------------------

struct Request {
  // Departure and arrival stations by name (see SetEndpoints); names the network does not know
  // are ignored.
  std::vector<std::string> from;
  std::vector<std::string> to;
  // Departure window on the first leg's departure, minutes of the day, both ends included. When
  // after > before the window runs over midnight (22:00 .. 02:00).
  std::int32_t after = 0;
  std::int32_t before = kMinutesPerDay - 1;
  std::int32_t max_changes = 2;       // 0, 1 or 2
  std::int32_t min_change = 30;       // minutes, change at the same station
  std::int32_t min_change_city = 90;  // minutes, change to another station of the city group
  std::int32_t max_wait = 720;        // minutes between arrival and departure; 0 = unlimited
  // By the network's train number, nonzero for the trains a journey may use; empty: all.
  std::vector<char> allowed_trains;
  // The day of the first departure: every leg's train must run on its own service day (the
  // network's calendar). Nothing: every train runs every day.
  std::optional<std::chrono::sys_days> date;
};

// Fills request.from and request.to from two typed texts as the station query reads them: a
// name stands for its KMSM group, unless both names share a group (or neither has one), when
// only the two names themselves count. Moves KMSM's cursor.
void SetEndpoints(data::MemTable& KMSM, std::string_view from_text, std::string_view to_text,
                  Request& request);

// Why a request cannot be planned (a value out of range), or nothing when it can. Ranges:
// after/before 0..1439, max_changes 0..2, min_change and min_change_city 0..1440, max_wait
// 0..10080.
[[nodiscard]] std::optional<std::string> CheckRequest(const Request& request);

// ---- The answer ----------------------------------------------------------------------------

// One train ridden from one stop to a later one. Times are minutes from 00:00 of the day of
// the journey's first departure (so 1500 is 01:00 on the next day).
struct Leg {
  std::int32_t train = -1;   // the network's train number
  std::string train_id;      // KMTrain ID ("K1043", "1112/1113", "G1#2": see TrainNumberOfId)
  std::string from;          // boarding station
  std::string to;            // alighting station
  std::int32_t from_no = 0;  // S_No of the boarding stop
  std::int32_t to_no = 0;    // S_No of the alighting stop
  std::int32_t depart = 0;
  std::int32_t arrive = 0;
  std::int32_t wait = 0;        // minutes since the previous leg's arrival; 0 on the first leg
  bool station_change = false;  // boards at another station of the city than the last leg left
  std::int32_t distance = -1;   // km of the section, -1 where the data does not tell
  std::string fare;             // hard-seat (second-class) section fare, "" where none
  // The day the leg departs (the request's date plus its departure's day), with a date only.
  std::optional<std::chrono::sys_days> date;
  friend bool operator==(const Leg&, const Leg&) = default;
};

struct Journey {
  std::vector<Leg> legs;       // 1 to 3
  std::int32_t distance = -1;  // sum of the legs', -1 unless every leg has one
  std::string fare;            // sum of the legs' fares, "" unless every leg has one

  [[nodiscard]] std::int32_t Depart() const { return legs.front().depart; }  // 0 .. 1439
  [[nodiscard]] std::int32_t Arrive() const { return legs.back().arrive; }
  [[nodiscard]] std::int32_t Minutes() const { return Arrive() - Depart(); }
  [[nodiscard]] std::int32_t Changes() const { return static_cast<std::int32_t>(legs.size()) - 1; }
  friend bool operator==(const Journey&, const Journey&) = default;
};

// ---- Texts shared by the window and the command line ----------------------------------------

// "HH:MM" of the time of day of an absolute minute (1500 -> "01:00").
[[nodiscard]] std::string ClockText(std::int32_t minutes);
// Day of an absolute minute, counted from the journey's first day (1500 -> 1).
[[nodiscard]] std::int32_t DayOf(std::int32_t minutes);
// Durations are written as every duration of the program is (1534 -> "25:34", 128 -> "2:08").
using timetable::DurationText;
// The trains of a journey joined by " → " ("K1043 → G1202"), by the numbers shown.
[[nodiscard]] std::string TrainChainText(const Journey& journey);

// ---- The planner ---------------------------------------------------------------------------

// Finds the journeys of a request on one network. Keeps its working arrays between calls, so
// a planner is reused for many requests; one planner serves one thread at a time (several
// planners may share a network).
class Planner {
 public:
  explicit Planner(const Network& network);
  ~Planner();
  Planner(const Planner&) = delete;
  Planner& operator=(const Planner&) = delete;

  // The Pareto-optimal journeys in order of departure, then arrival, then changes: none listed
  // departs earlier, arrives later and changes at least as often as another. Empty when
  // CheckRequest refuses the request or either side names no known station.
  [[nodiscard]] std::vector<Journey> Find(const Request& request);
  // Bytes of the working arrays kept between calls.
  [[nodiscard]] std::size_t MemoryBytes() const;

 private:
  struct Scratch;
  const Network& network_;
  std::unique_ptr<Scratch> scratch_;
};

// Planner(network).Find(request) for a single request.
[[nodiscard]] std::vector<Journey> FindJourneys(const Network& network, const Request& request);

// ---- What is listed -------------------------------------------------------------------------

// Minutes beyond 1.5 times the fastest journey that a listed journey may take.
inline constexpr std::int32_t kSlowJourneyMargin = 180;

// The journeys a traveller would consider, in their order: none that takes longer than 1.5
// times the fastest of them plus kSlowJourneyMargin (a 58-hour detour beside 26-hour trips).
[[nodiscard]] std::vector<Journey> WithoutSlowJourneys(std::vector<Journey> journeys);

// Every train from the departure set to the arrival set leaving in the request's window, one
// journey each (boarding at its first stop of the departure set, alighting at its last of the
// arrival set), in order of departure then arrival: direct trains that a faster or later one
// dominates too. The change limits play no part. Empty when CheckRequest refuses the request.
[[nodiscard]] std::vector<Journey> DirectJourneys(const Network& network, const Request& request);

// ---- Sorting -------------------------------------------------------------------------------

enum class SortKey { Depart, Arrive, Duration, Changes };

// The key of a column caption: "出发", "到达", "历时", "换乘"; nothing for any other text.
[[nodiscard]] std::optional<SortKey> SortKeyFromCaption(std::string_view caption);

// Orders journeys by the key (ascending unless descending); equal keys keep the planner's
// order (departure, arrival, changes).
void SortJourneys(std::vector<Journey>& journeys, SortKey key, bool descending = false);

}  // namespace lanzhou::journey
