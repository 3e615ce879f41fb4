#include "data/resource_registry.h"

#include <gtest/gtest.h>

#include <string>

#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "data/packed_resource.h"
#include "lanzhou_test_fixtures.h"
#include "text/gbk.h"

namespace lanzhou::data {
namespace {

ResourceRegistry Fixtures() {
  ResourceRegistry registry;
  registry.Register(testing::FixtureResources());
  return registry;
}

TEST(ResourceRegistry, NamesAndTypeMatchWithoutRegardToCase) {
  const ResourceRegistry registry = Fixtures();
  const auto stored = registry.Find("STRAIN", "ME");
  ASSERT_TRUE(stored.has_value());
  for (const char* name : {"STrain", "strain", "StRaIn"}) {
    const auto found = registry.Find(name, "me");
    ASSERT_TRUE(found.has_value()) << name;
    EXPECT_EQ(found->data(), stored->data()) << name;
  }
  EXPECT_EQ(registry.Open("SList", "Me").data(), registry.Open("SLIST", "ME").data());
  EXPECT_NE(registry.Open("SM", "ME").data(), registry.Open("SPY", "ME").data());

  EXPECT_FALSE(registry.Find("STRAI", "ME").has_value());
  EXPECT_FALSE(registry.Find("STRAINS", "ME").has_value());
  EXPECT_FALSE(registry.Find("STRAIN", "RCDATA").has_value());
  try {
    (void)registry.Open("Logo", "me");
    FAIL() << "Open of a missing resource returned";
  } catch (const ResourceNotFound& error) {
    EXPECT_STREQ(error.what(), "Resource Logo not found");
  }
}

TEST(ResourceRegistry, LaterEntriesHideEarlierOnesAcrossBundles) {
  static const EmbeddedResource kFirst[] = {{"ONE", "ME", "first"}, {"TWO", "ME", "two"}};
  static const EmbeddedResource kSecond[] = {{"one", "me", "second"}};
  ResourceRegistry registry;
  registry.Register(kFirst);
  registry.Register(kSecond);
  EXPECT_EQ(registry.Open("One", "ME"), "second");
  EXPECT_EQ(registry.Open("TWO", "ME"), "two");
  registry.Add("ONE", "ME", "third");
  EXPECT_EQ(registry.Open("one", "ME"), "third");
  EXPECT_EQ(registry.size(), 4u);
}

TEST(ReadPackedResource, TableTextsUnpackToTheAnnouncedSizeInGbkWithCrLf) {
  const ResourceRegistry registry = Fixtures();
  for (const char* name : {"STrain", "SList", "SM", "SPY"}) {
    const std::string_view packed = registry.Open(name, "ME");
    ASSERT_GE(packed.size(), 6u);
    EXPECT_EQ(static_cast<unsigned char>(packed[4]), 0x78) << name;
    EXPECT_EQ(static_cast<unsigned char>(packed[5]), 0xDA) << name;
    const std::string text = ReadPackedResource(registry, name);
    EXPECT_EQ(text.size(), PackedSize(packed)) << name;
    EXPECT_TRUE(text.starts_with("\"@@FILE VERSION@@\",\"251\"\r\n")) << name;
    EXPECT_EQ(text.find('\0'), std::string::npos) << name;
    // Every LF is part of a CR LF; the text ends with a line end.
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
      ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << name << " at " << at;
    }
    EXPECT_TRUE(text.ends_with(",\r\n")) << name;
  }
  // GBK, not UTF-8: the first stop of 1043 reads back through the GBK converter.
  const std::string strain = ReadPackedResource(registry, "STRAIN");
  EXPECT_NE(strain.find(text::Utf8ToGbk(
                "\"1043\",\"西安\",\"1\",\"\",\"21:25\",\"0\",\"0\",\"\",\"\",\"\",\"\",\r\n")),
            std::string::npos);
  EXPECT_EQ(strain.find("西安"), std::string::npos);
}

TEST(ReadPackedResource, BrokenResourcesFail) {
  const ResourceRegistry registry = Fixtures();
  auto message = [&](const char* name) -> std::string {
    try {
      (void)ReadPackedResource(registry, name);
    } catch (const std::exception& error) {
      return error.what();
    }
    return "(no error)";
  };
  // A stream that goes on past its announced size is damaged, not cut.
  EXPECT_EQ(message("Cut_At_Size"), "Packed resource holds more than its announced 26 bytes");
  EXPECT_EQ(message("CORRUPT_ZLIB"), "Packed resource is corrupt: invalid block type");
  const std::uint32_t announced = PackedSize(registry.Open("SHORT_STREAM", "ME"));
  EXPECT_EQ(message("SHORT_STREAM"), "Packed resource ends after " +
                                         std::to_string(announced - 16) + " of " +
                                         std::to_string(announced) + " bytes");
  EXPECT_TRUE(message("TRUNCATED_STREAM").starts_with("Packed resource ends after"));
  EXPECT_EQ(message("B1"), "Resource B1 not found");
}

TEST(EmbeddedResources, PlainResourceIsConvertedButNotPacked) {
  const ResourceRegistry registry = Fixtures();
  const std::string_view about = registry.Open("about", "ME");
  const std::string expected = text::Utf8ToGbk(
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
      "<title>岚舟时刻</title></head>\r\n<body><p>岚舟时刻：离线列车时刻查询。</p></body></"
      "html>\r\n");
  EXPECT_EQ(about, expected);
}

TEST(LoadPackedTable, LoadsTheTableAndPassesTheReadersErrorsThrough) {
  const ResourceRegistry registry = Fixtures();
  const CsvTableFormat format;
  MemTable table;
  LoadPackedTable(registry, "STrain", table, format);
  EXPECT_EQ(table.RecordCount(), 53u);
  table.First();
  EXPECT_EQ(table.FieldByName("ID").AsString(), "1043");
  EXPECT_EQ(table.FieldByName("Station").AsString(), "西安");
  EXPECT_EQ(table.FieldByName("D_Time").AsString(), "21:25");
  EXPECT_EQ(table.FieldByName("P1").AsString(), "");

  MemTable duplicate;
  try {
    LoadPackedTable(registry, "Duplicate_Key", duplicate, format);
    FAIL() << "a duplicate SIDNo key loaded";
  } catch (const TableError& error) {
    EXPECT_STREQ(error.what(), "Duplicate index value. Operation aborted.");
  }
  MemTable untouched;
  EXPECT_THROW(LoadPackedTable(registry, "CORRUPT_ZLIB", untouched, format), ResourceError);
  EXPECT_EQ(untouched.RecordCount(), 0u);
  EXPECT_THROW(LoadPackedTable(registry, "NoSuchTable", untouched, format), ResourceNotFound);
}

}  // namespace
}  // namespace lanzhou::data
