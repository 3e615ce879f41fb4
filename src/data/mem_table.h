#pragma once
// MemTable: the in-memory table behind the four timetables. Typed fields, named indexes, one
// shared cursor, look-up by field value. Filled once by a loader, then only read.
//
// Text is held as UTF-8 inside; the table text reader converts from GBK when it reads.
//
// Storage by type: text types, dates and times, binary and large-object types hold text;
// SmallInt, Integer, Word, AutoInc, LargeInt hold integers within their type's range; Boolean
// holds true/false; Float, Currency, BCD, FMTBcdField hold doubles (read and written with '.'
// whatever the locale). Values longer than a text field's size are stored whole.
//
// Collation (index order and Locate): texts compare by their UTF-8 bytes, which is code-point
// order, so train numbers come out in plain character-code order ("1043" < "1112/1113" <
// "D102" < "Z98/Z95") and texts are equal only when identical; a case-insensitive index folds
// ASCII letters first. Numbers compare numerically; an empty number sorts before every value,
// an empty text equals "". This collation cannot fail, so InvalidLocale is never raised.
//
// Not thread-safe: one thread loads, then (after a hand-over) one thread reads. Locate builds
// a record -> position map of an index the first time it needs one.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lanzhou::data {

// Every failure of the table engine and of the table text reader carries one of the system's
// fixed English messages (see the factory functions below); tests compare them exactly.
class TableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// clang-format off
[[nodiscard]] TableError FieldNotFound(std::string_view name);          // "Field '%s' not found"
[[nodiscard]] TableError DuplicateIndexValue();                          // "Duplicate index value. Operation aborted."
[[nodiscard]] TableError CannotIndexField(std::string_view label);       // "Can't index on field %s"
[[nodiscard]] TableError InvalidIntegerValue(std::string_view text,
                                             std::string_view label);    // "'%s' is not a valid integer value for field '%s'"
[[nodiscard]] TableError InvalidLocale();                                // "Invalid locale."
// clang-format on
// Beyond these five, for types and misuse the shipped data never meets: "'%s' is not a valid
// floating point value for field '%s'", "'%s' is not a valid boolean value for field '%s'",
// "Dataset not in edit or insert mode" (SetAsString outside Append..Post) and "Cannot perform
// this operation on a closed dataset" (Append on a closed table).

// The 38 type names a definition may carry, in the order of their names.
// clang-format off
enum class FieldType : std::uint8_t {
  Unknown, String, SmallInt, Integer, Word, Boolean, Float, Currency, BCD, Date, Time, DateTime,
  Bytes, VarBytes, AutoInc, Blob, Memo, Graphic, FmtMemo, ParadoxOle, DBaseOle, TypedBinary,
  Cursor, FixedChar, WideString, LargeInt, ADT, Array, Reference, DataSet, HugeBlob, HugeClob,
  Variant, Interface, Dispatch, Guid, SQLTimeStamp, FMTBcdField
};
// clang-format on

// Exact, case-sensitive look-up of a type name ("WideString"); nullopt when not one of the 38.
[[nodiscard]] std::optional<FieldType> FieldTypeFromName(std::string_view name);
[[nodiscard]] std::string_view FieldTypeName(FieldType type);
// False for the types a table refuses: Unknown, Cursor, Reference, DataSet, Variant, Interface,
// Dispatch.
[[nodiscard]] bool IsAcceptedFieldType(FieldType type);
// Text types: String, FixedChar, WideString, Guid (and the memo types, stored as text).
[[nodiscard]] bool IsTextFieldType(FieldType type);

enum class FieldKind : std::uint8_t { Data, Calculated, Lookup, InternalCalc, Aggregate };

struct FieldDef {
  std::string name;
  FieldType type = FieldType::WideString;
  int size = 0;
  bool required = false;
  // Carried from the table text and stored; only DisplayLabel is used (header mapping).
  std::string display_label;
  std::string edit_mask;
  int display_width = 0;
  bool read_only = false;
  bool visible = true;
  std::string default_expression;
  FieldKind kind = FieldKind::Data;

