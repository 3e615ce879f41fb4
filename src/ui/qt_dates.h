#pragma once
// Days of the core (std::chrono::sys_days) as the widgets hold them (QDate), and back.
#include <QDate>
#include <chrono>

namespace lanzhou::ui {

// QDate counts Julian days; sys_days counts from 1970-01-01, Julian day 2440588.
inline constexpr qint64 kUnixEpochJulianDay = 2440588;

inline QDate ToQDate(std::chrono::sys_days day) {
  return QDate::fromJulianDay(day.time_since_epoch().count() + kUnixEpochJulianDay);
}

inline std::chrono::sys_days FromQDate(QDate date) {
  return std::chrono::sys_days{std::chrono::days{date.toJulianDay() - kUnixEpochJulianDay}};
}

}  // namespace lanzhou::ui
