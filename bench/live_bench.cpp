// Benchmark of the live measurement: RUN and VIDEO against the simulated sensor, paced
// like the real 19200-baud line with a 1 ms sensor turnaround, each figure printed beside
// the limit the line allows. The sensor runs as a separate process (qrox-sim), so the
// CPU time measured is the program's own. RUN is measured with the statistics window
// closed and again open; --stats is timed on a recorder file of a million lines. Runs
// offscreen unless a platform is set.
//
//   qrox_bench [--seconds S] [--frames N] [--sim PATH]
//
// --seconds: length of the RUN and of the VIDEO measurement (default 20)
// --frames:  frames of the unpaced memory run (default 30000)
// --sim:     the qrox-sim program (default: beside qrox_bench)
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPixmapCache>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "com232/com232.h"
#include "display/display.h"
#include "engine/engine.h"
#include "engine/engine_qt.h"
#include "service/service.h"
#include "service/statistics.h"
#include "shell/globals.h"
#include "shell/shell.h"

namespace {

constexpr double kBaud = 19200.0;
constexpr double kTurnaround = 0.001;
constexpr double kByteTime = 10.0 / kBaud;

struct SimProcess {
  pid_t pid = -1;
  std::string pty;
};

// Starts qrox-sim and reads the pty path from its first line of output.
SimProcess StartSim(const std::string& program, bool paced) {
  int out[2];
  SimProcess sim;
  if (pipe(out) != 0) return sim;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    if (paced) {
      execl(program.c_str(), program.c_str(), "--model", "default", "--turnaround", "0.001",
            static_cast<char*>(nullptr));
    } else {
      execl(program.c_str(), program.c_str(), "--model", "default", "--no-pacing", "--turnaround",
            "0", static_cast<char*>(nullptr));
    }
    _exit(127);
  }
  close(out[1]);
  std::string line;
  char c = 0;
  while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  sim.pid = pid;
  sim.pty = line;
  return sim;
}

void StopSim(SimProcess& sim) {
  if (sim.pid <= 0) return;
  kill(sim.pid, SIGTERM);
  waitpid(sim.pid, nullptr, 0);
  sim.pid = -1;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
         u.ru_stime.tv_usec / 1e6;
}

double PeakRssMiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024.0;
}

