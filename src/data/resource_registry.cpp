#include "data/resource_registry.h"

#include <algorithm>

#include "data/csv_table_format.h"
#include "data/packed_resource.h"
#include "data/timetable_schema.h"
#include "text/ascii.h"

namespace lanzhou::data {
namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return text::EqualsIgnoreAsciiCase(a, b);
}

}  // namespace

ResourceNotFound::ResourceNotFound(std::string_view name)
    : std::runtime_error("Resource " + std::string(name) + " not found") {}

void ResourceRegistry::Register(ResourceBundle bundle) {
  entries_.insert(entries_.end(), bundle.begin(), bundle.end());
}

void ResourceRegistry::Add(std::string_view name, std::string_view type, std::string_view bytes) {
  entries_.push_back({name, type, bytes});
}

std::optional<std::string_view> ResourceRegistry::Find(std::string_view name,
                                                       std::string_view type) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (EqualsIgnoringAsciiCase(it->name, name) && EqualsIgnoringAsciiCase(it->type, type)) {
      return it->bytes;
    }
  }
  return std::nullopt;
}

std::string_view ResourceRegistry::Open(std::string_view name, std::string_view type) const {
  if (auto bytes = Find(name, type)) return *bytes;
  throw ResourceNotFound(name);
}

std::string ReadPackedResource(const ResourceRegistry& registry, std::string_view name) {
  return UnpackResource(registry.Open(name, kResourceTypeMe));
}

void LoadPackedTable(const ResourceRegistry& registry, std::string_view name, MemTable& table,
                     const CsvTableFormat& format) {
  // The block lives only in this frame: it is freed when the load returns or throws.
  const std::string block = ReadPackedResource(registry, name);
  LoadTimetableTable(name, block, table, format);
}

}  // namespace lanzhou::data
