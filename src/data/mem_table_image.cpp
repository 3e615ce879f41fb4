// The table image: a loaded table's definitions and columns written as they lie in memory, so
// that opening a timetable copies blocks instead of parsing text (as routing engines load their
// timetables). Layout (little-endian), after the 8-byte magic and a u32 version:
//
//   u32 fields, then per field: str name, u8 type, i32 size, u8 required, str display label,
//       str edit mask, i32 display width, u8 read-only, u8 visible, str default, u8 kind
//   u32 indexes, then per index: str name, str key fields, u8 options (bit 0 descending,
//       1 case-insensitive, 2 non-maintained, 3 unique)
//   u32 records, then per field in order: the null flags (u8 0: none empty, 1: all empty,
//       2: one byte per record follows), then
//       text: u32 blob size, the blob, u8 width and the values' lengths, one byte each
//             (width 1, every value under 256 bytes) or four (width 4)
//       integer: u8 width and the values, four bytes each (width 4, a type of at most 32
//             bits) or eight (width 8); boolean: records i64;  float: records f64
//
// Smaller than the columns themselves (most values are short, most fields never empty), so
// there is less to inflate and less memory to touch.
// where str is a u32 length and that many bytes. Images come from files a user opens, so every
// count, offset and value is checked before the table takes it: offsets rise within the blob and
// fall on character boundaries, texts are UTF-8, numbers lie within their type's range, and an
// empty field holds nothing. Indexes are rebuilt, not read.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/mem_table_internal.h"
#include "text/gbk.h"

