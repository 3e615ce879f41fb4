#include "text/gbk.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <map>
#include <string>

using namespace lanzhou::text;

TEST(Gbk, RoundTripsStationNamesAndAscii) {
  // 北京西 is B1 B1 BE A9 CE F7 in GBK.
  const std::string gbk = "\xB1\xB1\xBE\xA9\xCE\xF7";
  EXPECT_EQ(GbkToUtf8(gbk), "北京西");
  EXPECT_EQ(Utf8ToGbk("北京西"), gbk);
  EXPECT_EQ(Utf8ToGbk("K1032/K1033"), "K1032/K1033");
  EXPECT_EQ(GbkToUtf8(Utf8ToGbk("岚舟时刻,\"1043\",%c")), "岚舟时刻,\"1043\",%c");
  EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(Gbk, InvalidBytesNeverThrowAndAreReplaced) {
  // A lone lead byte at the end, a lead byte before an ASCII byte that is no trail, 0xFF.
  EXPECT_EQ(GbkToUtf8("A\xB1"), "A\uFFFD");
  EXPECT_EQ(GbkToUtf8("\xB1\x22x"), "\uFFFD\"x");
  EXPECT_EQ(GbkToUtf8("\xFF"), "\uFFFD");
  // Invalid UTF-8 (truncated, overlong, lone continuation) and characters GBK lacks become '?'.
  EXPECT_EQ(Utf8ToGbk("a\xE5\x8C"), "a??");
  EXPECT_EQ(Utf8ToGbk("\xC0\xAF"), "??");
  EXPECT_EQ(Utf8ToGbk("\x80z"), "?z");
  EXPECT_EQ(Utf8ToGbk("😀"), "?");
}

TEST(Gbk, LengthCountsTwoBytesPerChineseCharacter) {
  EXPECT_EQ(GbkLength("北京西"), 6u);
  EXPECT_EQ(GbkLength("2011.08.15"), 10u);
  EXPECT_EQ(GbkLength("岚舟时刻公"), 10u);  // 15 bytes of UTF-8
  EXPECT_EQ(GbkLength(""), 0u);
}

TEST(Gbk, CompareFollowsGbkByteOrderNotUnicodeOrder) {
  // 北 (U+5317, GBK B1B1) and 安 (U+5B89, GBK B0B2): Unicode puts 北 first, GBK puts 安 first.
  EXPECT_LT(CompareGbk("安", "北"), 0);
  EXPECT_GT(CompareGbk("北", "安"), 0);
  EXPECT_LT(CompareGbk("北京", "北京西"), 0);
  EXPECT_EQ(CompareGbk("上海", "上海"), 0);
  EXPECT_LT(CompareGbk("1043", "1112/1113"), 0);
  EXPECT_LT(CompareGbk("Z98", "北"), 0);  // ASCII before every two-byte character
  EXPECT_LT(CompareGbk("", "a"), 0);
}

TEST(Gbk, ValidUtf8) {
  EXPECT_TRUE(IsValidUtf8("北京 abc \uFFFD"));
  EXPECT_FALSE(IsValidUtf8("\xE5\x8C"));
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
}

// Without a GBK converter every Chinese character would read as U+FFFD; the failure to open one
// must be a message that says so (table readers refuse to load while there is one).
TEST(Gbk, AMissingConverterIsSaidNotHidden) {
  EXPECT_EQ(GbkConverterError(), "");
  const std::string message = detail::ConverterErrorFor("NO-SUCH-CHARSET-8");
  EXPECT_EQ(message.rfind("cannot convert GBK text: the C library has no NO-SUCH-CHARSET-8 "
                          "converter (",
                          0),
            0u)
      << message;
  EXPECT_EQ(detail::ConverterErrorFor("GBK"), "");
}

// The tables are built from the C library's converter a row at a time; each of the 23,940 lead
// and trail pairs must read as that converter reads the pair on its own (U+FFFD where it
// refuses it), and every character must find its way back to the first pair that gives it.
TEST(Gbk, EveryPairReadsAsTheCLibraryConvertsItAlone) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  int refused = 0;
  std::map<std::string, std::string> first_pair;
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      char in[2] = {pair[0], pair[1]};
      char out[8];
      char* inp = in;
      char* outp = out;
      std::size_t inleft = 2, outleft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      const bool ok = iconv(cd, &inp, &inleft, &outp, &outleft) != static_cast<std::size_t>(-1) &&
                      inleft == 0;
      const std::string expected = ok ? std::string(out, sizeof out - outleft) : "\uFFFD";
      refused += ok ? 0 : 1;
      ASSERT_EQ(GbkToUtf8(pair), expected) << std::hex << lead << " " << trail;
      if (ok) first_pair.emplace(expected, pair);
    }
  }
  iconv_close(cd);
  EXPECT_GT(refused, 0);  // the user-defined areas
  EXPECT_GT(first_pair.size(), 21000u);
  for (const auto& [utf8, pair] : first_pair) ASSERT_EQ(Utf8ToGbk(utf8), pair) << utf8;
}
