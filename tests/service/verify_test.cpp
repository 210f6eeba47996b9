// SEND with and without the read-back against the simulated sensor: the designed two
// frames when the VERIFY check box is off, the read-back frames and "verified" when it is
// on, a sensor that keeps one word altered, and one that does not answer the read-back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com232/com232.h"
#include "operations/operations.h"
#include "service/service.h"
#include "shell/globals.h"
#include "support/app_fixture.h"
#include "support/ident_helpers.h"

using namespace identtest;

namespace {

class VerifyTest : public AppTest {
 protected:
  static void Radio(int control) {
    SetCtrlVal(pHandle, control, 1);
    CallCtrlCallback(pHandle, control, EVENT_VAL_CHANGED);
  }

  // SEND with the check box as given.
  static void Send(int verify) {
    SetCtrlVal(pHandle, MAIN_VERIFY, verify);
    CallCtrlCallback(pHandle, MAIN_SEND, EVENT_COMMIT);
  }

  void FailAfterRequests(int answered, int alteredWord = -1) {
    sim::Faults faults;
    faults.alterStoredWord = alteredWord;
    if (answered >= 0) faults.silentAfter = static_cast<int>(sensor->Received().size()) + answered;
    sensor->SetFaults(faults);
  }
};

}  // namespace

TEST_F(VerifyTest, TheCheckBoxIsOffAtStartAndSendIsThenUnchanged) {
  Start(sim::DefaultModel());
  EXPECT_EQ(IntOf(pHandle, MAIN_VERIFY), 0);
  CallCtrlCallback(pHandle, MAIN_SEND, EVENT_COMMIT);
  EXPECT_EQ(Status(), "Line Ok!");
  EXPECT_FALSE(sensor->WaitForFrames(3, 0.4));
  EXPECT_EQ(CommandsAndArguments(sensor->Received()),
            (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}}));
}

TEST_F(VerifyTest, SendToRamAndEepromIsReadBackAndVerified) {
  Start(sim::D303Model());
  SetCtrlVal(pPara2, PARA2_POWER, 321);
  Send(1);
  EXPECT_EQ(Status(), "SEND verified! - RAM holds all 30 words.");
  const auto frames = sensor->Received();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(CommandsAndArguments(frames),
            (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}, {2, 0}, {2, 1}}));
  // The read-back asks with the words just sent, as GET does.
  EXPECT_EQ(frames[2].bytes, FrameBytes(2, 0, SetWords(18, 15)));
  EXPECT_EQ(sensor->Model().ram[0][0], 321);

  sensor->ClearReceived();
  Radio(MAIN_EEPROM);
  Send(1);
  EXPECT_EQ(Status(), "SEND verified! - EEPROM holds all 30 words.");
  EXPECT_EQ(CommandsAndArguments(sensor->Received()),
            (std::vector<std::pair<int, int>>{{3, 0}, {3, 1}, {4, 0}, {4, 1}}));
  EXPECT_EQ(VerifySEND(EEPROM), VERIFY_OK);
}

TEST_F(VerifyTest, ASensorThatKeepsOneWordAlteredIsReported) {
  Start(sim::MX400Model());
  u16 before[64];
  FailAfterRequests(-1, 8);  // tolerance-low
  Send(1);
  EXPECT_EQ(Status(), "SEND verify failed: word 9 differs!");
  // The read-back leaves the set as sent.
  std::copy(parameter, parameter + 64, before);
  EXPECT_EQ(VerifySEND(RAM), VERIFY_DIFFERENT);
  EXPECT_TRUE(std::equal(before, before + 64, parameter));

  FailAfterRequests(-1, 27);  // slope, high word: in half 1
  Send(1);
  EXPECT_EQ(Status(), "SEND verify failed: word 28 differs!");

  char list[32];
  u16 a[30] = {}, b[30] = {};
  b[0] = b[6] = b[29] = 1;
  EXPECT_EQ(DifferingWords(a, b, list, sizeof list), 3);
  EXPECT_STREQ(list, "1, 7, 30");
}

TEST_F(VerifyTest, NoAnswerToTheReadBackIsNotVerified) {
  Start(sim::DefaultModel());
  FailAfterRequests(3);  // both SEND frames and the first read-back request
  Send(1);
  EXPECT_EQ(Status(), "SEND not verified: Timeout-RS-232...");
  EXPECT_EQ(sensor->Received().size(), 4u);
}

TEST_F(VerifyTest, RightClickOnTheCheckBoxShowsItsHelpText) {
  Start(sim::DefaultModel());
  CallCtrlCallback(pHandle, MAIN_VERIFY, EVENT_RIGHT_CLICK);
  EXPECT_EQ(Attr(pHandle, MAIN_HELP1, ATTR_VISIBLE), 1);
  EXPECT_EQ(TextOf(pHandle, MAIN_HELP1),
            "VERIFY:\nRead the parameter-frame back after SEND\nand compare it word by word.");
  EXPECT_EQ(IntOf(pHandle, MAIN_VERIFY), 0);
}
