#include "data/csv_syntax.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace lanzhou::data;

TEST(CsvLineReader, RunsOfLineEndBytesAreOneLineEnd) {
  csv::LineReader reader(std::string_view("\r\na\r\n\r\nb\n\0\rc\r\r\n\nd", 18));
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(CsvLineReader, LastLineWithoutLineEndAndEmptyText) {
  std::string_view line;
  csv::LineReader one("\"x\",\"y\",");
  ASSERT_TRUE(one.Next(line));
  EXPECT_EQ(line, "\"x\",\"y\",");
  EXPECT_FALSE(one.Next(line));
  csv::LineReader empty("\r\n\r\n");
  EXPECT_FALSE(empty.Next(line));
}

TEST(CsvLineReader, CommentLinesOnlyWithACommentCharacter) {
  std::string_view line;
  csv::LineReader with(";skip\r\nkeep\r\n", ';');
  ASSERT_TRUE(with.Next(line));
  EXPECT_EQ(line, "keep");
  EXPECT_FALSE(with.Next(line));
  csv::LineReader without(";kept\r\n");
  ASSERT_TRUE(without.Next(line));
  EXPECT_EQ(line, ";kept");
}

TEST(CsvTokenizer, QuotedValuesTrailingDelimiterAndEmptyValues) {
  csv::ValueTokenizer tok;
  EXPECT_EQ(tok.Split(R"("1043","西安","1","","21:25",)"),
            (std::vector<std::string>{"1043", "西安", "1", "", "21:25"}));
  EXPECT_EQ(tok.Split("a,b"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(tok.Split("a,,b,"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(tok.Split(","), (std::vector<std::string>{""}));
  EXPECT_EQ(tok.Split(""), (std::vector<std::string>{}));
  // A one-character value at the very end of the line is read.
  EXPECT_EQ(tok.Split("ab,c"), (std::vector<std::string>{"ab", "c"}));
}

TEST(CsvTokenizer, DoubledQuotesAndDelimitersInsideQuotes) {
  csv::ValueTokenizer tok;
  EXPECT_EQ(tok.Split(R"("say ""hi""","a,b",c)"),
            (std::vector<std::string>{"say \"hi\"", "a,b", "c"}));
  // Quotes open and close anywhere in a value and are not part of it.
  EXPECT_EQ(tok.Split(R"(ab"c,d"e,"x"y,z""w)"), (std::vector<std::string>{"abc,de", "xy", "zw"}));
  EXPECT_EQ(tok.Split(R"("""","")"), (std::vector<std::string>{"\"", ""}));
  // An unclosed quote runs to the end of the line.
  EXPECT_EQ(tok.Split(R"("a,b)"), (std::vector<std::string>{"a,b"}));
  // The whole-line definition value keeps its inner quotes, once each.
  EXPECT_EQ(tok.Split(R"("Gp=Integer,0,""Gp"","""",10,Data,""""")"),
            (std::vector<std::string>{R"(Gp=Integer,0,"Gp","",10,Data,"")"}));
}

TEST(CsvTokenizer, NullIsAnEmptyValueWithoutQuotes) {
  csv::ValueTokenizer tok;
  tok.Reset(R"(,"",x)");
  csv::Value v;
  ASSERT_TRUE(tok.Next(v));
  EXPECT_TRUE(v.null);
  ASSERT_TRUE(tok.Next(v));
  EXPECT_FALSE(v.null);
  EXPECT_EQ(v.text, "");
  ASSERT_TRUE(tok.Next(v));
  EXPECT_EQ(v.text, "x");
  EXPECT_FALSE(tok.Next(v));
}

TEST(CsvTokenizer, OtherDelimitersAndQuote) {
  csv::ValueTokenizer tok('\'', ';', '|');
  EXPECT_EQ(tok.Split("'a;b';c|d,e|"), (std::vector<std::string>{"a;b", "c", "d,e"}));
}

TEST(CsvQuoting, UnquoteLineAndCommaList) {
  EXPECT_EQ(csv::UnquoteLine(R"("SGp=""Gp"",""SGp""")"), R"(SGp="Gp","SGp")");
  EXPECT_EQ(csv::UnquoteLine(R"("a"ignored)"), "a");
  EXPECT_EQ(csv::UnquoteLine("no quote"), "");
  EXPECT_EQ(csv::SplitCommaList(R"(WideString,20,"Station","",20,Data,"")"),
            (std::vector<std::string>{"WideString", "20", "Station", "", "20", "Data", ""}));
  EXPECT_EQ(csv::SplitCommaList(R"("a,b","say ""x""",,)"),
            (std::vector<std::string>{"a,b", "say \"x\"", "", ""}));
  EXPECT_TRUE(csv::SplitCommaList("").empty());
}

TEST(CsvValues, EscapesAndSixBitText) {
  std::string out;
  csv::DecodeEscapes("a%%b%cc%nd%0e", '%', out);
  EXPECT_EQ(out, std::string("a%b\rc\nd\0e", 9));
  csv::DecodeEscapes("plain", '%', out);
  EXPECT_EQ(out, "plain");
  csv::DecodeEscapes("end%", '%', out);
  EXPECT_EQ(out, "end");
  // "ABC" is 0x434241 read from its low bits: six-bit groups 1, 9, 52, 16 -> "!)T0".
  EXPECT_EQ(csv::DecodeSixBit("!)T0"), "ABC");
  EXPECT_EQ(csv::DecodeSixBit(""), "");
}
