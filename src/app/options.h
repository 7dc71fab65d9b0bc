#pragma once

#include "app/exit_status.h"
#include "app/run_options.h"

namespace tolvane {

struct ParseOutcome {
  bool endRun = false;
  ExitStatus status = kExitSuccess;  // meaningful only when endRun is set
};

// Reads argv[1] to argv[argc-1] into options. Help ends the run with
// success, a command-line error with kExitUsage; both have written their
// text by then.
ParseOutcome ParseCommandLine(int argc, const wchar_t* const* argv,
                              RunOptions& options);

void PrintUsage();

}  // namespace tolvane