  // The label the header is matched against: the display label, or the name when it is empty.
  [[nodiscard]] const std::string& Label() const {
    return display_label.empty() ? name : display_label;
  }
};

struct IndexOptions {
  bool descending = false;
  bool case_insensitive = false;
  bool non_maintained = false;
  bool unique = false;
};

struct IndexDef {
  std::string name;
  std::string fields;  // key field names separated by ';' ("ID;S_No"), resolved without case
  IndexOptions options;
};

class MemTable;

// True when bytes begin as a table image (MemTable::Image) does; no table text begins so.
[[nodiscard]] bool IsTableImage(std::string_view bytes);

// A column of a table as FieldByName or MemTable::Column found it. It cannot be made from a bare
// number, so a look-up that failed can never reach the record accessors as "column -1".
class ColumnId {
 public:
  [[nodiscard]] std::size_t Index() const { return index_; }

 private:
  friend class MemTable;
  friend class Field;
  explicit ColumnId(std::size_t index) : index_(index) {}
  std::size_t index_;
};

namespace detail {
// One column, stored compactly: text values back to back in one block, numbers in a plain
// array; an empty field has its null flag set (and reads as "" / 0).
struct MemColumn {
  enum class Kind : std::uint8_t { Text, Integer, Float, Boolean };
  Kind kind = Kind::Text;
  bool indexable = true;
  std::int64_t min = 0;  // Integer: the type's range
  std::int64_t max = 0;
  std::string blob;                       // Text: all values back to back
  std::vector<std::uint32_t> offsets{0};  // Text: value r is blob[offsets[r], offsets[r+1])
  std::vector<std::int64_t> ints;         // Integer, Boolean (0 when empty)
  std::vector<double> floats;             // Float (0 when empty)
  std::vector<std::uint8_t> nulls;        // 1 = empty
  [[nodiscard]] std::string_view Text(std::uint32_t r) const {
    return {blob.data() + offsets[r], static_cast<std::size_t>(offsets[r + 1] - offsets[r])};
  }
};
}  // namespace detail

// A handle on one column; reads and writes go to the table's current record. Cheap to copy;
// valid as long as the table's field definitions do not change. Hot loops fetch it once.
class Field {
 public:
  Field() = default;
  [[nodiscard]] const FieldDef& Def() const;
  [[nodiscard]] int Index() const { return column_; }
  [[nodiscard]] ColumnId Handle() const { return ColumnId(static_cast<std::size_t>(column_)); }
  [[nodiscard]] bool IsNull() const;
  // Text fields as stored; integer fields in decimal; empty field: "".
  [[nodiscard]] std::string AsString() const;
  // Integer fields' value; text fields read as a decimal integer (0 if not one); Boolean 0/1;
  // floats rounded; empty: 0.
  [[nodiscard]] std::int64_t AsInteger() const;
  // Loading: sets this field of the record being appended (a second call replaces the value).
  // Integer types take decimal text, an optional sign and digits only (empty text leaves the
  // field empty; other text, or a value outside the type's range, throws InvalidIntegerValue
  // with the display label); text types store the UTF-8 text as given (empty text is a value,
  // not an empty field, and reads alike); Boolean takes "True"/"False" or a leading part of
  // either, without case; floats take '.' decimals.
  void SetAsString(std::string_view text) const;

 private:
  friend class MemTable;
  Field(MemTable* table, int column) : table_(table), column_(column) {}
  MemTable* table_ = nullptr;
  int column_ = -1;
};

class MemTable {
 public:
  MemTable();
  ~MemTable();
  MemTable(const MemTable&) = delete;
  MemTable& operator=(const MemTable&) = delete;

