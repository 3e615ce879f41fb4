// Table text from outside the program: CsvTableFormat + MemTable loading on the GBK and the
// UTF-8 paths, then the read operations the queries use on whatever table came out.
//
// Only TableError is an expected outcome of bad text; any other exception escapes and libFuzzer
// reports it, as it does a crash or a failed invariant (abort with a message).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/csv_table_format.h"
#include "data/mem_table.h"

namespace {

using lanzhou::data::CsvTableFormat;
using lanzhou::data::FieldType;
using lanzhou::data::IsTextFieldType;
using lanzhou::data::MemTable;
using lanzhou::data::TableError;

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

bool IsIntegerType(FieldType type) {
  return type == FieldType::SmallInt || type == FieldType::Integer || type == FieldType::Word ||
         type == FieldType::AutoInc || type == FieldType::LargeInt;
}

// Every working order visits each record once, and a value read from a record can be found
// again by Locate (texts and integers: the types whose text form round-trips exactly).
void Exercise(MemTable& table) {
  const std::size_t count = table.RecordCount();
  for (std::size_t i = 0; i <= table.IndexDefs().size(); ++i) {
    const std::string name = i == 0 ? std::string() : table.IndexDefs()[i - 1].name;
    table.SetIndexName(name);
    std::size_t seen = 0;
    for (table.First(); !table.Eof(); table.Next()) {
      Require(++seen <= count, "a walk visits more records than the table holds");
    }
    Require(seen == count, "a walk misses records");
  }

  if (count == 0) return;
  table.SetIndexName("");
  table.Last();
  const auto& defs = table.FieldDefs();
  for (const auto& def : defs) {
    if (!IsTextFieldType(def.type) && !IsIntegerType(def.type)) continue;
    // Take the value from the last record, then move away so Locate must search.
    table.Last();
    const std::string value = table.FieldByName(def.name).AsString();
    table.First();
    Require(table.Locate(def.name, value), "Locate misses a value the table holds");
    Require(table.FieldByName(def.name).AsString() == value, "Locate lands on another value");
  }
}

void LoadAndExercise(std::string_view text, bool gbk) {
  MemTable table;
  const CsvTableFormat format;
  try {
    if (gbk) {
      format.Load(text, table);
    } else {
      format.LoadUtf8(text, table);
    }
  } catch (const TableError&) {
    return;  // refused text: the loader thread gives up on this table, as designed
  }
  try {
    Exercise(table);
  } catch (const TableError&) {
    // Building a further index may still refuse the data (duplicate keys, bad key fields).
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  LoadAndExercise(text, /*gbk=*/true);
  LoadAndExercise(text, /*gbk=*/false);
  return 0;
}
