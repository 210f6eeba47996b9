// Serial ports on QSerialPort, on the GUI thread: blocking reads and writes with the
// port's time-out, queue flushes, the receive-count callback, and the watch of a port
// whose device went away.
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <map>

#include "engine/engine_internal.h"

namespace {

struct Port {
  QSerialPort* serial = nullptr;  // kept for the whole run, reopened as needed
  double timeout = 10.0;
  int eventMask = 0;
  int notifyCount = 1;
  ComCallbackPtr callback = nullptr;
  void* callbackData = nullptr;
  int blocking = 0;         // inside a blocking read or write of this port
  bool inCallback = false;  // the receive callback is running
  bool lost = false;        // the device went away; closed at the next safe moment
  bool checkQueued = false;
  bool watched = false;       // lost and closed: waiting for its device to return
  bool awayReported = false;  // COM_LINK_AWAY has been delivered for this loss
  ComOpenFailure failure;     // of the last open
  ComLatency latency;         // of the open port
  // The reply awaited: the bytes that wake the program (tty VMIN), the last write and how
  // long the line took per byte for the last complete reply (0: not known yet).
  int wakeCount = 0;
  double writtenAt = -1.0;
  int writtenBytes = 0;
  double seenByteTime = 0.0;
  QTimer* quietTimer = nullptr;  // ends the time the port is not watched
};

std::map<int, Port> g_ports;
ComLinkCallbackPtr g_linkCallback = nullptr;
double g_watchInterval = 0.25;

Port* OpenPort(int number) {
  auto it = g_ports.find(number);
  if (it == g_ports.end() || !it->second.serial || !it->second.serial->isOpen()) return nullptr;
  return &it->second;
}

// The open port, or the error a call on it reports.
int Usable(int number, Port** out) {
  *out = nullptr;
  if (number < 1) return kComInvalidPortNumber;
  Port* p = OpenPort(number);
  if (!p) return kComPortNotOpen;
  if (p->lost) return kComUnknownIOError;
  *out = p;
  return 0;
}

int KernelQueue(QSerialPort* serial) {
  int pending = 0;
  if (serial->handle() < 0 || ioctl(serial->handle(), FIONREAD, &pending) != 0) return 0;
  return pending;
}

int KernelOutQueue(QSerialPort* serial) {
  int pending = 0;
  if (serial->handle() < 0 || ioctl(serial->handle(), TIOCOUTQ, &pending) != 0) return 0;
  return pending;
}

int QueueLength(Port& p) {
  if (!p.serial->isOpen() || p.lost) return 0;
  return static_cast<int>(p.serial->bytesAvailable()) + KernelQueue(p.serial);
}

int RemainingMs(double deadline) {
  double left = deadline - Timer();
  return left <= 0 ? 0 : static_cast<int>(std::ceil(left * 1000.0));
}

bool Failed(const Port& p) {
  if (p.lost || !p.serial->isOpen()) return true;
  auto e = p.serial->error();
  return e == QSerialPort::ResourceError || e == QSerialPort::ReadError ||
         e == QSerialPort::WriteError;
}

struct BlockingGuard {
  explicit BlockingGuard(Port& p) : port(p) { ++port.blocking; }
  ~BlockingGuard() { --port.blocking; }
  Port& port;
};

QSocketNotifier* ReadNotifier(QSerialPort* serial) {
  const auto notifiers = serial->findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly);
  for (QSocketNotifier* n : notifiers)
    if (n->type() == QSocketNotifier::Read) return n;
  return nullptr;
}

// The awaited reply is complete: how long it took per byte, from the end of the write.
void NoteReplyPace(Port& p) {
  if (p.wakeCount <= 1 || p.writtenAt < 0 || QueueLength(p) < p.wakeCount) return;
  p.seenByteTime = (Timer() - p.writtenAt) / (p.writtenBytes + p.wakeCount);
  p.writtenAt = -1.0;
}

void ScheduleReceiveCheck(int number);
void WakeAfter(Port& p, int count);

// The tty wakes the program once VMIN bytes are in its own queue. Bytes the driver has
// already taken in (the start of a reply that followed one the callback read) count
// towards the notify count too: the tty is asked only for the rest.
void WakeForTheRest(Port& p) {
  const int rest = std::max(1, p.notifyCount - static_cast<int>(p.serial->bytesAvailable()));
  if (rest != p.wakeCount) WakeAfter(p, rest);
}

