#include "elevation/elevation.h"

#include <windows.h>

#include <shellapi.h>

#include <iostream>
#include <string>

#include "elevation/executable_path.h"
#include "elevation/quoting.h"
#include "elevation/relaunch_marker.h"
#include "owners/kernel_owners.h"

namespace tolvane {

bool IsProcessElevated() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
    return false;
  }
  TOKEN_ELEVATION elevation{};
  DWORD returned = 0;
  const BOOL queried = GetTokenInformation(
      token.get(), TokenElevation, &elevation, sizeof elevation, &returned);
  return queried && elevation.TokenIsElevated != 0;
}

Handover RelaunchElevated(int argc, const wchar_t* const* argv) {
  if (IsProcessElevated()) {
    return Handover::kElevated;
  }
  if (StartedByRelaunch()) {
    std::wcerr << L"The relaunched copy is not elevated either (User Account "
                  L"Control may be off): run tolvane from an elevated "
                  L"prompt.\n";
    return Handover::kFailed;
  }
  return LaunchElevatedCopy(argc, argv);
}

Handover LaunchElevatedCopy(int argc, const wchar_t* const* argv) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  // A result of MAX_PATH means the path was cut short.
  if (length == 0 || length >= MAX_PATH) {
    std::wcerr << L"Failed to resolve executable path.\n";
    return Handover::kFailed;
  }
  UseFinalPath(path);

  const std::wstring parameters = BuildParameterString(argc, argv);
  SHELLEXECUTEINFOW launch{};
  launch.cbSize = sizeof launch;
  launch.fMask = SEE_MASK_NOCLOSEPROCESS;
  launch.hwnd = nullptr;
  launch.lpVerb = L"runas";
  launch.lpFile = path;
  launch.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  launch.lpDirectory = nullptr;
  launch.nShow = SW_SHOWNORMAL;

  // No copy is started without the marker that keeps it from relaunching.
  if (SetRelaunchMarker() && ShellExecuteExW(&launch)) {
    // Nothing waits for the copy, so its handle is of no use here.
    const UniqueHandle copy(launch.hProcess);
    return Handover::kHandedOver;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_CANCELLED) {
    std::wcerr << L"Elevation was canceled.\n";
  } else {
    std::wcerr << L"Failed to relaunch elevated. Win32 error: "
               << static_cast<unsigned long>(error) << L"\n";
  }
  return Handover::kFailed;
}

}  // namespace tolvane
