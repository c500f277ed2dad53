#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "config/file_source_win.h"
#include "config/included_files.h"
#include "launcher/extraction_win.h"
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

// Every 4-byte word holds its own offset: a chunk copied twice, skipped or put out of place
// shows where it went.
std::string positionPattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i & ~size_t{3}) >> (8 * (i & 3)));
  return bytes;
}

// The offset of the first difference, or npos when the texts are equal.
size_t firstDifference(const std::string& a, const std::string& b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    if (a[i] != b[i]) return i;
  }
  return a.size() == b.size() ? std::string::npos : common;
}

std::string contentOf(const std::u16string& path) {
  UniqueFile file(
      ::CreateFileW(wstr(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes(::GetFileSize(file.get(), nullptr), '\0');
  DWORD read = 0;
  ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

// An included file is copied out of the executable in chunks of the copy buffer (1 MiB): a file
// of two chunks and a few bytes arrives whole and unscrambled; a target that cannot be written
// and a source that ends early give their own results.
TEST(CopyFileData, CopiesAcrossChunksAndReportsReadAndWriteFailures) {
  const std::string plain = positionPattern(2 * 1024 * 1024 + 3);
  std::string stored = plain;
  unscramble(reinterpret_cast<unsigned char*>(stored.data()), stored.size());  // XOR both ways
  TempFile executable(stored);
  UniqueFile input(::CreateFileW(wstr(executable.path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(input.valid());
  FileSource source(input.get());

  const struct {
    const char* what;
    uint64_t from;
    int64_t count;
    DWORD targetAccess;
    int want;
  } cases[] = {
      {"whole file", 0, static_cast<int64_t>(plain.size()), GENERIC_WRITE, kCopyOk},
      {"target open for reading only", 0, 10, GENERIC_READ, kCopyWriteFailed},
      {"source ends early", plain.size() - 5, 10, GENERIC_WRITE, kCopyReadFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFile target("");
    source.seek(c.from);
    {
      UniqueFile output(
          ::CreateFileW(wstr(target.path), c.targetAccess, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(output.valid());
      EXPECT_EQ(CopyFileData(source, output.get(), c.count, true), c.want);
    }
    if (c.want == kCopyOk) {
      EXPECT_EQ(firstDifference(contentOf(target.path), plain), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace zarvo
