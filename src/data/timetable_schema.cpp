#include "data/timetable_schema.h"

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "text/ascii.h"

namespace lanzhou::data {
namespace {

enum class Holds : std::uint8_t { Text, Number };

// How the values of a field must lie, beyond their kind.
enum class Range : std::uint8_t {
  Any,
  StopNo,    // 1..999
  Distance,  // 0..99,999 km
  Elapsed,   // hours 0..99, minutes 0..59
  Fare,      // every '/' piece that reads as a number: 0..99,999 yuan
  Group,     // 1..999,999
};

struct FieldRule {
  std::string_view name;
  Holds holds;
  Range range = Range::Any;
};

struct TableRule {
  std::string_view resource;  // as the resources are stored: upper case
  std::vector<FieldRule> fields;
};

const std::array<TableRule, 4>& Rules() {
  static const std::array<TableRule, 4> rules{{
      {"STRAIN",
       {{"ID", Holds::Text},
        {"Station", Holds::Text},
        {"S_No", Holds::Number, Range::StopNo},
        {"A_Time", Holds::Text},
        {"D_Time", Holds::Text},
        {"R_Date", Holds::Text, Range::Elapsed},
        {"Distance", Holds::Number, Range::Distance},
        {"P1", Holds::Text, Range::Fare},
        {"P2", Holds::Text, Range::Fare},
        {"P3", Holds::Text, Range::Fare},
        {"P4", Holds::Text, Range::Fare}}},
      {"SLIST",
       {{"ID", Holds::Text},
        {"NType", Holds::Number},
        {"StartStation", Holds::Text},
        {"endStation", Holds::Text},
        {"A_Time", Holds::Text},
        {"D_Time", Holds::Text},
        {"R_Date", Holds::Text, Range::Elapsed},
        {"Distance", Holds::Number, Range::Distance},
        {"P1", Holds::Text, Range::Fare},
        {"P2", Holds::Text, Range::Fare},
        {"P3", Holds::Text, Range::Fare},
        {"P4", Holds::Text, Range::Fare}}},
      {"SM", {{"Station", Holds::Text}, {"Gp", Holds::Number, Range::Group}}},
      {"SPY", {{"Station", Holds::Text}, {"Shortcode", Holds::Text}}},
  }};
  return rules;
}

bool HoldsNumbers(FieldType type) {
  switch (type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::AutoInc:
    case FieldType::LargeInt:
      return true;
    default:
      return false;
  }
}

// A number piece of a text field within [0, max]; a piece that is no number counts as 0, as
// every reader of these texts takes it, and is fine.
bool NumberPieceFits(std::string_view piece, double max) {
  if (piece == "-") return true;  // no fare: most pieces of most stops
  // Most pieces are plain prices ("123.5"): up to four digits before an optional decimal part
  // always fit, without reading the number.
  std::size_t digits = 0;
  while (digits < piece.size() && piece[digits] >= '0' && piece[digits] <= '9') ++digits;
  if (digits > 0 && digits <= 4 && max >= 9999.99) {
    std::size_t i = digits;
    if (i < piece.size() && piece[i] == '.') {
      ++i;
      while (i < piece.size() && piece[i] >= '0' && piece[i] <= '9') ++i;
    }
    if (i == piece.size()) return true;
  }
  double value = 0;
  if (!text::ParseDecimalNumber(piece, value)) return true;
  return value >= 0 && value <= max;
}

bool IntegerPieceFits(std::string_view piece, std::int64_t max) {
  std::int64_t value = 0;
  if (piece.empty() || !text::ParseDecimal(piece, value)) return true;
  return value >= 0 && value <= max;
}

bool Fits(Range range, std::string_view text, std::int64_t number) {
  switch (range) {
    case Range::Any:
      return true;
    case Range::StopNo:
      return number >= 1 && number <= kMaxStopNo;
    case Range::Distance:
      return number >= 0 && number <= kMaxDistanceKm;
    case Range::Group:
      return number >= 1 && number <= kMaxGroupNumber;
    case Range::Elapsed: {
      // Most values are plain "h:mm" or "hh:mm": read in place, as every stop has one.
      if (text.size() >= 4 && text.size() <= 5) {
        const std::size_t c = text.size() - 3;
        const auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
        if (text[c] == ':' && digit(0) && digit(c - 1) && digit(c + 1) && digit(c + 2)) {
          return text[c + 1] <= '5';  // hours of at most two digits always fit
        }
      }
      const std::size_t colon = text.find(':');
      if (colon == std::string_view::npos) {
        return IntegerPieceFits(text, kMaxElapsedHours * 60 + 59);
      }
      return IntegerPieceFits(text.substr(0, colon), kMaxElapsedHours) &&
             IntegerPieceFits(text.substr(colon + 1), 59);
    }
    case Range::Fare: {
      if (text.size() <= 1) return true;  // "-", "" or one digit: most fares of most stops
      std::size_t start = 0;
      for (;;) {
        const std::size_t slash = text.find('/', start);
        if (!NumberPieceFits(text.substr(start, slash - start), kMaxFareYuan)) return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
      }
    }
  }
  return true;
}

// A value as a message shows it: quoted, and cut short when long.
std::string Shown(std::string_view text) {
  constexpr std::size_t kShown = 40;
  if (text.size() <= kShown) return "\"" + std::string(text) + "\"";
  return "\"" + std::string(text.substr(0, kShown)) + "...\" (" + std::to_string(text.size()) +
         " bytes)";
}

std::string_view RangeText(Range range) {
  switch (range) {
    case Range::StopNo:
      return "stop numbers run 1..999";
    case Range::Distance:
      return "distances run 0..99999 km";
    case Range::Elapsed:
      return "running times run 0..99 h, minutes 0..59";
    case Range::Fare:
      return "fares run 0..99999 yuan";
    case Range::Group:
      return "city groups are numbered 1..999999";
    case Range::Any:
      break;
  }
  return "";
}

}  // namespace

void CheckTimetableTable(std::string_view resource_name, MemTable& table) {
  const std::string upper = text::UpperAscii(resource_name);
  const TableRule* rule = nullptr;
  for (const TableRule& r : Rules()) {
    if (r.resource == upper) rule = &r;
  }
  if (rule == nullptr) return;
  const std::string prefix = "table " + upper;

  struct Checked {
    const FieldRule* rule;
    ColumnId column;
    bool number;
  };
  std::vector<Checked> ranged;
  for (const FieldRule& f : rule->fields) {
    const int index = table.FindField(f.name);
    if (index < 0) {
      throw TableError("Table " + upper + " has no field '" + std::string(f.name) + "'");
    }
    const FieldDef& def = table.FieldDefs()[static_cast<std::size_t>(index)];
    const bool number = HoldsNumbers(def.type);
    if (f.holds == Holds::Number && !number) {
      throw TableError("Field '" + def.name + "' of " + prefix + " is " +
                       std::string(FieldTypeName(def.type)) + "; it must hold integers");
    }
    if (f.holds == Holds::Text && !IsTextFieldType(def.type)) {
      throw TableError("Field '" + def.name + "' of " + prefix + " is " +
                       std::string(FieldTypeName(def.type)) + "; it must hold text");
    }
    if (f.range != Range::Any) ranged.push_back({&f, table.ColumnOf(f.name), number});
  }
  if (ranged.empty()) return;
  // By load number, cursor left alone: the first bad record in the text's order.
  const auto records = static_cast<std::uint32_t>(table.RecordCount());
  for (const Checked& c : ranged) {
    const int column = static_cast<int>(c.column.Index());
    for (std::uint32_t r = 0; r < records; ++r) {
      const std::string_view text = c.number ? std::string_view() : table.TextOfRecord(r, column);
      const std::int64_t number = c.number ? table.IntOfRecord(r, column) : 0;
      if (Fits(c.rule->range, text, number)) continue;
      const std::string value = c.number ? std::to_string(number) : Shown(text);
      throw TableError("Field '" + std::string(c.rule->name) + "' of " + prefix + " holds " +
                       value + " in record " + std::to_string(r + 1) + "; " +
                       std::string(RangeText(c.rule->range)));
    }
    // A city group's stations are all tried against each other by the transfer search and
    // stand for one another in every query: a group of thousands makes each query cost as much.
    if (c.rule->range == Range::Group) {
      std::unordered_map<std::int64_t, std::size_t> sizes;
      for (std::uint32_t r = 0; r < records; ++r) {
        const std::int64_t group = table.IntOfRecord(r, column);
        if (++sizes[group] > kMaxGroupStations) {
          throw TableError("City group " + std::to_string(group) + " of " + prefix +
                           " has more than " + std::to_string(kMaxGroupStations) + " stations");
        }
      }
    }
  }
}

void LoadTimetableTable(std::string_view resource_name, std::string_view bytes, MemTable& table,
                        const CsvTableFormat& format) {
  try {
    if (IsTableImage(bytes)) {
      table.LoadImage(bytes);
    } else {
      LoadFromStream(table, bytes, format);
    }
    CheckTimetableTable(resource_name, table);
  } catch (...) {
    table.Close();
    table.ClearIndexDefs();
    table.ClearFieldDefs();
    throw;
  }
}

}  // namespace lanzhou::data
