#pragma once
// Station sets: a typed name stands for every station of its city group, unless both names
// belong to the same group (or to none), when the query matches the typed names exactly.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/mem_table.h"

namespace lanzhou::timetable {

// One side of a station-to-station or transfer query.
struct TPub_FZStruct {
  std::string Name;                   // the box's text, trimmed
  std::string City;                   // CityOf(Name)
  std::vector<std::string> Stations;  // Name's group in KMSM order; empty when ungrouped
  std::int32_t Group = 0;             // Name's group number; 0 when ungrouped
};
// The arrival side has the same shape.
using TPub_DZStruct = TPub_FZStruct;

enum class StationSide { Departure, Arrival };

// The city a station belongs to: a fixed alias list first, then names of three or more
// characters lose a last 东/西/南/北; anything else is its own city.
[[nodiscard]] std::string CityOf(std::string_view name);

// Fills all four fields of spec from a box's text. Moves KMSM's cursor.
void BuildStationSpec(std::string_view box_text, data::MemTable& KMSM, TPub_FZStruct& spec);

// Builds both sides; when their groups are equal (including both 0), empties both station
// lists and returns true: the query then matches the typed names exactly.
[[nodiscard]] bool ResolveStationPair(std::string_view from_text, std::string_view to_text,
                                      data::MemTable& KMSM, TPub_FZStruct& FromSpec,
                                      TPub_DZStruct& ToSpec);

// Whether a stop's station counts for this side: by the group's list when there is one and
// the query is not exact, else by the name alone.
[[nodiscard]] bool IsStationOf(std::string_view station, bool exact_mode,
                               const TPub_FZStruct& spec);

// IsStationOf for one side, prepared once per query: the queries test every stop of KMTrain,
// and most stations share neither length nor first bytes with the side's names, so those are
// compared before the whole text. Holds views of spec's names: spec must outlive it unchanged.
class StationSet {
 public:
  StationSet(bool exact_mode, const TPub_FZStruct& spec);
  [[nodiscard]] bool Contains(std::string_view station) const {
    const std::uint32_t head = Head(station);
    for (const Entry& e : entries_) {
      if (e.head == head && e.name.size() == station.size() && station.compare(e.name) == 0) {
        return true;
      }
    }
    return false;
  }

 private:
  struct Entry {
    std::uint32_t head;  // the first bytes, as Head packs them
    std::string_view name;
  };
  // Up to four leading bytes (one Chinese character and the next lead byte in UTF-8).
  static std::uint32_t Head(std::string_view text) {
    std::uint32_t head = 0;
    for (std::size_t i = 0; i < text.size() && i < 4; ++i) {
      head = head << 8 | static_cast<unsigned char>(text[i]);
    }
    return head;
  }
  std::vector<Entry> entries_;
};

}  // namespace lanzhou::timetable
