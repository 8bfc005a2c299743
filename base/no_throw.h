// Steps that must not stop the ones after them: a teardown or a start goes on
// whatever one of its steps meets (an allocation that fails, say).
#pragma once

namespace kesto {

template <class Step>
void NoThrow(Step step) noexcept {
  try {
    step();
  } catch (...) {
    // The step is given up; the caller's later steps still run.
  }
}

}  // namespace kesto
