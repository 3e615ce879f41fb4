#pragma once
// The one decimal integer reader, the one ASCII case fold and the one trim of the program. Every layer that
// reads a number out of text or compares names without case goes through these, so a text such
// as "+-5" is a number nowhere or everywhere, never in one reader and not in another.
#include <cstdint>
#include <string>
#include <string_view>

namespace lanzhou::text {

// ASCII letters upper-cased; every other byte (UTF-8 and GBK bytes among them) kept.
[[nodiscard]] constexpr char ToUpperAscii(char c) noexcept {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
[[nodiscard]] std::string UpperAscii(std::string_view text);
[[nodiscard]] bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) noexcept;

// Leading and trailing blanks and control characters removed, as a box's text is read.
[[nodiscard]] std::string TrimBlanks(std::string_view text);

// A decimal integer filling the whole text: at most one sign ('+' or '-'), then one or more
// digits, nothing else ("+-5", "5 ", " 5", "", "-" are not integers). False also when the value
// does not fit in 64 bits; out is then unchanged.
[[nodiscard]] bool ParseDecimal(std::string_view text, std::int64_t& out) noexcept;

// The same, for values within [min, max]; false outside.
[[nodiscard]] bool ParseDecimalIn(std::string_view text, std::int64_t min, std::int64_t max,
                                  std::int64_t& out) noexcept;

// A decimal number filling the whole text, '.' as the decimal separator whatever the locale,
// an exponent allowed ("3.5", "143", "-2", "1e3"): at most one sign, then what std::from_chars
// reads in general format. Infinite and NaN values are not numbers. False otherwise.
[[nodiscard]] bool ParseDecimalNumber(std::string_view text, double& out) noexcept;

}  // namespace lanzhou::text
