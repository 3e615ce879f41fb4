#include "data/calendar.h"

#include <algorithm>
#include <charconv>

namespace lanzhou::data {
namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

unsigned Number(std::string_view digits) {
  unsigned n = 0;
  for (char c : digits) n = n * 10 + static_cast<unsigned>(c - '0');
  return n;
}

DaySet AllDays() { return DaySet{}.set(); }

// Hex digits of the first `days` bits, day 0 in the lowest bit of the last digit.
std::string HexOf(const DaySet& set, int days) {
  const int digits = std::max(1, (days + 3) / 4);
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = 0; i < digits; ++i) {
    unsigned v = 0;
    for (int b = 0; b < 4; ++b) {
      const int d = i * 4 + b;
      if (d < kMaxPeriodDays && set[static_cast<std::size_t>(d)]) v |= 1u << b;
    }
    text[static_cast<std::size_t>(digits - 1 - i)] = "0123456789abcdef"[v];
  }
  return text;
}

std::optional<DaySet> SetOfHex(std::string_view hex, int days) {
  if (hex.empty() || static_cast<int>(hex.size()) > (days + 3) / 4 + 1) return std::nullopt;
  DaySet set;
  const int n = static_cast<int>(hex.size());
  for (int i = 0; i < n; ++i) {
    const char c = hex[static_cast<std::size_t>(n - 1 - i)];
    unsigned v = 0;
    if (c >= '0' && c <= '9') {
      v = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      v = static_cast<unsigned>(c - 'a' + 10);
    } else {
      return std::nullopt;
    }
    for (int b = 0; b < 4; ++b) {
      if ((v >> b & 1u) == 0) continue;
      const int d = i * 4 + b;
      if (d >= days) return std::nullopt;  // a day beyond the period
      set.set(static_cast<std::size_t>(d));
    }
  }
  return set;
}

}  // namespace

Date ParseIsoDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !AllDigits(text.substr(0, 4)) ||
      !AllDigits(text.substr(5, 2)) || !AllDigits(text.substr(8, 2))) {
    throw CalendarError("not a date YYYY-MM-DD: " + std::string(text));
  }
  const std::chrono::year_month_day ymd{std::chrono::year{static_cast<int>(Number(text.substr(0, 4)))},
                                        std::chrono::month{Number(text.substr(5, 2))},
                                        std::chrono::day{Number(text.substr(8, 2))}};
  if (!ymd.ok()) throw CalendarError("no such date: " + std::string(text));
  return Date{ymd};
}

std::string IsoDateText(Date date) {
  const std::chrono::year_month_day ymd{date};
  char text[16];
  const int y = static_cast<int>(ymd.year());
  const unsigned m = static_cast<unsigned>(ymd.month());
  const unsigned d = static_cast<unsigned>(ymd.day());
  text[0] = static_cast<char>('0' + y / 1000 % 10);
  text[1] = static_cast<char>('0' + y / 100 % 10);
  text[2] = static_cast<char>('0' + y / 10 % 10);
  text[3] = static_cast<char>('0' + y % 10);
  text[4] = '-';
  text[5] = static_cast<char>('0' + m / 10);
  text[6] = static_cast<char>('0' + m % 10);
  text[7] = '-';
  text[8] = static_cast<char>('0' + d / 10);
  text[9] = static_cast<char>('0' + d % 10);
  return std::string(text, 10);
}

std::string Period::Text() const {
  if (days <= 1) return IsoDateText(first);
  return IsoDateText(first) + ".." + IsoDateText(Last());
}

Period ParsePeriod(std::string_view text) {
  const std::size_t dots = text.find("..");
  Period p;
  p.first = ParseIsoDate(text.substr(0, dots));
  const Date last = dots == std::string_view::npos ? p.first : ParseIsoDate(text.substr(dots + 2));
  if (last < p.first) throw CalendarError("period ends before it begins: " + std::string(text));
  const auto days = (last - p.first).count() + 1;
  if (days > kMaxPeriodDays) {
    throw CalendarError("period longer than " + std::to_string(kMaxPeriodDays) +
                        " days: " + std::string(text));
  }
  p.days = static_cast<int>(days);
  return p;
}

