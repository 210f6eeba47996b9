// Temporary directories of the tests.
#pragma once

#include <string>

// A fresh directory under /tmp of its own (CTest runs tests side by side), removed with
// its content when the running test ends.
std::string TempDir();
// Removes the directories TempDir made; the test program calls it as every test ends.
void RemoveTempDirs();
