#include "app/exit_status.h"
#include "app/run.h"
#include "console/console_output.h"
#include "console/console_pause.h"

int wmain(int argc, wchar_t* argv[]) {
  int status = 0;
  {
    tolvane::ScopedConsoleOutput output;
    status = tolvane::Run(argc, argv);
    if (!output.Finish()) {
      status = tolvane::StatusAfterLostOutput(status);
    }
  }
  tolvane::PauseBeforeWindowCloses();
  return status;
}
