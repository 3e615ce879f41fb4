#pragma once
// The syntax of table text, below any table: lines, values, quoting, escapes. Works on GBK and
// UTF-8 alike, since GBK trail bytes are never a quote, comma, '%', CR, LF or NUL.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lanzhou::data::csv {

inline constexpr std::string_view kFileVersionMarker = "@@FILE VERSION@@";
inline constexpr std::string_view kTableDefStartMarker = "@@TABLEDEF START@@";
inline constexpr std::string_view kTableDefEndMarker = "@@TABLEDEF END@@";
inline constexpr std::string_view kIndexDefStartMarker = "@@INDEXDEF START@@";
inline constexpr std::string_view kIndexDefEndMarker = "@@INDEXDEF END@@";

// Cuts a text block into lines without copying. A run of CR, LF and NUL bytes is one line
// end, so an empty line is never returned; a last line without a line end is returned. With
// a non-NUL comment character, lines that begin with it are skipped.
class LineReader {
 public:
  explicit LineReader(std::string_view text, char comment = '\0')
      : text_(text), comment_(comment) {}
  // The next line, or false at the end of the text.
  bool Next(std::string_view& line);

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  char comment_;
};

struct Value {
  std::string_view text;  // without its quotes; valid until the tokenizer's next call
  bool null = false;      // empty and without any quote
};

// Splits one line into values. A value runs to the next field or record delimiter outside
// quotes, or to the end of the line; quotes may open and close anywhere in a value and are
// not part of it; inside quotes a doubled quote is one quote and delimiters are text. A
// delimiter at the very end of the line is not followed by an empty value. Values without
// doubled quotes are views into the line; the others share one reused buffer.
class ValueTokenizer {
 public:
  explicit ValueTokenizer(char quote = '"', char field_delimiter = ',', char record_delimiter = ',')
      : quote_(quote), field_delimiter_(field_delimiter), record_delimiter_(record_delimiter) {}

  void Reset(std::string_view line) {
    line_ = line;
    pos_ = 0;
  }
  // The next value of the line, or false when the line has no more.
  // Inline: it runs once per value of every row.
  bool Next(Value& value);
  // Every value of one line, copied (for tests and the header).
  [[nodiscard]] std::vector<std::string> Split(std::string_view line);

 private:
  [[nodiscard]] bool IsDelimiter(char c) const {
    return c == field_delimiter_ || c == record_delimiter_;
  }
  void NextSlow(std::size_t start, Value& value);

  std::string_view line_;
  std::size_t pos_ = 0;
  std::string buffer_;
  char quote_;
  char field_delimiter_;
  char record_delimiter_;
};

// A definition line unquoted as a whole: it must begin with the quote; the text runs to the
// matching closing quote, doubled quotes read as one. "" when the line does not begin with it.
[[nodiscard]] std::string UnquoteLine(std::string_view line, char quote = '"');

// A comma list as definitions write it: items separated by ',', quoted items unquoted
// (doubled quotes read as one), empty items kept ("a,,b," has four items).
[[nodiscard]] std::vector<std::string> SplitCommaList(std::string_view text);

// Decodes the escapes of a text value into out (cleared first): %% -> %, %c -> CR, %n -> LF,
// %0 -> NUL. Any other escaped character stands for itself; a trailing lone escape is dropped.
void DecodeEscapes(std::string_view text, char escape, std::string& out);

// Decodes the 6-bit text form of binary values: each character carries six bits (its code
// minus 32), least significant bits first; four characters make three bytes.
[[nodiscard]] std::string DecodeSixBit(std::string_view text);

// ASCII letters upper-cased, every other byte kept (UTF-8 text stays intact).
[[nodiscard]] std::string UpperAscii(std::string_view text);

inline bool ValueTokenizer::Next(Value& value) {
  const std::size_t n = line_.size();
  if (pos_ >= n) return false;
  const char* p = line_.data();
  const std::size_t start = pos_;
  if (quote_ != '\0' && p[start] == quote_) {
    // Common case: "text" followed by a delimiter or the end of the line. Values are short,
    // so a plain loop beats memchr here.
    std::size_t c = start + 1;
    while (c < n && p[c] != quote_) ++c;
    if (c < n) {
      if (c + 1 == n || IsDelimiter(p[c + 1])) {
        value.text = line_.substr(start + 1, c - start - 1);
        value.null = false;
        pos_ = c + 1 == n ? n : c + 2;
        return true;
      }
    }
    NextSlow(start, value);
    return true;
  }
  std::size_t i = start;
  while (i < n && !IsDelimiter(p[i]) && (quote_ == '\0' || p[i] != quote_)) ++i;
  if (i == n || IsDelimiter(p[i])) {
    value.text = line_.substr(start, i - start);
    value.null = i == start;
    pos_ = i == n ? n : i + 1;
    return true;
  }
  NextSlow(start, value);
  return true;
}

}  // namespace lanzhou::data::csv
