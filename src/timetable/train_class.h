#pragma once
// Train class codes (NType 1..11) with their display names, and the reading of train numbers
// ("D301", "G1001", "1112/1113", "G1#2") that the fare rules and the high-speed filter rely on.
#include <string>
#include <string_view>

namespace lanzhou::timetable {

// Display name of a class code: 1 "动车组" ... 11 "普客"; empty text outside 1..11.
[[nodiscard]] std::string TrainClassName(int nType);

// Classes 1..3 (动车组, 高速动车, 城际高速) are priced by the multiple-unit rule, 4 and above by
// the distance tariff. The test is "below 4", so a missing code (0) counts as multiple-unit.
[[nodiscard]] constexpr bool IsMultipleUnitClass(int nType) noexcept {
  return nType < 4;
}

// First character of a train number, ASCII upper-cased ('d' -> 'D'); '\0' for an empty number.
[[nodiscard]] char TrainPrefixLetter(std::string_view trainId) noexcept;

// True when the first four characters are exactly "G100" ("G1001", "G1002/G1003"): trains with
// fixed section fares in the multiple-unit rule.
[[nodiscard]] bool IsG100Train(std::string_view trainId) noexcept;

// True when the number begins with "C", "D" or "G" (exact, case-sensitive): the rows the
// 仅动车 filter keeps.
[[nodiscard]] bool IsHighSpeedNumber(std::string_view trainId) noexcept;

// The five groups a user picks trains by (the journey window's 车型 boxes), read from the
// number's first letter: G 高铁, D 动车, C 城际, Z/T/K 直特快, anything else 普客.
enum class TrainGroup { HighSpeed = 0, MultipleUnit = 1, Intercity = 2, Express = 3, Ordinary = 4 };
inline constexpr int kTrainGroupCount = 5;
// A set of groups as bits 1 << TrainGroup.
inline constexpr unsigned kAllTrainGroups = (1u << kTrainGroupCount) - 1;

[[nodiscard]] TrainGroup TrainGroupOf(std::string_view trainId) noexcept;
// "高铁", "动车", "城际", "直特快", "普客".
[[nodiscard]] std::string_view TrainGroupName(TrainGroup group) noexcept;

// The number a passenger sees of a table ID: several versions of one number (running on
// different days) carry "#2", "#3" … after the number in the tables ("G1#2" is G1).
[[nodiscard]] std::string_view TrainNumberOfId(std::string_view tableId) noexcept;

// True when `key` is one of the numbers a train carries: the whole number or any of its parts
// joined by "/", a short part standing for the first part with its tail replaced
// ("K1234/K1231" and "K1234/1" both match "K1231"; "1112/1113" matches "1113"). Exact, case-
// sensitive.
[[nodiscard]] bool CarriesTrainNumber(std::string_view number, std::string_view key) noexcept;

}  // namespace lanzhou::timetable
