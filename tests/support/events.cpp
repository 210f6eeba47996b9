#include "support/events.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "engine/engine.h"

namespace {

// One wait of at most until `deadline`.
void ProcessOnce(double deadline, Loop loop) {
  if (loop == Loop::Inside) {
    ProcessEventsUntil(deadline);
    return;
  }
  const int ms = std::max(0, static_cast<int>(std::ceil((deadline - Timer()) * 1000.0)));
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, ms);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, double seconds, Loop loop) {
  const double end = Timer() + seconds;
  for (double now = Timer(); now < end; now = Timer()) {
    if (condition()) return true;
    ProcessOnce(std::min(end, now + 0.005), loop);
  }
  return condition();
}

void Pump(double seconds, Loop loop) {
  const double end = Timer() + seconds;
  while (Timer() < end) ProcessOnce(end, loop);
}

void DoWhen(std::function<bool()> condition, std::function<void()> action) {
  auto* timer = new QTimer();
  timer->setInterval(2);
  QObject::connect(timer, &QTimer::timeout, [timer, condition, action]() {
    if (!condition()) return;
    timer->stop();
    timer->deleteLater();
    action();
  });
  timer->start();
}
