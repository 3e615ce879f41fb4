#pragma once
// The raw compact timetable of the community crawl: blocks separated by empty lines, each with
// one or more header lines (train_no,train_code[,running_days[,flag]]) and the stop lines they
// share. The first stop is `STATION,,HH:MM` (departure); later stops are `STATION,run,dwell`,
// with run the minutes from the previous departure, dwell the minutes stopped (an absolute
// HH:MM departure for some long stops) and empty at the terminus. STATION is a telegraph code
// or a Chinese name, possibly with padding spaces.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lanzhou::import {

// A line of an input that cannot be read; what() is "<what>:<line>: <rule>".
class ImportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One stop: times in minutes after 00:00 of the day the train leaves its origin.
struct CrawlStop {
  std::string station;  // as written, padding spaces removed: a code ("VNP") or a name
  int arrival = -1;     // -1 at the origin
  int departure = -1;   // -1 at the terminus
  int line = 0;         // where it was written
};

// One train version: a header and the stops of its block.
struct CrawlTrain {
  std::string train_no;      // 12306 internal number
  std::string code;          // number shown to passengers at the origin
  std::string running_days;  // as written
  int line = 0;              // the header's line number
  std::size_t stops = 0;     // index of the block's stops in CrawlTimetable::blocks
};

struct CrawlTimetable {
  std::vector<CrawlTrain> trains;              // file order
  std::vector<std::vector<CrawlStop>> blocks;  // the stop lists the headers share
  int unusable_blocks = 0;  // blocks without a timed first stop (no stops, or one bare name)
};

// Parses the whole file (a UTF-8 byte-order mark is skipped; LF or CR LF). Headers of a block
// without a usable stop list get an empty list. Throws ImportError naming `what` and the line.
[[nodiscard]] CrawlTimetable ParseCrawlTimetable(std::string_view text, std::string_view what);

// The number a train carries in the tables: the code at its origin (the crawl's train_code)
// first and, when the train changes number on the way, the 12306 number's own code (characters
// 3..10 of train_no, leading zeros dropped): "K1231/K1234", "4167/4170". Just the code when the
// two agree or when train_no holds no train number there.
[[nodiscard]] std::string TrainId(std::string_view train_no, std::string_view code);

// Text without any ASCII blank ("肇  庆" -> "肇庆").
[[nodiscard]] std::string WithoutBlanks(std::string_view text);

// Calls f(line_number, line) for every line of a text, numbered from 1, without its line end; a
// UTF-8 byte-order mark at the start is skipped.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int line_no = 0;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(begin, end - begin);
    begin = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    f(++line_no, line);
  }
}

// The fields of one CSV line split at commas (no quoting in these files).
[[nodiscard]] std::vector<std::string_view> SplitFields(std::string_view line);

}  // namespace lanzhou::import
