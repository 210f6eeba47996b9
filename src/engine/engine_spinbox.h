// Numeric controls that tell each step: an arrow button, the Up/Down and Page keys or the
// mouse wheel change the value by steps, and each step is a finished edit (a commit), as
// a user expects. Private to src/engine.
#pragma once

#include <QDoubleSpinBox>
#include <QSpinBox>
#include <functional>
#include <type_traits>

namespace engine {

template <class Box>
class SteppingBox : public Box {
 public:
  using Value = std::decay_t<decltype(std::declval<const Box&>().value())>;
  using Box::Box;
  // Runs after every step that the box took.
  std::function<void()> stepped;

  void stepBy(int steps) override {
    Box::stepBy(steps);
    if (stepped) stepped();
  }

  // Shows `value`. A box repaints on every write, even of the value it shows, so a value
  // already shown is not written again (an unfinished edit by the user does not count as
  // shown).
  void Show(Value value) {
    if (this->text() != this->prefix() + this->textFromValue(value) + this->suffix())
      this->setValue(value);
  }
};

using SteppingSpinBox = SteppingBox<QSpinBox>;
using SteppingDoubleSpinBox = SteppingBox<QDoubleSpinBox>;

}  // namespace engine
