#pragma once
// Internal to the MemTable (mem_table.cpp, mem_table_index.cpp): the table's collation, value
// comparison and the index structure. Not part of the public interface.
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "data/mem_table.h"
#include "text/ascii.h"

namespace lanzhou::data::detail {

constexpr unsigned char FoldAscii(unsigned char c) {
  return static_cast<unsigned char>(text::ToUpperAscii(static_cast<char>(c)));
}

using text::EqualsIgnoreAsciiCase;

// The table's collation: UTF-8 byte order (= code point order, so train numbers come out in
// plain character-code order); with ignore_case, ASCII letters fold to upper case first.
// Two texts are equal exactly when their (folded) bytes are equal. It cannot fail, so
// InvalidLocale is never raised.
inline int CompareText(std::string_view a, std::string_view b, bool ignore_case) {
  if (!ignore_case) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
    const unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

template <class T>
int CompareNumbers(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Three-way comparison of one column's values of two records. Empty text equals "" (the two
// read alike); an empty number comes before every value.
inline int CompareValues(const MemColumn& c, std::uint32_t a, std::uint32_t b, bool ignore_case) {
  switch (c.kind) {
    case MemColumn::Kind::Text:
      return CompareText(c.Text(a), c.Text(b), ignore_case);
    case MemColumn::Kind::Integer:
    case MemColumn::Kind::Boolean:
      if (c.nulls[a] != c.nulls[b]) return c.nulls[a] ? -1 : 1;
      return CompareNumbers(c.ints[a], c.ints[b]);
    case MemColumn::Kind::Float:
      if (c.nulls[a] != c.nulls[b]) return c.nulls[a] ? -1 : 1;
      return CompareNumbers(c.floats[a], c.floats[b]);
  }
  return 0;
}

}  // namespace lanzhou::data::detail

namespace lanzhou::data {

struct MemTable::Index {
  std::vector<int> keys;     // key columns, resolved at the first build after Open
  bool ignore_case = false;  // the definition's case-insensitive option, copied when resolved
  bool resolved = false;
  bool in_order = false;  // order holds every record in index order
  bool identity = false;  // order is load order (ascending index over already sorted data)
  std::vector<std::uint32_t> order;      // record numbers in index order
  std::vector<std::uint32_t> positions;  // record -> position in order; built lazily
};

}  // namespace lanzhou::data
