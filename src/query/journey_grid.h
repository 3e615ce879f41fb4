#pragma once
// The journey window as data: the conditions typed into it and their checks, the journey list
// (one row per journey, sortable by its header labels) and the legs of the chosen journey as
// rows of the main result grid, so the detail window opens on a leg as on a result row.
#include <array>
#include <chrono>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/timetable_store.h"
#include "journey/journey.h"
#include "query/input_checks.h"
#include "query/query_state.h"
#include "query/show_results.h"
#include "query/sort_grid.h"
#include "query/string_grid.h"
#include "timetable/train_class.h"

namespace lanzhou::query {

// Shown columns: 出发, 发站, 到达, 到站, 历时, 换乘, 车次, 换乘站, 等候, 参考票价.
inline constexpr int kJourneyColumns = 10;
// A column after the shown ones holds the journey's number, so a row finds its journey however
// the rows were sorted.
inline constexpr int kJourneyIndexColumn = kJourneyColumns;
inline constexpr int kJourneyMinRows = 14;
// The legs grid shows at most three legs; one more blank row keeps the result grid's look.
inline constexpr int kLegMinRows = 4;

// The departure window's ends as the boxes show them at first: the whole day.
inline constexpr const char* kJourneyWholeDayFrom = "00:00";
inline constexpr const char* kJourneyWholeDayTo = "23:59";
// Upper ends of the minute boxes: a change of a day at most, a wait of a week at most.
inline constexpr int kJourneyMaxChangeMinutes = 1440;
inline constexpr int kJourneyMaxWaitMinutes = 10080;

// Names of the boxes a condition message sends the focus to.
inline constexpr std::string_view kETAfter = "ETAfter";
inline constexpr std::string_view kETBefore = "ETBefore";

// The window's conditions as typed.
struct JourneyConditions {
  std::string after = kJourneyWholeDayFrom;  // "H:MM" or "HH:MM"
  std::string before = kJourneyWholeDayTo;
  int max_changes = 2;
  int min_change = 30;       // minutes, same station
  int min_change_city = 90;  // minutes, another station of the city
  int max_wait = 720;        // minutes; 0 = no limit
  // The day of the first departure; nothing: every train runs every day.
  std::optional<std::chrono::sys_days> date;
  // The 车型 boxes: bits 1 << timetable::TrainGroup of the trains a journey may use.
  unsigned train_groups = timetable::kAllTrainGroups;
  bool all = false;          // 显示全部: every Pareto journey, the slow ones too
};

// GoOn, or the message for the first condition at fault and the box that gets the focus: a
// departure time that is not a time of day, or a window whose start lies after its end.
[[nodiscard]] InputCheck CheckJourneyConditions(const JourneyConditions& conditions);

// The journeys between the two texts under checked conditions, in the planner's order; every
// leg's train is of a group the conditions allow (none when they allow no group); unless
// conditions.all, without those a traveller would not consider (journey::WithoutSlowJourneys).
// Reads KMSM (its cursor moves).
[[nodiscard]] std::vector<journey::Journey> FindJourneys(const journey::Network& network,
                                                         data::TimetableStore& tables,
                                                         std::string_view from_text,
                                                         std::string_view to_text,
                                                         const JourneyConditions& conditions);

// 显示全部直达车次: every direct train between the two texts leaving in the window
// (journey::DirectJourneys), the dominated ones too. Reads KMSM (its cursor moves).
[[nodiscard]] std::vector<journey::Journey> FindDirectJourneys(
    const journey::Network& network, data::TimetableStore& tables, std::string_view from_text,
    std::string_view to_text, const JourneyConditions& conditions);

// Header labels Lab1..Lab10 and how each column sorts.
[[nodiscard]] HeaderSort JourneyHeaders();

// The ten cells of a journey's row: departure "07:05" and its station "西安北"; arrival
// "06:10+1天" (a marker from the first day on) and its station; total time "23:05"; changes;
// the trains "K1043 → G1202"; the change stations, "郑州" or "北京西→北京南（同城换站）",
// several joined by "、" ("-" without a change); each change's wait, joined by "、" in the same
// order ("00:40、01:10"; "-" without a change); the hard-seat fare in total ("-" unless every
// leg has one).
[[nodiscard]] std::array<std::string, kJourneyColumns> JourneyCells(
    const journey::Journey& journey);

// The legs of a journey as the printed list writes them under its row, one line each:
// "第2程 G11 郑州 11:40 → 厦门 20:00，历时 08:20，等候 00:40" (the wait before boarding, on the
// legs after a change; "，同城换站" where it boards at another station of the city).
[[nodiscard]] std::vector<std::string> JourneyLegLines(const journey::Journey& journey);

struct JourneyList {
  StringGrid Grid{kJourneyColumns + 1, kJourneyMinRows};
  HeaderSort Headers = JourneyHeaders();
  std::vector<journey::Journey> Journeys;  // in the planner's order; rows point into it
  int Count = 0;                           // rows that hold a journey
};

// Replaces the listed journeys: rows 0 .. Count - 1 (the grid grows past its blank rows when
// needed, and shrinks back), no row selected, sorted by the marked column; a list never sorted
// before is sorted by 出发 ascending (its header then reads "出发↑").
void FillJourneyList(JourneyList& list, std::vector<journey::Journey> journeys);
// A click on header label column (0-based): nothing while no journey is listed; otherwise
// moves or flips the mark and sorts the listed rows.
void JourneyHeaderClick(JourneyList& list, int column);
// The journey shown in a row; nullptr for a blank row or one outside the grid.
[[nodiscard]] const journey::Journey* JourneyAtRow(const JourneyList& list, int row);

// The legs of the chosen journey as result rows (State.ResultList, one per leg) and as the
// result grid shows them (Grid, 15 columns), so ShowTrainDetail opens on a leg's row.
struct JourneyLegs {
  QueryState State;
  StringGrid Grid{kResultColumns, kLegMinRows};
};

// Empties the legs grid (kLegMinRows blank rows, no row selected).
void ClearJourneyLegs(JourneyLegs& legs);
// Lists the legs of a journey: each leg's train fields from KMList and its two stops from
// KMTrain, with section, running time and fares as the station query gives them. A leg whose
// train or stops the tables do not hold is left out. Moves the cursors of KMTrain and KMList.
void FillJourneyLegs(data::TimetableStore& tables, const journey::Journey& journey,
                     JourneyLegs& legs);
// Text colour of a leg row as the result grid colours it: red where the train starts at the
// boarding station, else blue for a leg boarded at a change, else normal.
[[nodiscard]] RowColour LegRowColour(const JourneyLegs& legs, int row);

}  // namespace lanzhou::query
