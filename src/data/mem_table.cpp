#include "data/mem_table.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <utility>

#include "data/mem_table_internal.h"
#include "text/ascii.h"

namespace lanzhou::data {

// ---- Errors -----------------------------------------------------------------------------

namespace {
std::string Concat(std::initializer_list<std::string_view> parts) {
  std::string out;
  std::size_t size = 0;
  for (const std::string_view p : parts) size += p.size();
  out.reserve(size);
  for (const std::string_view p : parts) out.append(p);
  return out;
}
}  // namespace

TableError FieldNotFound(std::string_view name) {
  return TableError(Concat({"Field '", name, "' not found"}));
}
TableError DuplicateIndexValue() {
  return TableError("Duplicate index value. Operation aborted.");
}
TableError CannotIndexField(std::string_view label) {
  return TableError(Concat({"Can't index on field ", label}));
}
TableError InvalidIntegerValue(std::string_view text, std::string_view label) {
  return TableError(Concat({"'", text, "' is not a valid integer value for field '", label, "'"}));
}
TableError InvalidLocale() {
  return TableError("Invalid locale.");
}

namespace {

// Errors beyond the five above, for the types the shipped data never uses;
// their texts are the ones the original data-set library gives.
TableError InvalidFloatValue(std::string_view text, std::string_view label) {
  return TableError(
      Concat({"'", text, "' is not a valid floating point value for field '", label, "'"}));
}
TableError InvalidBooleanValue(std::string_view text, std::string_view label) {
  return TableError(Concat({"'", text, "' is not a valid boolean value for field '", label, "'"}));
}
TableError NotEditing() {
  return TableError("Dataset not in edit or insert mode");
}
TableError ClosedDataset() {
  return TableError("Cannot perform this operation on a closed dataset");
}

constexpr std::array<std::string_view, 38> kTypeNames = {
    "Unknown",     "String",       "SmallInt",   "Integer",    "Word",     "Boolean",    "Float",
    "Currency",    "BCD",          "Date",       "Time",       "DateTime", "Bytes",      "VarBytes",
    "AutoInc",     "Blob",         "Memo",       "Graphic",    "FmtMemo",  "ParadoxOle", "dBaseOle",
    "TypedBinary", "Cursor",       "FixedChar",  "WideString", "LargeInt", "ADT",        "Array",
    "Reference",   "DataSet",      "HugeBlob",   "HugeClob",   "Variant",  "Interface",  "Dispatch",
    "Guid",        "SQLTimeStamp", "FMTBcdField"};
static_assert(static_cast<std::size_t>(FieldType::FMTBcdField) + 1 == kTypeNames.size());

using detail::CompareNumbers;
using detail::CompareText;
using detail::EqualsIgnoreAsciiCase;

// Strict decimal integer: an optional sign and one or more digits, nothing else.
bool ParseInteger(std::string_view text, std::int64_t& out) {
  return text::ParseDecimal(text, out);
}

// Locale-independent decimal number with '.' as the decimal separator; finite values only.
bool ParseFloat(std::string_view text, double& out) {
  return text::ParseDecimalNumber(text, out);
}

// "True"/"False" or any non-empty leading part of them, without regard to ASCII case.
bool ParseBoolean(std::string_view text, bool& out) {
  if (text.empty()) return false;
  for (const bool value : {true, false}) {
    const std::string_view word = value ? "TRUE" : "FALSE";
    if (text.size() <= word.size() && EqualsIgnoreAsciiCase(text, word.substr(0, text.size()))) {
      out = value;
      return true;
    }
  }
  return false;
}

std::string FormatFloat(double value) {
  std::array<char, 32> buffer{};
  const auto [ptr, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return ec == std::errc() ? std::string(buffer.data(), ptr) : std::string();
}

bool IsLargeObjectType(FieldType type) {
  switch (type) {
    case FieldType::Blob:
    case FieldType::Memo:
    case FieldType::Graphic:
    case FieldType::FmtMemo:
    case FieldType::ParadoxOle:
    case FieldType::DBaseOle:
    case FieldType::TypedBinary:
    case FieldType::HugeBlob:
    case FieldType::HugeClob:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- Field types ------------------------------------------------------------------------

std::optional<FieldType> FieldTypeFromName(std::string_view name) {
  for (std::size_t i = 0; i < kTypeNames.size(); ++i) {
    if (kTypeNames[i] == name) return static_cast<FieldType>(i);
  }
  return std::nullopt;
}

std::string_view FieldTypeName(FieldType type) {
  const auto i = static_cast<std::size_t>(type);
  return i < kTypeNames.size() ? kTypeNames[i] : std::string_view();
}

bool IsAcceptedFieldType(FieldType type) {
  switch (type) {
    case FieldType::Unknown:
    case FieldType::Cursor:
    case FieldType::Reference:
    case FieldType::DataSet:
    case FieldType::Variant:
    case FieldType::Interface:
    case FieldType::Dispatch:
      return false;
    default:
      return true;
  }
}

bool IsTextFieldType(FieldType type) {
  switch (type) {
    case FieldType::String:
    case FieldType::FixedChar:
    case FieldType::WideString:
    case FieldType::Guid:
    case FieldType::Memo:
    case FieldType::FmtMemo:
    case FieldType::HugeClob:
      return true;
    default:
      return false;
  }
}

// ---- Column helpers -----------------------------------------------------------------------

namespace {

using Column = detail::MemColumn;
using Kind = detail::MemColumn::Kind;

Column MakeColumn(FieldType type) {
  Column c;
  c.indexable = IsAcceptedFieldType(type) && !IsLargeObjectType(type) && type != FieldType::ADT &&
                type != FieldType::Array;
  switch (type) {
    case FieldType::SmallInt:
      c.kind = Kind::Integer, c.min = std::numeric_limits<std::int16_t>::min(),
      c.max = std::numeric_limits<std::int16_t>::max();
      break;
    case FieldType::Integer:
    case FieldType::AutoInc:
      c.kind = Kind::Integer, c.min = std::numeric_limits<std::int32_t>::min(),
      c.max = std::numeric_limits<std::int32_t>::max();
      break;
    case FieldType::Word:
      c.kind = Kind::Integer, c.min = 0, c.max = std::numeric_limits<std::uint16_t>::max();
      break;
    case FieldType::LargeInt:
      c.kind = Kind::Integer, c.min = std::numeric_limits<std::int64_t>::min(),
      c.max = std::numeric_limits<std::int64_t>::max();
      break;
    case FieldType::Boolean:
      c.kind = Kind::Boolean;
      break;
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::FMTBcdField:
      c.kind = Kind::Float;
      break;
    default:
      c.kind = Kind::Text;  // text, dates and times, binary and large-object types
      break;
  }
  return c;
}

// A Locate value converted to a column's type.
struct Probe {
  bool null = false;
  std::string_view text;
  std::int64_t integer = 0;
  double number = 0;
};

// False when the value cannot be one of the column's values (then no record equals it).
bool MakeProbe(const Column& c, std::string_view value, Probe& probe) {
  probe.text = value;
  if (c.kind == Kind::Text) return true;
  if (value.empty()) {
    probe.null = true;
    return true;
  }
  switch (c.kind) {
    case Kind::Integer:
      return ParseInteger(value, probe.integer) && probe.integer >= c.min && probe.integer <= c.max;
    case Kind::Boolean: {
      bool b = false;
      if (!ParseBoolean(value, b)) return false;
      probe.integer = b ? 1 : 0;
      return true;
    }
    case Kind::Float:
      return ParseFloat(value, probe.number);
    case Kind::Text:
      break;
  }
  return true;
}

// Three-way comparison of record r's value with a probe (case-sensitive, as Locate's options
// are always empty).
int CompareToProbe(const Column& c, std::uint32_t r, const Probe& p) {
  switch (c.kind) {
    case Kind::Text:
      return CompareText(c.Text(r), p.text, false);
    case Kind::Integer:
    case Kind::Boolean:
      if ((c.nulls[r] != 0) != p.null) return c.nulls[r] ? -1 : 1;
      return p.null ? 0 : CompareNumbers(c.ints[r], p.integer);
    case Kind::Float:
      if ((c.nulls[r] != 0) != p.null) return c.nulls[r] ? -1 : 1;
      return p.null ? 0 : CompareNumbers(c.floats[r], p.number);
  }
  return 0;
}

}  // namespace

// ---- Field --------------------------------------------------------------------------------

const FieldDef& Field::Def() const {
  assert(table_ != nullptr);
  return table_->field_defs_[static_cast<std::size_t>(column_)];
}

bool Field::IsNull() const {
  if (table_ == nullptr || !table_->HasCurrent()) return true;
  return table_->ColumnAt(column_).nulls[table_->CurrentRecord()] != 0;
}

std::string Field::AsString() const {
  if (table_ == nullptr || !table_->HasCurrent()) return {};
  const Column& c = table_->ColumnAt(column_);
  const std::uint32_t r = table_->CurrentRecord();
  if (c.kind == Kind::Text) return std::string(c.Text(r));
  if (c.nulls[r]) return {};
  switch (c.kind) {
    case Kind::Integer:
      return std::to_string(c.ints[r]);
    case Kind::Boolean:
      return c.ints[r] ? "True" : "False";
    case Kind::Float:
      return FormatFloat(c.floats[r]);
    case Kind::Text:
      break;
  }
  return {};
}

std::int64_t Field::AsInteger() const {
  if (table_ == nullptr) return 0;
  return table_->IntAt(Handle());
}

void Field::SetAsString(std::string_view text) const {
  if (table_ == nullptr) throw NotEditing();
  table_->SetValue(column_, text);
}

// ---- MemTable: reading --------------------------------------------------------------------

MemTable::MemTable() = default;
MemTable::~MemTable() = default;

std::int64_t MemTable::IntAtSlow(const Column& c) const {
  return IntOfRecordSlow(c, current_);
}

std::int64_t MemTable::IntOfRecordSlow(const Column& c, std::uint32_t r) const {
  if (c.kind == Kind::Float) {
    if (c.nulls[r]) return 0;
    const double v = std::round(c.floats[r]);
    if (!(v >= -9.2e18 && v <= 9.2e18)) return 0;
    return static_cast<std::int64_t>(v);
  }
  std::int64_t value = 0;
  return ParseInteger(c.Text(r), value) ? value : 0;
}

std::size_t MemTable::RecordCount() const {
  return record_count_;
}

std::int64_t MemTable::RecNo() const {
  return HasCurrent() ? static_cast<std::int64_t>(current_) : -1;
}

int MemTable::FindField(std::string_view name) const {
  for (std::size_t i = 0; i < field_defs_.size(); ++i) {
    if (EqualsIgnoreAsciiCase(field_defs_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

ColumnId MemTable::ColumnOf(std::string_view name) const {
  const int column = FindField(name);
  if (column < 0) throw FieldNotFound(name);
  return ColumnId(static_cast<std::size_t>(column));
}

void MemTable::StaleColumn(ColumnId column) {
  throw FieldNotFound("#" + std::to_string(column.Index()));
}

Field MemTable::FieldByName(std::string_view name) {
  const int column = FindField(name);
  if (column < 0) throw FieldNotFound(name);
  return Field(this, column);
}

std::uint32_t MemTable::RecordAt(std::size_t position) const {
  return working_ < 0 ? static_cast<std::uint32_t>(position)
                      : indexes_[static_cast<std::size_t>(working_)].order[position];
}

void MemTable::MoveTo(std::size_t position) {
  position_ = position;
  current_ = RecordAt(position);
}

void MemTable::CheckBrowseMode() {
  if (appending_) Post();
}

void MemTable::EnsureWorkingOrder() {
  if (working_ < 0) return;
  const auto w = static_cast<std::size_t>(working_);
  if (indexes_[w].in_order) return;
  BuildIndex(w);
  if (record_count_ > 0) position_ = PositionOf(working_, current_);
}

void MemTable::First() {
  CheckBrowseMode();
  EnsureWorkingOrder();
  if (record_count_ == 0) {
    bof_ = eof_ = true;
    return;
  }
  MoveTo(0);
  bof_ = true;
  eof_ = false;
}

void MemTable::Last() {
  CheckBrowseMode();
  EnsureWorkingOrder();
  if (record_count_ == 0) {
    bof_ = eof_ = true;
    return;
  }
  MoveTo(record_count_ - 1);
  eof_ = true;
  bof_ = false;
}

void MemTable::Next() {
  CheckBrowseMode();
  if (eof_) return;
  EnsureWorkingOrder();
  if (record_count_ == 0) {
    bof_ = eof_ = true;
    return;
  }
  if (position_ + 1 < record_count_) {
    MoveTo(position_ + 1);
  } else {
    eof_ = true;
  }
  bof_ = false;
}

void MemTable::Prior() {
  CheckBrowseMode();
  if (bof_) return;
  EnsureWorkingOrder();
  if (record_count_ == 0) {
    bof_ = eof_ = true;
    return;
  }
  if (position_ > 0) {
    MoveTo(position_ - 1);
  } else {
    bof_ = true;
  }
  eof_ = false;
}

bool MemTable::Locate(std::string_view field_name, std::string_view value) {
  CheckBrowseMode();
  const int column = FindField(field_name);
  if (column < 0) throw FieldNotFound(field_name);
  if (!active_ || record_count_ == 0) return false;
  EnsureWorkingOrder();
  const Column& c = ColumnAt(column);
  Probe probe;
  if (!MakeProbe(c, value, probe)) return false;
  const std::size_t n = record_count_;

  // 1. With the working index in order and more than 20 records: the last-defined index in
  //    order that leads with the located field under the same (case-sensitive) rule.
  int chosen = -1;
  if (n > 20) {
    for (std::size_t i = indexes_.size(); i-- > 0;) {
      const Index& ix = indexes_[i];
      if (!ix.in_order || ix.keys.empty() || ix.keys.front() != column) continue;
      if (c.kind == Kind::Text && index_defs_[i].options.case_insensitive) continue;
      chosen = static_cast<int>(i);
      break;
    }
  }
  if (chosen >= 0) {
    // 2. Binary search (the index holds all n > 20 records) for the first equal record of the
    //    index: the lowest position whose value is not before the probe.
    const Index& ix = indexes_[static_cast<std::size_t>(chosen)];
    const int sign = index_defs_[static_cast<std::size_t>(chosen)].options.descending ? -1 : 1;
    std::size_t lo = 0, hi = n;
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (sign * CompareToProbe(c, ix.order[mid], probe) < 0) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    if (lo == n || CompareToProbe(c, ix.order[lo], probe) != 0) return false;
    const std::uint32_t record = ix.order[lo];
    position_ = chosen == working_ ? lo : PositionOf(working_, record);
    current_ = record;
  } else {
    // 3. Scan of the working order from its first record.
    std::size_t p = 0;
    while (p < n && CompareToProbe(c, RecordAt(p), probe) != 0) ++p;
    if (p == n) return false;
    MoveTo(p);
  }
  bof_ = eof_ = false;
  return true;
}

void MemTable::SetIndexName(std::string_view name) {
  CheckBrowseMode();
  int selected = -1;
  if (!name.empty()) {
    for (std::size_t i = 0; i < index_defs_.size(); ++i) {
      if (EqualsIgnoreAsciiCase(index_defs_[i].name, name)) {
        selected = static_cast<int>(i);
        break;
      }
    }
    if (selected < 0) return;  // unknown name: nothing changes, no error
    if (active_ && !indexes_[static_cast<std::size_t>(selected)].in_order)
      BuildIndex(static_cast<std::size_t>(selected));
  }
  working_ = selected;
  index_name_ = selected < 0 ? std::string() : index_defs_[static_cast<std::size_t>(selected)].name;
  if (record_count_ > 0) {
    // The current record stays current, at its position in the new order.
    position_ = PositionOf(working_, current_);
    bof_ = eof_ = false;
  } else {
    bof_ = eof_ = true;
  }
}

// ---- MemTable: definitions and loading ----------------------------------------------------

void MemTable::Close() {
  active_ = false;
  appending_ = false;
  columns_.clear();
  record_count_ = 0;
  for (Index& ix : indexes_) ix = Index{};
  position_ = 0;
  current_ = 0;
  bof_ = eof_ = true;
}

void MemTable::Open() {
  if (active_) return;
  columns_.clear();
  columns_.reserve(field_defs_.size());
  for (const FieldDef& def : field_defs_) columns_.push_back(MakeColumn(def.type));
  for (Index& ix : indexes_) ix = Index{};  // keys are resolved against the new columns
  record_count_ = 0;
  appending_ = false;
  position_ = 0;
  current_ = 0;
  bof_ = eof_ = true;
  active_ = true;
}

void MemTable::ClearFieldDefs() {
  Close();
  field_defs_.clear();
}

FieldDef& MemTable::AddFieldDef(std::string name, FieldType type, int size, bool required) {
  Close();
  FieldDef& def = field_defs_.emplace_back();
  def.name = std::move(name);
  def.type = type;
  def.size = size;
  def.required = required;
  return def;
}

void MemTable::ClearIndexDefs() {
  index_defs_.clear();
  indexes_.clear();
  if (working_ >= 0) {
    working_ = -1;
    index_name_.clear();
    position_ = current_;
  }
}

void MemTable::AddIndexDef(std::string name, std::string fields, IndexOptions options) {
  index_defs_.push_back(IndexDef{std::move(name), std::move(fields), options});
  indexes_.emplace_back();
}

void MemTable::Append() {
  if (!active_) throw ClosedDataset();
  CheckBrowseMode();
  if (record_count_ >= std::numeric_limits<std::uint32_t>::max() - 1)
    throw TableError("Too many records");
  for (Index& ix : indexes_) {
    if (ix.in_order || !ix.order.empty()) {
      ix.in_order = false;
      ix.identity = false;
      ix.order.clear();
      ix.positions.clear();
    }
  }
  for (Column& c : columns_) {
    c.nulls.push_back(1);
    switch (c.kind) {
      case Kind::Text:
        c.offsets.push_back(c.offsets.back());
        break;
      case Kind::Integer:
      case Kind::Boolean:
        c.ints.push_back(0);
        break;
      case Kind::Float:
        c.floats.push_back(0);
        break;
    }
  }
  appending_ = true;
  current_ = static_cast<std::uint32_t>(record_count_);
}

void MemTable::Reserve(std::size_t records) {
  for (Column& c : columns_) {
    c.nulls.reserve(records);
    switch (c.kind) {
      case Kind::Text:
        c.offsets.reserve(records + 1);
        if (record_count_ > 0 && records > record_count_) {
          // A little over the average, so that a longer tail does not regrow the whole blob.
          const std::size_t per_record = c.blob.size() / record_count_ + 1;
          c.blob.reserve(per_record * records + per_record * records / 16);
        }
        break;
      case Kind::Integer:
      case Kind::Boolean:
        c.ints.reserve(records);
        break;
      case Kind::Float:
        c.floats.reserve(records);
        break;
    }
  }
}

void MemTable::SetValue(int column, std::string_view text) {
  if (!appending_) throw NotEditing();
  Column& c = columns_[static_cast<std::size_t>(column)];
  const std::size_t r = record_count_;
  switch (c.kind) {
    case Kind::Text: {
      if (c.blob.size() != c.offsets[r])
        c.blob.resize(c.offsets[r]);  // a second value replaces the first
      if (c.blob.size() + text.size() > std::numeric_limits<std::uint32_t>::max())
        throw TableError("Table text too large");
      c.blob.append(text);
      c.offsets[r + 1] = static_cast<std::uint32_t>(c.blob.size());
      c.nulls[r] = 0;
      return;
    }
    case Kind::Integer: {
      if (text.empty()) {
        c.ints[r] = 0, c.nulls[r] = 1;
        return;
      }
      std::int64_t value = 0;
      if (!ParseInteger(text, value) || value < c.min || value > c.max)
        throw InvalidIntegerValue(text, field_defs_[static_cast<std::size_t>(column)].Label());
      c.ints[r] = value, c.nulls[r] = 0;
      return;
    }
    case Kind::Boolean: {
      if (text.empty()) {
        c.ints[r] = 0, c.nulls[r] = 1;
        return;
      }
      bool value = false;
      if (!ParseBoolean(text, value))
        throw InvalidBooleanValue(text, field_defs_[static_cast<std::size_t>(column)].Label());
      c.ints[r] = value ? 1 : 0, c.nulls[r] = 0;
      return;
    }
    case Kind::Float: {
      if (text.empty()) {
        c.floats[r] = 0, c.nulls[r] = 1;
        return;
      }
      double value = 0;
      if (!ParseFloat(text, value))
        throw InvalidFloatValue(text, field_defs_[static_cast<std::size_t>(column)].Label());
      c.floats[r] = value, c.nulls[r] = 0;
      return;
    }
  }
}

void MemTable::Post() {
  if (!appending_) return;
  appending_ = false;
  ++record_count_;
  current_ = static_cast<std::uint32_t>(record_count_ - 1);
  if (working_ < 0) position_ = current_;  // a named working order is rebuilt when next used
  bof_ = eof_ = false;
}

void MemTable::EndLoad() {
  if (!active_) return;
  CheckBrowseMode();
  for (std::size_t i = 0; i < indexes_.size(); ++i) {
    if (!indexes_[i].in_order) BuildIndex(i);
  }
  First();
}

}  // namespace lanzhou::data