  // ---- Reading -------------------------------------------------------------------------
  void First();
  void Last();
  void Next();
  void Prior();
  [[nodiscard]] bool Bof() const { return bof_; }
  [[nodiscard]] bool Eof() const { return eof_; }
  [[nodiscard]] std::size_t RecordCount() const;
  // The named field (name without regard to case); throws FieldNotFound.
  [[nodiscard]] Field FieldByName(std::string_view name);
  // As FieldByName, but -1 for an unknown name.
  [[nodiscard]] int FindField(std::string_view name) const;
  // The named column for TextAt/IntAt; throws FieldNotFound.
  [[nodiscard]] ColumnId ColumnOf(std::string_view name) const;
  // Moves to the first record whose field equals value (the value converted to the field's
  // type; "" finds an empty field); Bof and Eof become false. False when none, and when the
  // value cannot be of the field's type ("x" for an integer field): nothing moves and the
  // flags stay. Unknown field name: FieldNotFound. With more than 20 records the last-defined
  // index in order that leads with the field (and is case-sensitive, for text) is binary-
  // searched and its first equal record taken, then placed in the working order; otherwise
  // the working order is scanned from its first record.
  bool Locate(std::string_view field_name, std::string_view value);
  // Selects the working index by name (case-insensitive); unknown names change nothing; the
  // empty name selects load order. An index not in order is built first (which may throw as
  // EndLoad does). The current record stays current at its place in the new order; Bof and
  // Eof are then false (both true on an empty table).
  void SetIndexName(std::string_view name);
  [[nodiscard]] const std::string& IndexName() const { return index_name_; }

  // Direct access to the current record for hot loops: a column from ColumnOf() or
  // Field::Handle(). TextAt: text fields only ("" for other types and when empty); the view
  // stays valid until the next Append or Close. IntAt: integer fields (Boolean as 0/1, floats
  // rounded, text parsed as AsInteger); 0 when empty. Both read the record being appended while
  // a load has one open. A handle that outlived a change of the field definitions throws
  // FieldNotFound rather than read past the columns.
  [[nodiscard]] std::string_view TextAt(ColumnId column) const {
    if (!HasCurrent()) return {};
    const Column& c = CheckedColumn(column);
    if (c.kind != Column::Kind::Text) return {};
    return c.Text(current_);
  }
  [[nodiscard]] std::int64_t IntAt(ColumnId column) const {
    if (!HasCurrent()) return 0;
    const Column& c = CheckedColumn(column);
    if (c.kind == Column::Kind::Integer || c.kind == Column::Kind::Boolean) return c.ints[current_];
    return IntAtSlow(c);
  }
  // Load number of the current record; -1 when the table is empty or closed.
  [[nodiscard]] std::int64_t RecNo() const;
  // Reads of one record by load number (0 .. RecordCount()-1, not range-checked), leaving the
  // cursor alone: a loaded table may be read so from another thread while its owner browses.
  // A column number outside the table (a failed FindField's -1) throws FieldNotFound.
  [[nodiscard]] std::string_view TextOfRecord(std::uint32_t record, int column) const {
    const Column& c = CheckedColumn(column);
    return c.kind == Column::Kind::Text ? c.Text(record) : std::string_view{};
  }
  [[nodiscard]] std::int64_t IntOfRecord(std::uint32_t record, int column) const {
    const Column& c = CheckedColumn(column);
    if (c.kind == Column::Kind::Integer || c.kind == Column::Kind::Boolean) return c.ints[record];
    return IntOfRecordSlow(c, record);
  }

  // ---- Definitions and loading ---------------------------------------------------------
  // A closed table keeps its field and index definitions and the working index name, but no
  // records. Open makes the empty table from the field definitions (no-op when open).
  void Close();
  void Open();
  [[nodiscard]] bool Active() const { return active_; }
  // Changing the field definitions closes the table first (Field handles become invalid).
  void ClearFieldDefs();
  // Adds a field definition; returns it so the display attributes can be set one by one (the
  // reference is valid until the next definition is added).
  FieldDef& AddFieldDef(std::string name, FieldType type, int size, bool required);
  [[nodiscard]] const std::vector<FieldDef>& FieldDefs() const { return field_defs_; }
  // Dropping the index definitions returns the working order to load order.
  void ClearIndexDefs();
  // Stored only; key field names are resolved (without case) when the index is first built.
  void AddIndexDef(std::string name, std::string fields, IndexOptions options);
  [[nodiscard]] const std::vector<IndexDef>& IndexDefs() const { return index_defs_; }
  // Starts a new record (posting one still being appended); fields are set with
  // Field::SetAsString; Post stores it with the next load number and makes it current. Reads
  // during Append..Post see the new record. Indexes are not maintained: appending puts them
  // out of order until EndLoad (or until a cursor operation needs the working index).
  void Append();
  void Post();
  // Makes room for `records` records in all, text columns by their average length so far. A
  // load calls it once it has seen a few rows, so the columns do not regrow and copy as it goes.
  // Changes nothing a reader can see.
  void Reserve(std::size_t records);
  // End of a load: builds every index that is not in order, once, over all records, and
  // makes the first record of the working order current. Errors: an unknown key field name
  // (FieldNotFound), a key field of a large-object, ADT or Array type (CannotIndexField, with
  // the display label), equal keys in a unique index (DuplicateIndexValue).
  void EndLoad();

