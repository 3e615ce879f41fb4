// Texts no station box would hold, handed to lanzhou-query: very long names (kept so that one
// command line stays below the 128 KiB a single shell argument may take), control
// characters, bytes that are not UTF-8, lone lead bytes. Each must end in the window's normal
// message or an empty answer, never in a crash or a hang.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "query_test_support.h"

namespace lanzhou::cli::testing {
namespace {

// Texts that are not station names, in the ways a pasted or scripted argument goes wrong.
std::vector<std::string> HostileTexts() {
  std::string long_chinese;
  for (int i = 0; i < 5'000; ++i) long_chinese += "北京";
  return {
      std::string(50'000, 'x') + "站",  // far longer than any field
      long_chinese,                       // a valid name repeated past every size
      "北\x01京",                          // control character inside a name
      "北京\t\r\n",                        // trailing control characters
      "\xff\xfe\xfd",                     // not UTF-8 at all
      "\xe5\x8c",                         // a character cut after two of its three bytes
      "\xb1\xb1\xbe\xa9",                 // 北京 in GBK bytes, not UTF-8
      "%s%n%d",                           // format directives
      "\"\",,\"",                         // quotes and commas of the table text
  };
}

// Exit 2 and one line of the window's messages, or exit 0 for a query with no rows; never a
// signal (RunQuery reports a signal as -1).
void ExpectOrdinaryAnswer(const std::vector<std::string>& words) {
  const RunResult r = RunQuery(OnFixtures(words));
  SCOPED_TRACE(::testing::PrintToString(words).substr(0, 200));
  ASSERT_TRUE(r.exit_code == 0 || r.exit_code == 2) << "exit " << r.exit_code << ": " << r.err;
  if (r.exit_code == 2) {
    EXPECT_TRUE(r.err.find("输入错误: ") == 0 || r.err.find("信息不完整: ") == 0) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST(cli_hostile_input, StationBoxesAnswerWithTheWindowsMessages) {
  for (const std::string& text : HostileTexts()) {
    ExpectOrdinaryAnswer({"between", text, "上海"});
    ExpectOrdinaryAnswer({"between", "北京", text});
    ExpectOrdinaryAnswer({"transfer", text, text + "x"});
    ExpectOrdinaryAnswer({"station", text});
  }
}

TEST(cli_hostile_input, UnknownNamesGetTheUnknownStationMessages) {
  // Long and control-character names are simply not stations.
  const std::string long_name = std::string(100'000, 'x') + "站";  // not only initials
  RunResult r = RunQuery(OnFixtures({"station", long_name}));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "输入错误: 车站不存在。\n");
  r = RunQuery(OnFixtures({"between", "北\x01京", "上海"}));
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "输入错误: 发站不存在。\n");
}

TEST(cli_hostile_input, TrainNumbersAndCompletionNeverFail) {
  for (const std::string& text : HostileTexts()) {
    // An answer, or the refusal of a number the train list does not hold.
    const RunResult train = RunQuery(OnFixtures({"train", text}));
    EXPECT_TRUE(train.exit_code == 0 ||
                (train.exit_code == 2 && train.err == "输入错误: 车次不存在。\n"))
        << train.err;
    const RunResult complete = RunQuery(OnFixtures({"complete", text}));
    EXPECT_TRUE(complete.exit_code == 0 || complete.exit_code == 2) << complete.err;
  }
}

}  // namespace
}  // namespace lanzhou::cli::testing
