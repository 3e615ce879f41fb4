#include "journey/network.h"

#include <algorithm>
#include <numeric>

#include "timetable/times.h"

namespace lanzhou::journey {
namespace {

int Column(const data::MemTable& table, std::string_view name) {
  const int column = table.FindField(name);
  if (column < 0) throw data::FieldNotFound(name);
  return column;
}

// Station numbers by name while building: an open-addressing table, as the station of every
// stop is looked up (45,000 lookups for the sample, 100,000 for the national timetable).
class NameNumbers {
 public:
  explicit NameNumbers(std::size_t expected) {
    std::size_t capacity = 16;
    while (capacity < 2 * expected) capacity *= 2;
    slots_.resize(capacity);
  }
  // The number of a name, adding it with the next number when it is new.
  std::int32_t Number(std::string_view name) {
    const std::uint64_t hash = Hash(name);
    std::size_t i = hash & (slots_.size() - 1);
    for (;; i = (i + 1) & (slots_.size() - 1)) {
      Slot& slot = slots_[i];
      if (slot.number < 0) break;
      if (slot.hash == hash && slot.name == name) return slot.number;
    }
    const auto number = static_cast<std::int32_t>(names_.size());
    slots_[i] = {hash, number, name};
    names_.push_back(name);
    if (2 * names_.size() > slots_.size()) Grow();
    return number;
  }
  // The number of a name, or -1.
  [[nodiscard]] std::int32_t Find(std::string_view name) const {
    const std::uint64_t hash = Hash(name);
    for (std::size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      const Slot& slot = slots_[i];
      if (slot.number < 0) return -1;
      if (slot.hash == hash && slot.name == name) return slot.number;
    }
  }
  [[nodiscard]] const std::vector<std::string_view>& Names() const { return names_; }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::int32_t number = -1;
    std::string_view name;
  };
  static std::uint64_t Hash(std::string_view name) {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (const char c : name) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h ^ (h >> 29);
  }
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.number < 0) continue;
      std::size_t i = slot.hash & (slots_.size() - 1);
      while (slots_[i].number >= 0) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = slot;
    }
  }
  std::vector<Slot> slots_;
  std::vector<std::string_view> names_;
};

std::int32_t DayMinute(std::int32_t minutes) {
  return ((minutes % 1440) + 1440) % 1440;
}

template <class T>
std::size_t Bytes(const std::vector<T>& v) {
  return v.capacity() * sizeof(T);
}

// Counting sort of (station, call) pairs into CSR form.
void BuildStationIndex(std::int32_t station_count, const std::vector<std::int32_t>& keys,
                       const std::vector<NetCall>& items, std::vector<std::int32_t>& begin,
                       std::vector<NetCall>& out) {
  begin.assign(static_cast<std::size_t>(station_count) + 1, 0);
  for (const std::int32_t k : keys) ++begin[static_cast<std::size_t>(k) + 1];
  std::partial_sum(begin.begin(), begin.end(), begin.begin());
  out.resize(items.size());
  std::vector<std::int32_t> fill(begin.begin(), begin.end() - 1);
  for (std::size_t i = 0; i < items.size(); ++i) {
    out[static_cast<std::size_t>(fill[static_cast<std::size_t>(keys[i])]++)] = items[i];
  }
}

}  // namespace

std::optional<std::int32_t> Network::StationNumber(std::string_view name) const {
  const auto it = station_by_name.find(std::string(name));
  if (it == station_by_name.end()) return std::nullopt;
  return it->second;
}

std::size_t Network::MemoryBytes() const {
  std::size_t bytes = Bytes(station_names) + Bytes(station_group) + Bytes(city_peer_begin) +
                      Bytes(city_peers) + Bytes(call_begin) + Bytes(calls) + Bytes(visit_begin) +
                      Bytes(visits) + Bytes(train_stop_begin) + Bytes(stops) + Bytes(train_ids) +
                      Bytes(train_list_record);
  for (const std::string& name : station_names) {
    if (name.capacity() > sizeof(std::string)) bytes += name.capacity() + 1;
  }
  // The name map: a node per station and the bucket array.
  bytes += station_by_name.size() * (sizeof(std::pair<const std::string, std::int32_t>) + 16) +
           station_by_name.bucket_count() * sizeof(void*);
  return bytes;
}

