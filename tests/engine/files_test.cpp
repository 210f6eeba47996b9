// Array files byte for byte, read errors and write errors; the program's directories.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/engine.h"
#include "engine/engine_fixture.h"
#include "support/test_files.h"

using namespace enginetest;

namespace {

TEST(EngineFiles, ConstantWidthColumnOfUnsigned32) {
  std::string path = TempDir() + "/REZOraru.cfg";
  uint32_t words[4] = {500, 1, 65535, 4294967295u};
  ASSERT_EQ(ArrayToFile(path.c_str(), words, VAL_UNSIGNED_INTEGER, 4, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_CONST_WIDTH, 6, VAL_ASCII, VAL_TRUNCATE),
            0);
  EXPECT_EQ(ReadFile(path), "   500\r\n     1\r\n 65535\r\n4294967295\r\n");
  uint32_t back[4] = {};
  ASSERT_EQ(FileToArray(path.c_str(), back, VAL_UNSIGNED_INTEGER, 4, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_ASCII),
            0);
  EXPECT_EQ(std::memcmp(back, words, sizeof words), 0);
  // Truncate replaces the old content.
  ASSERT_EQ(ArrayToFile(path.c_str(), words, VAL_UNSIGNED_INTEGER, 1, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_CONST_WIDTH, 6, VAL_ASCII, VAL_TRUNCATE),
            0);
  EXPECT_EQ(ReadFile(path), "   500\r\n");
}

TEST(EngineFiles, RecorderFileAppendsTextValuesAndTabSeparatedLines) {
  std::string path = TempDir() + "/RECORD.DAT";
  const char label[] = "Time-Increment[s]:\t";
  ASSERT_EQ(ArrayToFile(path.c_str(), label, VAL_CHAR, static_cast<int>(std::strlen(label)), 1,
                        VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_BINARY,
                        VAL_APPEND),
            0);
  short increment = -25536;  // 40000 as a signed 16-bit number
  ASSERT_EQ(ArrayToFile(path.c_str(), &increment, VAL_SHORT_INTEGER, 1, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_APPEND),
            0);
  float slope = 16.0f;
  ASSERT_EQ(ArrayToFile(path.c_str(), &slope, VAL_FLOAT, 1, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_APPEND),
            0);
  float fine = 0.0625f;
  ASSERT_EQ(ArrayToFile(path.c_str(), &fine, VAL_FLOAT, 1, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_APPEND),
            0);
  int record[5] = {1, 65535, 30000, -7, 0};
  ASSERT_EQ(ArrayToFile(path.c_str(), record, VAL_INTEGER, 5, 5, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_APPEND),
            0);
  EXPECT_EQ(ReadFile(path),
            "Time-Increment[s]:\t-25536\r\n16.0\r\n0.0625\r\n1\t65535\t30000\t-7\t0\r\n");
}

TEST(EngineFiles, FloatTextIsPlainDecimalAndReadsBack) {
  std::string path = TempDir() + "/f.txt";
  float values[5] = {0.1f, 123456.5f, 1e-7f, -3.25f, 16384.0f / 1024.0f};
  ASSERT_EQ(ArrayToFile(path.c_str(), values, VAL_FLOAT, 5, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_TRUNCATE),
            0);
  std::string text = ReadFile(path);
  EXPECT_EQ(text, "0.1\r\n123456.5\r\n0.0000001\r\n-3.25\r\n16.0\r\n");
  EXPECT_EQ(text.find('e'), std::string::npos);
  float back[5] = {};
  ASSERT_EQ(FileToArray(path.c_str(), back, VAL_FLOAT, 5, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_ASCII),
            0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(back[i], values[i]) << i;
}

TEST(EngineFiles, GroupsAsRowsAndMultiplexedOrder) {
  std::string path = TempDir() + "/g.txt";
  // Two groups of three, multiplexed in memory: a0 b0 a1 b1 a2 b2.
  int data[6] = {1, 10, 2, 20, 3, 30};
  ASSERT_EQ(ArrayToFile(path.c_str(), data, VAL_INTEGER, 6, 2, VAL_DATA_MULTIPLEXED,
                        VAL_GROUPS_AS_ROWS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_TRUNCATE),
            0);
  EXPECT_EQ(ReadFile(path), "1\t2\t3\r\n10\t20\t30\r\n");
  ASSERT_EQ(ArrayToFile(path.c_str(), data, VAL_INTEGER, 6, 2, VAL_DATA_MULTIPLEXED,
                        VAL_GROUPS_AS_COLUMNS, VAL_CONST_WIDTH, 4, VAL_ASCII, VAL_TRUNCATE),
            0);
  EXPECT_EQ(ReadFile(path), "   1  10\r\n   2  20\r\n   3  30\r\n");
  int back[6] = {};
  ASSERT_EQ(FileToArray(path.c_str(), back, VAL_INTEGER, 6, 2, VAL_DATA_MULTIPLEXED,
                        VAL_GROUPS_AS_COLUMNS, VAL_ASCII),
            0);
  EXPECT_EQ(std::memcmp(back, data, sizeof data), 0);
  // Numbers wider than their field stay apart.
  int wide[2] = {123456, 7};
  ASSERT_EQ(ArrayToFile(path.c_str(), wide, VAL_INTEGER, 2, 2, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_CONST_WIDTH, 4, VAL_ASCII, VAL_TRUNCATE),
            0);
  EXPECT_EQ(ReadFile(path), "123456   7\r\n");
  int wideLast[2] = {7, 123456};
  ASSERT_EQ(ArrayToFile(path.c_str(), wideLast, VAL_INTEGER, 2, 2, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_CONST_WIDTH, 4, VAL_ASCII, VAL_TRUNCATE),
            0);
  EXPECT_EQ(ReadFile(path), "   7 123456\r\n");
}

TEST(EngineFiles, ReadConversionsAndSeparators) {
  std::string path = TempDir() + "/lin.dat";
  WriteFile(path, "1, 2\t-1\r\n65535\n  70000 \r\n");
  uint16_t words[5] = {};
  ASSERT_EQ(FileToArray(path.c_str(), words, VAL_UNSIGNED_SHORT_INTEGER, 5, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_ASCII),
            0);
  EXPECT_EQ(words[0], 1);
  EXPECT_EQ(words[1], 2);
  EXPECT_EQ(words[2], 65535);  // -1 as a 16-bit word
  EXPECT_EQ(words[3], 65535);
  EXPECT_EQ(words[4], static_cast<uint16_t>(70000));
  WriteFile(path, "4294967295 0 12\r\n");
  uint32_t big[3] = {};
  ASSERT_EQ(FileToArray(path.c_str(), big, VAL_UNSIGNED_INTEGER, 3, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_ASCII),
            0);
  EXPECT_EQ(big[0], 4294967295u);
  EXPECT_EQ(big[2], 12u);
}

TEST(EngineFiles, ReadErrorsLeaveTheArrayUntouched) {
  std::string dir = TempDir();
  uint16_t words[4] = {9, 9, 9, 9};
  const uint16_t before[4] = {9, 9, 9, 9};
  EXPECT_EQ(FileToArray((dir + "/missing.dat").c_str(), words, VAL_UNSIGNED_SHORT_INTEGER, 4, 1,
                        VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS, VAL_ASCII),
            kFileOpenError);
  std::string shortFile = dir + "/short.dat";
  WriteFile(shortFile, "1\r\n2\r\n3\r\n");
  EXPECT_EQ(FileToArray(shortFile.c_str(), words, VAL_UNSIGNED_SHORT_INTEGER, 4, 1,
                        VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS, VAL_ASCII),
            kFileReadError);
  std::string text = dir + "/text.dat";
  WriteFile(text, "1\r\n2\r\nthree\r\n4\r\n");
  EXPECT_EQ(FileToArray(text.c_str(), words, VAL_UNSIGNED_SHORT_INTEGER, 4, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_ASCII),
            kFileReadError);
  WriteFile(text, "1 2 3x 4");
  EXPECT_EQ(FileToArray(text.c_str(), words, VAL_UNSIGNED_SHORT_INTEGER, 4, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_ASCII),
            kFileReadError);
  std::string shortBinary = dir + "/short.bin";
  WriteFile(shortBinary, "1234567");  // 7 bytes: three and a half words
  EXPECT_EQ(FileToArray(shortBinary.c_str(), words, VAL_UNSIGNED_SHORT_INTEGER, 4, 1,
                        VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS, VAL_BINARY),
            kFileReadError);
  EXPECT_EQ(std::memcmp(words, before, sizeof words), 0);
}

TEST(EngineFiles, WriteErrorsAreReported) {
  int v[2] = {1, 2};
  EXPECT_EQ(ArrayToFile("/nonexistent-dir/x.dat", v, VAL_INTEGER, 2, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_APPEND),
            kFileOpenError);
  // A full disk: the bytes cannot be written.
  std::ifstream full("/dev/full");
  if (full) {
    EXPECT_EQ(ArrayToFile("/dev/full", v, VAL_INTEGER, 2, 1, VAL_GROUPS_TOGETHER,
                          VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_APPEND),
              kFileWriteError);
  }
  std::string dir = TempDir();
  EXPECT_EQ(ArrayToFile(dir.c_str(), v, VAL_INTEGER, 2, 1, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_APPEND),
            kFileOpenError);
  EXPECT_EQ(ArrayToFile((dir + "/x").c_str(), v, VAL_INTEGER, 3, 2, VAL_GROUPS_TOGETHER,
                        VAL_GROUPS_AS_COLUMNS, VAL_SEP_BY_TAB, 0, VAL_ASCII, VAL_APPEND),
            UIETooManyOrNotEnoughValues);
}

TEST(EngineFiles, FileInfoDeleteAndPaths) {
  std::string dir = TempDir();
  std::string path = dir + "/a.dat";
  long size = -1;
  EXPECT_EQ(GetFileInfo(path.c_str(), &size), 0);
  EXPECT_EQ(size, 0);
  WriteFile(path, "12345");
  EXPECT_EQ(GetFileInfo(path.c_str(), &size), 1);
  EXPECT_EQ(size, 5);
  EXPECT_EQ(DeleteFile(path.c_str()), 0);
  EXPECT_EQ(GetFileInfo(path.c_str(), &size), 0);
  EXPECT_EQ(DeleteFile(path.c_str()), -1);

  char joined[260];
  ASSERT_EQ(MakePathname("/opt/qrox", "RECORD.DAT", joined), 0);
  EXPECT_STREQ(joined, "/opt/qrox/RECORD.DAT");
  ASSERT_EQ(MakePathname("/opt/qrox/", "RECORD.DAT", joined), 0);
  EXPECT_STREQ(joined, "/opt/qrox/RECORD.DAT");
  std::string longDir(255, 'd');
  EXPECT_LT(MakePathname(longDir.c_str(), "RECORD.DAT", joined), 0);
  EXPECT_STREQ(joined, "");

  char project[260];
  SetProjectDir("");
  ASSERT_EQ(GetProjectDir(project), 0);
  struct stat st {};
  EXPECT_EQ(stat(project, &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  SetProjectDir("/srv/qrox");
  ASSERT_EQ(GetProjectDir(project), 0);
  EXPECT_STREQ(project, "/srv/qrox");
  SetProjectDir("");
}

// Sets an environment variable for the life of the guard.
class EnvGuard {
 public:
  EnvGuard(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    hadValue_ = old != nullptr;
    if (old) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~EnvGuard() {
    if (hadValue_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  bool hadValue_ = false;
  std::string old_;
};

std::string ProjectDir() {
  char dir[260] = "";
  EXPECT_EQ(GetProjectDir(dir), 0);
  return dir;
}

TEST(EngineFiles, DefaultFilesGoWhereTheUserMayWrite) {
  namespace fs = std::filesystem;
  const std::string root = TempDir();
  const std::string bin = root + "/bin";
  const std::string documents = root + "/home/Documents";
  fs::create_directories(bin);
  EnvGuard home("HOME", root + "/home");
  EnvGuard config("XDG_CONFIG_HOME", root + "/config");  // no user-dirs.dirs there
  SetProjectDir("");
  SetProgramDir(bin);

  // A private copy in a directory the user may write to keeps its files beside it.
  EXPECT_EQ(ProjectDir(), bin);

  // Installed (its data directory beside bin/): the user's working directory while
  // there is no documents directory, then the documents directory.
  fs::create_directories(root + "/share/qrox");
  EXPECT_EQ(ProjectDir(), fs::current_path().string());
  fs::create_directories(documents);
  EXPECT_EQ(ProjectDir(), documents);

  // A program directory nobody may write to: the documents directory as well.
  SetProgramDir(root + "/no-such-dir");
  EXPECT_EQ(ProjectDir(), documents);

  // Set explicitly, the project directory is taken as it is.
  SetProjectDir(root);
  EXPECT_EQ(ProjectDir(), root);

  SetProjectDir("");
  SetProgramDir("");
}

TEST(EngineFiles, ProgramFilesBesideTheProgramThenInTheDataDirectory) {
  namespace fs = std::filesystem;
  const std::string root = TempDir();
  const std::string bin = root + "/bin";
  const std::string data = root + "/share/qrox";
  fs::create_directories(bin);
  fs::create_directories(data);
  SetProgramDir(bin);
  char path[260] = "";

  WriteFile(data + "/probe.uir", "data");
  EXPECT_EQ(FindProgramFile("probe.uir", path), 2);
  EXPECT_TRUE(fs::equivalent(path, data + "/probe.uir")) << path;

  WriteFile(bin + "/probe.uir", "beside");
  EXPECT_EQ(FindProgramFile("probe.uir", path), 1);
  EXPECT_EQ(std::string(path), bin + "/probe.uir");

  // Found nowhere: the place beside the program, for the message.
  fs::remove(bin + "/probe.uir");
  fs::remove(data + "/probe.uir");
  EXPECT_EQ(FindProgramFile("probe.uir", path), 0);
  EXPECT_EQ(std::string(path), bin + "/probe.uir");
  // A directory of that name is no file.
  fs::create_directories(bin + "/probe.uir");
  EXPECT_EQ(FindProgramFile("probe.uir", path), 0);
  // A path too long for the program's buffers is never cut.
  EXPECT_EQ(FindProgramFile(std::string(300, 'x').c_str(), path), 0);
  EXPECT_STREQ(path, "");

  SetProgramDir("");
}

TEST(EngineFiles, DateAndTimeTexts) {
  SetFixedDateTime(2024, 3, 7, 9, 5, 4);
  EXPECT_STREQ(DateStr(), "03-07-2024");
  EXPECT_STREQ(TimeStr(), "09:05:04");
  ClearFixedDateTime();
  EXPECT_EQ(std::strlen(DateStr()), 10u);
  EXPECT_EQ(std::strlen(TimeStr()), 8u);
}

}  // namespace
