// Building the MemTable's indexes: the order of all records by an index's keys, then load
// number. Already-sorted data (the shipped text is in its main index's order) is recognised in
// one pass; otherwise each key column is reduced to dense ranks of its values (equal values
// grouped by hashing, the distinct values sorted) and the records are put in order by stable
// counting sorts, last key first: O(n) passes plus a sort of the distinct values.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <string_view>
#include <vector>

#include "data/mem_table.h"
#include "data/mem_table_internal.h"

namespace lanzhou::data {

namespace {

using detail::CompareText;
using detail::CompareValues;
using detail::FoldAscii;
using Column = detail::MemColumn;
using Kind = detail::MemColumn::Kind;

std::uint64_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

std::uint64_t HashText(std::string_view s, bool ignore_case) {
  if (ignore_case) {
    std::uint64_t h = 0xcbf29ce484222325ULL;  // FNV-1a over the folded bytes
    for (const char c : s) h = (h ^ FoldAscii(static_cast<unsigned char>(c))) * 0x100000001b3ULL;
    return Mix(h);
  }
  // Eight bytes at a time.
  std::uint64_t h = s.size() * 0x9e3779b97f4a7c15ULL;
  const char* p = s.data();
  std::size_t n = s.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * 0xff51afd7ed558ccdULL;
    h ^= h >> 29;
  }
  std::uint64_t w = 0;  // the last 0..7 bytes
  if (n >= 4) {
    std::uint32_t lo, hi;
    std::memcpy(&lo, p, 4);
    std::memcpy(&hi, p + n - 4, 4);
    w = (static_cast<std::uint64_t>(hi) << 32) | lo;
  } else if (n > 0) {
    const auto byte = [&](std::size_t i) {
      return static_cast<std::uint64_t>(static_cast<unsigned char>(p[i]));
    };
    w = (byte(0) << 16) | (byte(n / 2) << 8) | byte(n - 1);
  }
  return Mix(h ^ w);
}

// Groups the records 0..n-1 into classes of equal values: ids[r] is record r's class, and
// reps[k] a record of class k. Open addressing over a power-of-two table that grows with the
// number of classes (a few thousand station names, not one slot per record).
template <class HashFn, class EqFn>
void GroupEqual(std::size_t n, HashFn hash, EqFn equal, std::vector<std::uint32_t>& ids,
                std::vector<std::uint32_t>& reps) {
  constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();
  struct Slot {
    std::uint32_t id;
    std::uint32_t tag;  // high half of the hash: most mismatches end here
  };
  std::vector<Slot> slots(1024, Slot{kEmpty, 0});
  std::vector<std::uint64_t> rep_hashes;
  std::size_t mask = slots.size() - 1;
  ids.resize(n);
  reps.clear();
  for (std::uint32_t r = 0; r < n; ++r) {
    const std::uint64_t h = hash(r);
    const auto tag = static_cast<std::uint32_t>(h >> 32);
    std::size_t slot = h & mask;
    for (;;) {
      const Slot s = slots[slot];
      if (s.id == kEmpty) {
        slots[slot] = Slot{static_cast<std::uint32_t>(reps.size()), tag};
        ids[r] = static_cast<std::uint32_t>(reps.size());
        reps.push_back(r);
        rep_hashes.push_back(h);
        break;
      }
      if (s.tag == tag && equal(reps[s.id], r)) {
        ids[r] = s.id;
        break;
      }
      slot = (slot + 1) & mask;
    }
    if (reps.size() * 2 > slots.size()) {  // keep the load factor at most 1/2
      slots.assign(slots.size() * 2, Slot{kEmpty, 0});
      mask = slots.size() - 1;
      for (std::uint32_t id = 0; id < reps.size(); ++id) {
        std::size_t s = rep_hashes[id] & mask;
        while (slots[s].id != kEmpty) s = (s + 1) & mask;
        slots[s] = Slot{id, static_cast<std::uint32_t>(rep_hashes[id] >> 32)};
      }
    }
  }
}

// Dense ranks of one column's values over records 0..n-1: equal values share a rank, and
// ranks follow the value order. Returns the number of distinct values.
std::uint32_t DenseRanks(const Column& c, std::size_t n, bool ignore_case,
                         std::vector<std::uint32_t>& ranks) {
  std::vector<std::uint32_t> reps;
  if (c.kind == Kind::Text) {
    GroupEqual(
        n, [&](std::uint32_t r) { return HashText(c.Text(r), ignore_case); },
        [&](std::uint32_t a, std::uint32_t b) {
          return ignore_case ? CompareText(c.Text(a), c.Text(b), true) == 0
                             : c.Text(a) == c.Text(b);
        },
        ranks, reps);
  } else if (c.kind == Kind::Float) {
    GroupEqual(
        n,
        [&](std::uint32_t r) {
          const double v = c.floats[r] == 0 ? 0.0 : c.floats[r];  // -0 and +0 are equal
          return c.nulls[r] ? 0x9e3779b97f4a7c15ULL : Mix(std::bit_cast<std::uint64_t>(v));
        },
        [&](std::uint32_t a, std::uint32_t b) { return CompareValues(c, a, b, false) == 0; }, ranks,
        reps);
  } else {
    GroupEqual(
        n,
        [&](std::uint32_t r) {
          return c.nulls[r] ? 0x9e3779b97f4a7c15ULL : Mix(static_cast<std::uint64_t>(c.ints[r]));
        },
        [&](std::uint32_t a, std::uint32_t b) {
          return c.nulls[a] == c.nulls[b] && c.ints[a] == c.ints[b];
        },
        ranks, reps);
  }
  // Order the distinct values, then turn class ids into ranks.
  std::vector<std::uint32_t> classes(reps.size());
  std::iota(classes.begin(), classes.end(), 0u);
  if (c.kind == Kind::Text && !ignore_case) {
    std::vector<std::string_view> values(reps.size());
    for (std::size_t k = 0; k < reps.size(); ++k) values[k] = c.Text(reps[k]);
    std::sort(classes.begin(), classes.end(),
              [&](std::uint32_t x, std::uint32_t y) { return values[x] < values[y]; });
  } else {
    std::sort(classes.begin(), classes.end(), [&](std::uint32_t x, std::uint32_t y) {
      return CompareValues(c, reps[x], reps[y], ignore_case) < 0;
    });
  }
  std::vector<std::uint32_t> rank_of(reps.size());
  for (std::uint32_t i = 0; i < classes.size(); ++i) rank_of[classes[i]] = i;
  for (auto& id : ranks) id = rank_of[id];
  return static_cast<std::uint32_t>(reps.size());
}

// Stable counting sort of order by ranks[record]. With from_load_order, order is taken to be
// 0..n-1 (its content is ignored) and no scratch space is needed.
void CountingSort(std::vector<std::uint32_t>& order, const std::vector<std::uint32_t>& ranks,
                  std::uint32_t distinct, bool from_load_order,
                  std::vector<std::uint32_t>& scratch) {
  std::vector<std::uint32_t> start(static_cast<std::size_t>(distinct) + 1, 0);
  for (const std::uint32_t rank : ranks) ++start[rank + 1];
  for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  if (from_load_order) {
    for (std::uint32_t r = 0; r < ranks.size(); ++r) order[start[ranks[r]]++] = r;
    return;
  }
  scratch.resize(order.size());
  for (const std::uint32_t r : order) scratch[start[ranks[r]]++] = r;
  order.swap(scratch);
}

}  // namespace

