// The measurement-frame request and the 64-word data blocks against the simulated
// sensor: wire frames byte for byte, decoding, block placement, time-outs, bad indices.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "com232/com232.h"
#include "engine/engine.h"
#include "shell/globals.h"
#include "shell/status.h"
#include "support/app_fixture.h"
#include "support/display_support.h"
#include "support/events.h"
#include "support/frame_bytes.h"

namespace {

using disptest::DistinctProfile;
using disptest::FramesWith;

class BlocksTest : public AppTest {
 protected:
  // Sets the faults so that the k-th request from now (0 = the next) gets no reply.
  void DropRequestFromNow(int k) {
    sim::Faults faults;
    faults.dropReplyNumber = static_cast<int>(sensor->Received().size()) + k;
    sensor->SetFaults(faults);
  }
};

TEST_F(BlocksTest, MeasurementFrameRequestedWithCurrentPacketAndDecoded) {
  StartApp(sim::DefaultModel());
  const std::array<uint16_t, 16> m = {100, 200, 150, 2,   1,  700, 10,  2,
                                      1,   2,   55,  900, 50, 0,   200, 7};
  sensor->FixMeasurement(m);
  for (int i = 0; i < 15; ++i) pp[i] = static_cast<u16>(0x1111 * (i % 15) + i);
  u16 sent[15];
  std::memcpy(sent, pp, sizeof sent);
  const size_t before = sensor->Received().size();

  ASSERT_EQ(PushGETRAW(), 1);
  EXPECT_EQ(graph_flag, 1);
  EXPECT_EQ(Status(), "Line Ok!");
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pp[i], m[i]) << "word " << i;
  EXPECT_EQ(parameter[1], CMD_MEAS_FRAME);
  EXPECT_EQ(parameter[2], 0);

  const auto frames = sensor->Received();
  ASSERT_EQ(frames.size(), before + 1);
  const sim::Frame& f = frames.back();
  EXPECT_EQ(f.bytes[0], 0x00);
  EXPECT_EQ(f.bytes[1], 0x55);
  EXPECT_EQ(f.command(), CMD_MEAS_FRAME);
  EXPECT_EQ(f.argument(), 0);
  for (int k = 0; k < 15; ++k) EXPECT_EQ(f.data(k), sent[k]) << "data word " << k;

  CopyPPtoRAWVars();
  EXPECT_EQ(Ledge, 100);
  EXPECT_EQ(Redge, 200);
  EXPECT_EQ(Mvalue, 150);
  EXPECT_EQ(umValue, 65538u);
  EXPECT_EQ(parameter[9], 700);
  EXPECT_EQ(parameter[24], 700);
  EXPECT_EQ(parameter[39], 700);
  EXPECT_EQ(anaMax, 900);
  EXPECT_EQ(anaMin, 50);
}

TEST_F(BlocksTest, MeasurementFrameTimeOutEndsLoopsOnlyAfterTimeout) {
  StartApp(sim::DefaultModel());
  // A reply with another command echo is not this request's answer: thrown away.
  sim::Faults faults;
  faults.wrongEchoFor = CMD_MEAS_FRAME;
  sensor->SetFaults(faults);
  stop_flag = 0;
  const double t0 = Timer();
  EXPECT_EQ(PushGETRAW(), 0);
  const double elapsed = Timer() - t0;
  EXPECT_GT(elapsed, TIMEOUT);
  EXPECT_LT(elapsed, TIMEOUT + 0.3);
  EXPECT_EQ(rx_flag, 0);
  EXPECT_EQ(graph_flag, 0);
  EXPECT_EQ(stop_flag, 1);
  EXPECT_EQ(Status(), "Timeout RS232-Line!");
}

TEST_F(BlocksTest, ProfileBlocksLandAtTheirWords) {
  StartApp(sim::DefaultModel());
  auto profile = DistinctProfile(3);
  profile[128] = 0x0102;  // bytes 0x01 0x02
  sensor->SetProfile(profile);
  std::fill(adcbuf, adcbuf + 256, 0xBEEF);
  const size_t before = sensor->Received().size();

  ReceiveCallbackOff();
  FlushInQ(com);
  for (u16 b = 0; b < 4; ++b) {
    ASSERT_EQ(ReadData64(static_cast<u16>(64 * b), 0), 1) << "block " << b;
    EXPECT_EQ(Status(), "Data[64] block received!");
    EXPECT_EQ(nBytesR, 128);
  }
  ReceiveCallbackOn();

  for (int k = 0; k < 256; ++k) ASSERT_EQ(adcbuf[k], profile[k]) << "word " << k;
  EXPECT_EQ(adcbuf[128], 258);
  EXPECT_EQ(parameter[1], CMD_DATA64);

  const auto frames = sensor->Received();
  ASSERT_EQ(frames.size(), before + 4);
  for (int b = 0; b < 4; ++b) {
    EXPECT_EQ(frames[before + b].bytes, FrameBytes(CMD_DATA64, static_cast<uint16_t>(64 * b)))
        << "request of block " << b;
  }
}

TEST_F(BlocksTest, WaitingStatusShownBeforeTheBlockArrives) {
  StartApp(sim::DefaultModel());
  sensor->SetProfile(DistinctProfile(9));
  sim::Faults faults;
  faults.replyDelay = 0.25;
  sensor->SetFaults(faults);
  std::string during;
  const size_t before = sensor->Received().size();
  DoWhen([&] { return sensor->Received().size() > before; }, [&] { during = Status(); });
  ReceiveCallbackOff();
  FlushInQ(com);
  EXPECT_EQ(ReadData64(128, 0), 1);
  ReceiveCallbackOn();
  EXPECT_EQ(during, "Waiting for Data[64] Block 2 ...");
  EXPECT_EQ(Status(), "Data[64] block received!");
  EXPECT_EQ(adcbuf[128], DistinctProfile(9)[128]);
  EXPECT_EQ(adcbuf[191], DistinctProfile(9)[191]);
}

