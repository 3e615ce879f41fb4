// The whole real crawl of 2024 (../shared/realdata beside the checkout, or LANZHOU_SHARED_DIR)
// imported for its whole period, against the one-day import of every day of that period: the
// numbers the calendar runs on a day are exactly those of that day's import. Skipped where the
// data is absent. Prints the table day -> trains.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "data/calendar.h"
#include "import/crawl_import.h"
#include "text/gbk.h"
#include "timetable/train_class.h"

namespace lanzhou::import {
namespace {

namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The IDs of a train list text (GBK; the first field of every data row).
std::set<std::string> ListNumbers(const std::string& slist_gbk) {
  const std::string text = text::GbkToUtf8(slist_gbk);
  const std::string end = "\"@@TABLEDEF END@@\"\r\n";
  std::size_t at = text.find("\r\n", text.find(end) + end.size()) + 2;
  std::set<std::string> ids;
  while (at < text.size()) {
    const std::size_t close = text.find('"', at + 1);
    ids.insert(text.substr(at + 1, close - at - 1));
    at = text.find("\r\n", close) + 2;
  }
  return ids;
}

TEST(NationalPeriod, EveryDayAgreesWithItsOneDayImport) {
  const char* shared = std::getenv("LANZHOU_SHARED_DIR");
  const fs::path dir = fs::path(shared != nullptr ? shared : LANZHOU_DEFAULT_SHARED_DIR) / "realdata";
  const fs::path crawl = dir / "cr2024/raw/cr240615.min.csv";
  if (!fs::exists(crawl)) GTEST_SKIP() << "no real timetable under " << dir;
  const std::string timetable = ReadWhole(crawl);
  const std::string stations = ReadWhole(dir / "stations/station_20240820.csv");
  const std::string groups = ReadWhole(dir / "citygroups/samecity.csv");
  CrawlImportInput in;
  in.timetable = timetable;
  in.stations = stations;
  in.groups = groups;
  const CrawlImport whole = ImportCrawl(in);
  EXPECT_EQ(whole.period.Text(), "2024-06-15..2024-09-10");
  EXPECT_EQ(whole.versions, 21557);
  EXPECT_EQ(whole.trains, 21539);  // 18 versions have no timed stop
  EXPECT_TRUE(whole.warnings.empty()) << whole.warnings.front();
  const data::Calendar calendar = data::Calendar::Parse(whole.texts.calendar);
  ASSERT_EQ(calendar.VersionCount(), 21539);
  // Every day; under AddressSanitizer, whose imports are many times slower, every eleventh day
  // and the last, so that the test keeps within its time limit.
#if defined(__SANITIZE_ADDRESS__)
  constexpr int kStep = 11;
#else
  constexpr int kStep = 1;
#endif
  std::vector<int> days;
  for (int d = 0; d < whole.period.days; d += kStep) days.push_back(d);
  if (days.back() != whole.period.days - 1) days.push_back(whole.period.days - 1);
  for (const int d : days) {
    const data::Date day = whole.period.first + std::chrono::days{d};
    std::set<std::string> running;
    for (int v = 0; v < calendar.VersionCount(); ++v) {
      if (calendar.RunsOn(v, day)) {
        running.insert(std::string(timetable::TrainNumberOfId(calendar.Id(v))));
      }
    }
    in.day = day;
    const CrawlImport one = ImportCrawl(in);
    EXPECT_EQ(running, ListNumbers(one.texts.slist)) << data::IsoDateText(day);
    std::cout << data::IsoDateText(day) << " " << running.size() << " " << one.trains << "\n";
  }
}

}  // namespace
}  // namespace lanzhou::import
