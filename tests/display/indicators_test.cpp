// What assistive tools read of the value indicators while RUN draws measurement frames.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>

#include "engine/engine.h"
#include "engine/engine_qt.h"
#include "shell/globals.h"
#include "support/app_fixture.h"

namespace {

class IndicatorsTest : public AppTest {};

std::string AccessibleValue(int control) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(CtrlWidget(pHandle, control));
  return face ? face->text(QAccessible::Value).toStdString() : "no interface";
}

// After every frame that RUN draws, each indicator's accessible value is the frame's value
// as the indicator shows it.
TEST_F(IndicatorsTest, AccessibleValueIsTheValueOfTheFrameDrawn) {
  StartApp(sim::DefaultModel());
  const std::pair<int, std::function<std::string()>> indicators[] = {
      {MAIN_PIX_VALUE, [] { return std::to_string(Mvalue); }},
      {MAIN_MM_VALUE, [] { return QString::number(umValue / 1000.0, 'f', 3).toStdString(); }},
      {MAIN_LEDGE, [] { return std::to_string(Ledge); }},
      {MAIN_REDGE, [] { return std::to_string(Redge); }},
  };
  int frames = 0;
  u16 lastFrame = raw15;
  QTimer afterFrame;  // runs while RUN waits for the next reply, the last frame drawn
  afterFrame.setInterval(2);
  QObject::connect(&afterFrame, &QTimer::timeout, [&] {
    if (raw15 == lastFrame) return;
    lastFrame = raw15;
    ++frames;
    for (const auto& [control, shown] : indicators)
      EXPECT_EQ(AccessibleValue(control), shown()) << "control " << control << ", frame " << frames;
  });
  afterFrame.start();
  StopWhen([&] { return frames >= 20; });
  CallCtrlCallback(pHandle, MAIN_RUN, EVENT_COMMIT);
  EXPECT_GE(frames, 20);
}

}  // namespace