Calendar Calendar::EveryDay(Period period) {
  Calendar c;
  c.period_ = period;
  return c;
}

Calendar::Calendar(Period period) : period_(period), knows_days_(true) {
  if (period.days < 1 || period.days > kMaxPeriodDays) {
    throw CalendarError("a period holds 1 to " + std::to_string(kMaxPeriodDays) + " days");
  }
}

void Calendar::Add(std::string_view id, const DaySet& days, std::vector<std::uint8_t> day_offsets) {
  DaySet within = days;
  for (int d = period_ ? period_->days : 0; d < kMaxPeriodDays; ++d) within.reset(static_cast<std::size_t>(d));
  const auto [set_it, fresh] = set_index_.try_emplace(within, static_cast<std::uint32_t>(sets_.size()));
  if (fresh) sets_.push_back(within);
  if (offset_begin_.empty()) offset_begin_.push_back(0);
  if (Find(id) != kUnknown) throw CalendarError("train " + std::string(id) + " listed twice");
  by_id_.emplace(std::string(id), VersionCount());
  ids_.emplace_back(id);
  set_of_.push_back(set_it->second);
  offsets_.insert(offsets_.end(), day_offsets.begin(), day_offsets.end());
  offset_begin_.push_back(static_cast<std::uint32_t>(offsets_.size()));
}

int Calendar::Find(std::string_view id) const {
  const auto it = by_id_.find(id);
  return it == by_id_.end() ? kUnknown : it->second;
}

const DaySet& Calendar::Days(int version) const {
  static const DaySet all = AllDays();
  if (!knows_days_ || version < 0 || version >= VersionCount()) return all;
  return sets_[set_of_[static_cast<std::size_t>(version)]];
}

bool Calendar::RunsOn(int version, Date service_day) const {
  if (!knows_days_) return true;
  if (version < 0 || version >= VersionCount()) return true;
  const int d = period_->DayIndex(service_day);
  if (d < 0 || d >= period_->days) return false;
  return sets_[set_of_[static_cast<std::size_t>(version)]][static_cast<std::size_t>(d)];
}

int Calendar::ArrivalDay(int version, int stop_no) const {
  if (version < 0 || version >= VersionCount() || stop_no < 1) return 0;
  const std::size_t at = offset_begin_[static_cast<std::size_t>(version)] +
                         2 * static_cast<std::size_t>(stop_no - 1);
  return at < offset_begin_[static_cast<std::size_t>(version) + 1] ? offsets_[at] : 0;
}

int Calendar::DepartureDay(int version, int stop_no) const {
  if (version < 0 || version >= VersionCount() || stop_no < 1) return 0;
  const std::size_t at = offset_begin_[static_cast<std::size_t>(version)] +
                         2 * static_cast<std::size_t>(stop_no - 1) + 1;
  return at < offset_begin_[static_cast<std::size_t>(version) + 1] ? offsets_[at] : 0;
}

std::optional<Date> Calendar::NextRunningDay(int version, Date from) const {
  if (!period_) return std::nullopt;
  Date d = std::max(from, period_->first);
  for (; d <= period_->Last(); d += std::chrono::days{1}) {
    if (RunsOn(version, d)) return d;
  }
  return std::nullopt;
}

Date Calendar::DefaultDay(Date today) const {
  if (!period_ || period_->Contains(today)) return today;
  return period_->first;
}

std::string Calendar::Text() const {
  std::string text;
  if (period_) {
    text += "period: " + IsoDateText(period_->first) + " " + std::to_string(period_->days) + "\n";
  }
  if (!knows_days_) {
    text += "every-day\n";
    return text;
  }
  for (const DaySet& s : sets_) text += "days: " + HexOf(s, period_->days) + "\n";
  for (int v = 0; v < VersionCount(); ++v) {
    text += "train: " + ids_[static_cast<std::size_t>(v)] + " " +
            std::to_string(set_of_[static_cast<std::size_t>(v)]) + " ";
    for (std::uint32_t i = offset_begin_[static_cast<std::size_t>(v)];
         i < offset_begin_[static_cast<std::size_t>(v) + 1]; ++i) {
      text += static_cast<char>('0' + offsets_[i]);
    }
    text += "\n";
  }
  return text;
}

