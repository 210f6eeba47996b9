// The service report: everything the office needs to see and replay a field case of one
// sensor, read without a single write to the sensor and kept as a JSON file with a PDF
// beside it. The scan for sensors shares the identification read with it.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "engine/engine.h"
#include "files/files.h"
#include "service/service.h"
#include "service/stats.h"

// What the sensor says about itself: the hardware identification as sent (command 10,
// bytes 4-25) and the firmware text (command 7).
struct SensorDescriptor {
  bool identified = false;
  u16 ccdtype = 0, ccdmaxpixel = 0, ccdresolution = 0, pcbtype = 0, ccdvirtpixel = 0,
      ccdsubpixel = 0, ccdpixB = 0, ccdpixE = 0, softversion = 0, hwtype = 0, adcmax = 0;
  bool firmwareRead = false;
  std::string firmware;
};

// (scan.cpp) Both reads on the open port `com`; nothing is written to the sensor.
// 1 when the identification came (descriptor.identified), else 0.
int ReadSensorDescriptor(SensorDescriptor* descriptor);

// Both as JSON objects, for the report and the scan.
QJsonObject PortJson(const PortEntry& port);
QJsonObject SensorJson(const SensorDescriptor& descriptor);

// One port of the scan and what answered there.
struct ScannedPort {
  PortEntry port;
  bool answered = false;  // the echo check passed
  std::string openError;  // why the port did not open ("" when it did)
  SensorDescriptor sensor;
};
// Probes every serial port of the port table and every device of `given`, one at a time,
// with the echo check and the identification. The port left open before is closed.
std::vector<ScannedPort> ScanPorts(const std::vector<std::string>& given);
// The scan as the command line gives it: a table, or (json) one object on stdout.
// 0 when a sensor answered, 2 when none did.
int RunScan(const std::vector<std::string>& given);

// What a report asks for.
struct ReportRequest {
  std::string path;        // the JSON file; the PDF has the same name ending in .pdf
  int samples = 100;       // measurement frames of the sample
  std::string xflashFile;  // linearisation file to read the X-FLASH back against, or ""
};

// A report as read from the sensor.
struct ServiceReport {
  std::string time, user, host;
  PortEntry port;
  SensorDescriptor sensor;
  std::string layout;  // DEFAULT, D303 or MX400
  std::string wordNames[SET_WORDS];
  u16 ram[SET_WORDS] = {}, eeprom[SET_WORDS] = {};
  int ramGot[2] = {0, 0}, eepromGot[2] = {0, 0};
  LinkHealth health;
  int samplesAsked = 0;
  MeasurementStats stats;
  std::vector<double> values;  // the value in pixels of each frame, for the graph
  bool profileRead = false;
  u16 profile[256] = {};
  u16 videoThreshold = 0;  // in the units of the profile, as the video graph draws it
  bool xflashAsked = false;
  std::string xflashFile;
  XflashCheck xflash;
  bool xflashFileRead = false;
  bool journalKept = false;          // the journal of writes could be read
  std::vector<std::string> journal;  // its last entries for the sensor, as text
  QJsonArray journalJson;            // the same as --history --json gives them
  std::vector<std::string> missing;  // what the sensor did not give, in words

  bool Complete() const { return missing.empty(); }
  int Differences() const;  // words in which RAM and EEPROM (both read) differ
  bool Differs(int index) const;
};

// Reads the report from the sensor on `com`. The parameter set, the panels and the sensor
// stay as they were.
void GatherReport(const ReportRequest& request, ServiceReport* report);
// The report as JSON text and as a PDF.
QByteArray ReportJson(const ServiceReport& report);
QByteArray ReportPdf(const ServiceReport& report);
// The PDF's path for a report path: FILE.json -> FILE.pdf (FILE -> FILE.pdf).
std::string PdfPathFor(const std::string& jsonPath);
// Reads the report and writes both files; a file that cannot be written is not left
// half-written under its name. One of BatchExit: 0 complete, 1 the X-FLASH differs from
// the linearisation file, 2 incomplete, or not written. `summary` says so in one line.
int WriteServiceReport(const ReportRequest& request, std::string* summary);
// --report: writes the report and says so in one line (stderr when it failed).
int RunReport(const ReportRequest& request);
CTRL_CALLBACK(CC_BTNReport);
