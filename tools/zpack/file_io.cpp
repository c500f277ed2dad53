#include "file_io.h"

#include <cstdint>
#include <fstream>
#include <random>
#include <system_error>

namespace zpack {

namespace fs = std::filesystem;

fs::path pathFromUtf8(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string displayPath(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::optional<std::string> readFile(const fs::path& path, size_t maxBytes, std::string& error) {
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    error = displayPath(path) + ": not found";
    return std::nullopt;
  }
  if (!fs::is_regular_file(path, ec)) {
    error = displayPath(path) + ": not a regular file";
    return std::nullopt;
  }
  uintmax_t size = fs::file_size(path, ec);
  if (ec) {
    error = displayPath(path) + ": " + ec.message();
    return std::nullopt;
  }
  if (size > maxBytes) {
    error = displayPath(path) + ": too large (" + std::to_string(size) + " bytes)";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::string data(static_cast<size_t>(size), '\0');
  if (!in || !in.read(data.data(), static_cast<std::streamsize>(data.size())) ||
      in.peek() != std::ifstream::traits_type::eof()) {
    error = displayPath(path) + ": cannot be read completely";
    return std::nullopt;
  }
  return data;
}

bool writeFileAtomically(const fs::path& target, std::string_view data, std::string& error) {
  std::random_device random;
  uint64_t tag = (uint64_t{random()} << 32) ^ random();
  fs::path directory = target.parent_path();
  fs::path temp =
      (directory.empty() ? fs::path(".") : directory) /
      pathFromUtf8(displayPath(target.filename()) + ".zpack-" + std::to_string(tag) + ".tmp");

  std::error_code ec;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) {
      error = displayPath(target) + ": cannot create a file in " +
              displayPath(directory.empty() ? fs::path(".") : directory);
      return false;
    }
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) {
      error = displayPath(target) + ": writing failed";
      fs::remove(temp, ec);
      return false;
    }
  }
  fs::rename(temp, target, ec);
  if (ec) {
    error = displayPath(target) + ": " + ec.message();
    std::error_code ignored;
    fs::remove(temp, ignored);
    return false;
  }
  return true;
}

}  // namespace zpack
