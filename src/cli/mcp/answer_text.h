#pragma once
// The text of a tool's answer: a few head lines, then rows a line each, cut to a length an
// assistant reads whole, with a line counting what was left out.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lanzhou::cli::mcp {

// Longest text of one answer, in characters.
inline constexpr std::size_t kMaxAnswerCharacters = 8000;

// Characters (code points) of a UTF-8 text.
[[nodiscard]] std::size_t CharacterCount(std::string_view utf8);

// Appends to text (the head lines) as many of rows as fit, a line each, so that the whole
// stays within kMaxAnswerCharacters; then, when fewer than total rows were written (rows may
// already be fewer than total, cut by a limit), a line "……另有 N 行未列出；…" with N = total
// minus the rows written. Returns the rows written: always a prefix of rows.
std::size_t AppendRows(std::string& text, const std::vector<std::string>& rows, std::size_t total);

}  // namespace lanzhou::cli::mcp
