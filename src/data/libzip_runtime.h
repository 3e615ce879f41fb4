#pragma once
// libzip, opened the first time a timetable file is read or written. Linking it would load it,
// and the crypto library it depends on, into every start of every program: about 4 ms of a
// command-line query that needs neither.
#include <zip.h>

namespace lanzhou::data {

struct Libzip {
  decltype(&::zip_open) open;
  decltype(&::zip_open_from_source) open_from_source;
  decltype(&::zip_close) close;
  decltype(&::zip_discard) discard;
  decltype(&::zip_error_init) error_init;
  decltype(&::zip_error_init_with_code) error_init_with_code;
  decltype(&::zip_error_fini) error_fini;
  decltype(&::zip_error_strerror) error_strerror;
  decltype(&::zip_get_error) get_error;
  decltype(&::zip_file_get_error) file_get_error;
  decltype(&::zip_name_locate) name_locate;
  decltype(&::zip_get_num_entries) get_num_entries;
  decltype(&::zip_stat_init) stat_init;
  decltype(&::zip_stat_index) stat_index;
  decltype(&::zip_fopen_index) fopen_index;
  decltype(&::zip_fread) fread;
  decltype(&::zip_fclose) fclose;
  decltype(&::zip_file_add) file_add;
  decltype(&::zip_set_file_compression) set_file_compression;
  decltype(&::zip_source_buffer) source_buffer;
  decltype(&::zip_source_buffer_create) source_buffer_create;
  decltype(&::zip_source_keep) source_keep;
  decltype(&::zip_source_free) source_free;
  decltype(&::zip_source_stat) source_stat;
  decltype(&::zip_source_open) source_open;
  decltype(&::zip_source_read) source_read;
  decltype(&::zip_source_close) source_close;
  decltype(&::zip_source_error) source_error;
};

// The library's functions, loaded once; throws std::runtime_error naming the library and what
// the loader said when it cannot be opened or lacks a function.
[[nodiscard]] const Libzip& LibzipFunctions();

}  // namespace lanzhou::data
