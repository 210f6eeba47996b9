#include "support/test_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string>& Made() {
  static std::vector<std::string> dirs;
  return dirs;
}

}  // namespace

std::string TempDir() {
  char name[] = "/tmp/qrox-test-XXXXXX";
  if (!mkdtemp(name)) {
    ADD_FAILURE() << "cannot make a directory under /tmp";
    return "";
  }
  Made().push_back(name);
  return name;
}

void RemoveTempDirs() {
  std::error_code ignored;
  for (const auto& dir : Made()) std::filesystem::remove_all(dir, ignored);
  Made().clear();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
