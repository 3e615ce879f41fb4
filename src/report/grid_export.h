#pragma once
// The comma-separated export of a result grid: the file's lines, and writing them as a GBK text
// file with CR LF line ends. Asking for the file name is the window's part.
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "system/atomic_file.h"

namespace lanzhou::report {

// Which grid is printed or exported; it decides the column captions.
enum class GridKind { Main = 0, Detail = 1, Journey = 2 };

// The company line of printouts and exports, and the maker's web address written beside it.
inline constexpr std::string_view kCompanyName = "岚舟时刻公司";
inline constexpr std::string_view kCompanyWebAddress = "http://www.lanzhou-shike.cn";

inline constexpr int kMainGridColumnCount = 15;
inline constexpr int kDetailGridColumnCount = 8;
inline constexpr int kJourneyGridColumnCount = 10;

// Caption i (0 … 14) of SGrid's columns for print and export; empty text outside that range.
[[nodiscard]] std::string_view MainGridColumnCaption(int i);
// Caption i (0 … 7) of MGrid's columns for print and export; empty text outside that range.
[[nodiscard]] std::string_view DetailGridColumnCaption(int i);
// All captions of the grid kind, in column order (15 for Main, 8 for Detail, 8 for the journey
// list: 出发, 到达, 历时, 换乘, 车次, 换乘站, 等候, 票价).
[[nodiscard]] std::vector<std::string> GridCaptions(GridKind kind);

// One grid row: its cell texts from column 0 on. Missing cells read as empty text.
using GridRow = std::vector<std::string>;

// The export file's lines (UTF-8, no line ends): two empty lines, the company name, the web
// address, two empty lines, the captions joined by ",", then each row's cells of the kind's
// columns joined by ",", written as they are (no quoting; cells past the columns are left out).
// A `heading` (the travel date's) stands in the first of the two lines before the captions.
[[nodiscard]] std::vector<std::string> ExportGridCsvLines(GridKind kind,
                                                          std::span<const GridRow> rows,
                                                          std::string_view heading = {});

// A file the export could not write; what() is the text for the error box.
using ExportError = system::FileWriteError;

// Writes the lines as GBK text, each (the last too) ending in CR LF, replacing `path` whole:
// on failure (also a folder that takes no new file) throws ExportError and leaves an existing
// file as it was.
void WriteLinesGbkAtomically(const std::filesystem::path& path, std::span<const std::string> lines);

}  // namespace lanzhou::report
