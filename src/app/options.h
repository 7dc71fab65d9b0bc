#pragma once

#include <cstdint>
#include <string_view>

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

// Reads a wait value the way _wtoi reads a number: leading white space, an
// optional sign, then the digits up to the first other character (none
// give 0). Values beyond the 32-bit range saturate instead of wrapping.
std::int32_t ParseWaitValue(std::wstring_view text);

}  // namespace tolvane
