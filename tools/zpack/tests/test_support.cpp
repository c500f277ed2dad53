#include "test_support.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "byte_io.h"

namespace zpack::test {

namespace fs = std::filesystem;

namespace {

void put(std::string& image, size_t offset, uint64_t value, int sizeBytes) {
  std::string bytes;
  putLittleEndian(bytes, value, sizeBytes);
  image.replace(offset, bytes.size(), bytes);
}

}  // namespace

std::string makePe(const PeLayout& layout) {
  size_t headersEnd = kSectionTable + 40 * layout.sections.size();
  // Built at full size first, then cut: a test may end the file inside its own headers.
  std::string image(std::max(layout.fileSize, headersEnd), '\xCC');
  std::fill_n(image.begin(), headersEnd, '\0');
  image.replace(0, 2, "MZ");
  put(image, 0x3C, kLfanew, 4);
  image.replace(kLfanew, 4, std::string("PE\0\0", 4));
  put(image, kFileHeader, 0x8664, 2);  // Machine: x64
  put(image, kFileHeader + 2, layout.sections.size(), 2);
  put(image, kFileHeader + 8, layout.symbolTable, 4);
  put(image, kFileHeader + 12, layout.symbolCount, 4);
  put(image, kFileHeader + 16, kOptionalHeaderSize, 2);
  put(image, kOptionalHeader, layout.magic, 2);
  put(image, kOptionalHeader + 108, 16, 4);  // NumberOfRvaAndSizes
  put(image, kSecurityDirectory, layout.certificates, 4);
  put(image, kSecurityDirectory + 4, layout.certificatesSize, 4);
  for (size_t i = 0; i < layout.sections.size(); ++i) {
    auto [pointer, size] = layout.sections[i];
    size_t header = kSectionTable + 40 * i;
    image.replace(header, 5, ".sec" + std::to_string(i % 10));
    put(image, header + 16, size, 4);
    put(image, header + 20, pointer, 4);
    for (size_t at = pointer; at < uint64_t{pointer} + size && at < image.size(); ++at) {
      image[at] = '\x5A';
    }
  }
  image.resize(layout.fileSize);
  return image;
}

uint32_t u32At(std::string_view bytes, size_t offset) {
  return *ByteReader(bytes, offset).u32();
}

TempDir::TempDir() {
  std::random_device random;
  path_ = fs::temp_directory_path() / ("zpack-test-" + std::to_string(random()));
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path TempDir::write(const std::string& name, std::string_view bytes) const {
  fs::path file = path_ / name;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file;
}

std::vector<std::string> TempDir::names() const {
  std::vector<std::string> result;
  for (const auto& entry : fs::recursive_directory_iterator(path_)) {
    result.push_back(fs::relative(entry.path(), path_).generic_string());
  }
  std::sort(result.begin(), result.end());
  return result;
}

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  return data.str();
}

}  // namespace zpack::test
