#pragma once
// Text building blocks of the command line's output: columns aligned for a terminal (Chinese
// characters take two cells), JSON strings and objects, comma-joined lines.
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

// A JSON string literal: quotes, backslashes and control characters escaped; other UTF-8
// passes through.
[[nodiscard]] std::string JsonString(std::string_view text);

// One JSON object written member by member on one line: {"a":1,"b":"x"}.
class JsonObject {
 public:
  JsonObject& Text(std::string_view key, std::string_view value);
  JsonObject& Integer(std::string_view key, std::int64_t value);
  JsonObject& Boolean(std::string_view key, bool value);
  // A member whose value is already JSON (an array, an object, null).
  JsonObject& Raw(std::string_view key, std::string_view json);
  [[nodiscard]] std::string Str() const { return body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string body_ = "{";
};

// A JSON array of already written values, one a line: "[\n" v1 ",\n" v2 "\n]\n"; "[]\n" when
// there are none.
[[nodiscard]] std::string JsonArrayLines(const std::vector<std::string>& values);

// Lines joined, each ending in "\n".
[[nodiscard]] std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace lanzhou::cli
