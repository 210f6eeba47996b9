// The port table with a fake set of system ports and a fake by-id directory; opening
// through a by-id name; why an open failed; the low-latency request and the latency timer
// in a fake sysfs tree; the watch of a port whose device went away.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_fixture.h"
#include "support/events.h"
#include "support/line_support.h"
#include "support/test_files.h"

using namespace linetest;
namespace fs = std::filesystem;

namespace {

constexpr int kPort = 9;

class EnginePorts : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearGivenPorts();
    dir = TempDir();
    byId = dir + "/by-id";
    fs::create_directories(byId);
    SetSerialByIdDir(byId);
    SetPortSource([this] { return ports; });
  }
  void TearDown() override {
    CloseCom(kPort);
    SetPortDevice(kPort, "", "");
    InstallComLinkCallback(nullptr);
    SetComWatchInterval(0.25);
    SetPortSource(nullptr);
    SetSerialByIdDir("");
    SetSysfsRoot("");
    SetLowLatencyRequest(nullptr);
    for (int fd : fds) close(fd);
  }
  // A device file and a by-id link to it.
  std::string Device(const std::string& name, const std::string& idName = "") {
    const std::string path = dir + "/dev/" + name;
    WriteFile(path, "");
    if (!idName.empty()) Link(idName, path);
    return path;
  }
  void Link(const std::string& idName, const std::string& target) {
    const std::string link = byId + "/" + idName;
    fs::remove(link);
    fs::create_symlink(target, link);
  }
  // Opens a pty pair; returns the slave's path.
  std::string Pty(int* masterOut = nullptr, int* slaveOut = nullptr) {
    int master = -1, slave = -1;
    char name[256] = {};
    EXPECT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    fds.push_back(master);
    fds.push_back(slave);
    if (masterOut) *masterOut = master;
    if (slaveOut) *slaveOut = slave;
    return name;
  }
  const PortEntry* Find(const std::vector<PortEntry>& table, int number) {
    for (const auto& e : table)
      if (e.number == number) return &e;
    return nullptr;
  }
  std::string dir, byId;
  std::vector<SystemPort> ports;
  std::vector<int> fds;
};

TEST_F(EnginePorts, NumbersStayWithTheirDeviceWhileItGoesAndComesBack) {
  const std::string ftdi = Device("ttyUSB0", "usb-FTDI_FT232R_USB_UART_A10K3ZX-if00-port0");
  const std::string acm = Device("ttyACM0");
  ports = {{ftdi, "FT232R USB UART", "FTDI", "A10K3ZX"}, {acm, "", "Arduino", ""}};

  auto table = GetPortTable();
  ASSERT_EQ(table.size(), 2u);
  // First seen together: numbered in the order of their paths.
  const PortEntry* one = Find(table, 1);
  const PortEntry* two = Find(table, 2);
  ASSERT_TRUE(one && two);
  EXPECT_EQ(one->device, acm);
  EXPECT_EQ(one->description, "Arduino");  // no product name: the maker
  EXPECT_EQ(one->byId, "");
  EXPECT_EQ(two->device, ftdi);
  EXPECT_EQ(two->description, "FT232R USB UART");
  EXPECT_EQ(two->serialNumber, "A10K3ZX");
  EXPECT_EQ(two->byId, byId + "/usb-FTDI_FT232R_USB_UART_A10K3ZX-if00-port0");
  EXPECT_EQ(GetPortDevice(2), ftdi);

  // The adapter is pulled: its number is free but not given to the next new device.
  ports = {{acm, "", "Arduino", ""}};
  fs::remove(byId + "/usb-FTDI_FT232R_USB_UART_A10K3ZX-if00-port0");
  EXPECT_EQ(GetPortDevice(2), "");
  const std::string other = Device("ttyUSB1", "usb-Prolific_PL2303-if00-port0");
  ports.push_back({other, "PL2303 Serial Port", "Prolific", ""});
  table = GetPortTable();
  ASSERT_TRUE(Find(table, 3));
  EXPECT_EQ(Find(table, 3)->device, other);
  EXPECT_FALSE(Find(table, 2));

  // It comes back under another device name: same by-id name, same number.
  const std::string again = Device("ttyUSB2", "usb-FTDI_FT232R_USB_UART_A10K3ZX-if00-port0");
  ports.push_back({again, "FT232R USB UART", "FTDI", "A10K3ZX"});
  table = GetPortTable();
  ASSERT_TRUE(Find(table, 2));
  EXPECT_EQ(Find(table, 2)->device, again);
  EXPECT_EQ(Find(table, 1)->device, acm);
  EXPECT_EQ(Find(table, 3)->device, other);

  // A device given by its by-id name is listed once, under the given number, with what
  // the system knows about it.
  SetPortDevice(kPort, byId + "/usb-FTDI_FT232R_USB_UART_A10K3ZX-if00-port0", "given");
  table = GetPortTable();
  EXPECT_FALSE(Find(table, 2));
  ASSERT_TRUE(Find(table, kPort));
  EXPECT_EQ(Find(table, kPort)->serialNumber, "A10K3ZX");
  EXPECT_EQ(Find(table, kPort)->description, "given");
  EXPECT_EQ(table.size(), 3u);

  // A new source is a new machine: numbering starts afresh.
  SetPortSource([this] { return ports; });
  SetPortDevice(kPort, "", "");
  table = GetPortTable();
  EXPECT_EQ(Find(table, 1)->device, acm);
  EXPECT_EQ(Find(table, 2)->device, other);
  EXPECT_EQ(Find(table, 3)->device, again);
}

