#pragma once
// Line splitting shared by the readers, and the reader of trains/*.txt blocks.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "import/source.h"

namespace lanzhou::timetable_build {

// One non-empty source line: its number and its whitespace-separated fields, comments removed.
struct SourceLine {
  int number = 0;
  std::vector<std::string> fields;
};

// The lines of a UTF-8 source file; an unreadable or invalid file is reported and gives none.
[[nodiscard]] std::vector<SourceLine> ReadSourceLines(const std::filesystem::path& path,
                                                      const std::string& file,
                                                      Diagnostics& diagnostics);

// Whole non-negative decimal number ("0", "155"); nullopt otherwise.
[[nodiscard]] std::optional<int> ParseWhole(const std::string& text);

// Non-negative decimal number ("0.3097"); nullopt otherwise.
[[nodiscard]] std::optional<double> ParseDecimal(const std::string& text);

// Appends the train blocks of one file to source.trains.
void ReadTrains(const std::filesystem::path& path, const std::string& file, Source& source,
                Diagnostics& diagnostics);

}  // namespace lanzhou::timetable_build
