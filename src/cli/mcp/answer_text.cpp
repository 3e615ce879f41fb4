#include "cli/mcp/answer_text.h"

namespace lanzhou::cli::mcp {

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t n = 0;
  for (const char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

namespace {

std::string LeftOutLine(std::size_t n) {
  return "……另有 " + std::to_string(n) + " 行未列出；可用 limit、after、before 等参数缩小范围。\n";
}

}  // namespace

std::size_t AppendRows(std::string& text, const std::vector<std::string>& rows, std::size_t total) {
  std::size_t used = CharacterCount(text);
  std::size_t kept = 0;
  for (; kept < rows.size(); ++kept) {
    const std::size_t line = CharacterCount(rows[kept]) + 1;
    // Room for the closing line that would follow this row.
    const std::size_t closing =
        kept + 1 < total ? CharacterCount(LeftOutLine(total - kept - 1)) : 0;
    if (used + line + closing > kMaxAnswerCharacters) break;
    text += rows[kept];
    text += '\n';
    used += line;
  }
  if (kept < total) text += LeftOutLine(total - kept);
  return kept;
}

}  // namespace lanzhou::cli::mcp
