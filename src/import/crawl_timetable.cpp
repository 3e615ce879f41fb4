#include "import/crawl_timetable.h"

#include <algorithm>
#include <optional>

namespace lanzhou::import {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::optional<int> Minutes(std::string_view digits) {
  if (digits.empty() || digits.size() > 5 || !std::all_of(digits.begin(), digits.end(), IsDigit)) {
    return std::nullopt;
  }
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

std::optional<int> Clock(std::string_view text) {
  if (text.size() != 5 || text[2] != ':' || !IsDigit(text[0]) || !IsDigit(text[1]) ||
      !IsDigit(text[3]) || !IsDigit(text[4])) {
    return std::nullopt;
  }
  const int h = (text[0] - '0') * 10 + (text[1] - '0');
  const int m = (text[3] - '0') * 10 + (text[4] - '0');
  if (h > 23 || m > 59) return std::nullopt;
  return h * 60 + m;
}

// A header's first field: the 12-character 12306 number, letters and digits.
bool IsTrainNo(std::string_view field) {
  return field.size() == 12 && std::all_of(field.begin(), field.end(), [](char c) {
           return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
         });
}

class Parser {
 public:
  explicit Parser(std::string_view what) : what_(what) {}

  CrawlTimetable Run(std::string_view text) {
    ForEachLine(text, [this](int line_no, std::string_view line) {
      line_no_ = line_no;
      Line(line);
    });
    EndBlock();
    return std::move(out_);
  }

 private:
  [[noreturn]] void Fail(const std::string& rule) const {
    throw ImportError(std::string(what_) + ":" + std::to_string(line_no_) + ": " + rule);
  }

  void Line(std::string_view line) {
    if (line.empty()) {
      EndBlock();
      return;
    }
    const auto fields = SplitFields(line);
    // A header after stop lines starts the next block even without the empty line between.
    if (IsTrainNo(fields[0]) && fields.size() >= 2) {
      if (!stops_.empty() || bare_) EndBlock();
      if (fields[1].empty()) Fail("header without a train number");
      out_.trains.push_back({std::string(fields[0]), std::string(fields[1]),
                             fields.size() > 2 ? std::string(fields[2]) : std::string(), line_no_,
                             0});
      ++headers_;
      return;
    }
    if (headers_ == 0) Fail("stop line before any header");
    std::string station = WithoutBlanks(fields[0]);
    if (station.empty()) Fail("stop without a station");
    if (bare_) Fail("stop after a stop without a time");
    if (stops_.empty()) {
      if (fields.size() == 1) {  // a lone station without a time: the block is unusable
        bare_ = true;
        return;
      }
      const auto departure =
          fields.size() == 3 && fields[1].empty() ? Clock(fields[2]) : std::nullopt;
      if (!departure) Fail("first stop is not STATION,,HH:MM");
      stops_.push_back({std::move(station), -1, *departure, line_no_});
      return;
    }
    CrawlStop& previous = stops_.back();
    if (previous.departure < 0) Fail("stop after the terminus (a stop without dwell)");
    const auto run = fields.size() >= 2 ? Minutes(fields[1]) : std::nullopt;
    if (!run || fields.size() > 3) Fail("stop is not STATION,run,dwell");
    CrawlStop stop{std::move(station), previous.departure + *run, -1, line_no_};
    if (fields.size() == 3 && !fields[2].empty()) {
      if (const auto dwell = Minutes(fields[2])) {
        stop.departure = stop.arrival + *dwell;
      } else if (const auto clock = Clock(fields[2])) {
        // An absolute departure: the first time of day at or after the arrival.
        stop.departure = stop.arrival + ((*clock - stop.arrival) % 1440 + 1440) % 1440;
      } else {
        Fail("dwell is neither minutes nor HH:MM");
      }
    }
    // Elapsed times are written with at most two digits of hours.
    if (stop.arrival - stops_.front().departure >= 100 * 60 ||
        stop.departure - stops_.front().departure >= 100 * 60) {
      Fail("stop 100 hours or more after the departure from the first stop");
    }
    stops_.push_back(std::move(stop));
  }

  void EndBlock() {
    if (headers_ > 0) {
      const bool usable = !stops_.empty();
      if (!usable) ++out_.unusable_blocks;
      out_.blocks.push_back(usable ? std::move(stops_) : std::vector<CrawlStop>{});
      const std::size_t index = out_.blocks.size() - 1;
      for (std::size_t i = out_.trains.size() - headers_; i < out_.trains.size(); ++i) {
        out_.trains[i].stops = index;
      }
    }
    stops_.clear();
    headers_ = 0;
    bare_ = false;
  }

  std::string_view what_;
  int line_no_ = 0;
  CrawlTimetable out_;
  std::vector<CrawlStop> stops_;
  std::size_t headers_ = 0;  // headers of the block being read
  bool bare_ = false;        // the block's first stop had no time
};

}  // namespace

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t begin = 0;
  while (true) {
    const std::size_t comma = line.find(',', begin);
    if (comma == std::string_view::npos) {
      fields.push_back(line.substr(begin));
      return fields;
    }
    fields.push_back(line.substr(begin, comma - begin));
    begin = comma + 1;
  }
}

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t') out += c;
  }
  return out;
}

CrawlTimetable ParseCrawlTimetable(std::string_view text, std::string_view what) {
  return Parser(what).Run(text);
}

std::string TrainId(std::string_view train_no, std::string_view code) {
  std::string_view own = train_no.size() == 12 ? train_no.substr(2, 8) : std::string_view();
  while (own.starts_with('0')) own.remove_prefix(1);
  // A train number: capital letters, then digits ("G1", "S8062", "4170").
  const std::size_t digits = own.find_first_of("0123456789");
  const bool plausible =
      digits != std::string_view::npos &&
      std::all_of(own.begin(), own.begin() + static_cast<std::ptrdiff_t>(digits),
                  [](char c) { return c >= 'A' && c <= 'Z'; }) &&
      std::all_of(own.begin() + static_cast<std::ptrdiff_t>(digits), own.end(), IsDigit);
  if (!plausible || own == code) return std::string(code);
  return std::string(code) + "/" + std::string(own);
}

}  // namespace lanzhou::import
