#include "app/console_output.h"
#include "app/console_pause.h"
#include "app/run.h"

int wmain(int argc, wchar_t* argv[]) {
  int status = 0;
  {
    tolvane::ScopedConsoleOutput output;
    status = output.Finish(tolvane::Run(argc, argv));
  }
  tolvane::PauseBeforeWindowCloses();
  return status;
}
