#pragma once
// Running the real lanzhou-query binary on the fixture timetable: the fixture tables written
// as --data folders (plain GBK text with CR LF, and packed), and a runner that captures the
// exit code, standard output and standard error.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lanzhou::cli::testing {

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs lanzhou-query with these words (each passed as one argument).
[[nodiscard]] RunResult RunQuery(const std::vector<std::string>& words);
// Runs another program the same way.
[[nodiscard]] RunResult RunProgram(const std::string& binary,
                                   const std::vector<std::string>& words);

// tests/fixtures/<file> (UTF-8, LF) as table text: GBK with CR LF.
[[nodiscard]] std::string FixtureTableText(std::string_view file);

// Folders holding STRAIN, SLIST, SM and SPY made from the fixtures: plain table text, and
// packed (4-byte size + zlib). Made once per test binary.
[[nodiscard]] const std::string& PlainDataDir();
[[nodiscard]] const std::string& PackedDataDir();
// A timetable file holding the four fixture tables. Made once per test binary.
[[nodiscard]] const std::string& TimetableFileOfFixtures();

// A fresh folder named `folder` with the four plain fixture tables, except that table `name`
// holds `bytes` instead, or is left out when bytes is nullopt.
[[nodiscard]] std::string DataDirWith(std::string_view folder, std::string_view name,
                                      std::optional<std::string> bytes);

// The words of a query on the plain fixture folder: {"--data", dir, words...}.
[[nodiscard]] std::vector<std::string> OnFixtures(std::vector<std::string> words);

}  // namespace lanzhou::cli::testing
