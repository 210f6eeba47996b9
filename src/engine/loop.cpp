// Start, event loop, waiting and time.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <chrono>
#include <thread>

#include "engine/engine_internal.h"

namespace {

QApplication* g_ownApp = nullptr;  // created by InitCVIRTE when the caller had none
bool g_quitRequested = false;
int g_quitCode = 0;

// The deadline that ends an idle wait of ProcessSystemEvents.
QTimer* WakeTimer() {
  static QTimer* timer = [] {
    auto* t = new QTimer(QCoreApplication::instance());
    t->setSingleShot(true);
    t->setTimerType(Qt::PreciseTimer);
    t->setInterval(1);
    return t;
  }();
  return timer;
}

}  // namespace

int InitCVIRTE(int argc, char** argv) {
  if (QCoreApplication::instance()) return 1;
  // QApplication keeps references to argc and argv for its whole life.
  static int s_argc = 0;
  static char* s_argv[64] = {};
  static char s_name[] = "qrox";
  s_argc = 0;
  if (argc <= 0 || !argv) {
    s_argv[s_argc++] = s_name;
  } else {
    for (int i = 0; i < argc && i < 63; ++i) s_argv[s_argc++] = argv[i];
  }
  s_argv[s_argc] = nullptr;
  g_ownApp = new QApplication(s_argc, s_argv);
  // The desktop matches the window to the installed launcher and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(QROX_APP_ID));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(QROX_APP_ID)));
  return 1;
}

int RunUserInterface() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app) return -1;
  app->setQuitOnLastWindowClosed(false);
  if (g_quitRequested) {
    g_quitRequested = false;
    return g_quitCode;
  }
  int code = QApplication::exec();
  g_quitRequested = false;
  return code;
}

int QuitUserInterface(int returnCode) {
  g_quitRequested = true;
  g_quitCode = returnCode;
  QCoreApplication::exit(returnCode);
  return 0;
}

int ProcessSystemEvents() {
  auto* dispatcher = QAbstractEventDispatcher::instance();
  if (!dispatcher || !QCoreApplication::instance()) return 0;
  if (dispatcher->processEvents(QEventLoop::AllEvents)) return 0;
  // Nothing was pending: sleep until something arrives (serial bytes, input, timers)
  // or the deadline passes, so a polling loop neither spins nor misses a reply.
  QTimer* wake = WakeTimer();
  wake->start();
  dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  wake->stop();
  return 0;
}

double Timer() {
  static const auto start = std::chrono::steady_clock::now();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Delay(double seconds) {
  // A plain sleep: no callback runs meanwhile (the serial driver keeps buffering).
  if (seconds <= 0) return;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void SleepMs(int ms) {
  if (ms <= 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