// Calls the receive callback while at least notify-count bytes wait. A callback that
// takes nothing is not called again until more bytes arrive.
void DeliverReceive(int number) {
  for (int round = 0; round < 1000; ++round) {
    Port* p = OpenPort(number);
    if (!p || p->lost || p->inCallback || p->blocking) return;
    if (!(p->eventMask & LWRS_RECEIVE) || !p->callback) return;
    int waiting = QueueLength(*p);
    if (waiting < std::max(1, p->notifyCount)) {
      WakeForTheRest(*p);
      return;
    }
    ComCallbackPtr callback = p->callback;
    void* data = p->callbackData;
    p->inCallback = true;
    callback(number, LWRS_RECEIVE, data);
    p->inCallback = false;
    if (!OpenPort(number) || QueueLength(*p) >= waiting) return;
  }
}

void ScheduleReceiveCheck(int number) {
  auto it = g_ports.find(number);
  if (it == g_ports.end() || it->second.checkQueued || !it->second.callback) return;
  if (!QCoreApplication::instance()) return;
  it->second.checkQueued = true;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [number] {
        auto found = g_ports.find(number);
        if (found == g_ports.end()) return;
        found->second.checkQueued = false;
        DeliverReceive(number);
      },
      Qt::QueuedConnection);
}

void NotifyLink(int number, int event) {
  if (g_linkCallback) g_linkCallback(number, event);
}

bool DevicePresent(int number) {
  const std::string device = GetPortDevice(number);
  return !device.empty() && access(engine::ResolveDevice(device).c_str(), F_OK) == 0;
}

void WatchTick();

QTimer* WatchTimer() {
  static QTimer* timer = [] {
    auto* t = new QTimer(QCoreApplication::instance());
    QObject::connect(t, &QTimer::timeout, [] { WatchTick(); });
    return t;
  }();
  return timer;
}

// The timer runs only while a lost port waits for its device.
void UpdateWatchTimer() {
  const bool any = std::any_of(g_ports.begin(), g_ports.end(),
                               [](const auto& entry) { return entry.second.watched; });
  QTimer* timer = WatchTimer();
  if (!any) {
    timer->stop();
  } else if (!timer->isActive()) {
    timer->start(static_cast<int>(g_watchInterval * 1000.0));
  }
}

void WatchTick() {
  if (!engine::AtRest()) return;  // a callback is running: look again at the next tick
  std::vector<int> watched;
  for (const auto& [number, p] : g_ports)
    if (p.watched) watched.push_back(number);
  for (int number : watched) {
    auto it = g_ports.find(number);
    if (it == g_ports.end() || !it->second.watched) continue;
    if (DevicePresent(number)) {
      NotifyLink(number, COM_LINK_RETURNED);
    } else if (!it->second.awayReported) {
      it->second.awayReported = true;
      NotifyLink(number, COM_LINK_AWAY);
    }
  }
  UpdateWatchTimer();
}

void CloseLostPort(int number) {
  auto it = g_ports.find(number);
  if (it == g_ports.end() || !it->second.lost) return;
  Port& p = it->second;
  if (p.serial->isOpen()) p.serial->close();
  p.callback = nullptr;
  p.eventMask = 0;
  p.watched = true;
  p.awayReported = false;
  UpdateWatchTimer();
  NotifyLink(number, COM_LINK_LOST);
}

// Whether the descriptor reports a hang-up: the device was unplugged or the other end of
// a pty closed.
bool HungUp(QSerialPort* serial) {
  if (serial->handle() < 0) return true;
  pollfd p{serial->handle(), POLLIN | POLLOUT, 0};
  if (poll(&p, 1, 0) < 0) return true;
  return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void OnError(int number, QSerialPort::SerialPortError error) {
  if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
      error != QSerialPort::WriteError)
    return;
  auto it = g_ports.find(number);
  if (it == g_ports.end() || it->second.lost) return;
  QSerialPort* serial = it->second.serial;
  if (!HungUp(serial)) {
    // A read that found nothing: the event loop reported the descriptor readable, but a
    // blocking read took the bytes first. The port is fine; keep it listening.
    serial->clearError();
    serial->setReadBufferSize(serial->readBufferSize());
    return;
  }
  // The device is gone. Close it outside the port's own signal handling; until then every
  // call reports the error (and a dead descriptor no longer wakes the loop).
  it->second.lost = true;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [number] { CloseLostPort(number); }, Qt::QueuedConnection);
}

