#include "query/completion.h"

#include "query/station_match.h"
#include "text/ascii.h"

namespace lanzhou::query {

std::vector<std::string> FillInitialsDropDown(data::MemTable& KMPy, std::string_view letters) {
  const std::string key = text::UpperAscii(letters);
  std::vector<std::string> entries;
  const data::ColumnId station = KMPy.ColumnOf("Station");
  const data::ColumnId shortcode = KMPy.ColumnOf("Shortcode");
  // Table order (the busiest stations of a letter first), except that a city's own name
  // whose initials are exactly the letters typed leads: "bj" offers 北京 before 北京南.
  std::size_t leading = 0;
  for (KMPy.First(); !KMPy.Eof(); KMPy.Next()) {
    const std::string_view code = KMPy.TextAt(shortcode);
    if (!code.starts_with(key)) continue;
    const std::string_view name = KMPy.TextAt(station);
    if (code.size() == key.size() && CityOf(name) == name) {
      entries.emplace(entries.begin() + static_cast<std::ptrdiff_t>(leading++), name);
    } else {
      entries.emplace_back(name);
    }
  }
  // A full page of eight matches needs no filler; fewer are padded to nine rows.
  if (entries.size() < static_cast<std::size_t>(kFullDropDown)) {
    entries.resize(static_cast<std::size_t>(kPaddedDropDown));
  }
  return entries;
}

std::optional<std::vector<std::string>> DropDownForText(data::MemTable& KMPy,
                                                        std::string_view box_text) {
  const std::string text = TrimBlanks(box_text);
  if (IsAllLetters(text)) return FillInitialsDropDown(KMPy, text);
  if (text.empty()) return std::vector<std::string>(static_cast<std::size_t>(kPaddedDropDown));
  return std::nullopt;
}

}  // namespace lanzhou::query
