#pragma once
// Times of the timetable, kept as text: elapsed time since a train's origin ("0", "18", "1:7",
// "23:", "37:43"), times of day ("21:25"), and the durations, day markers, distances and speeds
// shown to a user. Pure functions; text that
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

// A time of day typed as "H:MM" or "HH:MM" (blanks around it allowed), in minutes; -1 when
// the text is no such time (24:00, 7:5, 0730 …).
[[nodiscard]] int ClockMinutes(std::string_view text);

// Minutes of the day of a stop's stored "HH:MM" time, read as ElapsedToMinutes reads it and
// taken modulo a day; nothing for an empty text (no arrival at a first stop, no departure at
// a last one).
[[nodiscard]] std::optional<int> StopClockMinutes(std::string_view text) noexcept;

// ---- Numbers shown to a user: every grid, list, print, export and the command line writes
// durations, day markers and unknown values through these. Stored texts stay as they are.

// Shown for a value the timetable does not hold (no distance, no speed, no fare).
inline constexpr std::string_view kUnknownValue = "-";

// A duration as "H:MM": hours unpadded, minutes two digits. 128 -> "2:08", 600 -> "10:00",
// 4320 -> "72:00", 0 -> "0:00"; a negative one gets a leading "-" ("-0:05").
[[nodiscard]] std::string DurationText(int minutes);

// An elapsed-time text of the timetable shown as a duration: "10:" -> "10:00", "1:7" -> "1:07",
// "18" -> "0:18", "37:43" as it is.
[[nodiscard]] std::string ElapsedDurationText(std::string_view elapsed);

// Minutes a train stands at a stop: its departure less its arrival, across midnight; 0 when
// either time is empty (a first or last stop) or not a time of day.
[[nodiscard]] int DwellMinutes(std::string_view arrive, std::string_view depart);

// Minutes of a section: from the departure at the boarding stop (its elapsed time counts to
// its arrival, so the stop's dwell is taken off) to the arrival at the alighting stop.
[[nodiscard]] int SectionMinutes(std::string_view fromElapsed, std::string_view fromArrive,
                                 std::string_view fromDepart, std::string_view toElapsed);

// Kilometres as shown: the number, or kUnknownValue when not above 0 (the timetable holds no
// distance there).
[[nodiscard]] std::string DistanceText(int km);

// km/h over a distance in a time, rounded half-up, or kUnknownValue unless both are above 0.
[[nodiscard]] std::string SpeedText(int km, int minutes);

// The day marker after a time of day on a later day than the journey's first: "" for day 0,
// "+1天", "+2天" …
[[nodiscard]] std::string DayMarker(int day);

// The day of a train's run a stop falls on, counted from 1: "当天", "第2天", "第3天" …
[[nodiscard]] std::string RunDayText(int day);

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
