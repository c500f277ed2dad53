// Small file helpers for the shell tests, and where the stand-in programs are built: the
// fixtures directory beside the test binary's own directory.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

}  // namespace zarvo::test
