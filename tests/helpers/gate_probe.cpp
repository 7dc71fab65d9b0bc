// Runs the relaunch of an unelevated process directly, whatever the
// token says, so that a test can start it from a path Windows itself would
// refuse to start a process from. Exit status: 10 + the hand-over result.
#include "console/console_output.h"
#include "elevation/elevation.h"

int wmain(int argc, wchar_t* argv[]) {
  const tolvane::ScopedConsoleOutput output;
  return 10 + static_cast<int>(tolvane::LaunchElevatedCopy(argc, argv));
}
