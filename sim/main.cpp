// qrox-sim: serves a simulated sensor on a pseudo-terminal until interrupted.
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "sim/replay.h"
#include "sim/sim.h"

namespace {

void Usage(FILE* to) {
  std::fprintf(to,
               "Usage: qrox-sim [options]\n"
               "Serves a simulated line-scan sensor on a pseudo-terminal and prints the\n"
               "device path to open on the first line of output.\n"
               "\n"
               "  --model NAME         default, d303, mx400, peak, k20, unlisted or board0\n"
               "                       (default: default)\n"
               "  --baud N             line speed used for pacing (default: 19200)\n"
               "  --no-pacing          send replies at once instead of at line speed\n"
               "  --turnaround SECONDS pause between a request and its reply (default: 0.001)\n"
               "  --log                print every received frame in hex on standard error\n"
               "  --link PATH          keep a symlink PATH pointing at the pty (like a\n"
               "                       /dev/serial/by-id name); it goes while unplugged\n"
               "  --replug-model NAME  the model the sensor is after its first replug\n"
               "  --from-report FILE   the sensor a service report of qrox recorded: its\n"
               "                       identification, firmware text, RAM, EEPROM, video\n"
               "                       profile and measurements of the recorded mean and\n"
               "                       spread\n"
               "  --drop-reply K       never answer request number K (0 = the first)\n"
               "  --help               show this text\n"
               "\n"
               "SIGUSR1 unplugs the sensor, the next SIGUSR1 plugs it in again (a new pty).\n"
               "Stops on SIGINT, SIGTERM or SIGHUP.\n");
}

bool ModelByName(const std::string& name, sim::SensorModel* model) {
  if (name == "default")
    *model = sim::DefaultModel();
  else if (name == "d303")
    *model = sim::D303Model();
  else if (name == "mx400")
    *model = sim::MX400Model();
  else if (name == "peak")
    *model = sim::PeakModel();
  else if (name == "k20")
    *model = sim::K20Model();
  else if (name == "unlisted")
    *model = sim::UnlistedModel();
  else if (name == "board0")
    *model = sim::Board0Model();
  else
    return false;
  return true;
}

bool ModelOption(const char* name, sim::SensorModel* model) {
  if (ModelByName(name, model)) return true;
  std::fprintf(stderr, "qrox-sim: unknown model '%s'\n", name);
  return false;
}

bool ParseNumber(const char* text, double* value) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0') return false;
  *value = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  sim::SensorModel model = sim::DefaultModel();
  sim::SimHost::Options options;
  options.historyLimit = 10000;  // runs for days: keep memory bounded
  bool log = false;
  sim::Faults faults;
  sim::SensorModel replugModel;
  bool changeOnReplug = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      return 0;
    } else if (arg == "--model" && hasValue) {
      if (!ModelOption(argv[++i], &model)) return 2;
    } else if (arg == "--baud" && hasValue) {
      double baud = 0;
      if (!ParseNumber(argv[++i], &baud) || baud < 1 || baud > 10000000 ||
          baud != static_cast<long>(baud)) {
        std::fprintf(stderr, "qrox-sim: invalid baud rate '%s'\n", argv[i]);
        return 2;
      }
      options.baud = static_cast<long>(baud);
    } else if (arg == "--no-pacing") {
      options.pacing = false;
    } else if (arg == "--turnaround" && hasValue) {
      double t = 0;
      if (!ParseNumber(argv[++i], &t) || t < 0 || t > 60) {
        std::fprintf(stderr, "qrox-sim: invalid turnaround '%s'\n", argv[i]);
        return 2;
      }
      options.turnaround = t;
    } else if (arg == "--log") {
      log = true;
    } else if (arg == "--link" && hasValue) {
      options.linkPath = argv[++i];
    } else if (arg == "--from-report" && hasValue) {
      std::string error;
      if (!sim::ModelFromReport(argv[++i], &model, &error)) {
        std::fprintf(stderr, "qrox-sim: %s: %s\n", argv[i], error.c_str());
        return 2;
      }
    } else if (arg == "--drop-reply" && hasValue) {
      double k = 0;
      if (!ParseNumber(argv[++i], &k) || k < 0 || k != static_cast<int>(k)) {
        std::fprintf(stderr, "qrox-sim: invalid request number '%s'\n", argv[i]);
        return 2;
      }
      faults.dropReplyNumber = static_cast<int>(k);
    } else if (arg == "--replug-model" && hasValue) {
      if (!ModelOption(argv[++i], &replugModel)) return 2;
      changeOnReplug = true;
    } else {
      std::fprintf(stderr, "qrox-sim: unknown or incomplete option '%s'\n", arg.c_str());
      Usage(stderr);
      return 2;
    }
  }

  if (log) {
    const double start = sim::SteadyNow();
    options.onFrame = [start](const sim::Frame& f) {
      char line[16 + 3 * 36 + 2];
      int pos = std::snprintf(line, sizeof line, "%10.4f ", f.time - start);
      for (size_t k = 0; k < f.bytes.size(); ++k)
        pos += std::snprintf(line + pos, sizeof line - pos, "%02X%s", f.bytes[k],
                             k + 1 < f.bytes.size() ? " " : "\n");
      std::fputs(line, stderr);
    };
  }

  // Block the stop signals before the host thread starts, so only sigwait sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  sigaddset(&stopSignals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  try {
    sim::SimHost host(model, options);
    host.SetFaults(faults);
    std::printf("%s\n", host.SlavePath().c_str());
    std::fflush(stdout);
    int sig = 0;
    while (sigwait(&stopSignals, &sig) == 0 && sig == SIGUSR1) {
      if (!host.Unplugged()) {
        host.Unplug();
        std::fprintf(stderr, "qrox-sim: unplugged\n");
        continue;
      }
      if (changeOnReplug) host.SetModel(replugModel);
      changeOnReplug = false;
      host.Replug();
      std::printf("%s\n", host.SlavePath().c_str());
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qrox-sim: %s\n", e.what());
    return 1;
  }
  return 0;
}
