// Command frames, reply decoding, the parameter halves and the layout rule.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "com232/com232.h"

namespace {

std::vector<unsigned char> WrittenFrame() {
  return std::vector<unsigned char>(szWriteBuf, szWriteBuf + FRAME_LEN);
}

void PutReply(const std::vector<unsigned char>& bytes) {
  std::memset(szReadBuf, 0, sizeof szReadBuf);
  std::memcpy(szReadBuf, bytes.data(), bytes.size());
}

}  // namespace

TEST(Frames, CommandFrameIsBigEndianWithStartWord) {
  u16 words[15];
  for (int i = 0; i < 15; ++i) words[i] = static_cast<u16>(i + 1);
  EXPECT_EQ(FillTxBuf(2, 1, words), 15);
  std::vector<unsigned char> expected = {0x00, 0x55, 0x00, 0x02, 0x00, 0x01};
  for (int i = 1; i <= 15; ++i) {
    expected.push_back(0x00);
    expected.push_back(static_cast<unsigned char>(i));
  }
  EXPECT_EQ(WrittenFrame(), expected);

  words[0] = 0xABCD;
  words[14] = 0xFF01;
  FillTxBuf(0x0066, 248, words);
  const auto f = WrittenFrame();
  EXPECT_EQ(f[2], 0x00);
  EXPECT_EQ(f[3], 0x66);
  EXPECT_EQ(f[4], 0x00);
  EXPECT_EQ(f[5], 248);
  EXPECT_EQ(f[6], 0xAB);
  EXPECT_EQ(f[7], 0xCD);
  EXPECT_EQ(f[34], 0xFF);
  EXPECT_EQ(f[35], 0x01);
}

TEST(Frames, MeasurementReplyFillsSixteenWordsOtherRepliesFifteen) {
  std::vector<unsigned char> reply = {0x00, 0xAA, 0x00, 0x08};
  for (int i = 0; i < 16; ++i) {
    reply.push_back(static_cast<unsigned char>(i));
    reply.push_back(static_cast<unsigned char>(0x10 + i));
  }
  PutReply(reply);
  std::memset(pp, 0, sizeof pp);
  EXPECT_EQ(GetRxBuf(), 1);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pp[i], (i << 8) | (0x10 + i)) << i;

  std::vector<unsigned char> other = {0x00, 0xAA, 0x00, 0x02, 0x12, 0x34};
  for (int i = 0; i < 15; ++i) {
    other.push_back(0x01);
    other.push_back(static_cast<unsigned char>(i));
  }
  PutReply(other);
  pp[15] = 0x7777;
  EXPECT_EQ(GetRxBuf(), 0);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(pp[i], 0x0100 | i) << i;
  EXPECT_EQ(pp[15], 0x7777);  // the last word belongs to measurement frames only
}

TEST(ParameterSet, LayoutRule) {
  hwtype = 400;
  softversion = 305;
  EXPECT_EQ(LiveLayout(), LAYOUT_MX400);
  hwtype = 400;
  softversion = 100;
  EXPECT_EQ(LiveLayout(), LAYOUT_MX400);
  hwtype = 37;
  softversion = 302;
  EXPECT_EQ(LiveLayout(), LAYOUT_DEFAULT);
  softversion = 303;
  EXPECT_EQ(LiveLayout(), LAYOUT_D303);
  hwtype = 401;
  EXPECT_EQ(LiveLayout(), LAYOUT_D303);
  softversion = 0;
  hwtype = 37;
}

TEST(ParameterSet, HalvesCarryTheLiveLayoutAndTheCommonSecondHalf) {
  for (int i = 0; i < 64; ++i) parameter[i] = static_cast<u16>(1000 + i);
  hwtype = 55;
  softversion = 305;  // D303
  std::memset(pp, 0, sizeof pp);
  pp[15] = 42;
  CopyVarsToPP(0);
  for (int s = 0; s < 15; ++s) EXPECT_EQ(pp[s], 1018 + s);
  EXPECT_EQ(pp[15], 42);

  CopyVarsToPP(2);  // any non-zero half is half 1
  for (int i = 0; i < 11; ++i) EXPECT_EQ(pp[i], 1048 + i);
  EXPECT_EQ(pp[11], 1060);
  EXPECT_EQ(pp[14], 1063);

  // A GET of half 0 changes the live layout's words only.
  for (int s = 0; s < 15; ++s) pp[s] = static_cast<u16>(7 + s);
  CopyPPtoVars(0);
  for (int i = 0; i < 64; ++i) {
    const bool d303 = i >= 18 && i <= 32;
    EXPECT_EQ(parameter[i], d303 ? 7 + (i - 18) : 1000 + i) << i;
  }
  // Half 1: words 48..58 and 60..63; word 59 keeps its value.
  for (int s = 0; s < 15; ++s) pp[s] = static_cast<u16>(500 + s);
  pp[11] = 16384;
  pp[12] = 0;
  CopyPPtoVars(1);
  EXPECT_EQ(parameter[48], 500);
  EXPECT_EQ(parameter[58], 510);
  EXPECT_EQ(parameter[59], 1059);
  EXPECT_EQ(SlopeWord(), 16384u);
  EXPECT_EQ(parameter[63], 514);
  hwtype = 37;
  softversion = 0;
}

TEST(ParameterSet, MeasurementFrameDistribution) {
  for (int i = 0; i < 16; ++i) pp[i] = static_cast<u16>(i + 1);
  pp[3] = 2;
  pp[4] = 1;
  pp[5] = 700;
  hwtype = 400;
  CopyPPtoRAWVars();
  EXPECT_EQ(Ledge, 1);
  EXPECT_EQ(Redge, 2);
  EXPECT_EQ(Mvalue, 3);
  EXPECT_EQ(umValue, 65538u);
  EXPECT_EQ(parameter[9], 700);
  EXPECT_EQ(parameter[24], 700);
  EXPECT_EQ(parameter[39], 700);
  EXPECT_EQ(tol, 7);
  EXPECT_EQ(anaMax, 12);
  EXPECT_EQ(anaMin, 13);
  EXPECT_EQ(raw15, 16);
  hwtype = 37;
}

TEST(ParameterSet, OffsetIsSignedSlopeUnsigned) {
  SetOffsetWord(-5);
  EXPECT_EQ(parameter[62], 0xFFFB);
  EXPECT_EQ(parameter[63], 0xFFFF);
  EXPECT_EQ(OffsetWord(), -5);
  SetSlopeWord(0x80000001u);
  EXPECT_EQ(SlopeWord(), 0x80000001u);
  EXPECT_EQ(parameter[60], 1);
  EXPECT_EQ(parameter[61], 0x8000);
}

TEST(SerialErrors, OpenFailureTexts) {
  EXPECT_STREQ(ComErrorText(-1), "Unknown system error");
  EXPECT_STREQ(ComErrorText(-2), "Invalid port number");
  EXPECT_STREQ(ComErrorText(-3), "Port is not open");
  EXPECT_STREQ(ComErrorText(-4), "Unknown I/0 error");
  EXPECT_STREQ(ComErrorText(-6), "No serial port found");
  EXPECT_STREQ(ComErrorText(-7), "Cannot open port");
  EXPECT_STREQ(ComErrorText(-13), "Invalid parameter");
  EXPECT_STREQ(ComErrorText(-99), "Timeout");
  for (int r : {-5, -8, -12, -14, -98, -100}) EXPECT_STREQ(ComErrorText(r), "RS-232 error!") << r;
}