TEST_F(BlocksTest, IndexThatIsNoBlockStartIsRefusedWithoutRequest) {
  StartApp(sim::DefaultModel());
  sensor->SetProfile(DistinctProfile(5));
  ReceiveCallbackOff();
  FlushInQ(com);
  std::fill(adcbuf, adcbuf + 256, 0x4242);
  SetStatus("before");
  ShowStatusBuffer();
  const size_t before = sensor->Received().size();
  for (u16 first :
       {u16{1}, u16{10}, u16{63}, u16{200}, u16{250}, u16{256}, u16{320}, u16{65472}, u16{65535}}) {
    EXPECT_EQ(ReadData64(first, 0), 0) << "first " << first;
  }
  Pump(0.05);
  ReceiveCallbackOn();
  EXPECT_EQ(sensor->Received().size(), before);  // nothing was requested
  for (int k = 0; k < 256; ++k) ASSERT_EQ(adcbuf[k], 0x4242) << "word " << k;
  EXPECT_EQ(Status(), "before");
}

TEST_F(BlocksTest, BlockTimeOutKeepsTheWordsAndTooManyBytesStoreNothing) {
  StartApp(sim::DefaultModel());
  const auto profile = DistinctProfile(11);
  sensor->SetProfile(profile);
  ReceiveCallbackOff();
  FlushInQ(com);
  ASSERT_EQ(ReadData64(64, 0), 1);
  std::fill(adcbuf + 128, adcbuf + 192, 0x7777);

  // No reply: time-out after TIMEOUT, block 2 keeps its words.
  DropRequestFromNow(0);
  const double t0 = Timer();
  EXPECT_EQ(ReadData64(128, 0), 0);
  EXPECT_GT(Timer() - t0, TIMEOUT);
  EXPECT_LT(Timer() - t0, TIMEOUT + 0.3);
  EXPECT_EQ(Status(), "Timeout-RS-232 while reading 64 data-words!");
  for (int k = 128; k < 192; ++k) ASSERT_EQ(adcbuf[k], 0x7777) << "word " << k;
  for (int k = 64; k < 128; ++k) ASSERT_EQ(adcbuf[k], profile[k]) << "word " << k;

  // A block with extra bytes after it: everything is read, nothing stored.
  sim::Faults faults;
  faults.extraAfter = 5;
  sensor->SetFaults(faults);
  EXPECT_EQ(ReadData64(128, 0), 0);
  EXPECT_EQ(nBytesR, 133);
  for (int k = 128; k < 192; ++k) ASSERT_EQ(adcbuf[k], 0x7777) << "word " << k;
  EXPECT_EQ(GetInQLen(com), 0);

  // A short block: the bytes that came are read and dropped after the time-out.
  faults = {};
  faults.truncateTo = 100;
  sensor->SetFaults(faults);
  EXPECT_EQ(ReadData64(128, 0), 0);
  EXPECT_EQ(nBytesR, 100);
  EXPECT_EQ(Status(), "Timeout-RS-232 while reading 64 data-words!");
  for (int k = 128; k < 192; ++k) ASSERT_EQ(adcbuf[k], 0x7777) << "word " << k;
  ReceiveCallbackOn();
}

// A sensor unplugged while its block is awaited, the loss reported during the wait: the
// wait ends at once, and the status line keeps saying that the sensor has gone instead of
// claiming a time-out.
TEST_F(BlocksTest, UnplugDuringABlockIsReportedAsSuchNotAsATimeOut) {
  constexpr char kDisconnected[] = "Sensor disconnected - waiting for it to return ...";
  StartApp(sim::DefaultModel());
  ReceiveCallbackOff();
  FlushInQ(com);
  std::fill(adcbuf + 64, adcbuf + 128, 0x5151);
  sim::Faults faults;
  faults.replyDelay = 0.5;
  sensor->SetFaults(faults);
  const size_t before = sensor->Received().size();
  DoWhen([&] { return sensor->Received().size() > before; },
         [&] {
           sensor->Unplug();
           WaitUntil([&] { return Status() == kDisconnected; }, 1.0);
         });
  const double t0 = Timer();
  EXPECT_EQ(ReadData64(64, 0), 0);
  EXPECT_LT(Timer() - t0, TIMEOUT);
  EXPECT_EQ(Status(), kDisconnected);
  for (int k = 64; k < 128; ++k) ASSERT_EQ(adcbuf[k], 0x5151) << "word " << k;
  ReceiveCallbackOn();
}

TEST_F(BlocksTest, LateBlockBeforeTimeOutIsTakenAfterItIsNot) {
  StartApp(sim::DefaultModel());
  const auto profile = DistinctProfile(21);
  sensor->SetProfile(profile);
  ReceiveCallbackOff();
  FlushInQ(com);
  std::fill(adcbuf, adcbuf + 256, 0);

  sim::Faults faults;
  faults.replyDelay = 1.4;
  sensor->SetFaults(faults);
  EXPECT_EQ(ReadData64(0, 0), 1);
  EXPECT_EQ(adcbuf[0], profile[0]);
  EXPECT_EQ(adcbuf[63], profile[63]);

  faults.replyDelay = 1.6;
  sensor->SetFaults(faults);
  EXPECT_EQ(ReadData64(192, 0), 0);
  EXPECT_EQ(Status(), "Timeout-RS-232 while reading 64 data-words!");
  EXPECT_EQ(adcbuf[192], 0);
  Pump(0.2);  // the late block arrives and is flushed by the next request
  ReceiveCallbackOn();
}

}  // namespace
