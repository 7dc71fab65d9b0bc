#pragma once

namespace tolvane {

// The whole run for wmain's arguments, in its fixed order: DLLs from the
// system directory only, the command line, the elevation gate, COM, the
// rescan, the wait and the reports. Returns the exit status.
int Run(int argc, const wchar_t* const* argv);

}  // namespace tolvane
