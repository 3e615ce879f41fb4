#include "data/packed_resource.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace lanzhou::data {
namespace {

constexpr std::size_t kSizeBytes = 4;
// The unpacked block starts this large and doubles as the stream fills it.
constexpr std::size_t kFirstBlock = 64 * 1024;

void WriteLe32(std::uint32_t value, char* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Ends the inflater on every way out of UnpackResource.
class Inflater {
 public:
  Inflater() {
    if (inflateInit(&stream_) != Z_OK) throw ResourceError("Cannot start the zlib inflater");
  }
  ~Inflater() { inflateEnd(&stream_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  z_stream& operator*() { return stream_; }

 private:
  z_stream stream_{};
};

// libdeflate inflates a whole stream into a block of known size two to three times as fast as
// zlib's streaming inflate. It is tried when the announced size is one an honest text of this
// stream's length can have; anything else (a short, long or corrupt stream, a size far beyond the
// stream) takes zlib's path, which grows the block as the stream really inflates and names what
// is wrong. Tables compress about 3.5 to 1.
constexpr std::uint64_t kFastPathRatio = 16;

bool InflateWhole(std::string_view input, std::string& block) {
  struct Free {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
  };
  const std::unique_ptr<libdeflate_decompressor, Free> inflater(libdeflate_alloc_decompressor());
  if (!inflater) return false;
  // libdeflate checks the Adler-32 of a stream it finishes; the stream must also fill the block
  // exactly and use every input byte.
  std::size_t used = 0;
  std::size_t produced = 0;
  const libdeflate_result rc = libdeflate_zlib_decompress_ex(
      inflater.get(), input.data(), input.size(), block.data(), block.size(), &used, &produced);
  return rc == LIBDEFLATE_SUCCESS && produced == block.size() && used == input.size();
}

std::string Corrupt(const z_stream& stream) {
  return std::string("Packed resource is corrupt: ") +
         (stream.msg != nullptr ? stream.msg : "inflate error");
}

}  // namespace

std::uint32_t PackedSize(std::string_view packed) {
  if (packed.size() < kSizeBytes) {
    throw ResourceError("Packed resource is shorter than its 4-byte size");
  }
  std::uint32_t size = 0;
  for (int i = 3; i >= 0; --i) size = (size << 8) | static_cast<unsigned char>(packed[i]);
  return size;
}

std::string PackResource(std::string_view bytes) {
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw ResourceError("Resource too large to pack: 4 GiB or more");
  }
  const auto source_size = static_cast<uLong>(bytes.size());
  uLongf packed_size = compressBound(source_size);
  std::string packed(kSizeBytes + packed_size, '\0');
  WriteLe32(static_cast<std::uint32_t>(bytes.size()), packed.data());
  const int rc =
      compress2(reinterpret_cast<Bytef*>(packed.data() + kSizeBytes), &packed_size,
                reinterpret_cast<const Bytef*>(bytes.data()), source_size, Z_BEST_COMPRESSION);
  if (rc != Z_OK) throw ResourceError("zlib could not pack the resource");
  packed.resize(kSizeBytes + packed_size);
  return packed;
}

std::string UnpackResource(std::string_view packed) {
  const std::uint32_t size = PackedSize(packed);
  const std::string_view input = packed.substr(kSizeBytes);
  if (size > kMaxUnpackedSize) {
    throw ResourceError("Packed resource announces " + std::to_string(size) +
                        " bytes, more than the " + std::to_string(kMaxUnpackedSize >> 20) +
                        " MiB limit");
  }
  if (size > kMaxInflateRatio * input.size()) {
    throw ResourceError("Packed resource announces " + std::to_string(size) +
                        " bytes, more than its " + std::to_string(input.size()) +
                        "-byte stream can hold");
  }
  std::string block;
  if (size == 0) return block;
  if (size <= kFastPathRatio * input.size()) {
    block.resize(size);
    if (InflateWhole(input, block)) return block;
    block.clear();
  }

  Inflater inflater;
  z_stream& z = *inflater;
  std::size_t fed = 0;
  // Hands the inflater the next input chunk once it has used up the last; false at the end.
  auto feed = [&] {
    if (z.avail_in != 0) return true;
    if (fed == input.size()) return false;
    const std::size_t chunk = std::min(kInflateInputChunk, input.size() - fed);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + fed));
    z.avail_in = static_cast<uInt>(chunk);
    fed += chunk;
    return true;
  };
  auto check = [&](int rc) {
    if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT || rc == Z_STREAM_ERROR) {
      throw ResourceError(Corrupt(z));
    }
    if (rc == Z_MEM_ERROR) throw ResourceError("Out of memory while unpacking a resource");
  };

  // The block grows as the stream really inflates, doubling up to the announced size: a short
  // stream that claims a gigabyte costs what it holds, not what it claims.
  std::size_t produced = 0;
  while (produced < size) {
    if (produced == block.size()) {
      block.resize(std::min<std::size_t>(size, std::max<std::size_t>(kFirstBlock, 2 * produced)));
      z.next_out = reinterpret_cast<Bytef*>(block.data() + produced);
      z.avail_out = static_cast<uInt>(block.size() - produced);
    }
    const bool more_input = feed();
    const uInt room = z.avail_out;
    const int rc = inflate(&z, Z_NO_FLUSH);
    check(rc);
    produced += room - z.avail_out;
    if (produced == size) break;
    if (z.avail_out == 0) continue;
    if (rc == Z_STREAM_END || rc == Z_BUF_ERROR || (!more_input && z.avail_in == 0)) {
      throw ResourceError("Packed resource ends after " + std::to_string(produced) + " of " +
                          std::to_string(size) + " bytes");
    }
  }

  // N bytes are in; the stream must end right here and its Adler-32 must hold. A stream that
  // goes on is damaged (or its size word is): answering from its first N bytes would answer from
  // data no checksum vouches for. Looking one byte further makes the answer independent of where
  // input chunks fall.
  char beyond = 0;
  z.next_out = reinterpret_cast<Bytef*>(&beyond);
  z.avail_out = 1;
  for (;;) {
    const bool more_input = feed();
    const int rc = inflate(&z, Z_NO_FLUSH);
    check(rc);
    if (rc == Z_STREAM_END && z.avail_out == 1) {
      if (z.avail_in != 0 || fed != input.size()) {
        throw ResourceError("Packed resource has bytes after the end of its stream");
      }
      return block;
    }
    if (z.avail_out == 0) {
      throw ResourceError("Packed resource holds more than its announced " + std::to_string(size) +
                          " bytes");
    }
    if (rc == Z_BUF_ERROR || (!more_input && z.avail_in == 0)) {
      throw ResourceError("Packed resource ends before its checksum");
    }
  }
}

}  // namespace lanzhou::data
