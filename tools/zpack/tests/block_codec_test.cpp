#include "block_codec.h"

#include <gtest/gtest.h>

#include "byte_io.h"

namespace zpack {
namespace {

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

BlockContent sampleContent() {
  BlockContent content;
  content.records = {{101, "Svc"}, {122, "a.B"},           {146, ""},
                     {2002, "2"},  {2003, "x.jar;lib\\e"}, {10003, std::string("caf\xE9")}};
  content.messages = {
      {1000, u"Error"}, {1006, u"{0} missing\n"}, {1016, u"\U0001F600"}, {20017, u""}};
  content.languageTables = {{"", {{1000, u"Fault"}}}, {"de", {{1000, u"Fehler"}, {1014, u"Ok"}}}};
  return content;
}

const std::vector<std::string> kFiles = {std::string("PK\x03\x04\0\xA7\xFF", 7), ""};

TEST(BlockCodec, WritesTheDocumentedLayout) {
  BlockContent content;
  content.records = {{101, "ab"}};
  content.messages = {{1000, u"E"}};
  content.languageTables = {{"de", {{1000, u"F"}}}};
  const std::string expected =
      bytes({0xD5, 0x13, 0xE4, 0xE8, 0, 0, 0, 0, 0, 0, 0, 0}) +  // magic, reserved1, reserved2
      bytes({60, 0, 0, 0, 0, 0, 0, 0}) +                         // blockLength
      bytes({1, 0, 0, 0, 101, 0, 0, 0, 2, 0, 0, 0, 'a', 'b'}) +  // one record
      bytes({1, 0, 0, 0, 0xE8, 3, 0, 0, 2, 0, 0, 0, 'E', 0}) +   // one message
      bytes({1, 0, 0, 0, 2, 0, 0, 0, 'd', 'e'}) +                // one table, prefix "de"
      bytes({1, 0, 0, 0, 0xE8, 3, 0, 0, 2, 0, 0, 0, 'F', 0}) +   // its one entry
      bytes({2, 0, 0, 0, 0, 0, 0, 0, 'P' ^ 0xA7, 0xA7}) +        // file "P\0", masked
      bytes({0xE8, 0xE4, 0x13, 0xD5, 0, 0, 0, 0});               // trailer
  EXPECT_EQ(encodeBlock(content, std::vector<std::string>{std::string("P\0", 2)}), expected);
}

TEST(BlockCodec, RoundTripsEverythingBehindAStub) {
  const std::string stub(100, 'S');
  const BlockContent content = sampleContent();
  const std::string image = stub + encodeBlock(content, kFiles);

  std::string error;
  auto block = decodeBlock(image, stub.size(), error);
  ASSERT_TRUE(block.has_value()) << error;

  std::map<int32_t, std::string> records;
  for (const auto& r : block->records) records[r.id] = r.value;
  EXPECT_EQ(records, content.records);
  std::map<int32_t, std::u16string> messages;
  for (const auto& m : block->messages) messages[m.id] = m.text;
  EXPECT_EQ(messages, content.messages);
  ASSERT_EQ(block->languageTables.size(), content.languageTables.size());
  for (size_t i = 0; i < content.languageTables.size(); ++i) {
    std::map<int32_t, std::u16string> entries;
    for (const auto& e : block->languageTables[i].entries) entries[e.id] = e.text;
    EXPECT_EQ(block->languageTables[i].prefix, content.languageTables[i].prefix);
    EXPECT_EQ(entries, content.languageTables[i].entries);
  }
  ASSERT_EQ(block->files.size(), 2u);
  EXPECT_EQ(block->files[0].name, "x.jar");
  EXPECT_EQ(block->files[1].name, "lib\\e");
  EXPECT_EQ(unmaskedData(image, block->files[0]), kFiles[0]);
  EXPECT_EQ(unmaskedData(image, block->files[1]), kFiles[1]);
  EXPECT_EQ(static_cast<size_t>(block->blockLength), block->actualBlockLength);
  EXPECT_TRUE(block->trailerPresent);
  EXPECT_EQ(block->bytesAfter, 0u);
}

// Every cut of the block before its trailer is reported, never read past; a cut inside the
// trailer only loses the trailer, which the launcher does not read either.
TEST(BlockCodec, EveryTruncationIsReportedCleanly) {
  const std::string image = encodeBlock(sampleContent(), kFiles);
  const size_t trailer = 8;
  for (size_t length = 0; length < image.size(); ++length) {
    SCOPED_TRACE(length);
    std::string cut = image.substr(0, length);
    std::string error;
    auto block = decodeBlock(cut, 0, error);
    if (length < image.size() - trailer) {
      EXPECT_FALSE(block.has_value());
      EXPECT_FALSE(error.empty());
    } else {
      ASSERT_TRUE(block.has_value()) << error;
      EXPECT_FALSE(block->trailerPresent);
    }
  }
}

TEST(BlockCodec, DamagedLengthsAreReportedBeforeAnythingIsAllocated) {
  const std::string image = encodeBlock(sampleContent(), kFiles);
  // The first record's byteLength sits at 28; the first message's byteLength follows the
  // records; the first file's length follows the tables.
  const size_t firstMessageLength = [&] {
    ByteReader in(image, 24);
    for (int i = 0; i < 6; ++i) {
      in.skip(4);
      in.skip(static_cast<size_t>(*in.i32()));
    }
    return in.position() + 8;
  }();
  struct Case {
    const char* what;
    size_t offset;
    int64_t value;
    int sizeBytes;
    const char* error;
  };
  const Case cases[] = {
      {"wrong magic", 0, 0x12345678, 4, "wrong magic"},
      {"huge record", 28, 0x7FFFFFFF, 4, "runs past the end"},
      {"negative record", 28, -5, 4, "negative length"},
      {"odd message", firstMessageLength, 3, 4, "odd byte length"},
      {"huge message", firstMessageLength, 0x7FFFFFFE, 4, "runs past the end"},
      {"huge file", image.size() - 8 - 8 - 7 - 8, INT64_MAX, 8, "runs past the end"},
      {"negative file", image.size() - 8 - 8 - 7 - 8, -1, 8, "negative length"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string damaged = image;
    std::string value;
    putLittleEndian(value, static_cast<uint64_t>(c.value), c.sizeBytes);
    damaged.replace(c.offset, value.size(), value);
    std::string error;
    EXPECT_FALSE(decodeBlock(damaged, 0, error).has_value());
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace zpack
