#include <gtest/gtest.h>

#include <random>

#include "config/file_source_win.h"
#include "win/unique_handle.h"
#include "win/windows.h"

namespace zarvo {
namespace {

// A scratch file that removes itself.
struct TempFile {
  std::u16string path;
  explicit TempFile(const std::string& bytes) {
    wchar_t dir[MAX_PATH];
    wchar_t name[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    ::GetTempFileNameW(dir, L"zft", 0, name);
    path = std::u16string(u16(name));
    UniqueFile f(::CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  ~TempFile() { ::DeleteFileW(wstr(path)); }
};

// The buffered file source must give the same bytes as the file for any pattern of seeks and
// reads, including reads that straddle the buffer's edge and reads past the end.
TEST(FileSource, MatchesTheFileAcrossBufferEdges) {
  std::string bytes(200000, '\0');
  std::mt19937 rng(7);
  for (char& c : bytes) c = static_cast<char>(rng() & 0xFF);
  TempFile file(bytes);
  UniqueFile handle(::CreateFileW(wstr(file.path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(handle.valid());
  FileSource source(handle.get());
  MemorySource expected(bytes);

  const uint64_t offsets[] = {0, 65530, 65536, 131071, 199990, 199999, 200000, 250000, 3, 65535};
  const size_t lengths[] = {1, 4, 8, 17, 70000, 200};
  for (uint64_t offset : offsets) {
    for (size_t length : lengths) {
      source.seek(offset);
      expected.seek(offset);
      std::string got(length, '\0');
      std::string want(length, '\0');
      const size_t n = source.read(got.data(), length);
      ASSERT_EQ(n, expected.read(want.data(), length)) << offset << "+" << length;
      EXPECT_EQ(got.substr(0, n), want.substr(0, n));
      EXPECT_EQ(source.position(), expected.position());
      EXPECT_EQ(source.remaining(), expected.remaining());
    }
  }
}

}  // namespace
}  // namespace zarvo
