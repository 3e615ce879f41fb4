#pragma once
// MemTable: the in-memory table behind the four timetables. Typed fields, named indexes, one
// shared cursor, look-up by field value. Filled once by a loader, then only read.
//
// Text is held as UTF-8 inside; the table text reader converts from GBK when it reads.
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

[[nodiscard]] TableError FieldNotFound(std::string_view name);          // "Field '%s' not found"
[[nodiscard]] TableError DuplicateIndexValue();                          // "Duplicate index value. Operation aborted."
[[nodiscard]] TableError CannotIndexField(std::string_view label);       // "Can't index on field %s"
[[nodiscard]] TableError InvalidIntegerValue(std::string_view text,
                                             std::string_view label);    // "'%s' is not a valid integer value for field '%s'"
[[nodiscard]] TableError InvalidLocale();                                // "Invalid locale."

// The 38 type names a definition may carry, in the order of their names.
enum class FieldType : std::uint8_t {
  Unknown, String, SmallInt, Integer, Word, Boolean, Float, Currency, BCD, Date, Time, DateTime,
  Bytes, VarBytes, AutoInc, Blob, Memo, Graphic, FmtMemo, ParadoxOle, DBaseOle, TypedBinary,
  Cursor, FixedChar, WideString, LargeInt, ADT, Array, Reference, DataSet, HugeBlob, HugeClob,
  Variant, Interface, Dispatch, Guid, SQLTimeStamp, FMTBcdField
};

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
  [[nodiscard]] const std::string& Label() const { return display_label.empty() ? name : display_label; }
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

// A handle on one column; reads and writes go to the table's current record. Cheap to copy;
// valid as long as the table's field definitions do not change. Hot loops fetch it once.
class Field {
 public:
  Field() = default;
  [[nodiscard]] const FieldDef& Def() const;
  [[nodiscard]] int Index() const { return column_; }
  [[nodiscard]] bool IsNull() const;
  // Text fields as stored; integer fields in decimal; empty field: "".
  [[nodiscard]] std::string AsString() const;
  // Integer fields' value; text fields read as a decimal integer (0 if not one); empty: 0.
  [[nodiscard]] std::int64_t AsInteger() const;
  // Loading: sets this field of the record being appended. Integer types take decimal text
  // (empty text leaves the field empty; other text throws InvalidIntegerValue); text types
  // store the UTF-8 text as given.
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
  // Moves to the first record whose field equals value; false (nothing moves) when none.
  bool Locate(std::string_view field_name, std::string_view value);
  // Selects the working index by name (case-insensitive); unknown names change nothing; the
  // empty name selects load order. The current record stays current.
  void SetIndexName(std::string_view name);
  [[nodiscard]] const std::string& IndexName() const { return index_name_; }

  // Direct access to the current record for hot loops: column from FindField/Field::Index().
  [[nodiscard]] std::string_view TextAt(int column) const;  // text fields only; "" when empty
  [[nodiscard]] std::int64_t IntAt(int column) const;       // integer fields; 0 when empty
  // Load number of the current record; -1 when the table is empty or closed.
  [[nodiscard]] std::int64_t RecNo() const;

  // ---- Definitions and loading ---------------------------------------------------------
  void Close();
  void Open();
  [[nodiscard]] bool Active() const { return active_; }
  void ClearFieldDefs();
  // Adds a field definition; returns it so the display attributes can be set one by one.
  FieldDef& AddFieldDef(std::string name, FieldType type, int size, bool required);
  [[nodiscard]] const std::vector<FieldDef>& FieldDefs() const { return field_defs_; }
  void ClearIndexDefs();
  void AddIndexDef(std::string name, std::string fields, IndexOptions options);
  [[nodiscard]] const std::vector<IndexDef>& IndexDefs() const { return index_defs_; }
  // Starts a new record; fields are set with Field::SetAsString; Post stores it.
  void Append();
  void Post();
  // End of a load: builds every index once, checks the unique ones (DuplicateIndexValue,
  // CannotIndexField), makes the first record of the working order current.
  void EndLoad();

 private:
  friend class Field;
  struct Column;
  struct Index;

  const Column& ColumnAt(int column) const;
  std::uint32_t CurrentRecord() const;
  void BuildIndex(Index& index);
  int Compare(const Index& index, std::uint32_t a, std::uint32_t b) const;

  std::vector<FieldDef> field_defs_;
  std::vector<IndexDef> index_defs_;
  std::vector<Column> columns_;
  std::vector<Index> indexes_;
  std::size_t record_count_ = 0;
  bool appending_ = false;
  bool active_ = false;

  // Working order: -1 = load order, else a position in indexes_.
  int working_ = -1;
  std::string index_name_;
  std::size_t position_ = 0;  // position of the current record in the working order
  bool bof_ = true;
  bool eof_ = true;
};

}  // namespace lanzhou::data
