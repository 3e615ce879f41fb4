#pragma once
// Times of the timetable, kept as text: elapsed time since a train's origin ("0", "18", "1:7",
// "23:", "37:43"), section running times ("01:55") and average speeds. Pure functions; text that
// is not a number counts as 0 and nothing here throws.
#include <optional>
#include <string>
#include <string_view>

namespace lanzhou::timetable {

// Decimal integer of the whole text (optional sign, digits only, fits in 32 bits), else 0.
// Independent of the process locale.
[[nodiscard]] int TextToIntOrZero(std::string_view text) noexcept;

// Minutes of an elapsed-time text: "18" -> 18, "1:7" -> 67, "23:" -> 1380; unreadable parts 0.
[[nodiscard]] int ElapsedToMinutes(std::string_view text) noexcept;

// Running time between two elapsed-time texts of one train: "18", "2:13" -> "01:55". Identical
// texts give "0". Hours are padded to at least two digits, minutes to two. A negative
// difference (never produced by the timetable) is written as "-" and the running time of its
// magnitude, "-01:05", rather than a text with minus signs inside.
[[nodiscard]] std::string RunningTime(std::string_view fromElapsed, std::string_view toElapsed);

// Minutes written back as "H:M" without padding: 125 -> "2:5", 40 -> "0:40", 0 -> "0:0".
[[nodiscard]] std::string MinutesToElapsed(int minutes);

// A time of day typed as "H:MM" or "HH:MM" (blanks around it allowed), in minutes; -1 when
// the text is no such time (24:00, 7:5, 0730 …).
[[nodiscard]] int ClockMinutes(std::string_view text);

// Minutes of the day of a stop's stored "HH:MM" time, read as ElapsedToMinutes reads it and
// taken modulo a day; nothing for an empty text (no arrival at a first stop, no departure at
// a last one).
[[nodiscard]] std::optional<int> StopClockMinutes(std::string_view text) noexcept;

// The day marker after a time of day on a later day than the journey's first: "" for day 0,
// "+1天", "+2天" …
[[nodiscard]] std::string DayMarker(int day);

// Half-up rounding of a non-negative value: 2.5 -> 3, 2.49 -> 2. NaN gives 0; values beyond
// the int range are clamped.
[[nodiscard]] int RoundHalfUp(double x) noexcept;

// km/h for a distance text covered in an elapsed time, rounded half-up; empty unless both the
// distance and the minutes are above 0. ("1611", "20:31") -> "79".
[[nodiscard]] std::string AverageSpeed(std::string_view distanceText, std::string_view elapsedText);

// km/h between two stops of one train; empty unless both the distance and the minute
// differences (to - from) are above 0.
[[nodiscard]] std::string SectionSpeed(std::string_view fromDistanceText,
                                       std::string_view toDistanceText,
                                       std::string_view fromElapsedText,
                                       std::string_view toElapsedText);

}  // namespace lanzhou::timetable
