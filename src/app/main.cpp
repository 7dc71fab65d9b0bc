#include "app/run.h"
#include "console/console_output.h"
#include "console/console_pause.h"

int wmain(int argc, wchar_t* argv[]) {
  int status = 0;
  {
    tolvane::ScopedConsoleOutput output;
    status = output.Finish(tolvane::Run(argc, argv));
  }
  tolvane::PauseBeforeWindowCloses();
  return status;
}
