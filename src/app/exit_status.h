#pragma once

namespace tolvane {

// Every status the process can end with.
enum ExitStatus : int {
  kExitSuccess = 0,  // done; help shown; handed over to the elevated copy
  kExitFailure = 1,  // COM, the rescan, a report or the hand-over failed
  kExitUsage = 2,    // the command line could not be understood
};

// The status of a run whose standard output was lost: whatever the run did,
// a script must not take that for success. A command-line error keeps its
// own status.
inline int StatusAfterLostOutput(int status) {
  return status == kExitUsage ? kExitUsage : kExitFailure;
}

}  // namespace tolvane
