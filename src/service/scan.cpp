// The scan for sensors: every serial port of the port table and every device given, one
// at a time, with the echo check and the identification (hardware identification and
// firmware text), never a write. The identification read is shared with the report.
#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "service/batch.h"
#include "service/jsonresult.h"
#include "service/report.h"
#include "shell/globals.h"

namespace {

constexpr int FIRMWARE_BYTES = 72;

// The hardware identification (command 10) as the sensor sends it, without the model
// set-up of the start-up: 1 when a reply with the command echo 10 came.
int ReadHardwareFields(SensorDescriptor* d) {
  FillTxBuf(CMD_HARDWARE_INFO, 0, pp);
  FlushOutQ(com);
  FlushInQ(com);
  rx_flag = 0;
  WriteFrame();
  if (WaitReply(Timer(), UNTIL_SYNCED_REPLY) != WAIT_REPLY) return 0;
  if (GetWord(szReadBuf, 2) != CMD_HARDWARE_INFO) return 0;
  u16* fields[] = {&d->ccdtype,      &d->ccdmaxpixel, &d->ccdresolution, &d->pcbtype,
                   &d->ccdvirtpixel, &d->ccdsubpixel, &d->ccdpixB,       &d->ccdpixE,
                   &d->softversion,  &d->hwtype,      &d->adcmax};
  for (int i = 0; i < 11; ++i) *fields[i] = GetWord(szReadBuf, 4 + 2 * i);
  d->identified = true;
  return 1;
}

// The 72 bytes of the firmware text as text: a board of type 0 sends one character in the
// low byte of each word, the others the characters themselves; up to the first zero.
std::string FirmwareText(const char* bytes, u16 board) {
  std::string text;
  const int step = board == 0 ? 2 : 1;
  for (int i = step - 1; i < FIRMWARE_BYTES && bytes[i] != '\0'; i += step) text += bytes[i];
  return text;
}

// The firmware text (command 7), read raw with the receive callback off: 1 when exactly
// 72 bytes came.
int ReadFirmware(SensorDescriptor* d) {
  ReceiveCallbackOff();
  FlushInQ(com);
  FlushOutQ(com);
  FillTxBuf(CMD_FIRMWARE_INFO, 0, pp);
  WriteFrame();
  char bytes[FIRMWARE_BYTES];
  const bool came =
      WaitBytes(Timer(), FIRMWARE_BYTES) == WAIT_REPLY && GetInQLen(com) == FIRMWARE_BYTES;
  const bool read = came && ComRd(com, bytes, FIRMWARE_BYTES) == FIRMWARE_BYTES;
  ReceiveCallbackOn();
  FlushInQ(com);
  FlushOutQ(com);
  rx_flag = 0;
  if (!read) return 0;
  d->firmware = FirmwareText(bytes, d->pcbtype);
  d->firmwareRead = true;
  return 1;
}

// Opens port `number` as the start-up does and runs the echo check: 1 when it passed.
int OpenAndCheck(int number, std::string* note) {
  com = number;
  const int r = OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096);
  if (r < 0) {
    *note = ComErrorText(r);
    return 0;
  }
  SetComTime(com, TIMEOUT);
  FlushInQ(com);
  FlushOutQ(com);
  SetCTSMode(com, 0);
  ReceiveCallbackOn();
  return CheckComLine(com);
}

std::string RealPath(const std::string& device) {
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(device, ec);
  return ec ? device : real.string();
}

// The port table with the given devices added under numbers of their own; the simulated
// sensor's entry only when it runs.
std::vector<PortEntry> PortsToScan(const std::vector<std::string>& given) {
  std::vector<PortEntry> table = GetPortTable();
  int next = 1;
  for (const PortEntry& e : table) next = std::max(next, e.number + 1);
  for (const std::string& device : given) {
    const bool listed = std::any_of(table.begin(), table.end(), [&](const PortEntry& e) {
      return RealPath(e.device) == RealPath(device);
    });
    if (!listed) SetPortDevice(next++, device, device);
  }
  table = GetPortTable();
  std::erase_if(table, [](const PortEntry& e) { return e.device == "sim"; });
  return table;
}

