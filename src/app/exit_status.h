#pragma once

namespace tolvane {

// Every status the process can end with.
enum ExitStatus : int {
  kExitSuccess = 0,  // done; help shown; handed over to the elevated copy
  kExitFailure = 1,  // COM, the rescan, a report or the hand-over failed
  kExitUsage = 2,    // the command line could not be understood
};

}  // namespace tolvane