double RssMiB() {
  long pages = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0.0;
  if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(f);
  return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Frames received since `from`: the sensor numbers its measurement frames in word 15.
int FramesSince(u16 from) {
  return static_cast<u16>(raw15 - from);
}

// Processes events for `seconds`.
void Settle(double seconds) {
  const double t0 = Timer();
  while (Timer() - t0 < seconds) ProcessEventsUntil(t0 + seconds);
}

struct LoopFigures {
  double rate = 0.0;  // frames or passes per second
  double cpuPerSecond = 0.0;
  int count = 0;
};

// Runs RUN or VIDEO for `seconds` and measures it.
LoopFigures MeasureLoop(int button, double seconds) {
  QTimer::singleShot(static_cast<int>(seconds * 1000),
                     [] { CallCtrlCallback(pHandle, MAIN_STOP, EVENT_COMMIT); });
  // Frames are counted by the sensor's own frame numbers, from one fetched just before.
  Settle(0.3);
  PushGETRAW();
  CopyPPtoRAWVars();
  Settle(0.1);
  const u16 first = raw15;
  const double cpu0 = CpuSeconds();
  const double t0 = Timer();
  CallCtrlCallback(pHandle, button, EVENT_COMMIT);
  const double wall = Timer() - t0;
  LoopFigures f;
  f.count = FramesSince(first);
  f.rate = f.count / wall;
  f.cpuPerSecond = (CpuSeconds() - cpu0) / wall;
  return f;
}

// The simulator's own pace: a bare client that sends measurement requests back to back on
// the pty and reads each 36-byte reply, with no program around it. Frames per second.
double BareClientRate(const std::string& pty, double seconds) {
  const int fd = open(pty.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return 0.0;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  unsigned char request[36] = {0x00, 0x55, 0x00, 0x08};
  const double t0 = Timer();
  int frames = 0;
  while (Timer() - t0 < seconds) {
    if (write(fd, request, sizeof request) != static_cast<ssize_t>(sizeof request)) break;
    unsigned char reply[64];
    int got = 0;
    while (got < 36) {
      const ssize_t n = read(fd, reply + got, sizeof reply - got);
      if (n <= 0) break;
      got += static_cast<int>(n);
    }
    if (got < 36) break;
    ++frames;
  }
  const double rate = frames / (Timer() - t0);
  close(fd);
  return rate;
}

// Counts the paint events of graph controls.
struct PaintCounter : QObject {
  int count = 0;
  void Watch(int control) { CtrlWidget(pHandle, control)->installEventFilter(this); }
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

// One frame drawn as RUN draws it (bar graph and rolling graph), and the repaint that
// follows, timed together. Returns milliseconds per frame (mean and worst) and, when asked,
// the CPU milliseconds per frame.
void MeasureDrawing(int frames, double* meanMs, double* worstMs, double* cpuMs = nullptr) {
  PaintCounter paints;
  paints.Watch(MAIN_BAR_GRAPH);
  paints.Watch(MAIN_ROLL_GRAPH);
  SetCtrlAttribute(pHandle, MAIN_VIDEO_GRAPH, ATTR_VISIBLE, 0);
  SetCtrlAttribute(pHandle, MAIN_ROLL_GRAPH, ATTR_VISIBLE, 1);
  QCoreApplication::processEvents();
  double total = 0.0, worst = 0.0;
  const double cpu0 = CpuSeconds();
  for (int i = 0; i < frames; ++i) {
    const u16 value = static_cast<u16>(1800 + (i * 37) % 400);
    const u16 words[16] = {value, static_cast<u16>(value + 300),
                           value, 0,
                           0,     2000,
                           100,   2,
                           1,     2,
                           0,     2300,
                           1700,  0,
                           200,   static_cast<u16>(i)};
    std::memcpy(pp, words, sizeof words);
    const int before = paints.count;
    const double t0 = Timer();
    CopyPPtoRAWVars();
    PlotLiveBarAndRollGraphs();
    // The queued redraws and the paint of both graphs they ask for.
    for (int k = 0; k < 10 && paints.count < before + 2; ++k) QCoreApplication::processEvents();
    const double t = Timer() - t0;
    total += t;
    worst = std::max(worst, t);
  }
  if (cpuMs) *cpuMs = 1000.0 * (CpuSeconds() - cpu0) / frames;
  *meanMs = 1000.0 * total / frames;
  *worstMs = 1000.0 * worst;
}

// What the statistics window adds to a second of RUN: counting `rate` frames (the drawing
// of a frame timed with and without the window) and the showings of its figures.
double StatisticsCostPerSecond(double rate, double* showMs) {
  double closedMs = 0.0, openMs = 0.0, worst = 0.0;
  MeasureDrawing(300, &closedMs, &worst);
  CallCtrlCallback(pHandle, MAIN_STATISTICS, EVENT_COMMIT);
  MeasureDrawing(300, &openMs, &worst);
  const int showings = 40;
  const double t0 = Timer();
  for (int i = 0; i < showings; ++i) {
    ShowStatisticsNow();
    QCoreApplication::processEvents();
  }
  const double showSeconds = (Timer() - t0) / showings;
  *showMs = 1000.0 * showSeconds;
  CallCtrlCallback(pStats, STATS_CLOSE, EVENT_COMMIT);
  return rate * std::max(0.0, openMs - closedMs) / 1000.0 + showSeconds / kStatisticsShowInterval;
}

// The command line's --stats on a recorder file of `lines` record lines: wall seconds.
double RecorderFileStatsSeconds(const std::string& dir, const std::string& program, int lines) {
  const std::string path = dir + "/BIG.DAT";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return -1.0;
  std::fputs(
      "Date:\t03-14-2005\r\nTime:\t09:26:53\r\nTime-Increment[s]:\t0\r\n"
      "Number of Samples:\t-1\r\nOffset-Value [\xB5m]:\t30000\r\n"
      "Slope-Value [\xB5m/pixel]:\t16.0\r\nE-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]\r\n",
      f);
  for (int i = 0; i < lines; ++i)
    std::fprintf(f, "%d\t%d\t%d\t2\t%d\r\n", 400 + i % 97, 1600 + i % 89, 1000 + i % 83,
                 123456 + i % 1009);
  std::fclose(f);
  const std::string command = program + " --stats " + path + " --json --limits 990,1090 >/dev/null";
  const double t0 = Timer();
  const int status = std::system(command.c_str());
  const double seconds = Timer() - t0;
  std::filesystem::remove(path);
  return status == 0 ? seconds : -1.0;
}

void Row(const char* figure, const std::string& measured, const std::string& limit,
         const char* verdict) {
  std::printf("| %-46s | %-16s | %-32s | %-4s |\n", figure, measured.c_str(), limit.c_str(),
              verdict);
}

const char* Verdict(bool ok) {
  return ok ? "yes" : "NO";
}

// The resident size when a long run reached a number of frames (rss 0 until then).
struct MemoryMark {
  int frames;
  double rss;
  bool Reached() const { return rss > 0.0; }
};

std::string Num(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 20.0;
  int memoryFrames = 30000;
  std::string simProgram = (std::filesystem::path(argv[0]).parent_path() / "qrox-sim").string();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (arg == "--frames" && i + 1 < argc) {
      memoryFrames = std::atoi(argv[++i]);
    } else if (arg == "--sim" && i + 1 < argc) {
      simProgram = argv[++i];
    } else {
      std::fprintf(stderr, "usage: qrox_bench [--seconds S] [--frames N] [--sim PATH]\n");
      return 2;
    }
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (InitCVIRTE(argc, argv) == 0) return 1;

  SimProcess paced = StartSim(simProgram, true);
  if (paced.pty.empty()) {
    std::fprintf(stderr, "qrox_bench: cannot start %s\n", simProgram.c_str());
    return 1;
  }
  const double bareRate = BareClientRate(paced.pty, std::min(seconds, 5.0));
  char tmpl[] = "/tmp/qrox-bench-XXXXXX";
  const std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp";
  SetProjectDir(dir);
  SetPortDevice(1, paced.pty, "Simulated sensor");

  // Start-up to the identified sensor: panels, echo check, identification, both halves
  // of the parameter set and the firmware text.
  const double s0 = Timer();
  const std::string uir = std::string(QROX_RESOURCE_DIR) + "/" + UIR_FILE;
  if (ServiceLoadPanels(uir.c_str()) < 0) {
    std::fprintf(stderr, "qrox_bench: cannot load %s\n", uir.c_str());
    StopSim(paced);
    return 1;
  }
  ServiceInstallCallbacks();
  ServiceStartUp();
  const double startup = Timer() - s0;
  if (HWTYPE == 0) {
    std::fprintf(stderr, "qrox_bench: the sensor was not identified\n");
    StopSim(paced);
    return 1;
  }
  const double rssStart = RssMiB();

  // The program idle between two actions: the event processing alone.
  Settle(0.5);  // the first paint of the panels after the start-up
  const double idleCpu0 = CpuSeconds(), idleWall0 = Timer();
  Settle(3.0);
  const double idleCpu = (CpuSeconds() - idleCpu0) / (Timer() - idleWall0);

  const LoopFigures run = MeasureLoop(MAIN_RUN, seconds);
  // As a person would: a moment passes before the next button, so that the reply to
  // the request RUN had outstanding when it stopped has arrived and is discarded.
  Settle(0.3);
  const LoopFigures video = MeasureLoop(MAIN_VIDEO, seconds);
  Settle(0.3);
  // RUN again with the statistics window open.
  CallCtrlCallback(pHandle, MAIN_STATISTICS, EVENT_COMMIT);
  Settle(0.3);
  const LoopFigures runStats = MeasureLoop(MAIN_RUN, seconds);
  CallCtrlCallback(pStats, STATS_CLOSE, EVENT_COMMIT);
  Settle(0.3);

  // Memory over a long RUN, against an unpaced sensor so that it takes seconds.
  SimProcess fast = StartSim(simProgram, false);
  CloseCom(com);
  SetPortDevice(1, fast.pty, "Simulated sensor");
  InitRS232(1);
  // One frame first, so that the frame number counts from this sensor's numbering.
  PushGETRAW();
  CopyPPtoRAWVars();
  // RSS at 1 000, 10 000 and 20 000 frames, taken when the run gets there.
  std::vector<MemoryMark> marks = {{1000, 0.0}, {10000, 0.0}, {20000, 0.0}};
  double rssEnd = 0.0;
  const u16 memFirst = raw15;
  auto* watch = new QTimer();
  watch->setInterval(2);
  QObject::connect(watch, &QTimer::timeout, [&] {
    const int n = FramesSince(memFirst);
    for (MemoryMark& m : marks)
      if (!m.Reached() && n >= m.frames) m.rss = RssMiB();
    if (n >= memoryFrames) {
      watch->stop();
      CallCtrlCallback(pHandle, MAIN_STOP, EVENT_COMMIT);
    }
  });
  watch->start();
  const double m0 = Timer();
  CallCtrlCallback(pHandle, MAIN_RUN, EVENT_COMMIT);
  const double memWall = Timer() - m0;
  const int memCount = FramesSince(memFirst);
  rssEnd = RssMiB();
  delete watch;

  double drawMean = 0.0, drawWorst = 0.0, drawCpu = 0.0;
  MeasureDrawing(500, &drawMean, &drawWorst, &drawCpu);
  double showMs = 0.0;
  const double statsCost = StatisticsCostPerSecond(run.rate, &showMs);
  const std::string qrox = (std::filesystem::path(argv[0]).parent_path() / "qrox").string();
  const double fileStats = RecorderFileStatsSeconds(dir, qrox, 1000000);

  const double runLimit = 1.0 / (72 * kByteTime + kTurnaround);
  const double runLimit0 = 1.0 / (72 * kByteTime);
  const double videoLimit = 1.0 / (728 * kByteTime + 5 * kTurnaround);

  const double bareShare = bareRate > 0 ? run.rate / bareRate : 0.0;
  std::printf("\nLive measurement against qrox-sim, %.0f baud, %.0f ms turnaround, %.0f s each\n\n",
              kBaud, kTurnaround * 1000, seconds);
  Row("figure", "measured", "limit / target", "ok");
  Row("----------------------------------------------", "----------------",
      "--------------------------------", "----");
  Row("RUN frames per second", Num(run.rate, 2),
      Num(runLimit, 2) + " (" + Num(runLimit0, 1) + " at 0 ms)", "-");
  Row("RUN in % of a bare pty client, same sensor", Num(100.0 * bareShare, 1) + " %",
      ">= 98 % of " + Num(bareRate, 2) + "/s", Verdict(bareShare >= 0.98));
  Row("RUN in % of the line limit", Num(100.0 * run.rate / runLimit, 1) + " %", "-", "-");
  Row("VIDEO passes per second", Num(video.rate, 3), Num(videoLimit, 2), "-");
  Row("VIDEO in % of the line limit", Num(100.0 * video.rate / videoLimit, 1) + " %", ">= 97 %",
      Verdict(video.rate >= 0.97 * videoLimit));
  Row("CPU seconds per second during RUN", Num(run.cpuPerSecond, 3), "<= 0.030",
      Verdict(run.cpuPerSecond <= 0.03));
  Row("CPU seconds per second during VIDEO", Num(video.cpuPerSecond, 3), "<= 0.030",
      Verdict(video.cpuPerSecond <= 0.03));
  Row("CPU s/s during RUN, statistics window open", Num(runStats.cpuPerSecond, 3),
      "<= closed + 0.005 (" + Num(run.cpuPerSecond + 0.005, 3) + ")",
      Verdict(runStats.cpuPerSecond <= run.cpuPerSecond + 0.005));
  Row("statistics window per second of RUN (timed)", Num(statsCost, 4),
      "<= 0.005 (a showing " + Num(showMs, 2) + " ms)", Verdict(statsCost <= 0.005));
  Row("--stats, recorder file of 1 000 000 lines", Num(fileStats, 2) + " s", "< 2 s",
      Verdict(fileStats >= 0.0 && fileStats < 2.0));
  Row("CPU seconds per second, idle between actions", Num(idleCpu, 4), "0 (< 0.0005)",
      Verdict(idleCpu < 0.0005));
  Row("drawing per frame, bar + rolling graph + repaint", Num(drawMean, 3) + " ms",
      "< 2 ms (worst " + Num(drawWorst, 2) + " ms)", Verdict(drawMean < 2.0));
  Row("CPU per frame, bar + rolling graph + repaint", Num(drawCpu, 3) + " ms", "< 2 ms",
      Verdict(drawCpu < 2.0));
  Row("start-up to the identified sensor", Num(startup, 2) + " s", "-", "-");
  Row("RSS after start-up", Num(rssStart, 1) + " MiB", "-", "-");
  // Qt's style pixmap cache (QPixmapCache) fills up to its limit during the first
  // thousands of frames; after that the process must not grow. Only the marks the run
  // reached are shown.
  const double cacheMiB = QPixmapCache::cacheLimit() / 1024.0;
  for (const MemoryMark& m : marks) {
    if (!m.Reached()) continue;
    const std::string figure = "RSS after " + std::to_string(m.frames) + " frames";
    if (m.frames == 10000)
      Row(figure.c_str(), Num(m.rss, 1) + " MiB",
          "<= 1 000-frame RSS + " + Num(cacheMiB, 0) + " MiB cache",
          Verdict(m.rss <= marks[0].rss + cacheMiB + 1.0));
    else
      Row(figure.c_str(), Num(m.rss, 1) + " MiB", "-", "-");
  }
  // The cache is full by 20 000 frames: only a longer run can show that RSS stays flat.
  const std::string endFigure = "RSS after " + std::to_string(memCount) + " frames";
  const MemoryMark& full = marks.back();
  if (full.Reached() && full.frames < memCount)
    Row(endFigure.c_str(), Num(rssEnd, 1) + " MiB", "flat: <= 20000-frame RSS + 1 MiB",
        Verdict(rssEnd <= full.rss + 1.0));
  else
    Row(endFigure.c_str(), Num(rssEnd, 1) + " MiB", "- (flat check from 20001 frames)", "-");
  Row("peak RSS", Num(PeakRssMiB(), 1) + " MiB", "-", "-");
  std::printf(
      "\n(%d RUN frames, %d VIDEO passes, %d RUN frames with the statistics window; "
      "memory run: %d frames in %.1f s unpaced)\n",
      run.count, video.count, runStats.count, memCount, memWall);

  ServiceShutDown();
  StopSim(paced);
  StopSim(fast);
  std::filesystem::remove_all(dir);
  return 0;
}
