#pragma once
// Text building blocks of the command line's output: columns aligned for a terminal (Chinese
// characters take two cells), JSON arrays a value a line, comma-joined lines.
#include <boost/json/array.hpp>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lanzhou::cli {

// Terminal cells a UTF-8 text takes: East Asian wide characters (Chinese, full-width forms)
// two, everything else one. Invalid bytes count one each.
[[nodiscard]] std::size_t DisplayWidth(std::string_view utf8);

// Widest cell a terminal table shows, in cells; a longer text is cut and ends in "…".
inline constexpr std::size_t kMaxCellWidth = 64;

// The text as a table cell shows it: whole when it takes at most kMaxCellWidth cells, else its
// longest start that leaves room for "…", then "…".
[[nodiscard]] std::string ElideCell(std::string_view utf8);

// Rows of cells as lines: each cell elided as ElideCell does, each column padded to its widest
// shown cell, columns two blanks apart, trailing blanks dropped, every line ending in "\n".
[[nodiscard]] std::string AlignColumns(const std::vector<std::vector<std::string>>& rows);

// JSON is written by Boost.JSON (compact: no blanks between members); this file only lays
// out the top-level arrays the commands print.

// A JSON array, one element a line: "[\n" v1 ",\n" v2 "\n]\n"; "[]\n" when it is empty.
[[nodiscard]] std::string JsonArrayLines(const boost::json::array& values);

// Lines joined, each ending in "\n".
[[nodiscard]] std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace lanzhou::cli
