// Reading, writing and building parameter files in tests.
#pragma once

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The file format: one number per line, right-aligned in six characters, CR LF.
inline std::string FileOf(const std::vector<unsigned>& numbers) {
  std::string text;
  char line[32];
  for (unsigned n : numbers) {
    std::snprintf(line, sizeof line, "%6u\r\n", n);
    text += line;
  }
  return text;
}
