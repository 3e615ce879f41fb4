#include "query/completion.h"

#include "query/station_match.h"

namespace lanzhou::query {

std::vector<std::string> FillInitialsDropDown(data::MemTable& KMPy, std::string_view letters) {
  std::string key(letters);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  std::vector<std::string> entries;
  const int station = KMPy.FindField("Station");
  const int shortcode = KMPy.FindField("Shortcode");
  if (station >= 0 && shortcode >= 0) {
    for (KMPy.First(); !KMPy.Eof(); KMPy.Next()) {
      if (KMPy.TextAt(shortcode).starts_with(key)) entries.emplace_back(KMPy.TextAt(station));
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
