// Reading, writing and building parameter files in tests.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "support/test_files.h"

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
