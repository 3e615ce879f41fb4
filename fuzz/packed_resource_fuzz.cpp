// Packed resources (4-byte size + zlib) from outside the program: unpacking must either give a
// block of exactly the announced size or throw ResourceError, and packing what came out must
// unpack to the same bytes again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/packed_resource.h"

namespace {

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lanzhou::data;
  const std::string_view packed(reinterpret_cast<const char*>(data), size);
  std::string block;
  try {
    block = UnpackResource(packed);
  } catch (const ResourceError&) {
    return 0;
  }
  Require(block.size() == PackedSize(packed), "unpacked size differs from the announced size");
  Require(UnpackResource(PackResource(block)) == block, "pack then unpack changes the bytes");
  return 0;
}
