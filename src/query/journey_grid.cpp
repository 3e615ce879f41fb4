#include "query/journey_grid.h"

#include <optional>
#include <utility>

#include "query/station_match.h"
#include "query/through_query.h"
#include "timetable/times.h"

namespace lanzhou::query {
namespace {

constexpr std::string_view kNoValue = timetable::kUnknownValue;

QueryMessage ConditionMessage(std::string text, std::string_view focus) {
  QueryMessage message;
  message.text = std::move(text);
  message.caption = std::string(kApplicationTitle);
  message.focus = std::string(focus);
  return message;
}

InputCheck Refuse(std::string text, std::string_view focus) {
  return {CheckVerdict::ShowMessage, ConditionMessage(std::move(text), focus)};
}

// "郑州", or "北京西→北京南（同城换站）" where the next train leaves from another station.
std::string ChangeText(const journey::Leg& arriving, const journey::Leg& leaving) {
  if (!leaving.station_change) return arriving.to;
  return arriving.to + "→" + leaving.from + "（同城换站）";
}

}  // namespace

InputCheck CheckJourneyConditions(const JourneyConditions& conditions) {
  const int after = timetable::ClockMinutes(conditions.after);
  if (after < 0) {
    return Refuse("出发时间的起点请按“时:分”填写，例如 07:30。", kETAfter);
  }
  const int before = timetable::ClockMinutes(conditions.before);
  if (before < 0) {
    return Refuse("出发时间的终点请按“时:分”填写，例如 21:00。", kETBefore);
  }
  if (after > before) {
    return Refuse("出发时间的起点晚于终点，请重新填写。", kETAfter);
  }
  return {};
}

namespace {

// Empty when the conditions allow no train at all.
std::optional<journey::Request> RequestOf(const journey::Network& network,
                                          data::TimetableStore& tables,
                                          std::string_view from_text, std::string_view to_text,
                                          const JourneyConditions& conditions) {
  journey::Request request;
  journey::SetEndpoints(tables.KMSM, TrimBlanks(from_text), TrimBlanks(to_text), request);
  request.after = timetable::ClockMinutes(conditions.after);
  request.before = timetable::ClockMinutes(conditions.before);
  request.max_changes = conditions.max_changes;
  request.min_change = conditions.min_change;
  request.min_change_city = conditions.min_change_city;
  request.max_wait = conditions.max_wait;
  request.date = conditions.date;
  if ((conditions.train_groups & timetable::kAllTrainGroups) != timetable::kAllTrainGroups) {
    request.allowed_trains.resize(network.train_ids.size());
    for (std::size_t t = 0; t < network.train_ids.size(); ++t) {
      const auto group = static_cast<unsigned>(timetable::TrainGroupOf(network.train_ids[t]));
      request.allowed_trains[t] = (conditions.train_groups >> group) & 1u;
    }
    // No train allowed at all is still a restriction, not "every train".
    if (request.allowed_trains.empty()) return std::nullopt;
  }
  return request;
}

}  // namespace

std::vector<journey::Journey> FindJourneys(const journey::Network& network,
                                           data::TimetableStore& tables,
                                           std::string_view from_text, std::string_view to_text,
                                           const JourneyConditions& conditions) {
  const auto request = RequestOf(network, tables, from_text, to_text, conditions);
  if (!request) return {};
  auto journeys = journey::FindJourneys(network, *request);
  if (conditions.all) return journeys;
  return journey::WithoutSlowJourneys(std::move(journeys));
}

std::vector<journey::Journey> FindDirectJourneys(const journey::Network& network,
                                                 data::TimetableStore& tables,
                                                 std::string_view from_text,
                                                 std::string_view to_text,
                                                 const JourneyConditions& conditions) {
  const auto request = RequestOf(network, tables, from_text, to_text, conditions);
  if (!request) return {};
  return journey::DirectJourneys(network, *request);
}

HeaderSort JourneyHeaders() {
  return HeaderSort({{"出发", SortKey::DayTime},
                     {"发站", SortKey::Text},
                     {"到达", SortKey::DayTime},
                     {"到站", SortKey::Text},
                     {"历时", SortKey::Minutes},
                     {"换乘", SortKey::Number},
                     {"车次", SortKey::Text},
                     {"换乘站", SortKey::Text},
                     {"等候", SortKey::Minutes},
                     {"参考票价", SortKey::Number}});
}

std::array<std::string, kJourneyColumns> JourneyCells(const journey::Journey& journey) {
  std::string arrive =
      journey::ClockText(journey.Arrive()) + timetable::DayMarker(journey::DayOf(journey.Arrive()));
  std::string stations;
  std::string waits;
  for (std::size_t i = 1; i < journey.legs.size(); ++i) {
    if (!stations.empty()) stations += "、";
    stations += ChangeText(journey.legs[i - 1], journey.legs[i]);
    if (!waits.empty()) waits += "、";
    waits += journey::DurationText(journey.legs[i].wait);
  }
  const bool through = journey.legs.size() < 2;
  return {journey::ClockText(journey.Depart()),
          journey.legs.front().from,
          std::move(arrive),
          journey.legs.back().to,
          journey::DurationText(journey.Minutes()),
          std::to_string(journey.Changes()),
          journey::TrainChainText(journey),
          through ? std::string(kNoValue) : std::move(stations),
          through ? std::string(kNoValue) : std::move(waits),
          journey.fare.empty() ? std::string(kNoValue) : journey.fare};
}

std::vector<std::string> JourneyLegLines(const journey::Journey& journey) {
  const auto clock = [](std::int32_t minutes) {
    std::string text = journey::ClockText(minutes);
    if (const int day = journey::DayOf(minutes); day > 0) text += "+" + std::to_string(day) + "天";
    return text;
  };
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < journey.legs.size(); ++i) {
    const journey::Leg& leg = journey.legs[i];
    std::string line = "第" + std::to_string(i + 1) + "程 " + leg.train_id + " " + leg.from + " " +
                       clock(leg.depart) + " → " + leg.to + " " + clock(leg.arrive) + "，历时 " +
                       journey::DurationText(leg.arrive - leg.depart);
    if (i > 0) {
      line += "，等候 " + journey::DurationText(leg.wait);
      if (leg.station_change) line += "，同城换站";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

void FillJourneyList(JourneyList& list, std::vector<journey::Journey> journeys) {
  list.Journeys = std::move(journeys);
  list.Count = static_cast<int>(list.Journeys.size());
  StringGrid& grid = list.Grid;
  grid.SetRowCount(0);
  grid.SetRowCount(std::max(list.Count, kJourneyMinRows));
  for (int r = 0; r < list.Count; ++r) {
    const auto cells = JourneyCells(list.Journeys[static_cast<std::size_t>(r)]);
    for (int c = 0; c < kJourneyColumns; ++c) {
      grid.SetCell(c, r, cells[static_cast<std::size_t>(c)]);
    }
    grid.SetCell(kJourneyIndexColumn, r, std::to_string(r));
  }
  ClearGridSelection(grid);
  if (list.Headers.MarkedColumn() < 0) {
    if (list.Count > 0) list.Headers.Click(grid, 0, list.Count);
  } else {
    list.Headers.Reapply(grid, list.Count);
  }
}

void JourneyHeaderClick(JourneyList& list, int column) {
  if (list.Count == 0) return;
  list.Headers.Click(list.Grid, column, list.Count);
}

const journey::Journey* JourneyAtRow(const JourneyList& list, int row) {
  if (row < 0 || row >= list.Count || list.Grid.IsBlankRow(row)) return nullptr;
  const int index = timetable::TextToIntOrZero(list.Grid.Cell(kJourneyIndexColumn, row));
  if (index < 0 || index >= static_cast<int>(list.Journeys.size())) return nullptr;
  return &list.Journeys[static_cast<std::size_t>(index)];
}

void ClearJourneyLegs(JourneyLegs& legs) {
  legs.State.ResultList.clear();
  legs.Grid.SetRowCount(0);
  legs.Grid.SetRowCount(kLegMinRows);
  ClearGridSelection(legs.Grid);
}

void FillJourneyLegs(data::TimetableStore& tables, const journey::Journey& journey,
                     JourneyLegs& legs) {
  ClearJourneyLegs(legs);
  legs.State.QueryKind = StationToStation;
  data::MemTable& KMTrain = tables.KMTrain;
  const StopColumns columns(KMTrain);
  for (const journey::Leg& leg : journey.legs) {
    TPub_GridResult row;
    if (!KMTrain.Locate("ID", leg.train_id)) continue;
    bool boarded = false;
    bool alighted = false;
    // The train's stops follow one another in stop-number order from its first one; the walk
    // goes on to the last for the row's terminal.
    for (; !KMTrain.Eof() && KMTrain.TextAt(columns.ID) == leg.train_id; KMTrain.Next()) {
      const StopView stop = ReadStop(KMTrain, columns);
      row.LastNo = stop.S_No;
      if (stop.S_No == leg.from_no) {
        SetBoardingStop(row, stop);
        boarded = true;
      } else if (stop.S_No == leg.to_no && boarded) {
        SetAlightingStop(row, stop);
        alighted = true;
      }
    }
    if (!alighted || !FillTrainFields(tables.KMList, leg.train_id, row)) continue;
    CompleteSection(row);
    legs.State.ResultList.push_back(std::move(row));
  }
  const int count = static_cast<int>(legs.State.ResultList.size());
  legs.Grid.SetRowCount(std::max(count, kLegMinRows));
  for (int r = 0; r < count; ++r) {
    WriteResultRow(legs.Grid, r, legs.State.ResultList[static_cast<std::size_t>(r)]);
  }
  legs.State.VisibleCount = count;
}

RowColour LegRowColour(const JourneyLegs& legs, int row) {
  if (legs.Grid.IsBlankRow(row)) return RowColour::Normal;
  // Every leg after the first boards where the traveller changed, as a transfer's second leg.
  const std::string_view changed_at = row > 0 ? std::string_view(legs.Grid.Cell(4, row)) : "";
  return SGridRowColour(legs.Grid, row, changed_at);
}

}  // namespace lanzhou::query
