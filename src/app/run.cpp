#include "app/run.h"

#include <windows.h>

#include <iostream>

#include "app/exit_status.h"
#include "app/options.h"
#include "app/run_options.h"
#include "audio/endpoint_report.h"
#include "diag/system_message.h"
#include "elevation/elevation.h"
#include "owners/com_apartment.h"
#include "pnp/rescan.h"

namespace tolvane {

int Run(int argc, const wchar_t* const* argv) {
  // Before anything can load a DLL, the executable's own folder leaves the
  // search order for good. People run the tool from where they saved it
  // (Downloads, a USB stick, a shared drive), and the platform's own code
  // loads some DLLs by bare name: one planted there would run in this
  // process, and in the elevated copy with administrator rights.
  if (!SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    const DWORD error = GetLastError();
    std::wcerr << L"SetDefaultDllDirectories failed: "
               << FormatSystemMessage(
                      static_cast<std::uint32_t>(HRESULT_FROM_WIN32(error)))
               << L"\n";
    return kExitFailure;
  }

  RunOptions options;
  if (argc > 1) {
    const ParseOutcome parsed = ParseCommandLine(argc, argv, options);
    if (parsed.endRun) {
      return parsed.status;
    }
  }

  // The work needs an elevated process. Unelevated, the run ends here: with
  // success once the elevated copy has been started, with failure when it
  // could not be, so that a script never takes a declined prompt for done.
  switch (RelaunchElevated(argc, argv)) {
    case Handover::kElevated:
      break;
    case Handover::kHandedOver:
      return kExitSuccess;
    case Handover::kFailed:
      return kExitFailure;
  }

  const ComApartment apartment;
  if (!apartment.usable()) {
    std::wcerr << L"CoInitializeEx failed: "
               << FormatSystemMessage(
                      static_cast<std::uint32_t>(apartment.result()))
               << L"\n";
    return kExitFailure;
  }

  if (!RescanDeviceTree()) {
    return kExitFailure;
  }
  if (options.rescanOnly) {
    return kExitSuccess;
  }
  // A negative wait means no wait: handed to Sleep it would read as a huge
  // count, or as INFINITE for -1.
  if (options.waitMs > 0) {
    Sleep(static_cast<DWORD>(options.waitMs));
  }

  bool ok = true;
  if (options.listRender) {
    ok = ListEndpoints(eRender);
  }
  if (options.listCapture) {
    // Capture is reported even after a failed render report.
    const bool captured = ListEndpoints(eCapture);
    ok = captured && ok;
  }
  return ok ? kExitSuccess : kExitFailure;
}

}  // namespace tolvane
