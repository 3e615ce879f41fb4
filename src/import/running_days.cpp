#include "import/running_days.h"

#include <algorithm>

#include "data/calendar.h"

namespace lanzhou::import {
namespace {

using std::chrono::sys_days;

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(std::string_view digits) {
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

// A YYMMDD text of the 2000s as a day; throws for a date that does not exist.
sys_days ShortDate(const std::string& yymmdd, std::string_view spec) {
  const std::chrono::year_month_day ymd{std::chrono::year{2000 + Number(yymmdd.substr(0, 2))},
                                        std::chrono::month{unsigned(Number(yymmdd.substr(2, 2)))},
                                        std::chrono::day{unsigned(Number(yymmdd.substr(4, 2)))}};
  if (!ymd.ok()) {
    throw RunningDaysError("no such date " + yymmdd + " in running days \"" + std::string(spec) +
                           "\"");
  }
  return sys_days{ymd};
}

long long Modulo(long long a, long long n) {
  return ((a % n) + n) % n;
}

constexpr std::string_view kStop = "停";
constexpr std::string_view kOdd = "单";
constexpr std::string_view kEven = "双";

}  // namespace

RunningDays::RunningDays(std::string_view spec) {
  if (spec.empty()) return;
  std::size_t begin = 0;
  while (true) {
    const std::size_t amp = spec.find('&', begin);
    const std::string_view term =
        spec.substr(begin, amp == std::string_view::npos ? std::string_view::npos : amp - begin);
    if (term.empty())
      throw RunningDaysError("empty term in running days \"" + std::string(spec) + "\"");
    terms_.push_back(ParseTerm(term));
    if (amp == std::string_view::npos) break;
    begin = amp + 1;
  }
}

RunningDays::Term RunningDays::ParseTerm(std::string_view text) {
  Term term;
  const std::string whole(text);
  // Double negations cancel; "!!x" is x.
  while (true) {
    if (text.starts_with('!')) {
      text.remove_prefix(1);
    } else if (text.starts_with(kStop)) {
      text.remove_prefix(kStop.size());
    } else {
      break;
    }
    term.negated = !term.negated;
  }
  auto bad = [&whole](const char* what) {
    return RunningDaysError(std::string(what) + " in running days \"" + whole + "\"");
  };
  if (text == kOdd) {
    term.kind = Kind::kOdd;
  } else if (text == kEven) {
    term.kind = Kind::kEven;
  } else if (text.starts_with('w')) {
    term.kind = Kind::kWeekdays;
    text.remove_prefix(1);
    if (text.empty()) throw bad("no weekday after w");
    for (char c : text) {
      if (c < '1' || c > '7') throw bad("weekday not 1..7");
      term.weekdays |= 1u << (c - '0');
    }
  } else if (text.starts_with('b')) {
    term.kind = Kind::kCycle;
    text.remove_prefix(1);
    if (text.empty() || text.find_first_not_of("01") != std::string_view::npos) {
      throw bad("cycle not of 0 and 1");
    }
    term.cycle.assign(text);
  } else {
    term.kind = Kind::kDates;
    try {
      term.ranges = ParseDates(text);
    } catch (const RunningDaysError&) {
      throw bad("dates not YYMMDD[-tail][|tail[-tail]]...");
    }
  }
  return term;
}

std::vector<RunningDays::Range> RunningDays::ParseDates(std::string_view text) {
  std::vector<Range> ranges;
  std::string previous;  // the last date written, YYMMDD
  auto next_date = [&](std::string_view tail) {
    const bool first = previous.empty();
    if (!AllDigits(tail) ||
        (first ? tail.size() != 6 : (tail.size() % 2 != 0 || tail.size() > 6))) {
      throw RunningDaysError("bad date");
    }
    previous = first ? std::string(tail) : previous.substr(0, 6 - tail.size()) + std::string(tail);
    return ShortDate(previous, text);
  };
  std::size_t begin = 0;
  while (true) {
    const std::size_t bar = text.find('|', begin);
    const std::string_view piece =
        text.substr(begin, bar == std::string_view::npos ? std::string_view::npos : bar - begin);
    const std::size_t dash = piece.find('-');
    Range r;
    r.first = next_date(piece.substr(0, dash));
    r.last = dash == std::string_view::npos ? r.first : next_date(piece.substr(dash + 1));
    if (r.last < r.first) throw RunningDaysError("range ends before it starts");
    ranges.push_back(r);
    if (bar == std::string_view::npos) break;
    begin = bar + 1;
  }
  return ranges;
}

bool RunningDays::Holds(const Term& term, sys_days day, sys_days epoch) {
  const long long offset = (day - epoch).count();
  bool holds = false;
  switch (term.kind) {
    case Kind::kDates:
      holds = std::any_of(term.ranges.begin(), term.ranges.end(),
                          [day](const Range& r) { return r.first <= day && day <= r.last; });
      break;
    case Kind::kWeekdays:
      holds = (term.weekdays >> std::chrono::weekday{day}.iso_encoding() & 1u) != 0;
      break;
    case Kind::kOdd:
      holds = Modulo(offset, 2) == 1;
      break;
    case Kind::kEven:
      holds = Modulo(offset, 2) == 0;
      break;
    case Kind::kCycle: {
      const auto n = static_cast<long long>(term.cycle.size());
      holds = term.cycle[static_cast<std::size_t>(n - 1 - Modulo(offset, n))] == '1';
      break;
    }
  }
  return holds != term.negated;
}

bool RunningDays::RunsOn(sys_days day, sys_days epoch) const {
  return std::all_of(terms_.begin(), terms_.end(),
                     [&](const Term& t) { return Holds(t, day, epoch); });
}

sys_days ParseIsoDate(std::string_view text) {
  try {
    return data::ParseIsoDate(text);
  } catch (const data::CalendarError& e) {
    throw RunningDaysError(e.what());
  }
}

std::optional<sys_days> RunningDays::LastNamedDay() const {
  std::optional<sys_days> last;
  for (const Term& t : terms_) {
    for (const Range& r : t.ranges) {
      if (!last || r.last > *last) last = r.last;
    }
  }
  return last;
}

}  // namespace lanzhou::import
