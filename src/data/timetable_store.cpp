#include "data/timetable_store.h"

#include <stdexcept>

#include "system/heap.h"

namespace lanzhou::data {

TimetableStore::TimetableStore(const ResourceRegistry& registry) : registry_(registry) {}

TimetableStore::~TimetableStore() {
  // Explicit so the loaders are joined before any member goes, whatever the declaration order.
  if (thread_load_.joinable()) {
    thread_load_.request_stop();
    thread_load_.join();
  }
  if (thread_load1_.joinable()) {
    thread_load1_.request_stop();
    thread_load1_.join();
  }
}

void TimetableStore::StartLoading(LoadNotices notices) {
  {
    std::lock_guard lock(mutex_);
    if (started_) throw std::logic_error("TimetableStore::StartLoading called twice");
    started_ = true;
    // Both counted before either runs, so the first to end cannot take itself for the last.
    loaders_running_ = 2;
  }
  notices_ = std::move(notices);
  try {
    Start(thread_load1_, &TimetableStore::TThreadLoad1);
  } catch (...) {
    NotStarted(2);
    throw;
  }
  try {
    Start(thread_load_, &TimetableStore::TThreadLoad);
  } catch (...) {
    NotStarted(1);
    throw;
  }
}

void TimetableStore::Start(std::jthread& thread, LoaderBody body) {
  thread = std::jthread([this, body](std::stop_token stop) { RunLoader(body, stop); });
}

void TimetableStore::NotStarted(int loaders) {
  // No thread: nobody would count these loaders finished, so WaitUntilLoaded must not wait.
  std::lock_guard lock(mutex_);
  loaders_running_ -= loaders;
  finished_.notify_all();
}

void TimetableStore::WaitUntilLoaded() {
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return loaders_running_ == 0 && !finishing_; });
}

bool TimetableStore::AllReady() const {
  return KMTrainReady.load() && KMListReady.load() && KMSMReady.load() && KMPyReady.load();
}

void TimetableStore::RunLoader(LoaderBody body, std::stop_token stop) {
  system::AdviseHugePagesForThreadHeap();  // the tables are built in this thread's heap
  try {
    (this->*body)(stop);
  } catch (...) {
    // A failed load ends its thread silently; its flags stay false.
  }
  bool last = false;
  {
    std::lock_guard lock(mutex_);
    last = --loaders_running_ == 0;
    // WaitUntilLoaded returns only after the notice has run.
    if (last) finishing_ = true;
  }
  if (last && notices_.on_finished) {
    try {
      notices_.on_finished();
    } catch (...) {
      // Nothing is left to end; the flags already say what stands.
    }
  }
  std::lock_guard lock(mutex_);
  if (last) finishing_ = false;
  finished_.notify_all();
}

void TimetableStore::TThreadLoad(std::stop_token stop) {
  KMPyReady = false;
  LoadPackedTable(registry_, "SPY", KMPy, sfCSV);
  // KMPy keeps its load order: completion lists stations in the order of the text.
  KMPyReady = true;
  if (notices_.on_py_ready) notices_.on_py_ready();

  if (stop.stop_requested()) return;
  KMListReady = false;
  LoadPackedTable(registry_, "SList", KMList, sfCSV);
  KMList.SetIndexName("SID");
  KMListReady = true;

  if (stop.stop_requested()) return;
  KMSMReady = false;
  LoadPackedTable(registry_, "SM", KMSM, sfCSV);
  KMSM.SetIndexName("SStation");
  KMSMReady = true;
}

void TimetableStore::TThreadLoad1(std::stop_token /*stop*/) {
  KMTrainReady = false;
  // An empty calendar text: a timetable without running days.
  if (registry_.Find("CALENDAR", kResourceTypeMe)) {
    const std::string text = ReadPackedResource(registry_, "CALENDAR");
    if (!text.empty()) calendar = Calendar::Parse(text);
  }
  LoadPackedTable(registry_, "STrain", KMTrain, sfCSV1);
  KMTrain.SetIndexName("SIDNo");
  // Flag before notice: whoever acts on the notice (a query button enabled by it) must find the
  // table ready, whatever the order in which the threads run.
  KMTrainReady = true;
  if (notices_.on_train_ready) notices_.on_train_ready();
}

}  // namespace lanzhou::data
