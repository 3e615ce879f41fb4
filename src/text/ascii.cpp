#include "text/ascii.h"

#include <charconv>
#include <cmath>

namespace lanzhou::text {

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToUpperAscii(c);
  return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  }
  return true;
}

std::string TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

bool ParseDecimal(std::string_view text, std::int64_t& out) noexcept {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return false;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
  }
  // from_chars takes the '-' itself, so the most negative value still parses.
  const char* first = negative ? digits.data() - 1 : digits.data();
  const char* last = digits.data() + digits.size();
  std::int64_t value = 0;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last) return false;
  out = value;
  return true;
}

bool ParseDecimalIn(std::string_view text, std::int64_t min, std::int64_t max,
                    std::int64_t& out) noexcept {
  std::int64_t value = 0;
  if (!ParseDecimal(text, value) || value < min || value > max) return false;
  out = value;
  return true;
}

bool ParseDecimalNumber(std::string_view text, double& out) noexcept {
  std::string_view body = text;
  bool negative = false;
  if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
    negative = body.front() == '-';
    body.remove_prefix(1);
  }
  // from_chars would read a second sign, "inf" and "nan"; none of them is a number here.
  if (body.empty() || !((body.front() >= '0' && body.front() <= '9') || body.front() == '.')) {
    return false;
  }
  double value = 0;
  const char* last = body.data() + body.size();
  const auto [ptr, ec] = std::from_chars(body.data(), last, value, std::chars_format::general);
  if (ec != std::errc() || ptr != last || !std::isfinite(value)) return false;
  out = negative ? -value : value;
  return true;
}

}  // namespace lanzhou::text
