#include "query/sort_grid.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <optional>
#include <utility>

#include "text/ascii.h"
#include "text/gbk.h"
#include "timetable/times.h"

namespace lanzhou::query {

namespace {

// A decimal number filling the whole text; "-", "" and anything else give nullopt.
std::optional<double> ParseNumber(std::string_view text) {
  double value = 0;
  if (!text::ParseDecimalNumber(text, value)) return std::nullopt;
  return value;
}

// Digits with at most one colon ("0", "18", "9:48", "01:55", "23:"), perhaps after one '-'
// ("-01:05", a section run backwards); anything else holds no running time, although
// ElapsedToMinutes would read it as 0.
// Several running times joined by "、" (a journey's waits, one per change) sort by their sum.
std::optional<double> ParseMinutes(std::string_view text) {
  constexpr std::string_view kJoin = "、";
  if (const std::size_t join = text.find(kJoin); join != std::string_view::npos) {
    const auto first = ParseMinutes(text.substr(0, join));
    const auto rest = ParseMinutes(text.substr(join + kJoin.size()));
    if (!first || !rest) return std::nullopt;
    return *first + *rest;
  }
  const std::string_view whole = text;
  if (text.starts_with('-')) text.remove_prefix(1);
  bool has_digit = false;
  int colons = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      has_digit = true;
    } else if (c == ':') {
      ++colons;
    } else {
      return std::nullopt;
    }
  }
  if (!has_digit || colons > 1) return std::nullopt;
  return static_cast<double>(timetable::ElapsedToMinutes(whole));
}

// "HH:MM", optionally followed by "+N天" for an arrival N days after the departure day.
std::optional<double> ParseDayTime(std::string_view text) {
  int days = 0;
  if (const std::size_t plus = text.find('+'); plus != std::string_view::npos) {
    std::string_view marker = text.substr(plus + 1);
    if (!marker.ends_with("天")) return std::nullopt;
    marker.remove_suffix(std::string_view("天").size());
    const auto [end, ec] = std::from_chars(marker.data(), marker.data() + marker.size(), days);
    if (ec != std::errc{} || end != marker.data() + marker.size() || days < 0) return std::nullopt;
    text = text.substr(0, plus);
  }
  if (text.size() != 5 || text[2] != ':') return std::nullopt;
  int hours = 0;
  int minutes = 0;
  if (std::from_chars(text.data(), text.data() + 2, hours).ptr != text.data() + 2 ||
      std::from_chars(text.data() + 3, text.data() + 5, minutes).ptr != text.data() + 5) {
    return std::nullopt;
  }
  return static_cast<double>(days * 1440 + hours * 60 + minutes);
}

std::optional<double> ValueOf(std::string_view cell, SortKey key) {
  switch (key) {
    case SortKey::Number:
      return ParseNumber(cell);
    case SortKey::FirstPrice:
      return ParseNumber(cell.substr(0, cell.find('/')));
    case SortKey::Minutes:
      return ParseMinutes(cell);
    case SortKey::DayTime:
      return ParseDayTime(cell);
    case SortKey::Text:
      break;
  }
  return std::nullopt;
}

// Sort key of one cell for the value kinds: cells without a value rank after every value.
struct ValueKey {
  bool missing = true;
  double value = 0;
  friend bool operator<(const ValueKey& a, const ValueKey& b) {
    if (a.missing != b.missing) return b.missing;
    return !a.missing && a.value < b.value;
  }
};

// Rearranges rows 0 .. order.size() - 1 so that row i holds what row order[i] held.
void ApplyOrder(StringGrid& grid, const std::vector<int>& order) {
  const std::size_t n = order.size();
  std::vector<int> row_at(n);  // original row now at each position
  std::vector<int> where(n);   // position of each original row
  std::iota(row_at.begin(), row_at.end(), 0);
  std::iota(where.begin(), where.end(), 0);
  for (std::size_t i = 0; i < n; ++i) {
    const int wanted = order[i];
    const int j = where[static_cast<std::size_t>(wanted)];
    if (j == static_cast<int>(i)) continue;
    SwapGridRows(grid, static_cast<int>(i), j);
    const int displaced = row_at[i];
    row_at[i] = wanted;
    row_at[static_cast<std::size_t>(j)] = displaced;
    where[static_cast<std::size_t>(wanted)] = static_cast<int>(i);
    where[static_cast<std::size_t>(displaced)] = j;
  }
}

}  // namespace

void SwapGridRows(StringGrid& grid, int a, int b) {
  grid.SwapRows(a, b);
}

void SortGrid(StringGrid& grid, int column, bool ascending, SortKey key, int row_count) {
  const int n = std::min(row_count, grid.RowCount());
  if (column < 0 || column >= grid.ColCount() || n < 2) return;
  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  if (key == SortKey::Text) {
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      const int c = text::CompareGbk(grid.Cell(column, a), grid.Cell(column, b));
      return ascending ? c < 0 : c > 0;
    });
  } else {
    std::vector<ValueKey> keys(static_cast<std::size_t>(n));
    for (int r = 0; r < n; ++r) {
      if (const auto value = ValueOf(grid.Cell(column, r), key)) {
        keys[static_cast<std::size_t>(r)] = ValueKey{false, *value};
      }
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      const ValueKey& ka = keys[static_cast<std::size_t>(a)];
      const ValueKey& kb = keys[static_cast<std::size_t>(b)];
      return ascending ? ka < kb : kb < ka;
    });
  }
  ApplyOrder(grid, order);
}

void SortGrid(StringGrid& grid, int column, bool ascending, SortKey key) {
  SortGrid(grid, column, ascending, key, grid.RowCount());
}

int LabelColumn(std::string_view label_name) {
  if (label_name.size() < 4) return -1;
  const std::string_view digits = label_name.substr(3, 2);
  std::int64_t number = 0;
  if (!text::ParseDecimalIn(digits, 1, 99, number)) return -1;
  return static_cast<int>(number) - 1;
}

HeaderSort::HeaderSort(std::vector<Column> columns) : columns_(std::move(columns)) {}

std::string HeaderSort::Caption(int column) const {
  std::string caption = PlainCaption(column);
  if (IsBold(column)) caption += ascending_ ? "↑" : "↓";
  return caption;
}

const std::string& HeaderSort::PlainCaption(int column) const {
  static const std::string kEmpty;
  if (column < 0 || column >= ColumnCount()) return kEmpty;
  return columns_[static_cast<std::size_t>(column)].caption;
}

SortKey HeaderSort::KeyOf(int column) const {
  if (column < 0 || column >= ColumnCount()) return SortKey::Text;
  return columns_[static_cast<std::size_t>(column)].key;
}

void HeaderSort::Click(StringGrid& grid, int column, int row_count) {
  if (column < 0 || column >= ColumnCount()) return;
  if (marked_ == column) {
    ascending_ = !ascending_;
  } else {
    marked_ = column;
    ascending_ = true;
  }
  SortGrid(grid, column, ascending_, KeyOf(column), row_count);
}

void HeaderSort::Reapply(StringGrid& grid, int row_count) const {
  if (marked_ < 0 || row_count <= 0) return;
  SortGrid(grid, marked_, ascending_, KeyOf(marked_), row_count);
}

}  // namespace lanzhou::query
