#pragma once
// The four timetables, their readers and ready flags, and the two loader threads that fill them
// from the packed resources at start-up.
//
//   TThreadLoad1: CALENDAR -> calendar, STRAIN -> KMTrain (working index SIDNo)
//   TThreadLoad:  SPY -> KMPy (load order), then SList -> KMList (SID), then SM -> KMSM (SStation)
//
// A table may be read only once its ready flag is set; after that nothing writes it again. A
// loader that meets any error stops there: that table and the later ones of the same thread stay
// not ready, silently.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include "data/calendar.h"
#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/resource_registry.h"

namespace lanzhou::data {

// Readiness notices. They run on the loader thread, after the table's ready flag is set; a window
// forwards them to its own thread. A notice that throws ends its loader like a failed load.
struct LoadNotices {
  std::function<void()> on_py_ready;     // KMPy loaded: the station boxes may be enabled
  std::function<void()> on_train_ready;  // KMTrain loaded: the query buttons may be enabled
  // Both loaders have ended, loaded or failed; runs once, on the loader that ends last. A window
  // that opened a timetable file learns here whether every table of it stands (AllReady).
  std::function<void()> on_finished;
};

class TimetableStore {
 public:
  // Resources "STrain", "SList", "SM", "SPY" are taken from `registry`, which must outlive the
  // store.
  explicit TimetableStore(const ResourceRegistry& registry);
  // Asks the loaders to stop after the table in hand and joins them.
  ~TimetableStore();
  TimetableStore(const TimetableStore&) = delete;
  TimetableStore& operator=(const TimetableStore&) = delete;

  // Starts TThreadLoad1, then TThreadLoad, and returns at once. Once per store (std::logic_error
  // on a second call).
  void StartLoading(LoadNotices notices = {});
  // Blocks until both loaders have ended, loaded or failed; returns at once if never started.
  // Not to be called from a notice (it runs on a loader thread).
  void WaitUntilLoaded();
  // True when all four flags are set.
  [[nodiscard]] bool AllReady() const;

  MemTable KMTrain;       // stops, by train number then stop number
  MemTable KMList;        // one row per train
  MemTable KMSM;          // station groups
  MemTable KMPy;          // station initials, in load order
  // Running days of the trains (resource "CALENDAR", optional: without it every train runs
  // every day). Loaded by TThreadLoad1 before KMTrain, so it stands whenever KMTrainReady does.
  Calendar calendar;
  CsvTableFormat sfCSV;   // reader of TThreadLoad
  CsvTableFormat sfCSV1;  // reader of TThreadLoad1

  // Written only by the loaders; readers test them before touching a table.
  std::atomic<bool> KMTrainReady{false};
  std::atomic<bool> KMListReady{false};
  std::atomic<bool> KMSMReady{false};
  std::atomic<bool> KMPyReady{false};

 private:
  void TThreadLoad(std::stop_token stop);
  void TThreadLoad1(std::stop_token stop);
  using LoaderBody = void (TimetableStore::*)(std::stop_token);
  // Starts one loader thread running body; it was counted running by StartLoading.
  void Start(std::jthread& thread, LoaderBody body);
  // Uncounts loaders whose threads could not be started.
  void NotStarted(int loaders);
  // Runs one loader body; any exception ends it silently; counts it finished either way.
  void RunLoader(LoaderBody body, std::stop_token stop);

  const ResourceRegistry& registry_;
  LoadNotices notices_;
  std::mutex mutex_;
  std::condition_variable finished_;
  int loaders_running_ = 0;
  bool finishing_ = false;  // the last loader is running on_finished
  bool started_ = false;
  // Last members: destroyed (stopped and joined) before everything the loaders touch.
  std::jthread thread_load1_;
  std::jthread thread_load_;
};

}  // namespace lanzhou::data
