#pragma once
// Finding stations from what someone typed when it is not (yet) a station name: by a part of
// the name, by city, or by pinyin initials; and the names nearest to a name that is no station.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "data/mem_table.h"

namespace lanzhou::query {

struct StationHit {
  std::string name;
  std::string initials;            // KMPy's Shortcode
  std::string city;                // CityOf(name)
  std::vector<std::string> group;  // the stations of its KMSM group; empty when ungrouped
};

// The stations of KMPy that match text (trimmed): letters only match the beginning of the
// initials, without regard to case; other text matches a name that contains it or whose city
// is the text. A station named exactly text comes first, the rest in KMPy's load order. At most
// `limit` hits. Moves KMSM's cursor.
[[nodiscard]] std::vector<StationHit> SearchStations(const data::MemTable& KMPy,
                                                     data::MemTable& KMSM, std::string_view text,
                                                     std::size_t limit);

// Up to `count` station names of KMPy nearest to text, for a name that is no station: most
// characters in common first (each character of text counted once), then the closest in
// length, then KMPy's order. Names sharing no character with text are never offered.
[[nodiscard]] std::vector<std::string> NearestStationNames(const data::MemTable& KMPy,
                                                           std::string_view text,
                                                           std::size_t count);

}  // namespace lanzhou::query