namespace lanzhou::data {
namespace {

static_assert(std::endian::native == std::endian::little, "images are written little-endian");

constexpr std::string_view kMagic{"\0LZMTBL\x1a", 8};
constexpr std::uint32_t kImageVersion = 1;
constexpr std::uint32_t kMaxImageIndexes = 64;
constexpr std::uint32_t kMaxImageString = 4096;
// A loaded table's columns; the national stop table takes about 16 MiB.
constexpr std::uint64_t kMaxImageTableBytes = 128u << 20;

using Column = detail::MemColumn;
using Kind = detail::MemColumn::Kind;

TableError Bad(const std::string& why) { return TableError("Table image is damaged: " + why); }

class Writer {
 public:
  void Bytes(const void* data, std::size_t size) {
    out_.append(static_cast<const char*>(data), size);
  }
  template <class T>
  void Plain(T value) {
    Bytes(&value, sizeof value);
  }
  void Str(std::string_view s) {
    Plain(static_cast<std::uint32_t>(s.size()));
    Bytes(s.data(), s.size());
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  std::string_view Take(std::size_t size, const char* what) {
    if (size > in_.size() - at_) throw Bad(std::string("it ends inside ") + what);
    const std::string_view part = in_.substr(at_, size);
    at_ += size;
    return part;
  }
  template <class T>
  T Plain(const char* what) {
    T value;
    std::memcpy(&value, Take(sizeof value, what).data(), sizeof value);
    return value;
  }
  std::string Str(const char* what) {
    const auto size = Plain<std::uint32_t>(what);
    if (size > kMaxImageString) throw Bad(std::string(what) + " is too long");
    return std::string(Take(size, what));
  }
  // An array of count elements of size `each`, checked against what is left before any copy.
  std::string_view Array(std::size_t count, std::size_t each, const char* what) {
    if (count > (in_.size() - at_) / each) throw Bad(std::string("it ends inside ") + what);
    return Take(count * each, what);
  }
  [[nodiscard]] bool AtEnd() const { return at_ == in_.size(); }

 private:
  std::string_view in_;
  std::size_t at_ = 0;
};

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

template <class T>
void CopyArray(std::string_view bytes, std::vector<T>& out) {
  out.resize(bytes.size() / sizeof(T));
  if (!bytes.empty()) std::memcpy(out.data(), bytes.data(), bytes.size());
}

// What the columns of `records` records will take in memory, walked over the image before
// anything is allocated: every array must lie within the image, and the whole must stay under
// kMaxImageTableBytes (a few hundred bytes can announce millions of empty records).
void CheckColumnsCost(Reader r, std::uint32_t records, const std::vector<Column>& columns,
                      const std::vector<FieldDef>& defs) {
  std::uint64_t cost = 0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const Column& c = columns[i];
    const std::string what = "field " + defs[i].name;
    const auto null_form = r.Plain<std::uint8_t>("the null flags");
    if (null_form > 2) throw Bad(what + " has null flags of form " + std::to_string(null_form));
    if (null_form == 2) (void)r.Array(records, 1, "the null flags");
    cost += records;
    switch (c.kind) {
      case Kind::Text: {
        const auto size = r.Plain<std::uint32_t>("a text block");
        (void)r.Array(size, 1, "a text block");
        const auto width = r.Plain<std::uint8_t>("the lengths");
        if (width != 1 && width != 4) {
          throw Bad(what + " has lengths of " + std::to_string(width) + " bytes");
        }
        (void)r.Array(records, width, "the lengths");
        cost += size + (std::uint64_t{records} + 1) * 4;
        break;
      }
      case Kind::Integer: {
        const auto width = r.Plain<std::uint8_t>("the numbers");
        if (width != 4 && width != 8) {
          throw Bad(what + " has numbers of " + std::to_string(width) + " bytes");
        }
        (void)r.Array(records, width, "the numbers");
        cost += std::uint64_t{records} * 8;
        break;
      }
      case Kind::Boolean:
      case Kind::Float:
        (void)r.Array(records, 8, "the values");
        cost += std::uint64_t{records} * 8;
        break;
    }
    if (cost > kMaxImageTableBytes) {
      throw Bad("its " + std::to_string(records) + " records would take more than " +
                std::to_string(kMaxImageTableBytes >> 20) + " MiB");
    }
  }
}

}  // namespace

bool IsTableImage(std::string_view bytes) { return bytes.substr(0, kMagic.size()) == kMagic; }

std::string MemTable::Image() {
  CheckBrowseMode();
  Writer w;
  w.Bytes(kMagic.data(), kMagic.size());
  w.Plain(kImageVersion);
  w.Plain(static_cast<std::uint32_t>(field_defs_.size()));
  for (const FieldDef& def : field_defs_) {
    w.Str(def.name);
    w.Plain(static_cast<std::uint8_t>(def.type));
    w.Plain(static_cast<std::int32_t>(def.size));
    w.Plain(static_cast<std::uint8_t>(def.required));
    w.Str(def.display_label);
    w.Str(def.edit_mask);
    w.Plain(static_cast<std::int32_t>(def.display_width));
    w.Plain(static_cast<std::uint8_t>(def.read_only));
    w.Plain(static_cast<std::uint8_t>(def.visible));
    w.Str(def.default_expression);
    w.Plain(static_cast<std::uint8_t>(def.kind));
  }
  w.Plain(static_cast<std::uint32_t>(index_defs_.size()));
  for (const IndexDef& def : index_defs_) {
    w.Str(def.name);
    w.Str(def.fields);
    const IndexOptions& o = def.options;
    w.Plain(static_cast<std::uint8_t>((o.descending ? 1 : 0) | (o.case_insensitive ? 2 : 0) |
                                      (o.non_maintained ? 4 : 0) | (o.unique ? 8 : 0)));
  }
  Open();  // a closed table is written as the empty table its definitions make
  const std::size_t records = record_count_;
  w.Plain(static_cast<std::uint32_t>(records));
  for (const Column& column : columns_) {
    const Column* c = &column;
    const bool none = std::all_of(c->nulls.begin(), c->nulls.begin() + records,
                                  [](std::uint8_t n) { return n == 0; });
    const bool all = !none && std::all_of(c->nulls.begin(), c->nulls.begin() + records,
                                          [](std::uint8_t n) { return n != 0; });
    w.Plain(static_cast<std::uint8_t>(none ? 0 : all ? 1 : 2));
    if (!none && !all) w.Bytes(c->nulls.data(), records);
    switch (c->kind) {
      case Kind::Text: {
        w.Plain(static_cast<std::uint32_t>(c->blob.size()));
        w.Bytes(c->blob.data(), c->blob.size());
        bool short_values = true;
        for (std::size_t k = 0; k < records && short_values; ++k) {
          short_values = c->offsets[k + 1] - c->offsets[k] < 256;
        }
        w.Plain(static_cast<std::uint8_t>(short_values ? 1 : 4));
        for (std::size_t k = 0; k < records; ++k) {
          const std::uint32_t length = c->offsets[k + 1] - c->offsets[k];
          if (short_values) {
            w.Plain(static_cast<std::uint8_t>(length));
          } else {
            w.Plain(length);
          }
        }
        break;
      }
      case Kind::Integer: {
        const bool narrow = c->min >= std::numeric_limits<std::int32_t>::min() &&
                            c->max <= std::numeric_limits<std::int32_t>::max();
        w.Plain(static_cast<std::uint8_t>(narrow ? 4 : 8));
        for (std::size_t k = 0; k < records; ++k) {
          if (narrow) {
            w.Plain(static_cast<std::int32_t>(c->ints[k]));
          } else {
            w.Plain(c->ints[k]);
          }
        }
        break;
      }
      case Kind::Boolean:
        w.Bytes(c->ints.data(), records * sizeof(std::int64_t));
        break;
      case Kind::Float:
        w.Bytes(c->floats.data(), records * sizeof(double));
        break;
    }
  }
  return w.Take();
}

void MemTable::LoadImage(std::string_view image) {
  Reader r(image);
  if (r.Take(kMagic.size(), "its mark") != kMagic) throw Bad("it is not a table image");
  if (const auto version = r.Plain<std::uint32_t>("its version"); version != kImageVersion) {
    throw Bad("image version " + std::to_string(version) + " is not " +
              std::to_string(kImageVersion));
  }
  Close();
  ClearIndexDefs();
  ClearFieldDefs();
  const auto fields = r.Plain<std::uint32_t>("the field count");
  if (fields == 0 || fields > kMaxTableFields) {
    throw Bad(std::to_string(fields) + " fields (a table has 1.." +
              std::to_string(kMaxTableFields) + ")");
  }
  for (std::uint32_t i = 0; i < fields; ++i) {
    std::string name = r.Str("a field name");
    const auto type = r.Plain<std::uint8_t>("a field type");
    if (type > static_cast<std::uint8_t>(FieldType::FMTBcdField) ||
        !IsAcceptedFieldType(static_cast<FieldType>(type))) {
      throw Bad("field " + std::to_string(i + 1) + " has type " + std::to_string(type));
    }
    const auto size = r.Plain<std::int32_t>("a field size");
    const auto required = r.Plain<std::uint8_t>("a field");
    FieldDef& def = AddFieldDef(std::move(name), static_cast<FieldType>(type), size, required != 0);
    def.display_label = r.Str("a display label");
    def.edit_mask = r.Str("an edit mask");
    def.display_width = r.Plain<std::int32_t>("a field");
    def.read_only = r.Plain<std::uint8_t>("a field") != 0;
    def.visible = r.Plain<std::uint8_t>("a field") != 0;
    def.default_expression = r.Str("a default");
    const auto kind = r.Plain<std::uint8_t>("a field kind");
    if (kind > static_cast<std::uint8_t>(FieldKind::Aggregate)) {
      throw Bad("field " + std::to_string(i + 1) + " has kind " + std::to_string(kind));
    }
    def.kind = static_cast<FieldKind>(kind);
  }
  const auto indexes = r.Plain<std::uint32_t>("the index count");
  if (indexes > kMaxImageIndexes) throw Bad(std::to_string(indexes) + " indexes");
  for (std::uint32_t i = 0; i < indexes; ++i) {
    std::string name = r.Str("an index name");
    std::string keys = r.Str("an index's fields");
    const auto bits = r.Plain<std::uint8_t>("an index");
    if (bits > 15) throw Bad("index " + std::to_string(i + 1) + " has options " + std::to_string(bits));
    AddIndexDef(std::move(name), std::move(keys),
                {.descending = (bits & 1) != 0, .case_insensitive = (bits & 2) != 0,
                 .non_maintained = (bits & 4) != 0, .unique = (bits & 8) != 0});
  }
  const auto records = r.Plain<std::uint32_t>("the record count");
  if (records >= std::numeric_limits<std::uint32_t>::max() - 1) throw Bad("too many records");
  Open();
  try {
    CheckColumnsCost(r, records, columns_, field_defs_);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      Column& c = columns_[i];
      const std::string what = "field " + field_defs_[i].name;
      const auto null_form = r.Plain<std::uint8_t>(what.c_str());
      if (null_form == 2) {
        CopyArray(r.Array(records, 1, what.c_str()), c.nulls);
        for (const std::uint8_t n : c.nulls) {
          if (n > 1) throw Bad(what + " has a null flag of " + std::to_string(n));
        }
      } else {
        c.nulls.assign(records, null_form);  // 0 or 1: checked above
      }
      switch (c.kind) {
        case Kind::Text: {
          const auto size = r.Plain<std::uint32_t>(what.c_str());
          c.blob.assign(r.Array(size, 1, what.c_str()));
          const auto width = r.Plain<std::uint8_t>(what.c_str());  // 1 or 4: checked above
          const std::string_view lengths = r.Array(records, width, what.c_str());
          c.offsets.resize(std::size_t{records} + 1);
          std::uint64_t at = 0;
          c.offsets[0] = 0;
          for (std::uint32_t k = 0; k < records; ++k) {
            std::uint32_t length = static_cast<unsigned char>(lengths[k]);
            if (width == 4) std::memcpy(&length, lengths.data() + std::size_t{k} * 4, 4);
            if (c.nulls[k] != 0 && length != 0) {
              throw Bad(what + " holds text in its empty record " + std::to_string(k + 1));
            }
            if (length != 0 && IsContinuation(static_cast<unsigned char>(c.blob[at]))) {
              throw Bad(what + "'s record " + std::to_string(k + 1) + " starts inside a character");
            }
            at += length;
            if (at > size) throw Bad(what + "'s texts run past its block");
            c.offsets[k + 1] = static_cast<std::uint32_t>(at);
          }
          if (at != size) throw Bad(what + "'s texts do not fill its block");
          if (!text::IsValidUtf8(c.blob)) throw Bad(what + " holds text that is not UTF-8");
          break;
        }
        case Kind::Integer: {
          const auto width = r.Plain<std::uint8_t>(what.c_str());  // 4 or 8: checked above
          const std::string_view values = r.Array(records, width, what.c_str());
          c.ints.resize(records);
          for (std::uint32_t k = 0; k < records; ++k) {
            std::int64_t v = 0;
            if (width == 4) {
              std::int32_t narrow = 0;
              std::memcpy(&narrow, values.data() + std::size_t{k} * 4, 4);
              v = narrow;
            } else {
              std::memcpy(&v, values.data() + std::size_t{k} * 8, 8);
            }
            if (v < c.min || v > c.max || (c.nulls[k] != 0 && v != 0)) {
              throw Bad(what + " holds " + std::to_string(v) + " in record " +
                        std::to_string(k + 1));
            }
            c.ints[k] = v;
          }
          break;
        }
        case Kind::Boolean: {
          CopyArray(r.Array(records, sizeof(std::int64_t), what.c_str()), c.ints);
          for (std::uint32_t k = 0; k < records; ++k) {
            const std::int64_t v = c.ints[k];
            if (v < 0 || v > 1 || (c.nulls[k] != 0 && v != 0)) {
              throw Bad(what + " holds " + std::to_string(v) + " in record " +
                        std::to_string(k + 1));
            }
          }
          break;
        }
        case Kind::Float: {
          CopyArray(r.Array(records, sizeof(double), what.c_str()), c.floats);
          for (std::uint32_t k = 0; k < records; ++k) {
            if (std::isnan(c.floats[k]) || (c.nulls[k] != 0 && c.floats[k] != 0)) {
              throw Bad(what + " holds no number in record " + std::to_string(k + 1));
            }
          }
          break;
        }
      }
    }
    if (!r.AtEnd()) throw Bad("bytes follow its last field");
    record_count_ = records;
    bof_ = eof_ = records == 0;
    EndLoad();
  } catch (...) {
    Close();
    throw;
  }
}

}  // namespace lanzhou::data
