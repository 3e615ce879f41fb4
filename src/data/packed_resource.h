#pragma once
// Packed resources: a 4-byte little-endian unpacked size, then one zlib stream (RFC 1950). The
// tables, bitmaps and other embedded data travel in this form; the build packs them with
// PackResource and the program unpacks them with UnpackResource.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lanzhou::data {

// A packed resource that cannot be unpacked (too short, corrupt, fewer bytes than announced).
class ResourceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Largest unpacked size accepted. The shipped tables are a few megabytes; anything near this
// is a damaged header, and refusing it keeps a bad size from reserving memory.
inline constexpr std::uint32_t kMaxUnpackedSize = 1u << 30;  // 1 GiB

// Deflate emits at most 258 bytes per 2 bits of input, so a stream of S bytes cannot inflate to
// more than 1032 * S bytes. An announced size above that would fail anyway; it fails before the
// block is allocated.
inline constexpr std::uint64_t kMaxInflateRatio = 1032;

// Input is fed to the inflater in chunks of this size.
inline constexpr std::size_t kInflateInputChunk = 65536;

// Packs bytes: the size as 4 bytes little-endian, then zlib at level 9 (stream header 78 DA).
// Throws ResourceError for input of 4 GiB or more.
[[nodiscard]] std::string PackResource(std::string_view bytes);

// Unpacks into one block of exactly the announced size N. A stream that gives fewer than N bytes,
// a corrupt stream (a stream ending right after N bytes must also pass its Adler-32 check), or a
// size above kMaxUnpackedSize or the stream's capacity throws ResourceError; a stream that would
// give more is cut at N.
[[nodiscard]] std::string UnpackResource(std::string_view packed);

// The announced size of a packed resource (its first 4 bytes); throws when fewer than 4 bytes.
[[nodiscard]] std::uint32_t PackedSize(std::string_view packed);

}  // namespace lanzhou::data
