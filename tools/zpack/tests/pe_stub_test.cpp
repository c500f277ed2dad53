#include "pe_stub.h"

#include <gtest/gtest.h>

#include <functional>

#include "test_support.h"

namespace zpack {
namespace {

using test::makePe;
using test::PeLayout;
using test::u32At;

TEST(PeStub, BlockGoesAfterTheLastSectionInTheTable) {
  std::string error;
  EXPECT_EQ(findBlockOffset(makePe({}), error), 0x500u) << error;
  // The table's last entry decides even when it is not the last section in the file, as long as
  // nothing lies beyond its data.
  PeLayout layout;
  layout.sections = {{0x400, 0x100}, {0x200, 0x300}};
  EXPECT_EQ(findBlockOffset(makePe(layout), error), 0x500u) << error;
}

TEST(PeStub, TrimmingDropsTheTailAndWhatPointedIntoIt) {
  PeLayout layout;
  layout.fileSize = 0x700;  // 0x200 bytes of "symbol table" and "signature" after the last section
  layout.symbolTable = 0x500;
  layout.symbolCount = 12;
  layout.certificates = 0x600;
  layout.certificatesSize = 0x100;
  const std::string image = makePe(layout);

  std::string error;
  auto trimmed = trimStub(image, error);
  ASSERT_TRUE(trimmed.has_value()) << error;
  EXPECT_EQ(trimmed->droppedBytes, 0x200u);
  EXPECT_FALSE(trimmed->sectionNamesLost);
  const std::string stub = trimmed->image;
  ASSERT_EQ(stub.size(), 0x500u);
  EXPECT_EQ(u32At(stub, test::kFileHeader + 8), 0u);
  EXPECT_EQ(u32At(stub, test::kFileHeader + 12), 0u);
  EXPECT_EQ(u32At(stub, test::kSecurityDirectory), 0u);
  EXPECT_EQ(u32At(stub, test::kSecurityDirectory + 4), 0u);

  // Apart from those four fields the kept bytes are the stub's own.
  std::string expected = image.substr(0, 0x500);
  for (size_t field : {test::kFileHeader + 8, test::kFileHeader + 12, test::kSecurityDirectory,
                       test::kSecurityDirectory + 4}) {
    expected.replace(field, 4, std::string(4, '\0'));
  }
  EXPECT_EQ(stub, expected);

  // A long section name ("/4") lived in the string table behind the symbols: worth a note.
  std::string longName = image;
  longName.replace(test::kSectionTable, 8, std::string("/4\0\0\0\0\0\0", 8));
  trimmed = trimStub(longName, error);
  ASSERT_TRUE(trimmed.has_value()) << error;
  EXPECT_TRUE(trimmed->sectionNamesLost);
}

TEST(PeStub, CertificateTableCountsOnlyWhenItEndsTheFileAfterTheBlock) {
  struct Case {
    const char* name;
    uint32_t offset;
    uint32_t size;
    bool found;
  };
  // The block offset is 0x500 and the file ends at 0x700.
  const Case cases[] = {
      {"appended after the block", 0x600, 0x100, true},
      {"right at the block offset", 0x500, 0x200, true},
      {"no entry", 0, 0, false},
      {"inside the sections", 0x400, 0x300, false},
      {"not reaching the end", 0x600, 0x80, false},
      {"beyond the end", 0x600, 0x180, false},
  };
  for (const Case& c : cases) {
    PeLayout layout;
    layout.fileSize = 0x700;
    layout.certificates = c.offset;
    layout.certificatesSize = c.size;
    auto table = findCertificateTable(makePe(layout));
    ASSERT_EQ(table.has_value(), c.found) << c.name;
    if (table) {
      EXPECT_EQ(table->offset, c.offset) << c.name;
      EXPECT_EQ(table->size, c.size) << c.name;
    }
  }
}

TEST(PeStub, RefusesWhatTheLauncherCouldNotFindItsBlockIn) {
  struct Case {
    const char* what;
    std::function<std::string()> image;
    const char* error;
  };
  auto withSpec = [](std::function<void(PeLayout&)> change) {
    return [change] {
      PeLayout layout;
      change(layout);
      return makePe(layout);
    };
  };
  auto patched = [](size_t offset, std::string bytes) {
    return [offset, bytes] {
      std::string image = makePe({});
      image.replace(offset, bytes.size(), bytes);
      return image;
    };
  };
  const Case cases[] = {
      {"empty file", [] { return std::string(); }, "no MZ header"},
      {"text file", [] { return std::string(100, 'x'); }, "no MZ header"},
      {"header offset beyond the file", patched(0x3C, std::string("\xF0\xFF\x00\x00", 4)),
       "lies outside the file"},
      {"no PE signature", patched(0x40, "NE"), "no PE signature"},
      {"32-bit image", withSpec([](PeLayout& s) { s.magic = 0x10B; }), "32-bit (PE32)"},
      {"unknown magic", withSpec([](PeLayout& s) { s.magic = 0x107; }), "not a PE32+"},
      {"no sections", withSpec([](PeLayout& s) { s.sections.clear(); }), "unusable section table"},
      {"section table cut off", withSpec([](PeLayout& s) { s.fileSize = 0x160; }),
       "the section table ends at"},
      {"last section beyond the file", withSpec([](PeLayout& s) { s.fileSize = 0x480; }),
       "beyond the end of the file"},
      {"data beyond the last section", withSpec([](PeLayout& s) {
         s.sections = {{0x400, 0x100}, {0x200, 0x100}};
       }),
       "data beyond the last section"},
      {"last section without file data", withSpec([](PeLayout& s) {
         s.sections = {{0, 0}};
       }),
       "no data in the file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    EXPECT_FALSE(trimStub(c.image(), error).has_value());
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace zpack
