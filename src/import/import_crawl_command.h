#pragma once
// import-crawl: the raw crawl of the national timetable, the station list and the same-city
// groups, for one day, written as a timetable (--tables DIR: the four table texts as files
// strain.txt, slist.txt, sm.txt, spy.txt, which lanzhou-query --data reads).
#include <ostream>
#include <string>
#include <vector>

namespace lanzhou::import {

// The command's words after "import-crawl". Returns the exit code: 0 done, 2 a bad command
// line, 1 an input that cannot be read or an output that cannot be written (the reason on err).
[[nodiscard]] int RunImportCrawl(const std::vector<std::string>& words, std::ostream& out,
                                 std::ostream& err);

// The text of import-crawl --help.
[[nodiscard]] std::string ImportCrawlHelp();

}  // namespace lanzhou::import