Calendar Calendar::Parse(std::string_view text) {
  Calendar c;
  int line_no = 0;
  auto fail = [&line_no](const std::string& why) -> CalendarError {
    return CalendarError("calendar line " + std::to_string(line_no) + ": " + why);
  };
  bool every_day = false;
  std::vector<DaySet> sets;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++line_no;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty()) continue;
    if (line.starts_with("period: ")) {
      const std::string_view rest = line.substr(8);
      const std::size_t space = rest.find(' ');
      if (space == std::string_view::npos || c.period_) throw fail("bad period line");
      Period p;
      try {
        p.first = ParseIsoDate(rest.substr(0, space));
      } catch (const CalendarError& e) {
        throw fail(e.what());
      }
      const std::string_view count = rest.substr(space + 1);
      if (!AllDigits(count) || count.size() > 3) throw fail("bad number of days");
      p.days = static_cast<int>(Number(count));
      if (p.days < 1 || p.days > kMaxPeriodDays) throw fail("bad number of days");
      c.period_ = p;
    } else if (line == "every-day") {
      every_day = true;
    } else if (line.starts_with("days: ")) {
      if (!c.period_) throw fail("days before the period");
      const auto set = SetOfHex(line.substr(6), c.period_->days);
      if (!set) throw fail("bad day set");
      sets.push_back(*set);
    } else if (line.starts_with("train: ")) {
      if (!c.period_ || every_day) throw fail("train without a period of running days");
      if (!c.knows_days_) {
        const std::vector<DaySet> keep = std::move(sets);
        c = Calendar(*c.period_);
        for (const DaySet& s : keep) {
          c.set_index_.try_emplace(s, static_cast<std::uint32_t>(c.sets_.size()));
          c.sets_.push_back(s);
        }
        sets.clear();
      }
      const std::string_view rest = line.substr(7);
      const std::size_t a = rest.find(' ');
      const std::size_t b = a == std::string_view::npos ? a : rest.find(' ', a + 1);
      if (b == std::string_view::npos) throw fail("a train line needs an ID, a day set and day offsets");
      const std::string_view id = rest.substr(0, a);
      const std::string_view set_text = rest.substr(a + 1, b - a - 1);
      const std::string_view offsets = rest.substr(b + 1);
      if (id.empty() || !AllDigits(set_text) || set_text.size() > 6) throw fail("bad train line");
      const unsigned set = Number(set_text);
      if (set >= c.sets_.size()) throw fail("no day set " + std::string(set_text));
      if (offsets.size() % 2 != 0 || !std::all_of(offsets.begin(), offsets.end(), [](char ch) {
            return ch >= '0' && ch <= '9';
          })) {
        throw fail("day offsets are digits, two per stop");
      }
      if (c.Find(id) != kUnknown) throw fail("train " + std::string(id) + " listed twice");
      c.by_id_.emplace(std::string(id), c.VersionCount());
      c.ids_.emplace_back(id);
      c.set_of_.push_back(set);
      if (c.offset_begin_.empty()) c.offset_begin_.push_back(0);
      for (char ch : offsets) c.offsets_.push_back(static_cast<std::uint8_t>(ch - '0'));
      c.offset_begin_.push_back(static_cast<std::uint32_t>(c.offsets_.size()));
    } else {
      throw fail("unknown line");
    }
  }
  if (!c.period_) throw CalendarError("calendar without a period");
  if (!every_day && !c.knows_days_) {
    // A period with day sets but no train: a calendar of no trains.
    Calendar empty(*c.period_);
    return empty;
  }
  return c;
}

}  // namespace lanzhou::data
