// Small file helpers for the shell tests, and where the stand-in programs are built: the
// fixtures directory beside the test binary's own directory.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

#include "paths/paths.h"

namespace zarvo::test {

// "<build>\tests\fixtures\" for a test binary in "<build>\tests\".
inline std::string fixturesDir() {
  const std::string& self = GetModulePathA();
  return self.substr(0, self.find_last_of('\\')) + "\\fixtures\\";
}

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline std::vector<std::string> linesOf(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Removes a directory and everything below it; a missing directory is no error.
inline void removeTree(const std::string& dir) {
  WIN32_FIND_DATAA found;
  HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(dir + "\\" + name);
      } else {
        ::DeleteFileA((dir + "\\" + name).c_str());
      }
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
  }
  ::RemoveDirectoryA(dir.c_str());
}

// Creates an empty directory for a test. Scratch names carry the process id, and Wine gives a
// test program the same id run after run: what an interrupted earlier run left under the name is
// removed first.
inline bool makeFreshDirectory(const std::string& dir) {
  removeTree(dir);
  return ::CreateDirectoryA(dir.c_str(), nullptr) != FALSE;
}

}  // namespace zarvo::test