std::string Describe(const ScannedPort& s) {
  if (!s.answered) return s.openError.empty() ? "no answer" : "no answer: " + s.openError;
  const SensorDescriptor& d = s.sensor;
  if (!d.identified) return "echo ok, no identification";
  char text[256];
  std::snprintf(text, sizeof text,
                "HW-type %u, PCB-type %u, CCD-type %u, softversion %u, %u sub-pixels, "
                "firmware \"%s\"",
                d.hwtype, d.pcbtype, d.ccdtype, d.softversion, d.ccdvirtpixel,
                d.firmwareRead ? d.firmware.c_str() : "(not read)");
  return text;
}

void PrintScan(const std::vector<ScannedPort>& ports) {
  int answered = 0;
  for (const ScannedPort& s : ports) {
    std::printf("COM%d  %s", s.port.number, s.port.device.c_str());
    if (!s.port.byId.empty()) std::printf("  %s", s.port.byId.c_str());
    if (!s.port.description.empty() && s.port.description != s.port.device)
      std::printf("  (%s)", s.port.description.c_str());
    std::printf("\n      %s\n", Describe(s).c_str());
    if (s.answered) ++answered;
  }
  std::printf("%d of %zu ports answered.\n", answered, ports.size());
}

}  // namespace

int ReadSensorDescriptor(SensorDescriptor* descriptor) {
  *descriptor = SensorDescriptor{};
  if (!ReadHardwareFields(descriptor)) return 0;
  ReadFirmware(descriptor);
  return 1;
}

QJsonObject PortJson(const PortEntry& port) {
  return {{"number", port.number},
          {"device", QString::fromStdString(port.device)},
          {"by_id", QString::fromStdString(port.byId)},
          {"usb_product", QString::fromStdString(port.description)},
          {"usb_serial", QString::fromStdString(port.serialNumber)}};
}

QJsonObject SensorJson(const SensorDescriptor& d) {
  QJsonObject o{{"hwtype", d.hwtype},
                {"pcbtype", d.pcbtype},
                {"softversion", d.softversion},
                {"ccdtype", d.ccdtype},
                {"ccdvirtpixel", d.ccdvirtpixel},
                {"ccdmaxpixel", d.ccdmaxpixel},
                {"ccdresolution", d.ccdresolution},
                {"ccdsubpixel", d.ccdsubpixel},
                {"ccdpixB", d.ccdpixB},
                {"ccdpixE", d.ccdpixE},
                {"adcmax", d.adcmax}};
  o["firmware"] = d.firmwareRead ? QJsonValue(QString::fromStdString(d.firmware)) : QJsonValue();
  return o;
}

std::vector<ScannedPort> ScanPorts(const std::vector<std::string>& given) {
  std::vector<ScannedPort> scanned;
  CloseCom(com);
  for (const PortEntry& port : PortsToScan(given)) {
    ScannedPort s;
    s.port = port;
    s.answered = OpenAndCheck(port.number, &s.openError) == 1;
    if (s.answered) ReadSensorDescriptor(&s.sensor);
    CloseCom(port.number);
    scanned.push_back(s);
  }
  return scanned;
}

int RunScan(const std::vector<std::string>& given) {
  const std::vector<ScannedPort> ports = ScanPorts(given);
  PrintScan(ports);
  QJsonArray list;
  bool anyAnswered = false;
  for (const ScannedPort& s : ports) {
    QJsonObject entry = PortJson(s.port);
    entry["answered"] = s.answered;
    if (!s.openError.empty()) entry["error"] = QString::fromStdString(s.openError);
    entry["sensor"] =
        s.answered && s.sensor.identified ? QJsonValue(SensorJson(s.sensor)) : QJsonValue();
    list.append(entry);
    anyAnswered = anyAnswered || s.answered;
  }
  JsonResultSet("ports", list);
  return anyAnswered ? BATCH_OK : BATCH_LINE_ERROR;
}
