// The four timetables built from fuzzed table texts, then every query kind run on them: through
// trains, train number, station timetable, transfer (chooser and the legs through each listed
// station), the detail of shown rows, fares (part of every row), filters and every sort column,
// and the journeys planner.
//
// Input: the texts of SPY, SLIST, SM and STRAIN in that order, separated by a line "@@@@"; what
// follows a fifth separator picks the query texts. A table that fails to load stays not ready,
// as in the window, and the queries that need it do nothing. Seeds (corpus/timetable_queries/)
// are the test fixtures' tables joined so, with their real schemas.
//
// Beyond crashes and sanitizer reports, the fuzzer aborts on numbers no timetable can produce:
// a stop count, distance or stop number beyond the loaded ranges (a wrapped sum), or a computed
// cell (stops, km, fares, speeds, counts) that reads as an integer of more than seven digits.
// Texts copied from the tables (train numbers, names, times) may be any digits and are not
// checked: the first run flagged a train numbered with eight digits.
//
// Every query on any accepted table is bounded: each one (with showing, sorting and filtering
// its answer) must take at most 1 s of processor time and grow the heap by at most 100 MB at its peak, measured
// through the sanitizer allocator's hooks, or the fuzzer aborts.
#include <sanitizer/allocator_interface.h>

#include <time.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/resource_registry.h"
#include "data/timetable_schema.h"
#include "data/timetable_store.h"
#include "journey/journey.h"
#include "journey/network.h"
#include "query/chooser_grid.h"
#include "query/show_results.h"
#include "query/station_query.h"
#include "query/through_query.h"
#include "query/train_detail.h"
#include "query/train_number_query.h"
#include "query/transfer_search.h"
#include "text/ascii.h"

