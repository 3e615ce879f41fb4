#include "timetable/times.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "text/ascii.h"

namespace lanzhou::timetable {
namespace {

// "-01:05" is the running time 01:05 taken backwards (-65 minutes), not -1 h plus 5 min: the
// text after one leading '-', when it has no sign of its own; nullopt for any other text.
std::optional<std::string_view> NegatedElapsed(std::string_view text) noexcept {
  if (text.size() < 2 || text.front() != '-' || text.find(':') == std::string_view::npos) {
    return std::nullopt;
  }
  text.remove_prefix(1);
  if (text.front() == '-' || text.front() == '+') return std::string_view();
  return text;
}

}  // namespace

int TextToIntOrZero(std::string_view text) noexcept {
  std::int64_t value = 0;
  if (!text::ParseDecimalIn(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                            value)) {
    return 0;
  }
  return static_cast<int>(value);
}

int ElapsedToMinutes(std::string_view text) noexcept {
  // The plain forms nearly every time in the tables has ("23:47", "4:9", "12"): one or two runs
  // of one to four digits around at most one colon, read in one pass. The journey network reads
  // three times per stop.
  int parts[2] = {0, 0};
  int part = 0;
  int digits = 0;
  bool plain = true;
  for (const char c : text) {
    if (c >= '0' && c <= '9' && digits < 4) {
      parts[part] = parts[part] * 10 + (c - '0');
      ++digits;
    } else if (c == ':' && part == 0 && digits > 0) {
      part = 1;
      digits = 0;
    } else {
      plain = false;
      break;
    }
  }
  if (plain && digits > 0) return part == 0 ? parts[0] : parts[0] * 60 + parts[1];
  if (const auto negated = NegatedElapsed(text)) return -ElapsedToMinutes(*negated);
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return TextToIntOrZero(text);
  // Computed wide and clamped to the int range; real elapsed times are far below it.
  const long long total = static_cast<long long>(TextToIntOrZero(text.substr(0, colon))) * 60 +
                          TextToIntOrZero(text.substr(colon + 1));
  if (total > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (total < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(total);
}

int ClockMinutes(std::string_view text) {
  const std::string trimmed = text::TrimBlanks(text);
  const std::size_t colon = trimmed.find(':');
  if (colon == std::string::npos || colon == 0 || colon > 2 || trimmed.size() != colon + 3) {
    return -1;
  }
  for (std::size_t i = 0; i < trimmed.size(); ++i) {
    if (i != colon && (trimmed[i] < '0' || trimmed[i] > '9')) return -1;
  }
  const int hours = TextToIntOrZero(std::string_view(trimmed).substr(0, colon));
  const int minutes = TextToIntOrZero(std::string_view(trimmed).substr(colon + 1));
  if (hours > 23 || minutes > 59) return -1;
  return hours * 60 + minutes;
}

std::optional<int> StopClockMinutes(std::string_view text) noexcept {
  if (text.empty()) return std::nullopt;
  return ElapsedToMinutes(text) % 1440;
}

std::string DurationText(int minutes) {
  const long long whole = minutes;
  const long long magnitude = whole < 0 ? -whole : whole;
  const long long m = magnitude % 60;
  std::string text = whole < 0 ? "-" : "";
  text += std::to_string(magnitude / 60);
  text += m < 10 ? ":0" : ":";
  text += std::to_string(m);
  return text;
}

std::string ElapsedDurationText(std::string_view elapsed) {
  return DurationText(ElapsedToMinutes(elapsed));
}

int DwellMinutes(std::string_view arrive, std::string_view depart) {
  const int a = ClockMinutes(arrive);
  const int d = ClockMinutes(depart);
  if (a < 0 || d < 0) return 0;
  return (d - a + 1440) % 1440;
}

int SectionMinutes(std::string_view fromElapsed, std::string_view fromArrive,
                   std::string_view fromDepart, std::string_view toElapsed) {
  const long long minutes = static_cast<long long>(ElapsedToMinutes(toElapsed)) -
                            ElapsedToMinutes(fromElapsed) - DwellMinutes(fromArrive, fromDepart);
  if (minutes > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (minutes < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(minutes);
}

std::string DistanceText(int km) {
  return km > 0 ? std::to_string(km) : std::string(kUnknownValue);
}

std::string SpeedText(int km, int minutes) {
  if (km <= 0 || minutes <= 0) return std::string(kUnknownValue);
  return std::to_string(RoundHalfUp(static_cast<double>(km) * 60.0 / minutes));
}

std::string DayMarker(int day) {
  return day > 0 ? "+" + std::to_string(day) + "天" : std::string();
}

std::string RunDayText(int day) {
  return day <= 1 ? std::string("当天") : "第" + std::to_string(day) + "天";
}

int RoundHalfUp(double x) noexcept {
  if (std::isnan(x)) return 0;
  constexpr double kMax = std::numeric_limits<int>::max();
  constexpr double kMin = std::numeric_limits<int>::min();
  if (x >= kMax) return std::numeric_limits<int>::max();
  if (x <= kMin) return std::numeric_limits<int>::min();
  const double t = std::trunc(x);
  const int result = static_cast<int>(t);
  return (x - t >= 0.5 && result < std::numeric_limits<int>::max()) ? result + 1 : result;
}

std::string AverageSpeed(std::string_view distanceText, std::string_view elapsedText) {
  const int distance = TextToIntOrZero(distanceText);
  const int minutes = ElapsedToMinutes(elapsedText);
  if (distance <= 0 || minutes <= 0) return {};
  return std::to_string(RoundHalfUp(static_cast<double>(distance) * 60.0 / minutes));
}

std::string SectionSpeed(std::string_view fromDistanceText, std::string_view toDistanceText,
                         std::string_view fromElapsedText, std::string_view toElapsedText) {
  const double distance =
      static_cast<double>(TextToIntOrZero(toDistanceText)) - TextToIntOrZero(fromDistanceText);
  const double minutes =
      static_cast<double>(ElapsedToMinutes(toElapsedText)) - ElapsedToMinutes(fromElapsedText);
  if (distance <= 0 || minutes <= 0) return {};
  return std::to_string(RoundHalfUp(distance * 60.0 / minutes));
}

}  // namespace lanzhou::timetable