// The end of the time a port is not watched. A device that went away meanwhile is
// noticed now, whatever the port's own notifications did while they were off.
void WatchAgain(int number) {
  Port* p = OpenPort(number);
  if (!p || p->lost) return;
  if (QSocketNotifier* reader = ReadNotifier(p->serial)) reader->setEnabled(true);
  if (HungUp(p->serial)) OnError(number, QSerialPort::ResourceError);
}

void OnReadyRead(int number) {
  Port* p = OpenPort(number);
  if (p) NoteReplyPace(*p);
  if (!p || p->blocking || p->inCallback) return;  // looked at again when that ends
  DeliverReceive(number);
}

// Lets the descriptor report itself readable only once `count` bytes have arrived (the tty's
// VMIN with VTIME 0), so a reply trickling in at the line's pace wakes the program once, not
// once per byte group. Reads stay non-blocking and still return what is there.
void WakeAfter(Port& p, int count) {
  p.wakeCount = std::clamp(count, 0, 255);
  termios t{};
  if (p.serial->handle() < 0 || tcgetattr(p.serial->handle(), &t) != 0) return;
  const auto vmin = static_cast<cc_t>(p.wakeCount);
  if (t.c_cc[VMIN] == vmin && t.c_cc[VTIME] == 0) return;
  t.c_cc[VMIN] = vmin;
  t.c_cc[VTIME] = 0;
  tcsetattr(p.serial->handle(), TCSANOW, &t);
}

// Seconds one character takes on the line: start bit, data bits, parity and stop bits.
double LineByteTime(const QSerialPort* s) {
  const double bits = 1 + s->dataBits() + (s->parity() == QSerialPort::NoParity ? 0 : 1) +
                      (s->stopBits() == QSerialPort::TwoStop ? 2 : 1);
  return s->baudRate() > 0 ? bits / s->baudRate() : 0.0;
}

// A tty wakes a program that waits on it for every group of bytes that comes in, even
// when it was told to wake only for a whole reply (VMIN). So after a request the port is
// not watched while the awaited reply cannot be complete yet: until the request and the
// reply have had the time they take on the line (plus half a millisecond), and never
// longer than the last reply took (a simulated line may run without pace).
void StayQuietWhileReplyTravels(Port& p) {
  if (p.wakeCount <= 1 || p.writtenAt < 0 || p.seenByteTime <= 0) return;
  const int bytes = p.writtenBytes + p.wakeCount;
  const double onLine = LineByteTime(p.serial) * bytes + 0.0005;
  const double seen = p.seenByteTime * bytes - 0.0005;
  const int ms = static_cast<int>((p.writtenAt + std::min(onLine, seen) - Timer()) * 1000.0);
  QSocketNotifier* reader = ReadNotifier(p.serial);
  if (ms < 2 || !reader || !reader->isEnabled()) return;
  reader->setEnabled(false);
  p.quietTimer->start(ms);
}

Port& PortFor(int number) {
  Port& p = g_ports[number];
  if (!p.serial) {
    p.serial = new QSerialPort();
    QObject::connect(p.serial, &QSerialPort::readyRead, [number] { OnReadyRead(number); });
    QObject::connect(p.serial, &QSerialPort::errorOccurred,
                     [number](QSerialPort::SerialPortError e) { OnError(number, e); });
    p.quietTimer = new QTimer(p.serial);
    p.quietTimer->setSingleShot(true);
    p.quietTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(p.quietTimer, &QTimer::timeout, [number] { WatchAgain(number); });
  }
  return p;
}

bool ValidSettings(long baudRate, int parity, int dataBits, int stopBits, int inQ, int outQ) {
  return baudRate > 0 && baudRate <= 4000000 && parity >= 0 && parity <= 4 && dataBits >= 5 &&
         dataBits <= 8 && (stopBits == 1 || stopBits == 2) && inQ >= 0 && outQ >= 0;
}

