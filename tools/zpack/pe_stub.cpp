#include "pe_stub.h"

#include <cstdint>
#include <limits>

#include "byte_io.h"
#include "text_codec.h"

namespace zpack {
namespace {

constexpr size_t kLfanewOffset = 0x3C;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
// Offsets inside the COFF file header (after the 4-byte signature).
constexpr size_t kNumberOfSections = 2;
constexpr size_t kPointerToSymbolTable = 8;
constexpr size_t kNumberOfSymbols = 12;
constexpr size_t kSizeOfOptionalHeader = 16;
// Offsets inside the PE32+ optional header.
constexpr size_t kNumberOfRvaAndSizes = 108;
constexpr size_t kCheckSum = 64;
constexpr size_t kDataDirectories = 112;
constexpr uint32_t kSecurityDirectory = 4;  // its "address" is a file offset, not an RVA

struct Layout {
  size_t fileHeader;      // first byte after "PE\0\0"
  size_t optionalHeader;  // first byte of the optional header
  size_t optionalHeaderSize;
  size_t sectionTable;
  size_t sectionCount;
  size_t blockOffset;
};

std::optional<uint32_t> u32At(std::string_view image, size_t offset) {
  ByteReader in(image, offset);
  if (offset > image.size()) return std::nullopt;
  return in.u32();
}

std::optional<uint16_t> u16At(std::string_view image, size_t offset) {
  ByteReader in(image, offset);
  if (offset > image.size()) return std::nullopt;
  return in.u16();
}

void putU32At(std::string& image, size_t offset, uint32_t value) {
  std::string bytes;
  putU32(bytes, value);
  image.replace(offset, 4, bytes);
}

std::optional<Layout> analyse(std::string_view image, std::string& error) {
  if (image.size() < kLfanewOffset + 4 || image.substr(0, 2) != "MZ") {
    error = "not a Windows executable (no MZ header)";
    return std::nullopt;
  }
  uint32_t lfanew = *u32At(image, kLfanewOffset);
  auto signature = ByteReader(image, lfanew).bytes(4);
  if (lfanew >= image.size() || !signature) {
    error = "not a Windows executable (the PE header offset " + hexText(lfanew) +
            " lies outside the file)";
    return std::nullopt;
  }
  if (*signature != std::string_view("PE\0\0", 4)) {
    error = "not a PE executable (no PE signature at " + hexText(lfanew) + ")";
    return std::nullopt;
  }
  Layout layout{};
  layout.fileHeader = size_t{lfanew} + 4;
  auto sections = u16At(image, layout.fileHeader + kNumberOfSections);
  auto optionalSize = u16At(image, layout.fileHeader + kSizeOfOptionalHeader);
  if (!sections || !optionalSize) {
    error = "damaged executable (the COFF file header is cut short)";
    return std::nullopt;
  }
  layout.optionalHeader = layout.fileHeader + kFileHeaderSize;
  layout.optionalHeaderSize = *optionalSize;
  auto magic = *optionalSize >= 2 ? u16At(image, layout.optionalHeader) : std::nullopt;
  if (!magic) {
    error = "damaged executable (no optional header)";
    return std::nullopt;
  }
  if (*magic == kPe32Magic) {
    error = "a 32-bit (PE32) executable; the launcher stub must be a 64-bit (PE32+) one";
    return std::nullopt;
  }
  if (*magic != kPe32PlusMagic) {
    error = "not a PE32+ executable (optional header magic " + hexText(*magic) + ")";
    return std::nullopt;
  }
  // The launcher reads both counts as signed 16-bit numbers.
  if (*sections == 0 || *sections > 0x7FFF || *optionalSize > 0x7FFF) {
    error = "unusable section table (" + std::to_string(*sections) +
            " sections, optional header of " + std::to_string(*optionalSize) + " bytes)";
    return std::nullopt;
  }
  size_t table = layout.optionalHeader + *optionalSize;
  layout.sectionTable = table;
  layout.sectionCount = *sections;
  size_t tableEnd = table + size_t{*sections} * kSectionHeaderSize;
  if (tableEnd > image.size()) {
    error = "damaged executable (the section table ends at " + hexText(tableEnd) +
            ", beyond the end of the file at " + hexText(image.size()) + ")";
    return std::nullopt;
  }
  auto rawEnd = [&](size_t index) {
    size_t header = table + index * kSectionHeaderSize;
    return uint64_t{*u32At(image, header + 20)} + *u32At(image, header + 16);
  };
  uint64_t end = rawEnd(*sections - 1u);
  if (end > image.size()) {
    error = "damaged executable (the last section's data ends at " + hexText(end) +
            ", beyond the end of the file at " + hexText(image.size()) + ")";
    return std::nullopt;
  }
  if (end < tableEnd) {
    error =
        "the last section has no data in the file; the launcher would look for its "
        "configuration inside the headers";
    return std::nullopt;
  }
  for (size_t i = 0; i + 1 < *sections; ++i) {
    if (rawEnd(i) > end) {
      error = "section " + std::to_string(i + 1) + " has data beyond the last section (up to " +
              hexText(rawEnd(i)) + "); the launcher looks for its configuration at " +
              hexText(end) + ", which would cut that section off";
      return std::nullopt;
    }
  }
  // The launcher computes the offset in 32-bit arithmetic.
  if (end > uint64_t{std::numeric_limits<int32_t>::max()}) {
    error = "the executable is too large for the launcher's 32-bit file offsets";
    return std::nullopt;
  }
  layout.blockOffset = static_cast<size_t>(end);
  return layout;
}

// Where the certificate table entry (data directory 4) sits in the header, if the optional
// header has room for it and counts it.
std::optional<size_t> securityEntry(std::string_view image, const Layout& layout) {
  if (layout.optionalHeaderSize < kDataDirectories + (kSecurityDirectory + 1) * 8) {
    return std::nullopt;
  }
  if (*u32At(image, layout.optionalHeader + kNumberOfRvaAndSizes) <= kSecurityDirectory) {
    return std::nullopt;
  }
  return layout.optionalHeader + kDataDirectories + kSecurityDirectory * 8;
}

}  // namespace

std::optional<size_t> findBlockOffset(std::string_view image, std::string& error) {
  auto layout = analyse(image, error);
  if (!layout) return std::nullopt;
  return layout->blockOffset;
}

std::optional<TrimmedStub> trimStub(std::string_view image, std::string& error) {
  auto layout = analyse(image, error);
  if (!layout) return std::nullopt;
  TrimmedStub result;
  std::string& stub = result.image;
  stub = image.substr(0, layout->blockOffset);
  const size_t end = layout->blockOffset;
  result.droppedBytes = image.size() - end;

  size_t symbolPointer = layout->fileHeader + kPointerToSymbolTable;
  uint32_t symbols = *u32At(stub, symbolPointer);
  if (symbols != 0 && symbols >= end) {
    putU32At(stub, symbolPointer, 0);
    putU32At(stub, layout->fileHeader + kNumberOfSymbols, 0);
    for (size_t i = 0; i < layout->sectionCount; ++i) {
      if (stub[layout->sectionTable + i * kSectionHeaderSize] == '/')
        result.sectionNamesLost = true;
    }
  }

  // An Authenticode signature sits at the end of the file; appending data breaks it anyway.
  if (auto security = securityEntry(stub, *layout)) {
    uint64_t certificates = *u32At(stub, *security);
    uint64_t certificatesSize = *u32At(stub, *security + 4);
    if (certificatesSize != 0 && certificates + certificatesSize > end) {
      putU32At(stub, *security, 0);
      putU32At(stub, *security + 4, 0);
    }
  }
  return result;
}

void writeImageChecksum(std::string& image) {
  std::string error;
  const auto layout = analyse(image, error);
  if (!layout) return;
  const size_t field = layout->optionalHeader + kCheckSum;
  putU32At(image, field, 0);
  uint64_t sum = 0;
  for (size_t i = 0; i < image.size(); i += 2) {
    const auto low = static_cast<unsigned char>(image[i]);
    const auto high = i + 1 < image.size() ? static_cast<unsigned char>(image[i + 1]) : 0u;
    sum += low | (high << 8);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  putU32At(image, field, static_cast<uint32_t>((sum + image.size()) & 0xFFFFFFFF));
}

std::optional<CertificateTable> findCertificateTable(std::string_view image) {
  std::string error;
  auto layout = analyse(image, error);
  if (!layout) return std::nullopt;
  auto security = securityEntry(image, *layout);
  if (!security) return std::nullopt;
  uint64_t offset = *u32At(image, *security);
  uint64_t size = *u32At(image, *security + 4);
  // Signing tools append the table last; one that lies elsewhere is not the signature of this
  // file as it stands.
  if (size == 0 || offset < layout->blockOffset || offset + size != image.size()) {
    return std::nullopt;
  }
  return CertificateTable{static_cast<size_t>(offset), static_cast<size_t>(size)};
}

}  // namespace zpack
