#include "data/packed_resource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>
#include <string>

#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/resource_registry.h"
#include "lanzhou_test_fixtures.h"

// Counts live operator-new allocations, to show that a failed unpack leaves no block behind.
namespace {
std::atomic<long> live_allocations{0};
std::atomic<std::size_t> largest_allocation{0};
}  // namespace

void* operator new(std::size_t size) {
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    ++live_allocations;
    std::size_t seen = largest_allocation.load();
    while (size > seen && !largest_allocation.compare_exchange_weak(seen, size)) {
    }
    return p;
  }
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  --live_allocations;
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}

namespace lanzhou::data {
namespace {

// Incompressible bytes: their packed stream spans several 64 KiB input chunks.
std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 engine(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(engine() & 0xFF);
  return bytes;
}

std::string WithAnnouncedSize(std::string packed, std::uint32_t size) {
  for (int i = 0; i < 4; ++i) packed[i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  return packed;
}

std::string UnpackMessage(std::string_view packed) {
  try {
    (void)UnpackResource(packed);
  } catch (const ResourceError& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(PackedResource, LayoutIsLittleEndianSizeThenZlibLevel9) {
  const std::string text(300, 'a');
  const std::string packed = PackResource(text);
  ASSERT_GT(packed.size(), 6u);
  EXPECT_EQ(static_cast<unsigned char>(packed[0]), 300 & 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(packed[1]), 300 >> 8);
  EXPECT_EQ(packed[2], 0);
  EXPECT_EQ(packed[3], 0);
  EXPECT_EQ(static_cast<unsigned char>(packed[4]), 0x78);
  EXPECT_EQ(static_cast<unsigned char>(packed[5]), 0xDA);
  EXPECT_EQ(PackedSize(packed), 300u);
}

TEST(PackedResource, RoundTripGivesExactlyTheAnnouncedBytes) {
  for (const std::string& bytes :
       {std::string(), std::string("x"), std::string("\0\r\n\0", 4),
        std::string("\"@@FILE VERSION@@\",\"251\"\r\n"), RandomBytes(300'000, 1)}) {
    const std::string packed = PackResource(bytes);
    const std::string unpacked = UnpackResource(packed);
    EXPECT_EQ(unpacked.size(), PackedSize(packed));
    EXPECT_EQ(unpacked, bytes);
  }
}

// Only a stream that ends right at the announced size, with its checksum, is answered from.
TEST(PackedResource, StreamGivingMoreThanAnnouncedOrTrailingBytesFails) {
  const std::string text = "\"@@FILE VERSION@@\",\"251\"\r\n\"@@TABLEDEF START@@\"\r\n";
  EXPECT_EQ(UnpackMessage(WithAnnouncedSize(PackResource(text), 26)),
            "Packed resource holds more than its announced 26 bytes");
  const std::string big = RandomBytes(200'000, 2);
  EXPECT_EQ(UnpackMessage(WithAnnouncedSize(PackResource(big), 150'000)),
            "Packed resource holds more than its announced 150000 bytes");
  EXPECT_EQ(UnpackMessage(PackResource(text) + "x"),
            "Packed resource has bytes after the end of its stream");
}

// One flipped bit anywhere in the stream: the block is refused or is exactly the original, never
// something else (the Adler-32 and the exact end are checked on both inflating paths). The
// random text is partly compressible so that flips land in Huffman codes, lengths and literals.
TEST(PackedResource, EveryFlippedBitIsRefusedOrHarmless) {
  std::string original;
  std::mt19937 engine(11);
  while (original.size() < 6000) {
    original += "\"G" + std::to_string(engine() % 9000) + "\",\"" +
                std::string(1 + engine() % 3, static_cast<char>('a' + engine() % 26)) + "\",\r\n";
  }
  const std::string packed = PackResource(original);
  int refused = 0;
  for (std::size_t bit = 8 * 6; bit < 8 * packed.size(); ++bit) {
    std::string flipped = packed;
    flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
    try {
      EXPECT_EQ(UnpackResource(flipped), original) << "bit " << bit;
    } catch (const ResourceError&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
}

TEST(PackedResource, StreamGivingFewerThanAnnouncedFails) {
  const std::string text = "0123456789";
  EXPECT_EQ(UnpackMessage(WithAnnouncedSize(PackResource(text), 11)),
            "Packed resource ends after 10 of 11 bytes");

  // The stream itself cut short, inside the data and (for a large one) across input chunks.
  const std::string small = PackResource(std::string(5000, 'z') + RandomBytes(500, 3));
  EXPECT_EQ(UnpackMessage(small.substr(0, small.size() / 2)).rfind("Packed resource ends after", 0),
            0u);
  const std::string large = PackResource(RandomBytes(300'000, 4));
  const std::string message = UnpackMessage(large.substr(0, 200'000));
  EXPECT_TRUE(message.starts_with("Packed resource ends after ")) << message;
  EXPECT_TRUE(message.ends_with(" of 300000 bytes")) << message;
}

TEST(PackedResource, CorruptStreamFails) {
  std::string bad_block = PackResource("some table text, long enough to deflate");
  bad_block[6] = static_cast<char>(bad_block[6] | 0x06);  // reserved block type
  EXPECT_EQ(UnpackMessage(bad_block), "Packed resource is corrupt: invalid block type");

  std::string bad_header = PackResource("text");
  bad_header[5] = static_cast<char>(0xDB);  // header check bits no longer match
  EXPECT_EQ(UnpackMessage(bad_header), "Packed resource is corrupt: incorrect header check");

  // Damaged checksum with the data intact: caught for a stream that ends right at the
  // announced size, also when the data ends in one 64 KiB input chunk and the checksum lies in
  // the next.
  std::string split_trailer;
  for (std::size_t n = 65'400; n < 65'600 && split_trailer.empty(); ++n) {
    std::string packed = PackResource(RandomBytes(n, 7));
    const std::size_t stream = packed.size() - 4;
    if (stream > kInflateInputChunk && stream - 4 < kInflateInputChunk) split_trailer = packed;
  }
  ASSERT_FALSE(split_trailer.empty());
  for (std::string packed :
       {PackResource(RandomBytes(1000, 5)), PackResource(RandomBytes(300'000, 5)), split_trailer}) {
    EXPECT_EQ(UnpackResource(packed).size(), PackedSize(packed));
    packed.back() = static_cast<char>(packed.back() ^ 0x01);
    EXPECT_EQ(UnpackMessage(packed), "Packed resource is corrupt: incorrect data check")
        << packed.size();
  }
}

TEST(PackedResource, SizeHeaderMissingOrAbsurdFailsBeforeAllocating) {
  EXPECT_EQ(UnpackMessage(std::string("\x05\x00\x00", 3)),
            "Packed resource is shorter than its 4-byte size");
  EXPECT_THROW((void)PackedSize(""), ResourceError);

  const std::string packed = PackResource("tiny");  // 12-byte stream
  EXPECT_EQ(UnpackMessage(WithAnnouncedSize(packed, 0xFFFFFFFFu)),
            "Packed resource announces 4294967295 bytes, more than the 64 MiB limit");
  const std::uint64_t stream = packed.size() - 4;
  // Exactly at the bound the size is possible: the stream is read, and found short.
  EXPECT_EQ(UnpackMessage(WithAnnouncedSize(packed, static_cast<std::uint32_t>(1032 * stream))),
            "Packed resource ends after 4 of " + std::to_string(1032 * stream) + " bytes");
  EXPECT_EQ(UnpackMessage(WithAnnouncedSize(packed, static_cast<std::uint32_t>(1032 * stream + 1))),
            "Packed resource announces " + std::to_string(1032 * stream + 1) +
                " bytes, more than its " + std::to_string(stream) + "-byte stream can hold");

  // The deflate limit is a real bound, not a guess: the most compressible input stays under it.
  const std::string zeros(4'000'000, '\0');
  const std::string packed_zeros = PackResource(zeros);
  EXPECT_LE(zeros.size(), 1032 * (packed_zeros.size() - 4));
  EXPECT_EQ(UnpackResource(packed_zeros), zeros);
}

TEST(PackedResource, FailedUnpackReleasesItsBlock) {
  const std::string packed = PackResource(RandomBytes(100'000, 6));
  const std::string truncated = packed.substr(0, packed.size() - 10'000);
  const std::string corrupt = [&] {
    std::string bytes = packed;
    bytes[6] = static_cast<char>(bytes[6] | 0x06);
    return bytes;
  }();
  for (const std::string* bad : {&truncated, &corrupt}) {
    const long before = live_allocations.load();
    bool threw = false;
    try {
      (void)UnpackResource(*bad);
    } catch (const ResourceError&) {
      threw = true;
    }
    EXPECT_TRUE(threw);
    EXPECT_EQ(live_allocations.load(), before);
  }
}

TEST(LoadPackedTable, FailedLoadLeavesNothingAllocated) {
  ResourceRegistry registry;
  registry.Register(testing::FixtureResources());
  const CsvTableFormat format;
  {
    MemTable warm_up;  // first use of the reader and the table may fill lasting caches
    LoadPackedTable(registry, "STRAIN", warm_up, format);
  }
  // Unpacking fails, or unpacking succeeds and the table text is then rejected.
  for (const char* name : {"CORRUPT_ZLIB", "SHORT_STREAM", "DUPLICATE_KEY"}) {
    const long before = live_allocations.load();
    bool threw = false;
    {
      MemTable table;
      try {
        LoadPackedTable(registry, name, table, format);
      } catch (const std::runtime_error&) {
        threw = true;
      }
    }
    EXPECT_TRUE(threw) << name;
    EXPECT_EQ(live_allocations.load(), before) << name;
  }
}

// A stream that claims the most a table may hold but holds one megabyte costs about a megabyte:
// the block grows as the stream really inflates instead of being allocated at the claimed size.
TEST(UnpackResource, AShortStreamCostsWhatItHoldsNotWhatItClaims) {
  const std::string bytes = RandomBytes(1 << 20, 7);
  const std::string claims_the_most = WithAnnouncedSize(PackResource(bytes), kMaxUnpackedSize);
  largest_allocation = 0;
  EXPECT_THAT(UnpackMessage(claims_the_most),
              ::testing::HasSubstr("ends after 1048576 of " + std::to_string(kMaxUnpackedSize) +
                                   " bytes"));
  EXPECT_LT(largest_allocation.load(), std::size_t{8} << 20);
  // An honest stream still unpacks exactly, however its size falls against the growing block.
  for (const std::size_t size : {std::size_t{1}, std::size_t{65536}, std::size_t{65537},
                                 std::size_t{1} << 20, (std::size_t{1} << 20) + 3}) {
    const std::string block = RandomBytes(size, static_cast<unsigned>(size));
    EXPECT_EQ(UnpackResource(PackResource(block)), block) << size;
  }
}

}  // namespace
}  // namespace lanzhou::data