TEST_F(EnginePorts, OpensThroughAByIdNameAndReportsWhyAnOpenFailed) {
  int master = -1;
  const std::string slave = Pty(&master);
  Link("usb-QROX_sensor-if00", slave);
  SetPortDevice(kPort, byId + "/usb-QROX_sensor-if00", "by-id");
  ASSERT_EQ(OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096), 0);
  EXPECT_EQ(ComWrt(kPort, "ping", 4), 4);
  char got[8] = {};
  ASSERT_EQ(SetComTime(kPort, 0.5), 0);
  ssize_t n = 0;
  for (int i = 0; i < 50 && n < 4; ++i) {
    ssize_t r = read(master, got + n, 4 - n);
    if (r > 0) n += r;
    usleep(10000);
  }
  EXPECT_EQ(std::string(got, 4), "ping");
  EXPECT_EQ(GetComOpenFailure(kPort).error, 0);
  CloseCom(kPort);

  // A device without read/write permission for this process: EACCES and its group.
  ASSERT_EQ(chown(slave.c_str(), 0, 20), 0);
  ASSERT_EQ(chmod(slave.c_str(), 0), 0);
  {
    WithoutFileOverride noOverride;
    ASSERT_TRUE(noOverride.ok() || geteuid() != 0);
    EXPECT_EQ(OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096), kComCannotOpenPort);
  }
  ComOpenFailure f = GetComOpenFailure(kPort);
  EXPECT_EQ(f.error, EACCES);
  EXPECT_EQ(f.device, slave);
  EXPECT_EQ(f.group, "dialout");
  chmod(slave.c_str(), 0620);

  // A device that is not there.
  SetPortDevice(kPort, dir + "/dev/ttyGONE", "gone");
  EXPECT_EQ(OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096), kComCannotOpenPort);
  EXPECT_EQ(GetComOpenFailure(kPort).error, ENOENT);
}