namespace {

namespace data = lanzhou::data;
namespace journey = lanzhou::journey;
namespace query = lanzhou::query;

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// The most the heap held since the last reset (the allocator calls OnMalloc on every allocation).
std::size_t peak_heap = 0;
void OnMalloc(const volatile void*, std::size_t) {
  const std::size_t now = __sanitizer_get_current_allocated_bytes();
  if (now > peak_heap) peak_heap = now;
}
void OnFree(const volatile void*) {}

// The processor time of this thread: a fuzzer that shares its core is not charged for waiting.
std::chrono::nanoseconds ThreadTime() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

// Runs one query (and what is done with its answer) within the bounds every query keeps.
template <class F>
void Bounded(F&& query) {
  constexpr auto kMaxTime = std::chrono::seconds(1);
  constexpr std::size_t kMaxGrowth = std::size_t{100} << 20;
  const std::size_t before = __sanitizer_get_current_allocated_bytes();
  peak_heap = before;
  const auto start = ThreadTime();
  query();
  Require(ThreadTime() - start <= kMaxTime, "a query took more than 1 s");
  Require(peak_heap - before <= kMaxGrowth, "a query took more than 100 MB");
}

// A shown cell that is a number must be one a timetable can hold.
void CheckCell(const std::string& cell) {
  std::int64_t value = 0;
  if (lanzhou::text::ParseDecimal(cell, value)) {
    Require(value > -10'000'000 && value < 10'000'000, "a cell shows a wrapped number");
  }
}

void CheckRows(const query::QueryState& state) {
  for (const query::TPub_GridResult& row : state.ResultList) {
    Require(row.Stops >= -data::kMaxStopNo && row.Stops <= data::kMaxStopNo, "stop count wraps");
    Require(row.SegDistance >= -data::kMaxDistanceKm && row.SegDistance <= data::kMaxDistanceKm,
            "section distance wraps");
    const auto cells = query::ResultCells(row);
    for (const int c : {8, 9, 11, 12, 13, 14}) {
      const std::string& cell = cells[static_cast<std::size_t>(c)];
      CheckCell(cell.substr(0, cell.find('/')));
    }
  }
}

// Fills the grid, sorts it by every column both ways, flips every filter, and opens the detail
// of each shown row (at most a few).
void ShowEverything(data::TimetableStore& tables, query::QueryState& state,
                    std::string_view station_box) {
  CheckRows(state);
  query::ResultGrid grid;
  query::ClearResultGrid(grid);
  query::ShowResults(state, grid, {}, station_box);
  for (int column = 0; column < query::kResultColumns; ++column) {
    query::Lab1Click(state, grid, column);
    query::Lab1Click(state, grid, column);
  }
  for (int mask = 1; mask < 16; mask <<= 1) {
    const query::ResultFilters filters{(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0,
                                       (mask & 8) != 0};
    query::CBSFClick(state, grid, filters, station_box);
  }
  query::CBSFClick(state, grid, {}, station_box);
  if (!tables.KMTrainReady) return;
  for (int row = 0; row < state.VisibleCount && row < 4; ++row) {
    for (const int c : {8, 9}) CheckCell(grid.SGrid.Cell(c, row));
    const auto detail = query::ShowTrainDetail(tables.KMTrain, state, grid.SGrid, row);
    if (!detail) continue;
    Require(detail->FirstLegStop >= 0 && detail->FirstLegStop <= data::kMaxStopNo,
            "first leg stop out of range");
    Require(detail->LastLegStop >= -data::kMaxStopNo && detail->LastLegStop <= 2 * data::kMaxStopNo,
            "last leg stop wraps");
    for (int r = 0; r < detail->StopCount; ++r) {
      for (const int c : {0, 2, 7}) CheckCell(detail->MGrid.Cell(c, r));
      (void)query::MGridRowColour(*detail, r);
    }
  }
}

// Station names to ask for: a few of each table's, so the queries find something.
std::vector<std::string> StationNames(data::TimetableStore& tables) {
  std::vector<std::string> names;
  auto take = [&](data::MemTable& table, const std::atomic<bool>& ready, std::string_view field) {
    if (!ready) return;
    int n = 0;
    const data::ColumnId column = table.ColumnOf(field);
    for (table.First(); !table.Eof() && n < 3; table.Next(), ++n) {
      names.emplace_back(table.TextAt(column));
    }
    table.Last();
    names.emplace_back(table.TextAt(column));
  };
  take(tables.KMPy, tables.KMPyReady, "Station");
  take(tables.KMSM, tables.KMSMReady, "Station");
  take(tables.KMTrain, tables.KMTrainReady, "Station");
  return names;
}

std::vector<std::string> TrainNumbers(data::TimetableStore& tables) {
  std::vector<std::string> ids;
  if (!tables.KMListReady) return ids;
  const data::ColumnId id = tables.KMList.ColumnOf("ID");
  int n = 0;
  for (tables.KMList.First(); !tables.KMList.Eof() && n < 3; tables.KMList.Next(), ++n) {
    ids.emplace_back(tables.KMList.TextAt(id));
  }
  return ids;
}

// A listed journey must hang together: legs in time order with the waits they claim, and none
// of the list beaten on departure, arrival and changes together by another.
void CheckJourneys(const std::vector<journey::Journey>& journeys, const journey::Request& request) {
  for (const journey::Journey& j : journeys) {
    Require(!j.legs.empty() && j.Changes() <= request.max_changes, "journey has too many legs");
    Require(j.Depart() >= 0 && j.Depart() < journey::kMinutesPerDay, "first departure off day 0");
    std::int32_t last_arrival = j.Depart();
    for (std::size_t i = 0; i < j.legs.size(); ++i) {
      const journey::Leg& leg = j.legs[i];
      Require(leg.depart <= leg.arrive, "leg arrives before it departs");
      // Stops run in order of their numbers; a table may repeat a number, never go back.
      Require(leg.from_no <= leg.to_no, "leg rides backwards");
      Require(i == 0 || leg.depart - last_arrival == leg.wait, "wait differs from the times");
      const std::int32_t least = leg.station_change ? request.min_change_city : request.min_change;
      Require(i == 0 || leg.wait >= least, "change shorter than the minimum");
      Require(i == 0 || request.max_wait == 0 || leg.wait <= request.max_wait, "wait too long");
      Require(leg.distance >= -1 && leg.distance <= data::kMaxDistanceKm, "leg distance wraps");
      CheckCell(leg.fare);
      last_arrival = leg.arrive;
    }
    Require(j.distance >= -1 && j.distance <= 3 * data::kMaxDistanceKm, "journey distance wraps");
    CheckCell(j.fare);
    for (const journey::Journey& other : journeys) {
      const bool dominated = other.Depart() >= j.Depart() && other.Arrive() <= j.Arrive() &&
                             other.Changes() <= j.Changes() &&
                             (other.Depart() > j.Depart() || other.Arrive() < j.Arrive() ||
                              other.Changes() < j.Changes());
      Require(!dominated, "a listed journey is beaten by another");
    }
  }
}

// The journeys planner between the same pairs, with the default limits and with tight ones.
void PlanJourneys(const data::TimetableStore& tables, const std::vector<std::string>& names) {
  const std::optional<journey::Network> network = journey::BuildNetwork(tables);
  if (!network) return;
  journey::Planner planner(*network);
  data::MemTable& sm = const_cast<data::TimetableStore&>(tables).KMSM;
  for (std::size_t i = 0; i < names.size() && i < 4; ++i) {
    journey::Request request;
    journey::SetEndpoints(sm, names[i], names[(i * 5 + 1) % names.size()], request);
    if (i % 2 == 1) {
      request.max_changes = 1;
      request.min_change = 0;
      request.max_wait = 0;
      request.after = 1320;  // a window over midnight
      request.before = 120;
    }
    Bounded([&] { CheckJourneys(planner.Find(request), request); });
  }
}

void RunQueries(data::TimetableStore& tables, std::string_view picks) {
  std::vector<std::string> names = StationNames(tables);
  std::vector<std::string> ids = TrainNumbers(tables);
  // The bytes after the tables add texts of their own, one a line.
  for (std::size_t start = 0; start < picks.size() && names.size() < 12;) {
    const std::size_t end = std::min(picks.find('\n', start), picks.size());
    names.emplace_back(picks.substr(start, end - start));
    ids.emplace_back(picks.substr(start, end - start));
    start = end + 1;
  }
  if (names.empty()) names.emplace_back("北京");
  query::QueryState state;
  for (std::size_t i = 0; i < names.size() && i < 6; ++i) {
    const std::string& from = names[i];
    const std::string& to = names[(i * 7 + 3) % names.size()];
    Bounded([&] {
      if (query::FindThroughTrains(tables, state, from, to)) ShowEverything(tables, state, "");
    });
    Bounded([&] {
      if (query::FindTransfers(tables, state, from, to)) {
        const query::TransferChooserList list = query::ListTransferCandidates(state);
        query::ChooserGrid chooser;
        query::FillChooserGrid(chooser, list.Listed);
        for (int column = 0; column < query::kChooserColumns; ++column) {
          query::Lab1Click(chooser, column);
        }
        for (int row = 0; row < chooser.CandidateCount && row < 3; ++row) {
          const auto pick = query::ZGridClick(chooser, row);
          if (!pick) continue;
          for (const int c : {1, 2, 3, 7, 8}) CheckCell(chooser.ZGrid.Cell(c, row));
          if (query::ShowTransferLegs(tables, state, pick->station)) {
            ShowEverything(tables, state, "");
          }
        }
      }
    });
    Bounded([&] {
      if (query::FindStationTrains(tables, state, from)) ShowEverything(tables, state, from);
    });
  }
  for (const std::string& id : ids) {
    Bounded([&] {
      if (query::FindTrainNumber(tables, state, id)) ShowEverything(tables, state, "");
    });
  }
  PlanJourneys(tables, names);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  constexpr std::string_view kSeparator = "\n@@@@\n";
  std::array<std::string_view, 5> pieces{};
  std::size_t start = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::size_t end =
        i + 1 < pieces.size() ? input.find(kSeparator, start) : std::string_view::npos;
    pieces[i] =
        input.substr(start, end == std::string_view::npos ? input.size() - start : end - start);
    if (end == std::string_view::npos) {
      start = input.size();
    } else {
      start = end + kSeparator.size();
    }
  }

  const data::ResourceRegistry no_resources;
  data::TimetableStore tables(no_resources);
  auto load = [&](std::string_view name, std::string_view text, data::MemTable& table,
                  std::atomic<bool>& ready, std::string_view index) {
    try {
      data::LoadTimetableTable(name, text, table, tables.sfCSV);
      if (!index.empty()) table.SetIndexName(index);
      ready = true;
    } catch (const data::TableError&) {
      ready = false;  // refused text: the table stays not ready, as the loaders leave it
    }
  };
  // The loader threads' order: SPY, SList, SM in one (each needing the one before), STrain alone.
  load("SPY", pieces[0], tables.KMPy, tables.KMPyReady, "");
  if (tables.KMPyReady) load("SList", pieces[1], tables.KMList, tables.KMListReady, "SID");
  if (tables.KMListReady) load("SM", pieces[2], tables.KMSM, tables.KMSMReady, "SStation");
  load("STrain", pieces[3], tables.KMTrain, tables.KMTrainReady, "SIDNo");
  RunQueries(tables, pieces[4]);
  return 0;
}
