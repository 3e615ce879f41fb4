#pragma once
// What the queries rely on in each of the four timetables, checked once when a table is loaded:
// the fields they read with the kind of value each holds, and numbers within what a timetable
// can hold. A table text may carry any definitions it likes; one that lacks a field a query
// reads, or holds a number no timetable has (a stop number of -2147483648, a distance of two
// billion km, a fare of 1e300), is refused at load instead of crashing a query or printing a
// wrapped number.
#include <cstddef>
#include <string_view>

#include "data/csv_table_format.h"
#include "data/mem_table.h"

namespace lanzhou::data {

// Ranges a loaded timetable keeps to.
inline constexpr int kMaxStopNo = 999;         // S_No: 1..999
inline constexpr int kMaxDistanceKm = 99'999;  // Distance: 0..99,999 km
inline constexpr int kMaxFareYuan = 99'999;    // every fare piece: 0..99,999 yuan
inline constexpr int kMaxElapsedHours = 99;    // R_Date: 0..99 h, minutes 0..59
inline constexpr int kMaxGroupNumber = 999'999;  // Gp: 1..999,999
// Stations of one city group (Gp): the largest real city has about ten.
inline constexpr std::size_t kMaxGroupStations = 64;

// Checks a loaded table against the schema of the resource it came from ("STrain", "SList",
// "SM", "SPY", any case; other names are not checked). Throws TableError naming the table and
// the field: "Table STRAIN has no field 'Distance'", "Field 'Distance' of table STRAIN holds
// text; a number is needed", "Field 'S_No' of table STRAIN holds 0 in record 5; it must lie
// within 1..999". Moves the cursor to the first record of the working order.
void CheckTimetableTable(std::string_view resource_name, MemTable& table);

// Loads a table text, or a table image (MemTable::Image), read from the resource `resource_name`
// into table, then checks it as above.
// On any failure the table is emptied (records, fields and indexes released) before the error
// passes on, so a refused table holds no memory and is never mistaken for a loaded one.
void LoadTimetableTable(std::string_view resource_name, std::string_view bytes, MemTable& table,
                        const CsvTableFormat& format);

}  // namespace lanzhou::data
