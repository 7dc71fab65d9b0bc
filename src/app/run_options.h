#pragma once

#include <cstdint>

namespace tolvane {

// What one run does. Exactly one of listRender and listCapture is set: the
// options only ever move the selection from one data flow to the other.
struct RunOptions {
  bool listRender = true;
  bool listCapture = false;
  bool rescanOnly = false;
  std::int32_t waitMs = 1500;
};

}  // namespace tolvane
