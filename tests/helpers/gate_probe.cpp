// The relaunch, whatever the token, from a path Windows would start no
// program from. Exit status: 10 + the hand-over result.
#include "console/console_output.h"
#include "elevation/elevation.h"

int wmain(int argc, wchar_t* argv[]) {
  const tolvane::ScopedConsoleOutput output;
  return 10 + static_cast<int>(tolvane::LaunchElevatedCopy(argc, argv));
}
