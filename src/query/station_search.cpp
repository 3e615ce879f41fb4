#include "query/station_search.h"

#include <algorithm>
#include <cstdint>

#include "query/input_checks.h"
#include "query/station_match.h"
#include "text/ascii.h"

namespace lanzhou::query {
namespace {

// The UTF-8 characters of a text, each as its bytes.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    length = std::min(length, text.size() - i);
    out.push_back(text.substr(i, length));
    i += length;
  }
  return out;
}

}  // namespace

std::vector<StationHit> SearchStations(const data::MemTable& KMPy, data::MemTable& KMSM,
                                       std::string_view typed, std::size_t limit) {
  const std::string text = TrimBlanks(typed);
  std::vector<StationHit> hits;
  if (text.empty() || limit == 0) return hits;
  const int station = KMPy.FindField("Station");
  const int shortcode = KMPy.FindField("Shortcode");
  const bool letters = IsAllLetters(text);
  const std::string key = letters ? text::UpperAscii(text) : text;
  std::vector<std::uint32_t> records;
  for (std::uint32_t r = 0; r < KMPy.RecordCount(); ++r) {
    const std::string_view name = KMPy.TextOfRecord(r, station);
    const bool match = letters ? KMPy.TextOfRecord(r, shortcode).starts_with(key)
                               : name.find(key) != std::string_view::npos || CityOf(name) == key;
    if (!match) continue;
    // The exact name leads; the others keep the table's order.
    if (name == key) {
      records.insert(records.begin(), r);
    } else {
      records.push_back(r);
    }
  }
  if (records.size() > limit) records.resize(limit);
  for (const std::uint32_t r : records) {
    StationHit hit;
    hit.name = std::string(KMPy.TextOfRecord(r, station));
    hit.initials = std::string(KMPy.TextOfRecord(r, shortcode));
    TPub_FZStruct spec;
    BuildStationSpec(hit.name, KMSM, spec);
    hit.city = spec.City;
    hit.group = spec.Stations;
    hits.push_back(std::move(hit));
  }
  return hits;
}

std::vector<std::string> NearestStationNames(const data::MemTable& KMPy, std::string_view typed,
                                             std::size_t count) {
  const std::string text = TrimBlanks(typed);
  const std::vector<std::string_view> wanted = Characters(text);
  struct Scored {
    int common;
    std::size_t length_gap;
    std::uint32_t record;
  };
  std::vector<Scored> scored;
  const int station = KMPy.FindField("Station");
  for (std::uint32_t r = 0; r < KMPy.RecordCount(); ++r) {
    std::vector<std::string_view> have = Characters(KMPy.TextOfRecord(r, station));
    const std::size_t length = have.size();
    int common = 0;
    for (const std::string_view c : wanted) {
      const auto at = std::find(have.begin(), have.end(), c);
      if (at == have.end()) continue;
      ++common;
      have.erase(at);  // a character of the name answers one character of text only
    }
    if (common == 0) continue;
    const std::size_t gap =
        length > wanted.size() ? length - wanted.size() : wanted.size() - length;
    scored.push_back({common, gap, r});
  }
  std::stable_sort(scored.begin(), scored.end(), [](const Scored& a, const Scored& b) {
    if (a.common != b.common) return a.common > b.common;
    return a.length_gap < b.length_gap;
  });
  std::vector<std::string> names;
  for (std::size_t i = 0; i < scored.size() && i < count; ++i) {
    names.emplace_back(KMPy.TextOfRecord(scored[i].record, station));
  }
  return names;
}

}  // namespace lanzhou::query
