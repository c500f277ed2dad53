#include "block_codec.h"

#include "byte_io.h"
#include "config/block_format.h"
#include "config/included_files.h"
#include "config/keys.h"
#include "key_names.h"

namespace zpack {
namespace {

// Offset of the blockLength field; blockLength counts from its first byte.
constexpr size_t kBlockLengthOffset = 12;

void putBytes(std::string& out, std::string_view bytes) {
  putI32(out, static_cast<int32_t>(bytes.size()));
  out += bytes;
}

void putUtf16(std::string& out, std::u16string_view text) {
  putI32(out, static_cast<int32_t>(text.size() * 2));
  for (char16_t unit : text) putLittleEndian(out, unit, 2);
}

std::string truncated(std::string_view what, size_t at) {
  return "truncated or damaged block: " + std::string(what) + " at offset " + std::to_string(at) +
         " runs past the end of the file";
}

// Reads a length-prefixed byte string, checking the length before copying.
std::optional<std::string> readBytes(ByteReader& in, std::string_view what, std::string& error) {
  size_t at = in.position();
  auto length = in.i32();
  if (!length) {
    error = truncated(std::string(what) + " length", at);
    return std::nullopt;
  }
  if (*length < 0) {
    error = "damaged block: " + std::string(what) + " at offset " + std::to_string(at) +
            " has the negative length " + std::to_string(*length);
    return std::nullopt;
  }
  auto bytes = in.bytes(static_cast<size_t>(*length));
  if (!bytes) {
    error = truncated(std::string(what) + " (" + std::to_string(*length) + " bytes)", at);
    return std::nullopt;
  }
  return std::string(*bytes);
}

std::optional<std::u16string> readUtf16(ByteReader& in, std::string_view what, std::string& error) {
  size_t at = in.position();
  auto bytes = readBytes(in, what, error);
  if (!bytes) return std::nullopt;
  if (bytes->size() % 2 != 0) {
    error = "damaged block: " + std::string(what) + " at offset " + std::to_string(at) +
            " has an odd byte length";
    return std::nullopt;
  }
  std::u16string text(bytes->size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>((*bytes)[2 * i]) |
                                    static_cast<unsigned char>((*bytes)[2 * i + 1]) << 8);
  }
  return text;
}

std::optional<int32_t> readCount(ByteReader& in, std::string_view what, std::string& error) {
  size_t at = in.position();
  auto count = in.i32();
  if (!count) {
    error = truncated(what, at);
    return std::nullopt;
  }
  return *count < 0 ? 0 : *count;  // the launcher reads a negative count as none
}

std::optional<std::vector<DecodedText>> readTexts(ByteReader& in, std::string_view what,
                                                  std::string& error) {
  auto count = readCount(in, std::string(what) + " count", error);
  if (!count) return std::nullopt;
  std::vector<DecodedText> texts;  // no reserve: the count is untrusted
  for (int32_t i = 0; i < *count; ++i) {
    size_t at = in.position();
    auto id = in.i32();
    if (!id) {
      error = truncated(std::string(what) + " id", at);
      return std::nullopt;
    }
    auto text = readUtf16(in, std::string(what) + " " + std::to_string(*id), error);
    if (!text) return std::nullopt;
    texts.push_back({*id, std::move(*text)});
  }
  return texts;
}

}  // namespace

std::string encodeBlock(const BlockContent& content, std::span<const std::string> fileData) {
  std::string out;
  putU32(out, zarvo::kBlockMagic);
  putI32(out, 0);
  putI32(out, 0);
  putI64(out, 0);  // blockLength, filled in below
  putI32(out, static_cast<int32_t>(content.records.size()));
  for (const auto& [id, value] : content.records) {
    putI32(out, id);
    putBytes(out, value);
  }
  putI32(out, static_cast<int32_t>(content.messages.size()));
  for (const auto& [id, text] : content.messages) {
    putI32(out, id);
    putUtf16(out, text);
  }
  putI32(out, static_cast<int32_t>(content.languageTables.size()));
  for (const LanguageTable& table : content.languageTables) {
    putBytes(out, table.prefix);
    putI32(out, static_cast<int32_t>(table.entries.size()));
    for (const auto& [id, text] : table.entries) {
      putI32(out, id);
      putUtf16(out, text);
    }
  }
  std::string length;
  putI64(length, static_cast<int64_t>(out.size() - kBlockLengthOffset));
  out.replace(kBlockLengthOffset, length.size(), length);

  for (const std::string& data : fileData) {
    putI64(out, static_cast<int64_t>(data.size()));
    for (char c : data) out.push_back(static_cast<char>(c ^ zarvo::kIncludedFileMask));
  }
  out.append(reinterpret_cast<const char*>(zarvo::kTrailer), sizeof zarvo::kTrailer);
  out.append(static_cast<size_t>(zarvo::kTrailerZeroBytes), '\0');
  return out;
}

