#include "data/csv_value_conversion.h"

#include <charconv>
#include <cstdio>
#include <limits>
#include <system_error>

#include "data/csv_table_format.h"
#include "text/ascii.h"

namespace lanzhou::data::csv {
namespace {

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string Quoted(std::string_view text) {
  std::string s = "'";
  s.append(text).append("'");
  return s;
}

// Reads 1..max_digits decimal digits at text[i]; advances i. False when there is none.
bool ReadNumber(std::string_view text, std::size_t& i, int max_digits, int& value) {
  const std::size_t start = i;
  value = 0;
  while (i < text.size() && IsDigit(text[i]) && static_cast<int>(i - start) < max_digits) {
    value = value * 10 + (text[i] - '0');
    ++i;
  }
  return i > start;
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

struct Date {
  int year, month, day;
};
struct Time {
  int hour, minute, second, millisecond;
  bool has_millisecond;
};

// "d/m/y" at text[i] (the short date form dd/mm/yyyy, one or two digits for day and month).
bool ReadDate(std::string_view text, std::size_t& i, Date& d) {
  if (!ReadNumber(text, i, 2, d.day) || i >= text.size() || text[i++] != '/') return false;
  if (!ReadNumber(text, i, 2, d.month) || i >= text.size() || text[i++] != '/') return false;
  if (!ReadNumber(text, i, 4, d.year)) return false;
  return d.year >= 1 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= DaysInMonth(d.year, d.month);
}

// "h:n[:s[.zzz]]" at text[i].
bool ReadTime(std::string_view text, std::size_t& i, Time& t) {
  t = {0, 0, 0, 0, false};
  if (!ReadNumber(text, i, 2, t.hour) || i >= text.size() || text[i++] != ':') return false;
  if (!ReadNumber(text, i, 2, t.minute)) return false;
  if (i < text.size() && text[i] == ':') {
    ++i;
    if (!ReadNumber(text, i, 2, t.second)) return false;
    if (i < text.size() && text[i] == '.') {
      ++i;
      if (!ReadNumber(text, i, 3, t.millisecond)) return false;
      t.has_millisecond = true;
    }
  }
  return t.hour < 24 && t.minute < 60 && t.second < 60;
}

void AppendDate(const Date& d, std::string& out) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  out += buf;
}

void AppendTime(const Time& t, std::string& out) {
  char buf[24];
  if (t.has_millisecond) {
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", t.hour, t.minute, t.second,
                  t.millisecond);
  } else {
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  }
  out += buf;
}

// A decimal number with '.' as separator and an optional exponent; no thousands separators,
// no "inf" or "nan". Leading '+' is dropped from the result.
bool CheckFloat(std::string_view text, std::string& out) {
  std::string_view s = TrimSpaces(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  const std::size_t body = !s.empty() && s.front() == '-' ? 1 : 0;
  if (s.size() <= body || !(IsDigit(s[body]) || s[body] == '.')) return false;
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  out.assign(s);
  return true;
}

}  // namespace

ValueConversion ConversionFor(FieldType type) {
  switch (type) {
    case FieldType::String:
    case FieldType::FixedChar:
    case FieldType::WideString:
    case FieldType::Guid:
    case FieldType::Memo:
    case FieldType::FmtMemo:
    case FieldType::HugeClob:
      return ValueConversion::Text;
    case FieldType::Boolean:
      return ValueConversion::Boolean;
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::FMTBcdField:
      return ValueConversion::Float;
    case FieldType::Date:
      return ValueConversion::Date;
    case FieldType::Time:
      return ValueConversion::Time;
    case FieldType::DateTime:
    case FieldType::SQLTimeStamp:
      return ValueConversion::DateTime;
    case FieldType::Bytes:
    case FieldType::VarBytes:
    case FieldType::Blob:
    case FieldType::Graphic:
    case FieldType::ParadoxOle:
    case FieldType::DBaseOle:
    case FieldType::TypedBinary:
    case FieldType::HugeBlob:
      return ValueConversion::Binary;
    default:
      return ValueConversion::PassThrough;
  }
}

void ConvertFixedFormat(ValueConversion conversion, std::string_view text, std::string_view label,
                        std::string& out) {
  out.clear();
  if (text.empty()) return;
  switch (conversion) {
    case ValueConversion::Float:
      if (!CheckFloat(text, out)) {
        throw TableError(Quoted(text) + " is not a valid floating point value for field " +
                         Quoted(label));
      }
      return;
    case ValueConversion::Date: {
      const std::string_view s = TrimSpaces(text);
      std::size_t i = 0;
      Date d{};
      if (!ReadDate(s, i, d) || i != s.size()) {
        throw TableError(Quoted(text) + " is not a valid date");
      }
      AppendDate(d, out);
      return;
    }
    case ValueConversion::Time: {
      const std::string_view s = TrimSpaces(text);
      std::size_t i = 0;
      Time t{};
      if (!ReadTime(s, i, t) || i != s.size()) {
        throw TableError(Quoted(text) + " is not a valid time");
      }
      AppendTime(t, out);
      return;
    }
    case ValueConversion::DateTime: {
      const std::string_view s = TrimSpaces(text);
      std::size_t i = 0;
      Date d{};
      Time t{0, 0, 0, 0, false};
      bool ok = ReadDate(s, i, d);
      if (ok && i < s.size()) {
        while (i < s.size() && s[i] == ' ') ++i;
        ok = ReadTime(s, i, t);
      }
      if (!ok || i != s.size()) throw TableError(Quoted(text) + " is not a valid date and time");
      AppendDate(d, out);
      out.push_back(' ');
      AppendTime(t, out);
      return;
    }
    case ValueConversion::Binary:
      out = DecodeSixBit(text);
      return;
    default:
      out.assign(text);
      return;
  }
}

int ParseDefinitionInteger(std::string_view text) {
  std::int64_t value = 0;
  if (!lanzhou::text::ParseDecimalIn(TrimSpaces(text), std::numeric_limits<int>::min(),
                                     std::numeric_limits<int>::max(), value)) {
    throw TableError(Quoted(text) + " is not a valid integer value");
  }
  return static_cast<int>(value);
}

}  // namespace lanzhou::data::csv
