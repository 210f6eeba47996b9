#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
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
