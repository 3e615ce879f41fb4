#include "query/transfer_search.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <unordered_map>
#include <utility>

#include "query/station_match.h"
#include "text/gbk.h"
#include "timetable/times.h"

namespace lanzhou::query {
namespace {

// Both passes start with room for this many legs and grow beyond it when needed.
constexpr std::size_t kLegReserve = 5000;

TPub_GridResult MakeLeg(std::string_view train_id, const StopView& boarding,
                        const StopView& alighting) {
  TPub_GridResult leg;
  leg.TrainId = train_id;
  SetBoardingStop(leg, boarding);
  SetAlightingStop(leg, alighting);
  return leg;
}

// Forward: each train boards at its first stop of the departure set, and every later stop,
// whatever set it is in, ends one leg.
// Whether a leg's train calls at its boarding stop on one of the days a leg of the journey may
// leave; always true without a date.
using RunsFilter = std::function<bool(std::string_view train_id, int stop_no)>;

void CollectFromLegs(data::MemTable& KMTrain, bool exact_mode, const TPub_FZStruct& from_spec,
                     const RunsFilter& runs, std::vector<TPub_GridResult>& legs) {
  legs.clear();
  legs.reserve(kLegReserve);
  const StopColumns columns(KMTrain);
  const StationSet from_set(exact_mode, from_spec);
  std::optional<std::string_view> train_id;
  std::optional<StopView> boarding;
  // The train's legs so far; its terminal is known once the next train begins.
  std::size_t train_begin = 0;
  std::int32_t last_no = 0;
  std::optional<std::string_view> train_id_skipped;
  const auto settle_terminal = [&] {
    for (std::size_t i = train_begin; i < legs.size(); ++i) legs[i].LastNo = last_no;
    train_begin = legs.size();
  };
  for (KMTrain.First(); !KMTrain.Eof(); KMTrain.Next()) {
    const std::string_view id = KMTrain.TextAt(columns.ID);
    if (id != train_id) {
      settle_terminal();
      train_id = id;
      boarding.reset();
    }
    last_no = static_cast<std::int32_t>(KMTrain.IntAt(columns.S_No));
    if (!boarding) {
      if (from_set.Contains(KMTrain.TextAt(columns.Station))) {
        boarding = ReadStop(KMTrain, columns);
        // A train that does not call there that day gives no first leg; nor does a later stop
        // of the departure set (its first one decides, as without dates).
        if (!runs(id, boarding->S_No)) train_id_skipped = id;
      }
      continue;
    }
    if (train_id_skipped == id) continue;
    const StopView stop = ReadStop(KMTrain, columns);
    legs.push_back(MakeLeg(stop.ID, *boarding, stop));
  }
  settle_terminal();
}

// Backward: each train alights at its last stop of the arrival set, and every earlier stop,
// nearest first, begins one leg.
void CollectToLegs(data::MemTable& KMTrain, bool exact_mode, const TPub_DZStruct& to_spec,
                   const RunsFilter& runs, std::vector<TPub_GridResult>& legs) {
  legs.clear();
  legs.reserve(kLegReserve);
  const StopColumns columns(KMTrain);
  const StationSet to_set(exact_mode, to_spec);
  std::optional<std::string_view> train_id;
  std::optional<StopView> alighting;
  std::int32_t last_no = 0;  // the train's last stop, met first on the way back
  for (KMTrain.Last(); !KMTrain.Bof(); KMTrain.Prior()) {
    const std::string_view id = KMTrain.TextAt(columns.ID);
    if (id != train_id) {
      train_id = id;
      alighting.reset();
      last_no = static_cast<std::int32_t>(KMTrain.IntAt(columns.S_No));
    }
    if (!alighting) {
      if (to_set.Contains(KMTrain.TextAt(columns.Station))) {
        alighting = ReadStop(KMTrain, columns);
      }
      continue;
    }
    const StopView stop = ReadStop(KMTrain, columns);
    if (!runs(stop.ID, stop.S_No)) continue;
    legs.push_back(MakeLeg(stop.ID, stop, *alighting));
    legs.back().LastNo = last_no;
  }
}

}  // namespace

bool FindTransfers(data::TimetableStore& tables, QueryState& state, std::string_view from_text,
                   std::string_view to_text) {
  if (!tables.KMTrainReady || !tables.KMListReady || !tables.KMSMReady) return false;
  state.QueryKind = StationToStation;
  state.TransferStation.clear();
  state.ResultList.clear();
  const bool exact_mode =
      ResolveStationPair(from_text, to_text, tables.KMSM, state.FromSpec, state.ToSpec);
  // With a date: first legs leave on it, second legs on it or the next day (a change may run
  // past midnight). The train's version is looked up once per train.
  const data::Calendar& calendar = tables.calendar;
  std::string_view cached_id;
  int cached_version = data::Calendar::kUnknown;
  const auto calls = [&](std::string_view id, int stop_no, int days_later) {
    if (!state.Date) return true;
    if (id != cached_id) {
      cached_id = id;
      cached_version = calendar.Find(id);
    }
    for (int d = 0; d <= days_later; ++d) {
      if (calendar.CallsAt(cached_version, stop_no, *state.Date + std::chrono::days{d})) return true;
    }
    return false;
  };
  CollectFromLegs(tables.KMTrain, exact_mode, state.FromSpec,
                  [&](std::string_view id, int stop_no) { return calls(id, stop_no, 0); },
                  state.FromLegs);
  CollectToLegs(tables.KMTrain, exact_mode, state.ToSpec,
                [&](std::string_view id, int stop_no) { return calls(id, stop_no, 1); },
                state.ToLegs);
  BuildTransferCandidates(state);
  return true;
}

void BuildTransferCandidates(QueryState& state) {
  std::vector<TPub_ZZStruct>& candidates = state.TransferCandidates;
  candidates.clear();
  // Name -> position: the same first match as a linear search, without its quadratic cost.
  std::unordered_map<std::string, std::size_t> position;
  for (const TPub_GridResult& leg : state.FromLegs) {
    const auto [it, inserted] = position.try_emplace(leg.ToStation, candidates.size());
    if (!inserted) {
      ++candidates[it->second].FromTrains;
      continue;
    }
    TPub_ZZStruct candidate;
    candidate.Name = leg.ToStation;
    candidate.FirstDistance = leg.ToDistance - leg.FromDistance;
    candidate.FirstTime = timetable::DurationText(SectionMinutes(leg));
    candidate.FromTrains = 1;
    candidates.push_back(std::move(candidate));
  }
  // Every match overwrites the second-leg values: the last entry of the backward pass, which is
  // the first train in train-number order, is the one that stays.
  for (const TPub_GridResult& leg : state.ToLegs) {
    const auto it = position.find(leg.FromStation);
    if (it == position.end()) continue;
    TPub_ZZStruct& candidate = candidates[it->second];
    candidate.SecondDistance = leg.ToDistance - leg.FromDistance;
    candidate.TotalDistance = candidate.FirstDistance + candidate.SecondDistance;
    candidate.SecondTime = timetable::DurationText(SectionMinutes(leg));
    candidate.TotalTime =
        timetable::DurationText(timetable::ElapsedToMinutes(candidate.FirstTime) +
                                timetable::ElapsedToMinutes(candidate.SecondTime));
    ++candidate.ToTrains;
  }
}

TransferChooserList ListTransferCandidates(const QueryState& state) {
  TransferChooserList list;
  for (const TPub_ZZStruct& candidate : state.TransferCandidates) {
    // The typed names themselves are never offered, whatever the mode; other stations of their
    // groups may be.
    if (candidate.ToTrains > 0 && candidate.Name != state.FromSpec.Name &&
        candidate.Name != state.ToSpec.Name) {
      list.Listed.push_back(candidate);
    }
  }
  std::stable_sort(list.Listed.begin(), list.Listed.end(),
                   [](const TPub_ZZStruct& a, const TPub_ZZStruct& b) {
                     return text::CompareGbk(a.Name, b.Name) < 0;
                   });
  list.CandidateCount = static_cast<int>(list.Listed.size());
  return list;
}

bool ShowTransferLegs(data::TimetableStore& tables, QueryState& state, std::string_view station) {
  if (!tables.KMListReady) return false;
  state.QueryKind = StationToStation;
  state.TransferStation = station;
  state.ResultList.clear();
  const auto add_leg = [&](const TPub_GridResult& leg) {
    TPub_GridResult row = leg;
    if (!FillTrainFields(tables.KMList, leg.TrainId, row)) return;
    CompleteSection(row);
    state.ResultList.push_back(std::move(row));
  };
  for (const TPub_GridResult& leg : state.FromLegs) {
    if (leg.ToStation == station) add_leg(leg);
  }
  for (const TPub_GridResult& leg : state.ToLegs) {
    if (leg.FromStation == station) add_leg(leg);
  }
  return true;
}

TripCities TransferTripCities(std::string_view from_text, std::string_view to_text) {
  return TripCities{std::string(from_text), std::string(to_text)};
}

}  // namespace lanzhou::query
