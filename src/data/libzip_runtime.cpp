#include "data/libzip_runtime.h"

#include <dlfcn.h>

#include <mutex>
#include <stdexcept>
#include <string>

namespace lanzhou::data {
namespace {

// The library the headers were built against (from its SONAME at configure time).
constexpr const char* kLibzipName = LANZHOU_LIBZIP_SONAME;

template <typename F>
void Resolve(void* library, const char* symbol, F& into) {
  void* address = dlsym(library, symbol);
  if (address == nullptr) {
    throw std::runtime_error(std::string(kLibzipName) + " has no function " + symbol);
  }
  into = reinterpret_cast<F>(address);
}

Libzip Load() {
  // Never closed: the functions stay valid for the life of the process.
  void* library = dlopen(kLibzipName, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    throw std::runtime_error(std::string("cannot load ") + kLibzipName + ": " +
                             (why != nullptr ? why : "unknown error"));
  }
  Libzip z{};
  Resolve(library, "zip_open", z.open);
  Resolve(library, "zip_open_from_source", z.open_from_source);
  Resolve(library, "zip_close", z.close);
  Resolve(library, "zip_discard", z.discard);
  Resolve(library, "zip_error_init", z.error_init);
  Resolve(library, "zip_error_init_with_code", z.error_init_with_code);
  Resolve(library, "zip_error_fini", z.error_fini);
  Resolve(library, "zip_error_strerror", z.error_strerror);
  Resolve(library, "zip_get_error", z.get_error);
  Resolve(library, "zip_file_get_error", z.file_get_error);
  Resolve(library, "zip_name_locate", z.name_locate);
  Resolve(library, "zip_get_num_entries", z.get_num_entries);
  Resolve(library, "zip_stat_init", z.stat_init);
  Resolve(library, "zip_stat_index", z.stat_index);
  Resolve(library, "zip_fopen_index", z.fopen_index);
  Resolve(library, "zip_fread", z.fread);
  Resolve(library, "zip_fclose", z.fclose);
  Resolve(library, "zip_file_add", z.file_add);
  Resolve(library, "zip_set_file_compression", z.set_file_compression);
  Resolve(library, "zip_source_buffer", z.source_buffer);
  Resolve(library, "zip_source_buffer_create", z.source_buffer_create);
  Resolve(library, "zip_source_keep", z.source_keep);
  Resolve(library, "zip_source_free", z.source_free);
  Resolve(library, "zip_source_stat", z.source_stat);
  Resolve(library, "zip_source_open", z.source_open);
  Resolve(library, "zip_source_read", z.source_read);
  Resolve(library, "zip_source_close", z.source_close);
  Resolve(library, "zip_source_error", z.source_error);
  return z;
}

}  // namespace

const Libzip& LibzipFunctions() {
  // A failed load throws out of the initializer, so the next call tries again.
  static const Libzip functions = Load();
  return functions;
}

}  // namespace lanzhou::data