QSerialPort::Parity ToParity(int parity) {
  switch (parity) {
    case 1:
      return QSerialPort::OddParity;
    case 2:
      return QSerialPort::EvenParity;
    case 3:
      return QSerialPort::MarkParity;
    case 4:
      return QSerialPort::SpaceParity;
    default:
      return QSerialPort::NoParity;
  }
}

}  // namespace

namespace engine {

void CloseAllPorts() {
  for (auto& [number, p] : g_ports) {
    if (p.serial->isOpen()) p.serial->close();
    delete p.serial;
  }
  g_ports.clear();
  if (QCoreApplication::instance()) UpdateWatchTimer();
}

}  // namespace engine

int OpenComConfig(int portNumber, const char* deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize) {
  if (portNumber < 1 || portNumber > 255) return kComInvalidPortNumber;
  if (!ValidSettings(baudRate, parity, dataBits, stopBits, inputQueueSize, outputQueueSize))
    return kComInvalidParameter;
  if (!QCoreApplication::instance()) return kComUnknownSystemError;
  std::string device = deviceName && *deviceName ? deviceName : GetPortDevice(portNumber);
  if (device.empty()) return kComInvalidPortNumber;

  Port& p = PortFor(portNumber);
  if (p.serial->isOpen()) p.serial->close();
  const bool watched = p.watched;
  p.quietTimer->stop();
  Port fresh;
  fresh.serial = p.serial;
  fresh.quietTimer = p.quietTimer;
  p = fresh;
  QSerialPort* s = p.serial;
  s->setPortName(QString::fromStdString(engine::ResolveDevice(device)));
  s->setBaudRate(static_cast<qint32>(baudRate));
  s->setDataBits(static_cast<QSerialPort::DataBits>(dataBits));
  s->setParity(ToParity(parity));
  s->setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
  s->setFlowControl(QSerialPort::NoFlowControl);
  if (!s->open(QIODevice::ReadWrite)) {
    p.failure = engine::ProbeOpenFailure(device, s->error() == QSerialPort::PermissionError);
    p.watched = watched;  // a device that is not back yet stays watched
    s->clearError();
    return kComCannotOpenPort;
  }
  s->clearError();
  p.latency = engine::RequestLowLatency(s->handle(), device);
  UpdateWatchTimer();
  return 0;
}

ComOpenFailure GetComOpenFailure(int portNumber) {
  auto it = g_ports.find(portNumber);
  return it == g_ports.end() ? ComOpenFailure{} : it->second.failure;
}

ComLatency GetComLatency(int portNumber) {
  Port* p = OpenPort(portNumber);
  return p ? p->latency : ComLatency{};
}

void InstallComLinkCallback(ComLinkCallbackPtr callback) {
  g_linkCallback = callback;
}

void SetComWatchInterval(double seconds) {
  g_watchInterval = seconds > 0 ? seconds : 0.25;
  if (WatchTimer()->isActive()) WatchTimer()->start(static_cast<int>(g_watchInterval * 1000.0));
}

bool ComPortLost(int portNumber) {
  auto it = g_ports.find(portNumber);
  return it != g_ports.end() && (it->second.lost || it->second.watched);
}

int CloseCom(int portNumber) {
  if (portNumber < 1) return kComInvalidPortNumber;
  auto it = g_ports.find(portNumber);
  if (it == g_ports.end()) return kComPortNotOpen;
  Port& p = it->second;
  p.callback = nullptr;
  p.eventMask = 0;
  p.watched = false;  // the program gave the port up
  UpdateWatchTimer();
  if (!p.serial->isOpen()) return kComPortNotOpen;
  p.serial->close();
  p.lost = false;
  return 0;
}

int SetComTime(int portNumber, double timeoutSeconds) {
  Port* p = nullptr;
  if (int r = Usable(portNumber, &p)) return r;
  if (!(timeoutSeconds >= 0)) return kComInvalidParameter;
  p->timeout = timeoutSeconds;
  return 0;
}

