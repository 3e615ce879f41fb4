#include "data/csv_syntax.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "text/ascii.h"

namespace lanzhou::data::csv {
namespace {

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n' || c == '\0';
}

// Position of the first CR, LF or NUL at or after from, or n. Eight bytes at a time: a word
// with no byte below 14 holds no line end, and table text is almost all such bytes.
std::size_t FindLineEnd(const char* p, std::size_t from, std::size_t n) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
  std::size_t i = from;
  while (i + 8 <= n) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    if (((word - kOnes * 14) & ~word & kHighs) != 0) break;  // some byte < 14 in this word
    i += 8;
  }
  while (i < n && !IsLineEnd(p[i])) ++i;
  return i;
}

}  // namespace

bool LineReader::Next(std::string_view& line) {
  const std::size_t n = text_.size();
  const char* p = text_.data();
  while (true) {
    while (pos_ < n && IsLineEnd(p[pos_])) ++pos_;
    if (pos_ >= n) return false;
    const std::size_t start = pos_;
    pos_ = FindLineEnd(p, pos_, n);
    line = text_.substr(start, pos_ - start);
    if (comment_ != '\0' && line.front() == comment_) continue;
    return true;
  }
}

void ValueTokenizer::NextSlow(std::size_t start, Value& value) {
  const std::size_t n = line_.size();
  const char* p = line_.data();
  buffer_.clear();
  bool in_quotes = false;
  bool had_quote = false;
  std::size_t i = start;
  while (i < n) {
    const char c = p[i];
    if (quote_ != '\0' && c == quote_) {
      if (in_quotes && i + 1 < n && p[i + 1] == quote_) {
        buffer_.push_back(quote_);
        i += 2;
        continue;
      }
      in_quotes = !in_quotes;
      had_quote = true;
      ++i;
      continue;
    }
    if (!in_quotes && IsDelimiter(c)) {
      ++i;  // the delimiter is consumed
      break;
    }
    buffer_.push_back(c);
    ++i;
  }
  pos_ = i;
  value.text = buffer_;
  value.null = !had_quote && buffer_.empty();
}

std::vector<std::string> ValueTokenizer::Split(std::string_view line) {
  std::vector<std::string> values;
  Reset(line);
  Value value;
  while (Next(value)) values.emplace_back(value.text);
  return values;
}

std::string UnquoteLine(std::string_view line, char quote) {
  std::string out;
  if (line.empty() || line.front() != quote) return out;
  out.reserve(line.size());
  for (std::size_t i = 1; i < line.size(); ++i) {
    if (line[i] == quote) {
      if (i + 1 < line.size() && line[i + 1] == quote) {
        out.push_back(quote);
        ++i;
        continue;
      }
      break;  // the matching closing quote; anything after it is ignored
    }
    out.push_back(line[i]);
  }
  return out;
}

std::vector<std::string> SplitCommaList(std::string_view text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  std::string item;
  bool in_quotes = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      if (in_quotes && i + 1 < text.size() && text[i + 1] == '"') {
        item.push_back('"');
        ++i;
      } else {
        in_quotes = !in_quotes;
      }
    } else if (c == ',' && !in_quotes) {
      items.push_back(std::move(item));
      item.clear();
    } else {
      item.push_back(c);
    }
  }
  items.push_back(std::move(item));
  return items;
}

void DecodeEscapes(std::string_view text, char escape, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != escape) {
      out.push_back(c);
      continue;
    }
    if (++i == text.size()) break;  // a trailing lone escape is dropped
    switch (text[i]) {
      case 'c':
        out.push_back('\r');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case '0':
        out.push_back('\0');
        break;
      default:
        out.push_back(text[i]);  // "%%" and anything else: the character itself
        break;
    }
  }
}

std::string DecodeSixBit(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3 / 4);
  unsigned bits = 0;
  int count = 0;
  for (const char c : text) {
    bits |= (static_cast<unsigned>(static_cast<unsigned char>(c) - 32) & 0x3Fu) << count;
    count += 6;
    if (count >= 8) {
      out.push_back(static_cast<char>(bits & 0xFFu));
      bits >>= 8;
      count -= 8;
    }
  }
  return out;
}

std::string UpperAscii(std::string_view text) {
  return lanzhou::text::UpperAscii(text);
}

}  // namespace lanzhou::data::csv
