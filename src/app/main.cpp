#include "app/console_output.h"
#include "app/run.h"

int wmain(int argc, wchar_t* argv[]) {
  tolvane::ScopedConsoleOutput output;
  return output.Finish(tolvane::Run(argc, argv));
}