  // ---- Images (mem_table_image.cpp) ----------------------------------------------------
  // The table's definitions and records as they lie in memory, for a timetable file to carry
  // instead of text: reading one back copies blocks instead of parsing. Posts a record being
  // appended; a closed table is opened (empty) first.
  [[nodiscard]] std::string Image();
  // Replaces definitions and records with those of an image, checked throughout (offsets,
  // UTF-8, number ranges, the exact size) and its indexes rebuilt; the first record of load
  // order is current. A damaged image throws TableError ("Table image is damaged: …") and leaves
  // the table closed.
  void LoadImage(std::string_view image);

 private:
  friend class Field;
  struct Index;

  using Column = detail::MemColumn;
  [[nodiscard]] std::int64_t IntAtSlow(const Column& c) const;
  [[nodiscard]] std::int64_t IntOfRecordSlow(const Column& c, std::uint32_t record) const;
  [[nodiscard]] const Column& CheckedColumn(ColumnId column) const {
    if (column.index_ >= columns_.size()) [[unlikely]]
      StaleColumn(column);
    return columns_[column.index_];
  }
  [[noreturn]] static void StaleColumn(ColumnId column);
  [[nodiscard]] const Column& CheckedColumn(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) [[unlikely]]
      StaleColumn(ColumnId(column < 0 ? columns_.size() : static_cast<std::size_t>(column)));
    return columns_[static_cast<std::size_t>(column)];
  }

  [[nodiscard]] bool HasCurrent() const { return appending_ || record_count_ > 0; }
  [[nodiscard]] const Column& ColumnAt(int column) const {
    return columns_[static_cast<std::size_t>(column)];
  }
  [[nodiscard]] std::uint32_t CurrentRecord() const { return current_; }
  void SetValue(int column, std::string_view text);  // Field::SetAsString on the appended record
  void CheckBrowseMode();                            // posts a record being appended
  void EnsureWorkingOrder();                         // builds a working index that is not in order
  void BuildIndex(std::size_t index);
  void ResolveKeys(std::size_t index);
  [[nodiscard]] std::uint32_t RecordAt(std::size_t position) const;
  [[nodiscard]] std::size_t PositionOf(int index, std::uint32_t record);
  // Key order of two records (no load-number tie-break, no descending): <0, 0, >0.
  [[nodiscard]] int CompareKeys(const Index& index, std::uint32_t a, std::uint32_t b) const;
  void MoveTo(std::size_t position);

  std::vector<FieldDef> field_defs_;
  std::vector<IndexDef> index_defs_;
  std::vector<Column> columns_;
  std::vector<Index> indexes_;    // parallel to index_defs_
  std::size_t record_count_ = 0;  // posted records; a record being appended is number record_count_
  bool appending_ = false;
  bool active_ = false;

  // Working order: -1 = load order, else a position in indexes_.
  int working_ = -1;
  std::string index_name_;
  std::size_t position_ = 0;   // position of the current record in the working order
  std::uint32_t current_ = 0;  // load number of the current record (read by the hot accessors)
  bool bof_ = true;
  bool eof_ = true;
};

}  // namespace lanzhou::data
