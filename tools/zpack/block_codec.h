// The ConfigBlock: writing it, and reading it back from a packed executable.
// docs/configblock-format.md describes the layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zpack {

struct LanguageTable {
  std::string prefix;  // ASCII locale prefix; "" applies to every locale
  std::map<int32_t, std::u16string> entries;
};

struct BlockContent {
  std::map<int32_t, std::string> records;  // values as stored: Latin-1 bytes
  std::map<int32_t, std::u16string> messages;
  std::vector<LanguageTable> languageTables;  // in block order; a later match wins
};

// The block, then each included file (length and masked bytes) in the order of key 2003, then
// the trailer. `fileData` must match the names in record 2003.
std::string encodeBlock(const BlockContent& content, std::span<const std::string> fileData);

struct DecodedRecord {
  int32_t id;
  std::string value;
};

struct DecodedText {
  int32_t id;
  std::u16string text;
};

struct DecodedTable {
  std::string prefix;
  std::vector<DecodedText> entries;
};

struct DecodedFile {
  std::string name;
  size_t offset;  // of the first (masked) data byte in the image
  size_t size;
};

// Everything a block holds, in file order (duplicates kept: the launcher lets the later one win).
struct DecodedBlock {
  size_t offset = 0;
  int64_t blockLength = 0;       // as stored
  size_t actualBlockLength = 0;  // what a writer would have stored
  std::vector<DecodedRecord> records;
  std::vector<DecodedText> messages;
  std::vector<DecodedTable> languageTables;
  int32_t declaredFileCount = 0;  // key 2002 as the launcher reads it
  size_t namedFileCount = 0;      // names in key 2003
  std::vector<DecodedFile> files;
  bool trailerPresent = false;
  size_t bytesAfter = 0;  // after the files and, when present, the trailer
};

// Reads the block at `offset` of `image`. Every length is checked against the bytes left before
// anything is copied; a damaged block yields nullopt and a reason.
std::optional<DecodedBlock> decodeBlock(std::string_view image, size_t offset, std::string& error);

// An included file's bytes with the mask removed.
std::string unmaskedData(std::string_view image, const DecodedFile& file);

}  // namespace zpack