std::size_t MemTable::PositionOf(int index, std::uint32_t record) {
  if (index < 0) return record;
  Index& ix = indexes_[static_cast<std::size_t>(index)];
  if (ix.identity) return record;
  if (ix.positions.size() != ix.order.size()) {
    ix.positions.resize(ix.order.size());
    for (std::uint32_t p = 0; p < ix.order.size(); ++p) ix.positions[ix.order[p]] = p;
  }
  return ix.positions[record];
}

void MemTable::ResolveKeys(std::size_t index) {
  Index& ix = indexes_[index];
  ix.keys.clear();
  ix.ignore_case = index_defs_[index].options.case_insensitive;
  const std::string_view list = index_defs_[index].fields;
  std::size_t begin = 0;
  while (begin <= list.size()) {
    std::size_t end = list.find(';', begin);
    if (end == std::string_view::npos) end = list.size();
    std::string_view name = list.substr(begin, end - begin);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (!name.empty()) {
      const int column = FindField(name);
      if (column < 0) throw FieldNotFound(name);
      if (!columns_[static_cast<std::size_t>(column)].indexable)
        throw CannotIndexField(field_defs_[static_cast<std::size_t>(column)].Label());
      ix.keys.push_back(column);
    }
    begin = end + 1;
  }
  ix.resolved = true;
}

int MemTable::CompareKeys(const Index& index, std::uint32_t a, std::uint32_t b) const {
  for (const int key : index.keys) {
    const int c = CompareValues(columns_[static_cast<std::size_t>(key)], a, b, index.ignore_case);
    if (c != 0) return c;
  }
  return 0;
}

void MemTable::BuildIndex(std::size_t index) {
  Index& ix = indexes_[index];
  const IndexOptions& options = index_defs_[index].options;
  ix.in_order = false;
  ix.identity = false;
  ix.positions.clear();
  if (!ix.resolved) ResolveKeys(index);

  const std::size_t n = record_count_;
  ix.order.resize(n);
  std::iota(ix.order.begin(), ix.order.end(), 0u);
  // The common case: the text is already in this index's order, and load order is the result.
  bool sorted = true;
  bool equal_neighbours = false;
  for (std::uint32_t r = 1; r < n; ++r) {
    const int c = CompareKeys(ix, r - 1, r);
    if (c > 0) {
      sorted = false;
      break;
    }
    equal_neighbours = equal_neighbours || c == 0;
  }
  if (!sorted) {
    // Otherwise a stable counting sort by the dense rank of each key, last key first: the
    // result is ordered by the keys in key order, then by load number.
    std::vector<std::uint32_t> ranks;
    std::vector<std::uint32_t> scratch;
    for (std::size_t k = ix.keys.size(); k-- > 0;) {
      const std::uint32_t distinct = DenseRanks(columns_[static_cast<std::size_t>(ix.keys[k])], n,
                                                options.case_insensitive, ranks);
      CountingSort(ix.order, ranks, distinct, k + 1 == ix.keys.size(), scratch);
    }
    equal_neighbours = false;
    for (std::size_t p = 1; options.unique && p < n && !equal_neighbours; ++p)
      equal_neighbours = CompareKeys(ix, ix.order[p - 1], ix.order[p]) == 0;
  }
  // A unique index: the first pair of equal neighbours fails the build.
  if (options.unique && equal_neighbours) {
    ix.order.clear();
    throw DuplicateIndexValue();
  }
  if (options.descending) std::reverse(ix.order.begin(), ix.order.end());
  ix.identity = sorted && !options.descending;
  ix.in_order = true;
}

}  // namespace lanzhou::data
