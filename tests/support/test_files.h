// Files of the tests: temporary directories, whole files read and written.
#pragma once

#include <string>

// A fresh directory under /tmp of its own (CTest runs tests side by side), removed with
// its content when the running test ends.
std::string TempDir();
// Removes the directories TempDir made; the test program calls it as every test ends.
void RemoveTempDirs();
// The bytes of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);
// Writes `bytes` as the whole file, creating the directories on the way.
void WriteFile(const std::string& path, const std::string& bytes);
