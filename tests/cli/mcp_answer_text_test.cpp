// The text of an assistant's answer: rows cut to the length limit with a line counting what was
// left out, checked on random answers against what a reader of the text can tell.
#include <gtest/gtest.h>

#include <random>

#include "cli/mcp/answer_text.h"

namespace lanzhou::cli::mcp {
namespace {

std::string LeftOutLine(std::size_t n) {
  return "……另有 " + std::to_string(n) + " 行未列出；可用 limit、after、before 等参数缩小范围。\n";
}

TEST(cli_mcp_answer_text, RowsCutToTheLimitWithTheCountLeftOut) {
  std::mt19937 random(8000);
  const std::vector<std::string> pieces = {"G1", " | ", "北京南", "09:00", "上海虹桥", "-", "1318"};
  for (int round = 0; round < 400; ++round) {
    const std::string head = round % 3 == 0 ? "" : "北京 → 上海 直达车次：共 N 趟。\n";
    std::vector<std::string> rows(random() % 400);
    for (std::string& row : rows) {
      for (std::size_t k = random() % 40; k > 0; --k) row += pieces[random() % pieces.size()];
    }
    const std::size_t total = rows.size() + (round % 2 == 0 ? 0 : random() % 50);
    std::string text = head;
    const std::size_t kept = AppendRows(text, rows, total);

    // The head, then the first `kept` rows a line each, then the count of the rest.
    std::string expected = head;
    for (std::size_t i = 0; i < kept; ++i) expected += rows[i] + "\n";
    if (kept < total) expected += LeftOutLine(total - kept);
    ASSERT_EQ(text, expected) << round;
    EXPECT_LE(CharacterCount(text), kMaxAnswerCharacters) << round;
    // Rows are left out only for want of room: with the next one and its own closing line
    // the text would have been too long.
    if (kept < rows.size()) {
      const std::size_t closing =
          kept + 1 < total ? CharacterCount(LeftOutLine(total - kept - 1)) : 0;
      EXPECT_GT(CharacterCount(text) - CharacterCount(LeftOutLine(total - kept)) +
                    CharacterCount(rows[kept]) + 1 + closing,
                kMaxAnswerCharacters)
          << round;
    }
  }
  EXPECT_EQ(CharacterCount("北京南 G1"), 6u);
}

}  // namespace
}  // namespace lanzhou::cli::mcp
