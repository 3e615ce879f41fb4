#pragma once
// Every value of a table, for tests that compare two tables as a reader sees them (a table read
// from a text with one read from an image).
#include <string>
#include <string_view>
#include <vector>

#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/timetable_schema.h"

namespace lanzhou::testing {

// One line per record, walked in the table's working order: each field's value, "<null>" for
// an empty field, after a first line of the field names.
inline std::vector<std::string> TableValues(data::MemTable& table) {
  std::vector<std::string> out(1);
  std::vector<data::Field> fields;
  for (const data::FieldDef& def : table.FieldDefs()) {
    fields.push_back(table.FieldByName(def.name));
    out[0] += def.name + "|";
  }
  for (table.First(); !table.Eof(); table.Next()) {
    std::string row;
    for (const data::Field& f : fields) row += (f.IsNull() ? "<null>" : f.AsString()) + "|";
    out.push_back(std::move(row));
  }
  return out;
}

// The table a timetable member's unpacked bytes (a table text or image) load into.
inline std::vector<std::string> TableValues(std::string_view resource_name,
                                            std::string_view bytes) {
  data::MemTable table;
  data::LoadTimetableTable(resource_name, bytes, table, data::CsvTableFormat{});
  return TableValues(table);
}

}  // namespace lanzhou::testing
