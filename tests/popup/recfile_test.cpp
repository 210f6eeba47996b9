// The recorder file, byte for byte: header lines, the slope divisor rule, record lines,
// and appends that fail.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "com232/com232.h"
#include "engine/engine.h"
#include "popup/popup.h"
#include "support/app_fixture.h"
#include "support/rec_support.h"

namespace {

class RecFileTest : public AppTest {
 protected:
  void SetUp() override {
    LoadPanelsOnly();
    SetFixedDateTime(2005, 3, 14, 9, 26, 53);
    path = PathIn("RECORD.DAT");
    std::snprintf(rec_fname, sizeof rec_fname, "%s", path.c_str());
    hwtype = 37;
    softversion = 302;
    SetSlopeWord(16384);
    SetOffsetWord(30000);
    SetCtrlVal(pPopup, REC_INCREMENT, static_cast<unsigned short>(2));
    SetCtrlVal(pPopup, REC_SAMPLES, static_cast<unsigned short>(2));
  }
  // The header as the file format lays it out, with the given value texts.
  static std::string Header(const std::string& increment, const std::string& samples,
                            const std::string& offset, const std::string& slope) {
    return "Date:\t03-14-2005\r\n"
           "Time:\t09:26:53\r\n"
           "Time-Increment[s]:\t" +
           increment + "\r\nNumber of Samples:\t" + samples + "\r\nOffset-Value [\xB5m]:\t" +
           offset + "\r\nSlope-Value [\xB5m/pixel]:\t" + slope +
           "\r\nE-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]\r\n";
  }
  std::string path;
};

TEST_F(RecFileTest, HeaderAndRecordLinesAreByteExact) {
  ASSERT_EQ(writeFileHeader(), 0);
  Ledge = 412, Redge = 1630, Mvalue = 1021, edcnt = 2, umValue = 5312;
  ASSERT_EQ(WriteRecordLine(), 0);
  Ledge = 413, Redge = 1629, Mvalue = 1021, edcnt = 2, umValue = 5309;
  ASSERT_EQ(WriteRecordLine(), 0);
  const std::string expected = Header("2", "2", "30000", "1.0") +
                               "412\t1630\t1021\t2\t5312\r\n"
                               "413\t1629\t1021\t2\t5309\r\n";
  EXPECT_EQ(ReadFile(path), expected);
  // The micro sign is the single byte 0xB5, never a UTF-8 sequence.
  const std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes.find("\xC2\xB5"), std::string::npos);
  EXPECT_EQ(bytes.find("[\xB5m]"), bytes.find("Offset-Value [") + 13);
}

TEST_F(RecFileTest, SlopeDivisorRule) {
  struct Case {
    u16 hw, soft;
    u32 raw;
    const char* text;
  } cases[] = {
      {37, 302, 16384, "1.0"},    // old firmware: 16384 = 1.0
      {37, 303, 16384, "16.0"},   // firmware 303 and newer: 1024 = 1.0
      {500, 302, 16384, "16.0"},  // hwtype 500: 1024 = 1.0 whatever the firmware
      {400, 305, 1536, "1.5"},    // MX400 (firmware 305)
      {37, 302, 1, "0.000061035156"},
      {37, 302, 0, "0.0"},
      {55, 305, 0xFFFFFFFFu, "4194304.0"},  // stored as single precision
  };
  for (const Case& c : cases) {
    std::remove(path.c_str());
    hwtype = c.hw;
    softversion = c.soft;
    SetSlopeWord(c.raw);
    ASSERT_EQ(writeFileHeader(), 0);
    EXPECT_EQ(ReadFile(path), Header("2", "2", "30000", c.text))
        << "hwtype " << c.hw << " softversion " << c.soft << " raw " << c.raw;
  }
}

TEST_F(RecFileTest, SignedFormsOfHeaderValuesAndRecordFields) {
  // Settings above 32767 print as signed 16-bit numbers, the offset as signed 32-bit.
  SetCtrlVal(pPopup, REC_INCREMENT, static_cast<unsigned short>(40000));
  SetCtrlVal(pPopup, REC_SAMPLES, static_cast<unsigned short>(65535));
  SetOffsetWord(-1234567);
  ASSERT_EQ(writeFileHeader(), 0);
  // 16-bit fields zero-extended (65535, not -1); micrometres written as signed 32-bit.
  Ledge = 65535, Redge = 0, Mvalue = 32768, edcnt = 0, umValue = 0x80000000u;
  ASSERT_EQ(WriteRecordLine(), 0);
  EXPECT_EQ(ReadFile(path),
            Header("-25536", "-1", "-1234567", "1.0") + "65535\t0\t32768\t0\t-2147483648\r\n");
}

TEST_F(RecFileTest, AppendsToAnExistingFileAndReportsFailedAppends) {
  WriteFile(path, "x\r\n");
  ASSERT_EQ(writeFileHeader(), 0);
  EXPECT_EQ(ReadFile(path), "x\r\n" + Header("2", "2", "30000", "1.0"));

  // A directory in place of a file, and a path below a plain file: nothing can be
  // created there, and both writes report a negative error.
  const std::string plain = PathIn("plain.txt");
  WriteFile(plain, "data");
  std::snprintf(rec_fname, sizeof rec_fname, "%s/RECORD.DAT", plain.c_str());
  EXPECT_LT(writeFileHeader(), 0);
  EXPECT_LT(WriteRecordLine(), 0);
  std::snprintf(rec_fname, sizeof rec_fname, "%s", dir.c_str());
  EXPECT_LT(writeFileHeader(), 0);
  EXPECT_LT(WriteRecordLine(), 0);
  EXPECT_EQ(ReadFile(plain), "data");
}

}  // namespace
