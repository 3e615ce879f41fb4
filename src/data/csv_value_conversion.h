#pragma once
// The table text reader's own conversions of values and definition numbers. Fixed conventions
// whatever the user's locale (decimal separator '.', dates "dd/mm/yyyy", time separator ':'),
// and no process-wide state: two loads on two threads never disturb each other.
#include <cstdint>
#include <string>
#include <string_view>

#include "data/mem_table.h"

namespace lanzhou::data::csv {

// How the reader treats a value before it hands it to the table.
enum class ValueConversion : std::uint8_t {
  Text,         // escapes decoded, then stored
  Boolean,      // "True" exactly, else false
  PassThrough,  // integers and the rest: the table converts (and reports bad integers)
  Float,        // checked as a decimal number in fixed form
  Date,         // "d/m/yyyy" -> "yyyy-mm-dd"
  Time,         // "h:n[:s[.zzz]]" -> "hh:mm:ss[.zzz]"
  DateTime,     // date, optionally followed by a space and a time -> "yyyy-mm-dd hh:mm:ss"
  Binary,       // 6-bit text form decoded to bytes
};

[[nodiscard]] ValueConversion ConversionFor(FieldType type);

// Converts a value of the Float, Date, Time, DateTime or Binary conversions into out (the
// form handed to Field::SetAsString); empty text stays empty. Throws TableError naming the
// text (and, for numbers, the field's display label) when the text is not in fixed form.
void ConvertFixedFormat(ValueConversion conversion, std::string_view text, std::string_view label,
                        std::string& out);

// A decimal number of a definition line (size, display width), optional sign; throws
// TableError "'%s' is not a valid integer value" otherwise.
[[nodiscard]] int ParseDefinitionInteger(std::string_view text);

}  // namespace lanzhou::data::csv
