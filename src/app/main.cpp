#include "app/console_output.h"
#include "app/run.h"

int wmain(int argc, wchar_t* argv[]) {
  const tolvane::ScopedConsoleOutput output;
  return tolvane::Run(argc, argv);
}