std::optional<DecodedBlock> decodeBlock(std::string_view image, size_t offset, std::string& error) {
  if (offset > image.size()) {
    error = "the block offset " + std::to_string(offset) + " lies beyond the end of the file";
    return std::nullopt;
  }
  ByteReader in(image, offset);
  DecodedBlock block;
  block.offset = offset;

  auto magic = in.u32();
  if (!magic) {
    error = offset == image.size() ? "no ConfigBlock: nothing follows the last section"
                                   : truncated("magic", offset);
    return std::nullopt;
  }
  if (*magic != zarvo::kBlockMagic) {
    error = "no ConfigBlock at offset " + std::to_string(offset) + " (wrong magic)";
    return std::nullopt;
  }
  if (!in.skip(8)) {
    error = truncated("block head", in.position());
    return std::nullopt;
  }
  auto blockLength = in.i64();
  if (!blockLength) {
    error = truncated("block length", in.position());
    return std::nullopt;
  }
  block.blockLength = *blockLength;

  auto recordCount = readCount(in, "record count", error);
  if (!recordCount) return std::nullopt;
  for (int32_t i = 0; i < *recordCount; ++i) {
    size_t at = in.position();
    auto id = in.i32();
    if (!id) {
      error = truncated("record id", at);
      return std::nullopt;
    }
    auto value = readBytes(in, "record " + std::to_string(*id), error);
    if (!value) return std::nullopt;
    block.records.push_back({*id, std::move(*value)});
  }

  auto messages = readTexts(in, "message", error);
  if (!messages) return std::nullopt;
  block.messages = std::move(*messages);

  auto tableCount = readCount(in, "language table count", error);
  if (!tableCount) return std::nullopt;
  for (int32_t i = 0; i < *tableCount; ++i) {
    auto prefix = readBytes(in, "language table prefix", error);
    if (!prefix) return std::nullopt;
    auto entries = readTexts(in, "language table entry", error);
    if (!entries) return std::nullopt;
    block.languageTables.push_back({std::move(*prefix), std::move(*entries)});
  }
  block.actualBlockLength = in.position() - offset - kBlockLengthOffset;

  // The included files follow, as the launcher finds them: key 2002 counts them, key 2003 names
  // them, and it stops at whichever ends first. Later records replace earlier ones.
  std::string_view count;
  std::string_view names;
  for (const DecodedRecord& r : block.records) {
    if (r.id == zarvo::key::kIncludedFileCount) count = r.value;
    if (r.id == zarvo::key::kIncludedFileNames) names = r.value;
  }
  block.declaredFileCount = readConfigInt(count);
  std::vector<std::string> fileNames = zarvo::splitIncludedNames(names);
  block.namedFileCount = fileNames.size();
  for (size_t i = 0; i < fileNames.size() && static_cast<int64_t>(i) < block.declaredFileCount;
       ++i) {
    size_t at = in.position();
    auto length = in.i64();
    if (!length) {
      error = truncated("length of included file " + fileNames[i], at);
      return std::nullopt;
    }
    if (*length < 0) {
      error = "damaged block: included file " + fileNames[i] + " has the negative length " +
              std::to_string(*length);
      return std::nullopt;
    }
    if (static_cast<uint64_t>(*length) > in.remaining()) {
      error = truncated(
          "included file " + fileNames[i] + " (" + std::to_string(*length) + " bytes)", at);
      return std::nullopt;
    }
    size_t size = static_cast<size_t>(*length);
    block.files.push_back({std::move(fileNames[i]), in.position(), size});
    in.skip(size);
  }

  auto trailer = in.bytes(sizeof zarvo::kTrailer + zarvo::kTrailerZeroBytes);
  if (trailer) {
    std::string expected(reinterpret_cast<const char*>(zarvo::kTrailer), sizeof zarvo::kTrailer);
    expected.append(static_cast<size_t>(zarvo::kTrailerZeroBytes), '\0');
    block.trailerPresent = *trailer == expected;
    if (!block.trailerPresent) in = ByteReader(image, in.position() - trailer->size());
  }
  block.bytesAfter = in.remaining();
  return block;
}

std::string unmaskedData(std::string_view image, const DecodedFile& file) {
  std::string data(image.substr(file.offset, file.size));
  for (char& c : data) c = static_cast<char>(c ^ zarvo::kIncludedFileMask);
  return data;
}

}  // namespace zpack
