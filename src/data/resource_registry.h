#pragma once
// The program's embedded resources: byte blobs compiled into the binary by the build
// (lanzhou_embed_resources in cmake/LanzhouResources.cmake), found by name and type without
// regard to ASCII case ("STrain" of type "me" finds STRAIN of type ME).
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lanzhou::data {

class MemTable;
class CsvTableFormat;

// The type every data resource of the program carries.
inline constexpr std::string_view kResourceTypeMe = "ME";

// One embedded blob. The views point into the binary's read-only data.
struct EmbeddedResource {
  std::string_view name;
  std::string_view type;
  std::string_view bytes;
};

// What a generated bundle function returns: all resources of one lanzhou_embed_resources call.
using ResourceBundle = std::span<const EmbeddedResource>;

// A resource asked for by name that no registered bundle holds.
class ResourceNotFound : public std::runtime_error {
 public:
  explicit ResourceNotFound(std::string_view name);
};

// Resources from any number of bundles. Filled before the loaders start, then only read (reads
// from several threads at once are safe). Holds views only: bundles and bytes given to Add must
// outlive the registry.
class ResourceRegistry {
 public:
  // Adds every resource of a bundle.
  void Register(ResourceBundle bundle);
  // Adds one resource; a later entry hides an earlier one of the same name and type.
  void Add(std::string_view name, std::string_view type, std::string_view bytes);
  // The bytes of the resource, names and types compared without regard to ASCII case; the most
  // recently added match wins. nullopt when none.
  [[nodiscard]] std::optional<std::string_view> Find(std::string_view name,
                                                     std::string_view type) const;
  // As Find, but throws ResourceNotFound.
  [[nodiscard]] std::string_view Open(std::string_view name, std::string_view type) const;
  [[nodiscard]] std::size_t size() const { return entries_.size(); }

 private:
  std::vector<EmbeddedResource> entries_;
};

// The unpacked bytes of the packed resource `name` of type "ME". Throws ResourceNotFound or
// ResourceError.
[[nodiscard]] std::string ReadPackedResource(const ResourceRegistry& registry,
                                             std::string_view name);

// Unpacks the resource `name` and loads its table text into `table` with `format`, checking it
// against the schema of that name (LoadTimetableTable); the unpacked block is released before
// returning, also when unpacking or loading throws.
void LoadPackedTable(const ResourceRegistry& registry, std::string_view name, MemTable& table,
                     const CsvTableFormat& format);

}  // namespace lanzhou::data
