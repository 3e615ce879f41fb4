#pragma once
// Station entry by pinyin initials: the drop-down list a station box shows for what was typed.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/mem_table.h"
#include "query/input_checks.h"  // IsAllLetters: the same test decides between initials and names

namespace lanzhou::query {

// Entries the list is padded to when fewer than kFullDropDown stations match.
inline constexpr int kPaddedDropDown = 9;
inline constexpr int kFullDropDown = 8;

// The stations of KMPy whose Shortcode begins with the letters (without regard to case): first
// those whose Shortcode is the letters and whose name is its own city (CityOf), then the rest,
// each part in KMPy's working order (load order as loaded: the busiest stations of a letter
// first); then "" entries up to 9 when fewer than 8 matched. letters must pass IsAllLetters
// (input_checks.h). Moves KMPy's cursor.
[[nodiscard]] std::vector<std::string> FillInitialsDropDown(data::MemTable& KMPy,
                                                            std::string_view letters);

// A box's new list after its text changed (text trimmed here): the completion for letters,
// 9 empty entries for empty text, nullopt (keep the list as it is) for anything else.
[[nodiscard]] std::optional<std::vector<std::string>> DropDownForText(data::MemTable& KMPy,
                                                                      std::string_view box_text);

}  // namespace lanzhou::query