std::optional<Network> BuildNetwork(const data::TimetableStore& tables) {
  if (!tables.KMTrainReady || !tables.KMListReady || !tables.KMSMReady) return std::nullopt;
  const data::MemTable& KMTrain = tables.KMTrain;
  const data::MemTable& KMList = tables.KMList;
  const data::MemTable& KMSM = tables.KMSM;
  Network net;
  net.KMTrain = &KMTrain;
  net.KMList = &KMList;
  const int c_id = Column(KMTrain, "ID"), c_station = Column(KMTrain, "Station"),
            c_a = Column(KMTrain, "A_Time"), c_d = Column(KMTrain, "D_Time"),
            c_r = Column(KMTrain, "R_Date"), c_dist = Column(KMTrain, "Distance");
  net.stop_columns = {Column(KMTrain, "S_No"), Column(KMTrain, "P1"), Column(KMTrain, "P2"),
                      Column(KMTrain, "P3"), Column(KMTrain, "P4")};
  net.train_columns = {Column(KMList, "ID"),           Column(KMList, "NType"),
                       Column(KMList, "StartStation"), Column(KMList, "Distance"),
                       Column(KMList, "P1"),           Column(KMList, "P2"),
                       Column(KMList, "P3"),           Column(KMList, "P4")};
  const int c_sno = net.stop_columns.S_No;

  // Trains of the train list by number.
  const auto list_count = static_cast<std::uint32_t>(KMList.RecordCount());
  std::unordered_map<std::string_view, std::uint32_t> list_record;
  list_record.reserve(list_count);
  for (std::uint32_t r = 0; r < list_count; ++r) {
    list_record.emplace(KMList.TextOfRecord(r, net.train_columns.ID), r);
  }

  // Stop records grouped by train; a train's records usually come together, so the number is
  // looked up once per run of equal numbers.
  const auto record_count = static_cast<std::uint32_t>(KMTrain.RecordCount());
  std::unordered_map<std::string_view, std::int32_t> train_by_id;
  std::vector<std::string_view> ids;
  std::vector<std::uint32_t> ids_list_record;
  std::vector<std::int32_t> record_train(record_count, -1);
  std::string_view last_id;
  std::int32_t last_train = -1;
  for (std::uint32_t r = 0; r < record_count; ++r) {
    const std::string_view id = KMTrain.TextOfRecord(r, c_id);
    if (r == 0 || id != last_id) {
      const auto found = train_by_id.find(id);
      if (found != train_by_id.end()) {
        last_train = found->second;
      } else {
        const auto listed = list_record.find(id);
        last_train = listed == list_record.end() ? -1 : static_cast<std::int32_t>(ids.size());
        train_by_id.emplace(id, last_train);
        if (last_train >= 0) {
          ids.push_back(id);
          ids_list_record.push_back(listed->second);
        }
      }
      last_id = id;
    }
    record_train[r] = last_train;
  }
  // Train-number order.
  std::vector<std::int32_t> order(ids.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
    return ids[static_cast<std::size_t>(a)] < ids[static_cast<std::size_t>(b)];
  });
  std::vector<std::int32_t> rank(ids.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    rank[static_cast<std::size_t>(order[i])] = static_cast<std::int32_t>(i);
  const auto train_count = static_cast<std::int32_t>(ids.size());
  net.train_ids.resize(ids.size());
  net.train_list_record.resize(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    net.train_ids[static_cast<std::size_t>(rank[i])] = ids[i];
    net.train_list_record[static_cast<std::size_t>(rank[i])] = ids_list_record[i];
  }
  net.train_stop_begin.assign(static_cast<std::size_t>(train_count) + 1, 0);
  for (std::uint32_t r = 0; r < record_count; ++r) {
    if (record_train[r] >= 0) {
      record_train[r] = rank[static_cast<std::size_t>(record_train[r])];
      ++net.train_stop_begin[static_cast<std::size_t>(record_train[r]) + 1];
    }
  }
  std::partial_sum(net.train_stop_begin.begin(), net.train_stop_begin.end(),
                   net.train_stop_begin.begin());
  std::vector<std::uint32_t> stop_records(static_cast<std::size_t>(net.train_stop_begin.back()));
  {
    std::vector<std::int32_t> fill(net.train_stop_begin.begin(), net.train_stop_begin.end() - 1);
    for (std::uint32_t r = 0; r < record_count; ++r) {
      if (record_train[r] >= 0) {
        stop_records[static_cast<std::size_t>(fill[static_cast<std::size_t>(record_train[r])]++)] =
            r;
      }
    }
  }

  // Stations by name, in order of first appearance.
  NameNumbers station_by_view(4096);
  net.stops.resize(stop_records.size());
  for (std::int32_t t = 0; t < train_count; ++t) {
    const auto first = static_cast<std::size_t>(net.train_stop_begin[static_cast<std::size_t>(t)]);
    const auto last =
        static_cast<std::size_t>(net.train_stop_begin[static_cast<std::size_t>(t) + 1]);
    // Running order by stop number (already so when the table came in that order).
    const auto by_number = [&](std::uint32_t a, std::uint32_t b) {
      return KMTrain.IntOfRecord(a, c_sno) < KMTrain.IntOfRecord(b, c_sno);
    };
    if (!std::is_sorted(stop_records.begin() + static_cast<std::ptrdiff_t>(first),
                        stop_records.begin() + static_cast<std::ptrdiff_t>(last), by_number)) {
      std::stable_sort(stop_records.begin() + static_cast<std::ptrdiff_t>(first),
                       stop_records.begin() + static_cast<std::ptrdiff_t>(last), by_number);
    }
    std::int32_t base = 0;
    std::int32_t previous = 0;
    for (std::size_t i = first; i < last; ++i) {
      const std::uint32_t r = stop_records[i];
      NetStop& stop = net.stops[i];
      stop.record = r;
      stop.station = station_by_view.Number(KMTrain.TextOfRecord(r, c_station));
      stop.distance = static_cast<std::int32_t>(KMTrain.IntOfRecord(r, c_dist));
      const auto a = timetable::StopClockMinutes(KMTrain.TextOfRecord(r, c_a));
      const auto d = timetable::StopClockMinutes(KMTrain.TextOfRecord(r, c_d));
      if (i == first) {
        base = d.value_or(a.value_or(0));
        stop.arrive = stop.depart = base;
      } else {
        // Absolute arrival from the elapsed time; the dwell from the two clock times.
        stop.arrive =
            std::max(previous, base + timetable::ElapsedToMinutes(KMTrain.TextOfRecord(r, c_r)));
        const std::int32_t dwell = (a && d) ? DayMinute(*d - *a) : 0;
        stop.depart = stop.arrive + dwell;
      }
      previous = stop.depart;
    }
  }
  const auto station_count = static_cast<std::int32_t>(station_by_view.Names().size());
  net.station_names.assign(station_by_view.Names().begin(), station_by_view.Names().end());
  net.station_by_name.reserve(static_cast<std::size_t>(station_count));
  for (std::int32_t s = 0; s < station_count; ++s) {
    net.station_by_name.emplace(net.station_names[static_cast<std::size_t>(s)], s);
  }

  // City groups: the KMSM group of each known station, then the peers of each.
  net.station_group.assign(static_cast<std::size_t>(station_count), 0);
  {
    const int c_name = Column(KMSM, "Station"), c_gp = Column(KMSM, "Gp");
    const auto group_records = static_cast<std::uint32_t>(KMSM.RecordCount());
    for (std::uint32_t r = 0; r < group_records; ++r) {
      const std::int32_t found = station_by_view.Find(KMSM.TextOfRecord(r, c_name));
      if (found < 0) continue;
      net.station_group[static_cast<std::size_t>(found)] =
          static_cast<std::int32_t>(KMSM.IntOfRecord(r, c_gp));
    }
    std::vector<std::int32_t> grouped;
    for (std::int32_t s = 0; s < station_count; ++s) {
      if (net.station_group[static_cast<std::size_t>(s)] != 0) grouped.push_back(s);
    }
    std::stable_sort(grouped.begin(), grouped.end(), [&](std::int32_t a, std::int32_t b) {
      return net.station_group[static_cast<std::size_t>(a)] <
             net.station_group[static_cast<std::size_t>(b)];
    });
    net.city_peer_begin.assign(static_cast<std::size_t>(station_count) + 1, 0);
    std::vector<std::int32_t> keys;
    std::vector<std::int32_t> values;
    for (std::size_t i = 0; i < grouped.size();) {
      std::size_t j = i;
      const std::int32_t g = net.station_group[static_cast<std::size_t>(grouped[i])];
      while (j < grouped.size() && net.station_group[static_cast<std::size_t>(grouped[j])] == g)
        ++j;
      for (std::size_t a = i; a < j; ++a) {
        for (std::size_t b = i; b < j; ++b) {
          if (a == b) continue;
          keys.push_back(grouped[a]);
          values.push_back(grouped[b]);
        }
      }
      i = j;
    }
    for (const std::int32_t k : keys) ++net.city_peer_begin[static_cast<std::size_t>(k) + 1];
    std::partial_sum(net.city_peer_begin.begin(), net.city_peer_begin.end(),
                     net.city_peer_begin.begin());
    net.city_peers.resize(values.size());
    std::vector<std::int32_t> fill(net.city_peer_begin.begin(), net.city_peer_begin.end() - 1);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      net.city_peers[static_cast<std::size_t>(fill[static_cast<std::size_t>(keys[i])]++)] =
          values[i];
    }
  }

  // Boarding calls (ordered by minute of the day) and all visits per station.
  {
    std::vector<std::int32_t> keys;
    std::vector<NetCall> items;
    std::vector<std::int32_t> visit_keys;
    std::vector<NetCall> visit_items;
    keys.reserve(net.stops.size());
    items.reserve(net.stops.size());
    visit_keys.reserve(net.stops.size());
    visit_items.reserve(net.stops.size());
    for (std::int32_t t = 0; t < train_count; ++t) {
      const std::int32_t first = net.train_stop_begin[static_cast<std::size_t>(t)];
      const std::int32_t last = net.train_stop_begin[static_cast<std::size_t>(t) + 1];
      for (std::int32_t i = first; i < last; ++i) {
        const std::int32_t s = net.stops[static_cast<std::size_t>(i)].station;
        visit_keys.push_back(s);
        const std::int32_t minute = DayMinute(net.stops[static_cast<std::size_t>(i)].depart);
        visit_items.push_back({t, i, minute});
        if (i + 1 < last) {
          keys.push_back(s);
          items.push_back({t, i, minute});
        }
      }
    }
    // Ordered by minute of the day (a counting sort keeps the stop order within a minute), the
    // station index below keeps that order within each station.
    std::vector<std::int32_t> minute_begin(1441, 0);
    for (const NetCall& call : items) ++minute_begin[static_cast<std::size_t>(call.minute) + 1];
    std::partial_sum(minute_begin.begin(), minute_begin.end(), minute_begin.begin());
    std::vector<std::int32_t> by_minute_keys(keys.size());
    std::vector<NetCall> by_minute(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
      const auto at = static_cast<std::size_t>(
          minute_begin[static_cast<std::size_t>(items[i].minute)]++);
      by_minute[at] = items[i];
      by_minute_keys[at] = keys[i];
    }
    BuildStationIndex(station_count, by_minute_keys, by_minute, net.call_begin, net.calls);
    BuildStationIndex(station_count, visit_keys, visit_items, net.visit_begin, net.visits);
  }
  net.calendar = &tables.calendar;
  net.train_version.resize(net.train_ids.size());
  for (std::size_t t = 0; t < net.train_ids.size(); ++t) {
    net.train_version[t] = tables.calendar.Find(net.train_ids[t]);
  }
  return net;
}

}  // namespace lanzhou::journey
