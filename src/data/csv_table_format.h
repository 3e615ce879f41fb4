#pragma once
// CsvTableFormat: reads table text (field definitions, index definitions, a header row and data
// rows, comma-separated, GBK) into a MemTable. Read-only: the system never writes the format.
//
// The building blocks (csv_syntax.h: lines, values, quoting, escapes; here: definition lines)
// are exposed in lanzhou::data::csv so that each can be tested on its own.
#include <string>
#include <string_view>
#include <vector>

#include "data/csv_syntax.h"
#include "data/mem_table.h"

namespace lanzhou::data {

// The reader's settings. The defaults are the ones the main window's two readers use.
struct CsvSettings {
  char quote = '"';
  char field_delimiter = ',';
  char record_delimiter = ',';  // also ends a value, so every data line may end with a comma
  char escape = '%';            // in text values: %% %c %n %0
  char comment = '\0';          // '\0': no comment lines
  int default_string_field_size = 255;  // fields made from the header (auto_layout_def only)
  std::string true_string = "True";
  std::string false_string = "False";

  // Load options.
  bool load_data = true;           // read the data rows
  bool load_def = true;            // take field definitions from the text
  bool load_index_def = true;      // take index definitions from the text
  bool load_field_kind = true;     // when false, columns of non-Data fields are skipped
  bool load_non_visible = true;    // when false, columns of invisible fields are skipped
  bool load_no_header = false;     // no header row: columns are the fields in definition order
  bool auto_layout_def = false;    // no definitions: make String fields from the header names
  bool load_local_format = false;  // ignored: numbers and dates are always read in fixed form
  bool load_calculated = false;    // load columns of Calculated fields
  bool load_lookup = false;        // load columns of Lookup fields
  bool load_blobs = false;         // load columns of the large-object types
};

// Fields a table may define: real tables have 2 to 12; beyond this a text is refused rather than
// let its rows multiply into gigabytes.
inline constexpr std::size_t kMaxTableFields = 64;

class CsvTableFormat {
 public:
  explicit CsvTableFormat(CsvSettings settings = {});

  // Loads GBK table text into table: definitions, indexes, header, rows, then
  // table.EndLoad(). Every text reaches the table as UTF-8. Throws TableError with the
  // system's fixed messages. Holds no state between calls and touches no process-wide
  // state: two instances (or one) may load two tables on two threads at once.
  void Load(std::string_view gbk_text, MemTable& table) const;
  // As Load, for text already in UTF-8.
  void LoadUtf8(std::string_view utf8_text, MemTable& table) const;

  [[nodiscard]] const CsvSettings& Settings() const { return settings_; }

 private:
  CsvSettings settings_;
};

// The MemTable entry point: hands the bytes (GBK table text) to the format reader; the
// reader's errors pass through.
void LoadFromStream(MemTable& table, std::string_view bytes, const CsvTableFormat& format);

namespace csv {

// One field definition line ("Name=Type,size,""label"",""mask"",width[,REQ][,RO][,INV],kind,
// ""default"""), parsed into a definition. Throws TableError: "Unknown field type (%s) in CSV
// file. (%s)" for a type name that is not one of the 38 or that a table refuses; "List index
// out of bounds (%d)" for a missing item; "'%s' is not a valid integer value" for a size or
// display width that is not decimal.
[[nodiscard]] FieldDef ParseFieldDefinition(std::string_view line, char quote = '"');

// One index definition line ("Name=""key;fields"",""Name""[,DESC][,CASE][,NONMT][,UNIQ]").
// The key field names are returned as written; the loader resolves them without case.
[[nodiscard]] IndexDef ParseIndexDefinition(std::string_view line, char quote = '"');

// Resolves a ';'-separated key field list against the defined fields without regard to letter
// case, giving the names as defined ("ShortCode" -> "Shortcode"). Throws FieldNotFound.
[[nodiscard]] std::string ResolveKeyFields(std::string_view fields,
                                           const std::vector<FieldDef>& defs);

}  // namespace csv
}  // namespace lanzhou::data
