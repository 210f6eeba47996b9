// The serial-port drop-down: each port under its number, device and what the system
// knows about it.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/engine.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "support/app_fixture.h"
#include "support/line_support.h"
#include "support/test_files.h"

namespace {

TEST(PortLabel, ShowsDeviceProductSerialNumberAndById) {
  PortEntry usb{3, "/dev/ttyUSB0", "FT232R USB UART", "/dev/serial/by-id/usb-FTDI_A10K3ZX-if00",
                "A10K3ZX"};
  EXPECT_EQ(PortLabel(usb),
            "COM3: /dev/ttyUSB0 - FT232R USB UART, S/N A10K3ZX [usb-FTDI_A10K3ZX-if00]");
  PortEntry plain{1, "/dev/ttyS0", "", "", ""};
  EXPECT_EQ(PortLabel(plain), "COM1: /dev/ttyS0");
  // Given on the command line by its by-id name: the name is the device.
  PortEntry given{1, "/dev/serial/by-id/usb-x", "/dev/serial/by-id/usb-x",
                  "/dev/serial/by-id/usb-x", "77"};
  EXPECT_EQ(PortLabel(given), "COM1: /dev/serial/by-id/usb-x, S/N 77");
  PortEntry simulated{2, "/dev/pts/4", "Simulated sensor", "", ""};
  EXPECT_EQ(PortLabel(simulated), "COM2: /dev/pts/4 - Simulated sensor");
}

class PortListTest : public AppTest {
 protected:
  void SetUp() override { linetest::ClearGivenPorts(); }
  void TearDown() override {
    AppTest::TearDown();
    SetPortSource(nullptr);
    SetSerialByIdDir("");
  }
};

TEST_F(PortListTest, TheDropDownListsTheSystemsPortsAndTheSensor) {
  const std::string dir = TempDir();
  WriteFile(dir + "/dev/ttyUSB0", "");
  std::filesystem::create_directories(dir + "/by-id");
  std::filesystem::create_symlink(dir + "/dev/ttyUSB0", dir + "/by-id/usb-FTDI_A1-if00");
  SetSerialByIdDir(dir + "/by-id");
  SetPortSource([dir] {
    return std::vector<SystemPort>{{dir + "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A1"}};
  });
  LoadPanelsOnly();
  ASSERT_EQ(GetPortTable().size(), 1u);  // detected first, as at start-up
  SetPortDevice(2, "/dev/null", "Simulated sensor");
  com = 1;
  FillPortList();
  int count = 0;
  GetNumListItems(pHandle, MAIN_COMPORT, &count);
  ASSERT_EQ(count, 2);
  char label[256] = "";
  GetLabelFromIndex(pHandle, MAIN_COMPORT, 0, label, sizeof label);
  EXPECT_EQ(std::string(label),
            "COM1: " + dir + "/dev/ttyUSB0 - FT232R USB UART, S/N A1 [usb-FTDI_A1-if00]");
  GetLabelFromIndex(pHandle, MAIN_COMPORT, 1, label, sizeof label);
  EXPECT_STREQ(label, "COM2: /dev/null - Simulated sensor");
  // Filled again, the list is not doubled.
  FillPortList();
  GetNumListItems(pHandle, MAIN_COMPORT, &count);
  EXPECT_EQ(count, 2);
  SetPortDevice(2, "", "");
}

}  // namespace
