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

// Largest unpacked size accepted. The national timetable's largest table text is about 7 MiB;
// anything near this is a damaged header or a bomb, and refusing it keeps what one table may
// cost to a bound that leaves the whole program well under 200 MB.
inline constexpr std::uint32_t kMaxUnpackedSize = 64u << 20;  // 64 MiB

// Deflate emits at most 258 bytes per 2 bits of input, so a stream of S bytes cannot inflate to
// more than 1032 * S bytes. An announced size above that would fail anyway; it fails before the
// block is allocated.
inline constexpr std::uint64_t kMaxInflateRatio = 1032;

// Input is fed to the inflater in chunks of this size.
inline constexpr std::size_t kInflateInputChunk = 65536;

// Packs bytes: the size as 4 bytes little-endian, then zlib at level 9 (stream header 78 DA).
// Throws ResourceError for input of 4 GiB or more.
[[nodiscard]] std::string PackResource(std::string_view bytes);

// Unpacks into one block of exactly the announced size N. The stream must end right after N bytes
// with a good Adler-32 and no bytes after it; a stream that gives fewer or more bytes, a corrupt
// stream, or a size above kMaxUnpackedSize or the stream's capacity throws ResourceError.
[[nodiscard]] std::string UnpackResource(std::string_view packed);

// The announced size of a packed resource (its first 4 bytes); throws when fewer than 4 bytes.
[[nodiscard]] std::uint32_t PackedSize(std::string_view packed);

}  // namespace lanzhou::data
