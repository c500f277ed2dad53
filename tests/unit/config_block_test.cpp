#include "config/config_block.h"

#include <gtest/gtest.h>

#include "support/block_builder.h"
#include "support/capture_log.h"

namespace zarvo {
namespace {

using test::BlockBuilder;
using namespace std::string_view_literals;

struct Loaded {
  ConfigError error;
  LauncherConfig config;
  MessageTable messages;
  uint64_t end = 0;
};

// Reads an executable image the way the launcher reads its own file.
Loaded load(const std::string& file, const std::string& locale = "en") {
  Loaded out;
  MemorySource source(file);
  BlockReader reader(source);
  SetConfigEndOffset(0);
  out.error = seekToConfigBlock(reader)
                  ? readConfigBlock(reader, out.config, out.messages, [&] { return locale; })
                  : reader.error();
  out.end = ConfigEndOffset();
  return out;
}

std::string exeWith(const BlockBuilder& block) {
  return test::minimalPe(0x400) + block.data();
}

TEST(ConfigBlock, ReadsRecordsMessagesAndMatchingTables) {
  BlockBuilder b;
  b.head().i32(4).record(101, "Svc").record(107, "").record(101, "Later").record(2001, "k");
  b.i32(2).message(1000, u"Error").message(1009, u"Internal {0}");
  b.i32(4);
  b.str("de").i32(2).message(1009, u"Intern {0}").message(1500, u"Neu");
  b.str("de_CH").i32(1).message(1000, u"Fehler CH");
  b.str("").i32(1).message(1600, u"everyone");
  b.str("fr").i32(1).message(1000, u"Erreur");
  const size_t end = 0x400 + b.size();
  b.bytes("\xE8\xE4\x13\xD5");

  const Loaded de = load(exeWith(b), "de_CH");
  ASSERT_EQ(de.error, ConfigError::None);
  EXPECT_EQ(*de.config.find(101), "Later");  // the later duplicate wins
  EXPECT_EQ(*de.config.find(107), "");
  EXPECT_EQ(*de.messages.find(1000), u"Fehler CH");
  EXPECT_EQ(*de.messages.find(1009), u"Intern {0}");
  EXPECT_EQ(*de.messages.find(1500), u"Neu");  // an entry without a base message is added
  EXPECT_EQ(*de.messages.find(1600), u"everyone");
  EXPECT_EQ(de.end, end);

  const Loaded en = load(exeWith(b), "en");
  EXPECT_EQ(*en.messages.find(1000), u"Error");
  EXPECT_EQ(en.messages.find(1500), nullptr);
  EXPECT_EQ(*en.messages.find(1600), u"everyone");
}

TEST(ConfigBlock, EmptyBlockLoadsAndTrailerIsNeverRead) {
  BlockBuilder b;
  b.head().i32(0).i32(-5).i32(0);
  const Loaded loaded = load(exeWith(b));
  EXPECT_EQ(loaded.error, ConfigError::None);
  EXPECT_TRUE(loaded.config.all().empty());
  EXPECT_EQ(loaded.end, 0x400 + b.size());
}

TEST(ConfigBlock, LanguagePrefixMatching) {
  EXPECT_TRUE(languageTableApplies("de", "de"));
  EXPECT_TRUE(languageTableApplies("de", "de_CH"));
  EXPECT_TRUE(languageTableApplies("", "ja_JP"));
  EXPECT_TRUE(languageTableApplies("no", "no_NO_NY"));
  EXPECT_FALSE(languageTableApplies("de_CH", "de_DE"));
  EXPECT_FALSE(languageTableApplies("de_CH", "de"));
  EXPECT_FALSE(languageTableApplies("DE", "de"));
}

TEST(ConfigBlock, DamagedFilesEndInTheirFatalText) {
  BlockBuilder good;
  good.head().i32(1).record(101, "Svc").i32(1).message(1000, u"Error").i32(0);
  const std::string pe = test::minimalPe(0x400);
  auto damagedPe = [&](size_t at, std::string_view bytes) {
    std::string f = pe + good.data();
    f.replace(at, bytes.size(), bytes);
    return f;
  };
  struct Case {
    const char* name;
    std::string file;
    ConfigError want;
  };
  const Case cases[] = {
      {"no appended data", pe, ConfigError::ReadInt},
      {"empty file", "", ConfigError::ReadInt},
      {"file ends inside the headers", pe.substr(0, 0x82), ConfigError::ReadShort},
      {"e_lfanew past the end", damagedPe(0x3C, "\xF0\xFF\xFF\x7F"sv), ConfigError::ReadShort},
      {"negative e_lfanew", damagedPe(0x3C, "\x00\x00\x00\x80"sv), ConfigError::ReadShort},
      {"section table past the end", damagedPe(0x86, "\xFF\x7F"sv), ConfigError::ReadInt},
      {"raw data past the end", damagedPe(0x80 + 24 + 240 + 16, "\x00\x00\x00\x70"sv),
       ConfigError::ReadInt},
      {"wrong magic", pe + std::string(4, '\0') + good.data().substr(4), ConfigError::Magic},
      {"cut inside the block length", pe + good.data().substr(0, 15), ConfigError::ReadLong},
      {"cut inside a record id", pe + good.data().substr(0, 26), ConfigError::ReadInt},
      {"cut inside a value", pe + good.data().substr(0, 34), ConfigError::ReadString},
      {"cut inside a message", pe + good.data().substr(0, good.size() - 6),
       ConfigError::ReadWString},
      {"language table count missing", pe + good.data().substr(0, good.size() - 4),
       ConfigError::ReadInt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(load(c.file).error, c.want);
  }
}

TEST(ConfigBlock, ImpossibleLengthsAreRefusedBeforeAllocating) {
  struct Case {
    const char* name;
    BlockBuilder block;
    ConfigError want;
  };
  std::vector<Case> cases;
  cases.push_back({"negative string length", BlockBuilder().head().i32(1).i32(101).i32(-1),
                   ConfigError::ReadString});
  cases.push_back({"huge string length", BlockBuilder().head().i32(1).i32(101).i32(0x7FFFFFFF),
                   ConfigError::ReadString});
  cases.push_back({"odd text length",
                   BlockBuilder().head().i32(0).i32(1).i32(1000).i32(3).bytes("abc").i32(0),
                   ConfigError::ReadWString});
  cases.push_back({"huge text length",
                   BlockBuilder().head().i32(0).i32(1).i32(1000).i32(0x7FFFFFFE),
                   ConfigError::ReadWString});
  cases.push_back({"huge record count", BlockBuilder().head().i32(0x7FFFFFFF).record(1, "x"),
                   ConfigError::ReadInt});
  cases.push_back({"negative prefix length", BlockBuilder().head().i32(0).i32(0).i32(1).i32(-4),
                   ConfigError::ReadString});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(load(exeWith(c.block)).error, c.want);
  }
}

TEST(ConfigBlock, LogsTheHeaderWalkAndShortReads) {
  test::CaptureLog log;
  BlockBuilder b;
  b.head().i32(0).i32(0).i32(0);
  load(exeWith(b));
  EXPECT_TRUE(log.contains(u"number of sections: 1"));
  EXPECT_TRUE(log.contains(u"size of optional headers: 240"));
  EXPECT_TRUE(log.contains(u"resSectionTableStart: 392"));
  EXPECT_TRUE(log.contains(u"rawDataSize: 768, rawDataOffset: 256"));

  load(test::minimalPe(0x400) + "\x01\x02");
  EXPECT_TRUE(log.contains(u"error 0 2\n"));
}

TEST(ConfigBlock, ErrorTexts) {
  EXPECT_EQ(configErrorText(ConfigError::OpenFailed), u"Error opening media file.");
  EXPECT_EQ(configErrorText(ConfigError::Magic), u"Internal Error: magic");
  EXPECT_EQ(configErrorText(ConfigError::ReadLong), u"Internal Error: readLong");
  EXPECT_EQ(configErrorText(ConfigError::ReadInt), u"Internal Error: readInt");
  EXPECT_EQ(configErrorText(ConfigError::ReadShort), u"Internal Error: readShort");
  EXPECT_EQ(configErrorText(ConfigError::ReadString), u"Internal Error: readString");
  EXPECT_EQ(configErrorText(ConfigError::ReadWString), u"Internal Error: readWString");
}

}  // namespace
}  // namespace zarvo