int SetCTSMode(int portNumber, int mode) {
  Port* p = nullptr;
  if (int r = Usable(portNumber, &p)) return r;
  if (mode < 0 || mode > 1) return kComInvalidParameter;
  p->serial->setFlowControl(mode ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
  p->serial->clearError();  // a pty does not know hardware handshake
  return 0;
}

int ComWrt(int portNumber, const char* buffer, int count) {
  Port* p = nullptr;
  if (int r = Usable(portNumber, &p)) return r;
  if (count < 0 || (count > 0 && !buffer)) return kComInvalidParameter;
  if (count == 0) return 0;
  engine::TraceBytes("TX", buffer, count);
  QSerialPort* s = p->serial;
  int written = 0;
  {
    BlockingGuard guard(*p);
    qint64 queued = s->write(buffer, count);
    if (queued < 0) {
      written = kComUnknownIOError;
    } else {
      double deadline = Timer() + p->timeout;
      while (s->bytesToWrite() > 0 && !Failed(*p)) {
        int ms = RemainingMs(deadline);
        if (ms <= 0 || !s->waitForBytesWritten(ms)) break;
      }
      written = Failed(*p) ? kComUnknownIOError : count - static_cast<int>(s->bytesToWrite());
    }
  }
  if (written > 0) {
    p->writtenAt = Timer();
    p->writtenBytes = written;
    StayQuietWhileReplyTravels(*p);
  }
  ScheduleReceiveCheck(portNumber);
  return written;
}

int ComRd(int portNumber, char* buffer, int count) {
  Port* p = nullptr;
  if (int r = Usable(portNumber, &p)) return r;
  if (count < 0 || (count > 0 && !buffer)) return kComInvalidParameter;
  QSerialPort* s = p->serial;
  int got = 0;
  {
    BlockingGuard guard(*p);
    double deadline = Timer() + p->timeout;
    while (got < count) {
      qint64 n = s->read(buffer + got, count - got);
      if (n > 0) got += static_cast<int>(n);
      if (got >= count || Failed(*p)) break;
      int ms = RemainingMs(deadline);
      if (ms <= 0) break;
      s->waitForReadyRead(ms);
    }
  }
  engine::TraceBytes("RX", buffer, got);
  ScheduleReceiveCheck(portNumber);  // bytes that came in meanwhile may be due a callback
  if (got == 0 && count > 0 && p->lost) return kComUnknownIOError;
  return got;
}

// An empty queue is left alone: on a tty a flush waits for the kernel's buffer work, a
// sleep and a task switch each time, and the exchanges flush before and after every frame.
int FlushInQ(int portNumber) {
  Port* p = nullptr;
  if (int r = Usable(portNumber, &p)) return r;
  // Bytes already read into the driver's buffer and bytes still in the tty queue.
  if (QueueLength(*p) > 0) p->serial->clear(QSerialPort::Input);
  return 0;
}

int FlushOutQ(int portNumber) {
  Port* p = nullptr;
  if (int r = Usable(portNumber, &p)) return r;
  if (p->serial->bytesToWrite() > 0 || KernelOutQueue(p->serial) > 0)
    p->serial->clear(QSerialPort::Output);
  return 0;
}

int GetInQLen(int portNumber) {
  if (portNumber < 1) return kComInvalidPortNumber;
  Port* p = OpenPort(portNumber);
  return p ? QueueLength(*p) : 0;  // nothing waits on a closed port
}

int SetComWakeCount(int portNumber, int count) {
  Port* p = nullptr;
  if (int r = Usable(portNumber, &p)) return r;
  if (count < 0 || count > 255) return kComInvalidParameter;
  WakeAfter(*p, count);
  StayQuietWhileReplyTravels(*p);
  return 0;
}

int InstallComCallback(int portNumber, int eventMask, int notifyCount, int /*eventCharacter*/,
                       ComCallbackPtr callback, void* callbackData) {
  Port* p = nullptr;
  if (int r = Usable(portNumber, &p)) return r;
  if (notifyCount < 0) return kComInvalidParameter;
  if (eventMask == 0 || !callback) {
    p->eventMask = 0;
    p->callback = nullptr;
    p->callbackData = nullptr;
    WakeAfter(*p, 0);
    return 0;
  }
  p->eventMask = eventMask;
  p->notifyCount = std::max(1, notifyCount);
  WakeAfter(*p, (eventMask & LWRS_RECEIVE) ? p->notifyCount : 0);
  p->callback = callback;
  p->callbackData = callbackData;
  ScheduleReceiveCheck(portNumber);
  return 0;
}
