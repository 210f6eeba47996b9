// The sensor link on a real line: what to do when a port cannot be opened, a USB adapter
// that holds replies back, and the sensor unplugged and plugged in again.
#include <cerrno>
#include <cstring>
#include <set>
#include <string>

#include "engine/engine.h"
#include "gui/gui.h"
#include "service/journal.h"
#include "service/service.h"
#include "shell/shell.h"
#include "shell/status.h"

namespace {

constexpr char kDisconnected[] = "Sensor disconnected - waiting for it to return ...";
constexpr int kLatencyLimitMs = 2;

// Whether `now` differs from `before` in what both identifications read: a firmware text
// that one of them never read is no difference.
bool Differs(const SensorIdentity& before, const SensorIdentity& now) {
  if (before.hwtype != now.hwtype || before.ccdtype != now.ccdtype ||
      before.softversion != now.softversion)
    return true;
  return !before.firmware.empty() && !now.firmware.empty() && before.firmware != now.firmware;
}

SensorIdentity lastSensor;
SensorIdentity setUpSensor;  // of the last port set-up
bool reconnecting = false;
std::string lastNote;                   // of the last port set-up
std::set<std::string> latencyReported;  // latency-timer files already reported

std::string Describe(const SensorIdentity& s) {
  return "HW-type " + std::to_string(s.hwtype) + ", CCD-type " + std::to_string(s.ccdtype) +
         ", firmware " + std::to_string(s.softversion) + " \"" + s.firmware + "\"";
}

void ReportReconnection(bool lineOk, const SensorIdentity& before, const SensorIdentity& now) {
  if (!lineOk) {
    ShowLinkNote("The sensor's port is back, but the sensor does not answer.");
    return;
  }
  if (!now.known) {
    ShowLinkNote("Sensor reconnected; its identification failed.");
    return;
  }
  if (before.known && Differs(before, now)) {
    const std::string status = "Other sensor connected! HW-type " + std::to_string(before.hwtype) +
                               " -> " + std::to_string(now.hwtype);
    ShowStatus(status.c_str());
    ShowLinkNote(("Other sensor connected!\nBefore: " + Describe(before) + "\nNow: " +
                  Describe(now) + "\nPanels and parameters are those of the new sensor.")
                     .c_str());
    return;
  }
  ShowStatus("Sensor reconnected - Line Ok!");
  ShowLinkNote(("Sensor reconnected: " + Describe(now)).c_str());
}

// The port's device went away, is away while nothing runs, or is back.
void OnComLink(int port, int event) {
  if (port != com) return;
  switch (event) {
    case COM_LINK_LOST:
      stop_flag = 1;  // RUN, VIDEO, a recording and teach end on their next pass
      // Into szStatus too: a wait that ends now shows the buffer, not its last text.
      SetStatus(kDisconnected);
      ShowStatusBuffer();
      break;
    case COM_LINK_AWAY:
      SetStatus(kDisconnected);  // a loop that ended meanwhile may have replaced it
      ShowStatusBuffer();
      break;
    case COM_LINK_RETURNED:
      FillPortList();  // it may have come back under another device name
      ShowStatus("Sensor is back - Init COM-Port ...");
      reconnecting = true;
      InitRS232(com);
      reconnecting = false;
      break;
    default:
      break;
  }
}

std::string DeviceGroup(const ComOpenFailure& f) {
  return f.group.empty() || f.group == "root" ? "dialout" : f.group;
}

void ExplainOpenFailure(int port) {
  const ComOpenFailure f = GetComOpenFailure(port);
  if (f.error == EACCES || f.error == EPERM) {
    const std::string group = DeviceGroup(f);
    ShowLinkNote(("No permission to open " + f.device + ".\nIt belongs to the group " + group +
                  ": sudo usermod -aG " + group +
                  " $USER\nthen log out and in again (the new group counts only after a new "
                  "login).")
                     .c_str());
  } else if (f.error == EBUSY) {
    ShowLinkNote((f.device + " is in use by another program.").c_str());
  }
}

void ReportLatency(int port) {
  const ComLatency l = GetComLatency(port);
  if (l.latencyTimerMs <= kLatencyLimitMs || latencyReported.count(l.latencyTimerFile)) return;
  latencyReported.insert(l.latencyTimerFile);
  ShowLinkNote(("The USB adapter holds replies up to " + std::to_string(l.latencyTimerMs) +
                " ms (RUN slows down). Fix:\necho 1 | sudo tee " + l.latencyTimerFile)
                   .c_str());
}

}  // namespace

void ShowLinkNote(const char* text) {
  lastNote = text;
  ShowHelpBeside(pHandle, MAIN_COMPORT, MAIN_HELP2, 20, -80, text);
  TraceText("NOTE", OneLine(text));
}

std::string LinkNoteText() {
  return lastNote;
}

void RepeatLinkNote() {
  if (!lastNote.empty()) ShowLinkNote(lastNote.c_str());
}

namespace {

// A half of the parameter set that the port set-up did not read: its panel values are not
// the sensor's, and a SEND would write them.
void ReportUnreadHalves(const int halvesRead[2]) {
  if (halvesRead[0] && halvesRead[1]) return;
  const std::string halves = halvesRead[0] ? "half 1" : halvesRead[1] ? "half 0" : "halves 0 and 1";
  ShowLinkNote(("Parameter " + halves +
                " not read from RAM\n(Timeout-RS-232...): its panel values are\nstart values "
                "or those read before, not the\nsensor's. GET reads the set again.")
                   .c_str());
}

// The end of a port set-up: the hint that belongs to it, and after a reconnection whether
// the same sensor came back.
void OnPortSetUp(const PortSetUp& setUp) {
  lastNote.clear();
  setUpSensor = SensorIdentity{};
  ForgetKnownSets(setUp.lineOk == 1);
  if (setUp.openResult < 0) {
    ExplainOpenFailure(setUp.port);
    return;
  }
  ReportLatency(setUp.port);
  SensorIdentity now;
  now.known = setUp.hardwareOk == 1;
  now.hwtype = hwtype;
  now.ccdtype = ccdtype;
  now.softversion = softversion;
  now.firmware = setUp.firmware;
  if (reconnecting) ReportReconnection(setUp.lineOk == 1, lastSensor, now);
  if (now.known) lastSensor = now;
  setUpSensor = now;
  if (setUp.lineOk == 1) ReportUnreadHalves(setUp.halvesRead);
}

}  // namespace

SensorIdentity IdentifiedSensor() {
  return setUpSensor;
}

void WatchLink() {
  InstallComLinkCallback(OnComLink);
  WatchPortSetUps(OnPortSetUp);
}
