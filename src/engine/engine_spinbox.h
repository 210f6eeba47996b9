// Numeric controls that tell each step: an arrow button, the Up/Down and Page keys or the
// mouse wheel change the value by steps, and each step is a finished edit (a commit), as
// a user expects. Private to src/engine.
#pragma once

#include <QDoubleSpinBox>
#include <QSpinBox>
#include <functional>

namespace engine {

template <class Box>
class SteppingBox : public Box {
 public:
  using Box::Box;
  // Runs after every step that the box took.
  std::function<void()> stepped;

  void stepBy(int steps) override {
    Box::stepBy(steps);
    if (stepped) stepped();
  }

  // Whether the box shows `value` just as writing it would (an unfinished edit by the user
  // does not count). A box repaints on every write, even of the value it shows.
  template <class Value>
  bool Shows(Value value) const {
    return this->text() == this->prefix() + this->textFromValue(value) + this->suffix();
  }
};

using SteppingSpinBox = SteppingBox<QSpinBox>;
using SteppingDoubleSpinBox = SteppingBox<QDoubleSpinBox>;

}  // namespace engine
