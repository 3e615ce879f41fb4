// The crawl importer on outside bytes: the raw crawl (train blocks with their running days), the
// station list and the same-city groups -> ImportCrawl -> the rules every timetable file's
// tables must pass, as import-crawl runs them before writing.
//
// Input: the crawl, the station list and the groups, separated by lines "@@@@"; an input whose
// last byte is even imports one day (2024-07-05), an odd one the whole period with its calendar.
// Beyond crashes and sanitizer reports the fuzzer aborts when the importer's own
// counts disagree with the tables it made, or when the checks throw anything but the refusal
// they are made to throw.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/timetable_file.h"
#include "import/crawl_import.h"

namespace {

namespace data = lanzhou::data;
namespace import = lanzhou::import;

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

std::string_view Next(std::string_view& rest) {
  constexpr std::string_view kSeparator = "\n@@@@\n";
  const std::size_t at = rest.find(kSeparator);
  const std::string_view part = rest.substr(0, at);
  rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + kSeparator.size());
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(bytes), size);
  import::CrawlImportInput input;
  input.timetable = Next(rest);
  input.stations = Next(rest);
  input.groups = Next(rest);
  const bool one_day = size == 0 || (bytes[size - 1] & 1) == 0;
  if (one_day) input.day = std::chrono::sys_days(std::chrono::year(2024) / 7 / 5);
  import::CrawlImport result;
  try {
    result = import::ImportCrawl(input);
  } catch (const import::ImportError&) {
    return 0;
  } catch (const import::RunningDaysError&) {
    return 0;
  } catch (const import::OutsidePeriodError&) {
    return 0;
  }
  Require(result.trains >= 0 && result.stops >= result.trains && result.stations >= 0,
          "impossible counts");
  if (result.trains == 0) return 0;  // refused by import-crawl before any check
  data::TimetableMeta meta;
  meta.name = "全国";
  meta.valid_date = one_day ? "2024-07-05" : result.period.Text();
  meta.trains = result.trains;
  meta.stops = result.stops;
  meta.stations = result.stations;
  try {
    data::CheckTimetableTexts(meta, result.texts, "fuzz.lzt");
  } catch (const data::TimetableFileError& e) {
    // The tables may break a rule (a train of 1,000 stops); the counts are the importer's own
    // and must agree with what it wrote.
    Require(std::string_view(e.detail()).find(" says ") == std::string_view::npos,
            "the importer's counts disagree with its tables");
  }
  return 0;
}