TEST_F(EnginePorts, AsksForLowLatencyAndReadsTheAdaptersLatencyTimer) {
  const std::string slave = Pty();
  SetPortDevice(kPort, slave, "pty");
  const std::string sysfs = dir + "/sys";
  SetSysfsRoot(sysfs);
  const std::string timer =
      sysfs + "/bus/usb-serial/devices/" + fs::path(slave).filename().string() + "/latency_timer";

  // The driver of a pty refuses the request; no latency timer in sysfs.
  ASSERT_EQ(OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096), 0);
  ComLatency l = GetComLatency(kPort);
  EXPECT_FALSE(l.lowLatency);
  EXPECT_EQ(l.latencyTimerMs, -1);
  EXPECT_EQ(l.latencyTimerFile, "");

  // Refused, with an adapter whose timer holds replies 16 ms.
  WriteFile(timer, "16\n");
  ASSERT_EQ(OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096), 0);
  l = GetComLatency(kPort);
  EXPECT_FALSE(l.lowLatency);
  EXPECT_EQ(l.latencyTimerMs, 16);
  EXPECT_EQ(l.latencyTimerFile, timer);

  // Accepted: the request gets the port's own descriptor.
  int askedFd = -1;
  SetLowLatencyRequest([&](int fd) {
    askedFd = fd;
    return 0;
  });
  WriteFile(timer, "1\n");
  ASSERT_EQ(OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096), 0);
  l = GetComLatency(kPort);
  EXPECT_TRUE(l.lowLatency);
  EXPECT_EQ(l.latencyTimerMs, 1);
  ASSERT_GE(askedFd, 0);
  EXPECT_EQ(isatty(askedFd), 1);
  CloseCom(kPort);
  EXPECT_EQ(GetComLatency(kPort).latencyTimerMs, -1);  // nothing open
}

std::vector<std::pair<int, int>> g_events;
void RecordLink(int port, int event) {
  g_events.emplace_back(port, event);
}

int Count(int event) {
  int n = 0;
  for (const auto& e : g_events) n += e.second == event ? 1 : 0;
  return n;
}

TEST_F(EnginePorts, ALostPortIsWatchedUntilItsDeviceIsBack) {
  g_events.clear();
  InstallComLinkCallback(RecordLink);
  SetComWatchInterval(0.02);
  int master = -1, slaveFd = -1;
  const std::string link = dir + "/sensor";
  fs::create_symlink(Pty(&master, &slaveFd), link);
  SetPortDevice(kPort, link, "link");
  ASSERT_EQ(OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096), 0);
  EXPECT_FALSE(ComPortLost(kPort));
  Pump(0.1, Loop::AtRest);
  EXPECT_TRUE(g_events.empty());

  // Unplugged: both ends of the pty close and the link goes. Inside the program's event
  // processing only LOST comes.
  close(master);
  close(slaveFd);
  fds.clear();
  fs::remove(link);
  WaitUntil([] { return Count(COM_LINK_LOST) > 0; }, 2.0);
  ASSERT_EQ(g_events.size(), 1u);
  EXPECT_EQ(g_events[0], std::make_pair(kPort, COM_LINK_LOST));
  EXPECT_TRUE(ComPortLost(kPort));
  EXPECT_EQ(ComWrt(kPort, "x", 1), kComPortNotOpen);
  Pump(0.1);
  EXPECT_EQ(g_events.size(), 1u);

  // At rest: AWAY once, however long it stays away.
  ASSERT_TRUE(WaitUntil([] { return Count(COM_LINK_AWAY) > 0; }, 2.0, Loop::AtRest));
  Pump(0.1, Loop::AtRest);
  EXPECT_EQ(Count(COM_LINK_AWAY), 1);
  EXPECT_EQ(Count(COM_LINK_RETURNED), 0);

  // Plugged in again under the same link: RETURNED until the port is open again.
  fs::create_symlink(Pty(), link);
  ASSERT_TRUE(WaitUntil([] { return Count(COM_LINK_RETURNED) >= 2; }, 2.0, Loop::AtRest));
  EXPECT_EQ(g_events.back(), std::make_pair(kPort, COM_LINK_RETURNED));
  ASSERT_EQ(OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096), 0);
  EXPECT_FALSE(ComPortLost(kPort));
  const size_t seen = g_events.size();
  Pump(0.1, Loop::AtRest);
  EXPECT_EQ(g_events.size(), seen);
  EXPECT_EQ(ComWrt(kPort, "x", 1), 1);

  // A port the program closes is not watched any more.
  CloseCom(kPort);
  Pump(0.1, Loop::AtRest);
  EXPECT_EQ(g_events.size(), seen);
}

}  // namespace
