#include "data/csv_table_format.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "data/csv_value_conversion.h"
#include "text/ascii.h"
#include "text/gbk.h"

namespace lanzhou::data {
namespace {

bool IsAscii(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

using text::EqualsIgnoreAsciiCase;

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// A definition that lacks an item fails as the list it was read into always did.
TableError ListIndexOutOfBounds(std::size_t index) {
  return TableError("List index out of bounds (" + std::to_string(index) + ")");
}

TableError NoFieldCount() {
  return TableError("Couldnt determine field count for load.");
}

TableError TooManyFields() {
  return TableError("A table may have at most " + std::to_string(kMaxTableFields) + " fields");
}

TableError UnknownFieldType(std::string_view type_name, std::string_view definition) {
  std::string message = "Unknown field type (";
  message.append(type_name).append(") in CSV file. (").append(definition).append(")");
  return TableError(message);
}

// Name before the first '=' and the comma list after it; without '=' the name is empty and
// the whole text is the list.
std::pair<std::string, std::vector<std::string>> SplitDefinition(const std::string& def) {
  const std::size_t eq = def.find('=');
  if (eq == std::string::npos) return {std::string(), csv::SplitCommaList(def)};
  return {def.substr(0, eq), csv::SplitCommaList(std::string_view(def).substr(eq + 1))};
}

const std::string& Item(const std::vector<std::string>& items, std::size_t index) {
  if (index >= items.size()) throw ListIndexOutOfBounds(index);
  return items[index];
}

FieldKind KindFromName(std::string_view name) {
  if (name == "Calculated") return FieldKind::Calculated;
  if (name == "Lookup") return FieldKind::Lookup;
  if (name == "InternalCalc") return FieldKind::InternalCalc;
  if (name == "Aggregate") return FieldKind::Aggregate;
  return FieldKind::Data;  // "Data" and any unknown kind
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

// Whether a column of this field is read, under the load options.
bool IsLoadable(const FieldDef& def, const CsvSettings& s) {
  switch (def.kind) {
    case FieldKind::Data:
    case FieldKind::InternalCalc:
      break;
    case FieldKind::Calculated:
      if (!s.load_calculated) return false;
      break;
    case FieldKind::Lookup:
      if (!s.load_lookup) return false;
      break;
    case FieldKind::Aggregate:
      return false;
  }
  if (!s.load_field_kind && def.kind != FieldKind::Data) return false;
  if (!s.load_blobs && IsLargeObjectType(def.type)) return false;
  if (!s.load_non_visible && !def.visible) return false;
  return true;
}

// One column of the header: the field it loads and how its text is converted.
struct Column {
  bool used = false;
  Field field;
  csv::ValueConversion conversion = csv::ValueConversion::PassThrough;
  const FieldDef* def = nullptr;
};

// The state of one load; lives on the stack of Load, so loads never share anything.
class Loader {
 public:
  // from_gbk: the text is GBK, and every piece handed on is converted to UTF-8 first.
  Loader(const CsvSettings& settings, std::string_view text, bool from_gbk, MemTable& table)
      : s_(settings),
        text_(text),
        lines_(text, settings.comment),
        tokenizer_(settings.quote, settings.field_delimiter, settings.record_delimiter),
        table_(table),
        from_gbk_(from_gbk) {}

  void Run() {
    std::string_view line;
    const bool have_line = ReadDefinitions(line);
    if (!table_.Active()) table_.Open();
    // A text without a header line (empty, all line ends, or ending right after the
    // definitions) has nothing to map its columns by.
    if (!have_line && !s_.load_no_header) throw NoFieldCount();
    MapColumns(line);
    if (have_line && s_.load_data) ReadRows(line, /*line_is_row=*/s_.load_no_header);
    table_.EndLoad();
  }

 private:
  // Reads lines up to and including the first line outside the table definition (returned in
  // line); false when the text ends first.
  bool ReadDefinitions(std::string_view& line) {
    bool in_table_def = false;
    bool in_index_def = false;
    const bool load_indexes = s_.load_def && s_.load_index_def;
    csv::Value first;
    while (lines_.Next(line)) {
      tokenizer_.Reset(line);
      if (!tokenizer_.Next(first)) first = {};
      const std::string_view word = first.text;
      if (word == csv::kFileVersionMarker) {
        continue;  // the version that follows is not checked
      } else if (word == csv::kTableDefStartMarker) {
        in_table_def = true;
        if (s_.load_def) {
          table_.Close();
          table_.ClearFieldDefs();
        }
        continue;
      } else if (word == csv::kTableDefEndMarker) {
        in_table_def = false;
        if (!table_.Active()) table_.Open();  // still open when definitions were not loaded
        continue;
      } else if (word == csv::kIndexDefStartMarker) {
        in_index_def = true;
        if (load_indexes) table_.ClearIndexDefs();
        continue;
      } else if (word == csv::kIndexDefEndMarker) {
        in_index_def = false;  // the table creates its indexes when it opens
        continue;
      }
      // Inside an index block a line is an index definition, also when the block follows the
      // table definition; only outside both does the header (or the first row) begin.
      if (in_index_def) {
        if (load_indexes) AddIndex(line);
        continue;
      }
      if (!in_table_def) return true;
      if (s_.load_def) AddField(line);
    }
    return false;
  }

  // The text as UTF-8: as it is when it is ASCII (all structure, numbers and times) or already
  // UTF-8, else converted (valid until the next conversion). GBK trail bytes are never a
  // quote, comma, '%', CR, LF or NUL, so splitting the GBK bytes first and converting the
  // pieces reads exactly like converting the whole text up front, but converts only the
  // Chinese values.
  std::string_view Utf8(std::string_view text) {
    if (!from_gbk_ || IsAscii(text)) return text;
    utf8_ = text::GbkToUtf8(text);
    return utf8_;
  }

  void AddField(std::string_view line) {
    if (table_.FieldDefs().size() >= kMaxTableFields) throw TooManyFields();
    FieldDef parsed = csv::ParseFieldDefinition(Utf8(line), s_.quote);
    FieldDef& def = table_.AddFieldDef(parsed.name, parsed.type, parsed.size, parsed.required);
    def.display_label = std::move(parsed.display_label);
    def.edit_mask = std::move(parsed.edit_mask);
    def.read_only = parsed.read_only;
    def.display_width = parsed.display_width;
    def.default_expression = std::move(parsed.default_expression);
    def.visible = parsed.visible;
    def.kind = parsed.kind;
  }

  void AddIndex(std::string_view line) {
    IndexDef parsed = csv::ParseIndexDefinition(Utf8(line), s_.quote);
    table_.AddIndexDef(std::move(parsed.name),
                       csv::ResolveKeyFields(parsed.fields, table_.FieldDefs()), parsed.options);
  }

  void MapColumns(std::string_view header) {
    const std::vector<FieldDef>& defs = table_.FieldDefs();
    if (s_.load_no_header) {
      for (const FieldDef& def : defs) AddColumn(&def);
    } else {
      std::vector<std::string> names = tokenizer_.Split(header);
      for (std::string& name : names) name = std::string(Utf8(name));
      if (defs.empty() && s_.auto_layout_def) MakeFieldsFromHeader(names);
      std::vector<std::string> labels;
      labels.reserve(defs.size());
      for (const FieldDef& def : defs) labels.push_back(csv::UpperAscii(def.Label()));
      for (const std::string& name : names) {
        const std::string upper = csv::UpperAscii(name);
        const FieldDef* match = nullptr;
        for (std::size_t i = 0; i < defs.size() && match == nullptr; ++i) {
          if (labels[i] == upper) match = &defs[i];
        }
        AddColumn(match);
      }
    }
    bool any = false;
    for (const Column& column : columns_) any = any || column.used;
    if (!any) throw NoFieldCount();
  }

  void AddColumn(const FieldDef* def) {
    Column column;
    if (def != nullptr && IsLoadable(*def, s_)) {
      column.used = true;
      column.def = def;
      column.field = table_.FieldByName(def->name);
      column.conversion = csv::ConversionFor(def->type);
    }
    columns_.push_back(column);
  }

  void MakeFieldsFromHeader(const std::vector<std::string>& names) {
    if (names.size() > kMaxTableFields) throw TooManyFields();
    table_.Close();
    for (const std::string& name : names) {
      FieldDef& def =
          table_.AddFieldDef(name, FieldType::String, s_.default_string_field_size, false);
      def.display_label = name;
    }
    table_.Open();
  }

  void ReadRows(std::string_view line, bool line_is_row) {
    csv::Value value;
    std::size_t rows = 0;
    while (line_is_row || lines_.Next(line)) {
      line_is_row = false;
      // Once a few rows show the values' lengths, room for as many rows as the text has lines.
      if (++rows == kRowsBeforeReserve) table_.Reserve(table_.RecordCount() + LinesLeft(line));
      table_.Append();
      tokenizer_.Reset(line);
      for (const Column& column : columns_) {
        if (!tokenizer_.Next(value)) break;  // short row: the rest stay empty
        if (column.used) SetValue(column, value.text);
      }
      table_.Post();  // long row: the extra values are never read
    }
  }

  // The lines from `line` to the end of the text: an upper bound on the rows still to come.
  [[nodiscard]] std::size_t LinesLeft(std::string_view line) const {
    const char* from = line.data();
    const char* end = text_.data() + text_.size();
    return static_cast<std::size_t>(std::count(from, end, '\n')) + 1;
  }

  void SetValue(const Column& column, std::string_view text) {
    // One pass over the (short) value: does it need converting, and does it hold escapes?
    unsigned bits = 0;
    bool escaped = false;
    for (const char c : text) {
      bits |= static_cast<unsigned char>(c);
      escaped |= c == s_.escape;
    }
    if (from_gbk_ && bits >= 0x80) {
      utf8_ = text::GbkToUtf8(text);
      text = utf8_;
    }
    switch (column.conversion) {
      case csv::ValueConversion::Text:
        if (escaped && s_.escape != '\0') {
          csv::DecodeEscapes(text, s_.escape, scratch_);
          column.field.SetAsString(scratch_);
        } else {
          column.field.SetAsString(text);
        }
        return;
      case csv::ValueConversion::Boolean:
        column.field.SetAsString(text == s_.true_string ? "True" : "False");
        return;
      case csv::ValueConversion::PassThrough:
        column.field.SetAsString(text);
        return;
      default:
        csv::ConvertFixedFormat(column.conversion, text, column.def->Label(), scratch_);
        column.field.SetAsString(scratch_);
        return;
    }
  }

  // Rows read before the table reserves room for the rest.
  static constexpr std::size_t kRowsBeforeReserve = 64;

  const CsvSettings& s_;
  std::string_view text_;
  csv::LineReader lines_;
  csv::ValueTokenizer tokenizer_;
  MemTable& table_;
  std::vector<Column> columns_;
  const bool from_gbk_;
  std::string utf8_;     // the last converted piece
  std::string scratch_;  // the last decoded or reformatted value
};

}  // namespace

CsvTableFormat::CsvTableFormat(CsvSettings settings) : settings_(std::move(settings)) {}

void CsvTableFormat::Load(std::string_view gbk_text, MemTable& table) const {
  if (const std::string& error = text::GbkConverterError(); !error.empty()) throw TableError(error);
  Loader(settings_, gbk_text, /*from_gbk=*/true, table).Run();
}

void CsvTableFormat::LoadUtf8(std::string_view utf8_text, MemTable& table) const {
  Loader(settings_, utf8_text, /*from_gbk=*/false, table).Run();
}

void LoadFromStream(MemTable& table, std::string_view bytes, const CsvTableFormat& format) {
  format.Load(bytes, table);
}

namespace csv {

FieldDef ParseFieldDefinition(std::string_view line, char quote) {
  const std::string def = UnquoteLine(line, quote);
  auto [name, items] = SplitDefinition(def);
  FieldDef field;
  field.name = std::move(name);
  const std::string& type_name = Item(items, 0);
  field.size = ParseDefinitionInteger(Item(items, 1));
  field.display_label = Item(items, 2);
  field.edit_mask = Item(items, 3);
  field.display_width = ParseDefinitionInteger(Item(items, 4));
  field.required = def.find(",REQ") != std::string::npos;
  field.read_only = def.find(",RO") != std::string::npos;
  field.visible = def.find(",INV") == std::string::npos;
  std::size_t count = items.size();
  if (count > 6) {
    field.default_expression = items[count - 1];
    --count;
  }
  field.kind = count > 5 ? KindFromName(items[count - 1]) : FieldKind::Data;
  const std::optional<FieldType> type = FieldTypeFromName(type_name);
  if (!type || !IsAcceptedFieldType(*type)) throw UnknownFieldType(type_name, def);
  field.type = *type;
  return field;
}

IndexDef ParseIndexDefinition(std::string_view line, char quote) {
  const std::string def = UnquoteLine(line, quote);
  auto [name, items] = SplitDefinition(def);
  IndexDef index;
  index.fields = Item(items, 0);
  index.name = Item(items, 1);  // the second name is the one the index gets
  if (index.name.empty()) index.name = std::move(name);
  index.options.case_insensitive = def.find(",CASE") != std::string::npos;
  index.options.descending = def.find(",DESC") != std::string::npos;
  index.options.unique = def.find(",UNIQ") != std::string::npos;
  index.options.non_maintained = def.find(",NONMT") != std::string::npos;
  return index;
}

std::string ResolveKeyFields(std::string_view fields, const std::vector<FieldDef>& defs) {
  std::string resolved;
  std::size_t start = 0;
  while (start <= fields.size()) {
    std::size_t end = fields.find(';', start);
    if (end == std::string_view::npos) end = fields.size();
    const std::string_view name = TrimSpaces(fields.substr(start, end - start));
    if (!name.empty()) {
      const FieldDef* match = nullptr;
      for (const FieldDef& def : defs) {
        if (EqualsIgnoreAsciiCase(def.name, name)) {
          match = &def;
          break;
        }
      }
      if (match == nullptr) throw FieldNotFound(name);
      if (!resolved.empty()) resolved.push_back(';');
      resolved += match->name;
    }
    start = end + 1;
  }
  return resolved;
}

}  // namespace csv
}  // namespace lanzhou::data
