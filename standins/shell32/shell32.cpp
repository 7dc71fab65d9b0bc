// The shell's launch: logs the record, fails with STANDIN_SHELL_ERROR if set.
#define _SHELL32_  // defining the function here, not importing it
#include <windows.h>

#include <shellapi.h>

#include "common/steering.h"

static std::wstring Text(const wchar_t* s) { return s ? s : L"(null)"; }

// Whether the marker a copy would inherit names this process: id, creation.
static const wchar_t* Marker() {
  wchar_t marker[64] = {};
  GetEnvironmentVariableW(L"TOLVANE_RELAUNCHED_BY", marker, 64);
  FILETIME created{}, other{};
  GetProcessTimes(GetCurrentProcess(), &created, &other, &other, &other);
  const std::wstring own =
      std::to_wstring(GetCurrentProcessId()) + L":" +
      std::to_wstring(ULONGLONG{created.dwHighDateTime} << 32 |
                      created.dwLowDateTime);
  return own == marker ? L"own" : L"other";
}

extern "C" BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* launch) {
  const bool restZero = !launch->hInstApp && !launch->lpIDList &&
                        !launch->lpClass && !launch->hkeyClass &&
                        !launch->dwHotKey && !launch->hIcon &&
                        !launch->hProcess;
  standin::Log(L"ShellExecuteExW cbSize=" + std::to_wstring(launch->cbSize) +
               L" fMask=" + std::to_wstring(launch->fMask) + L" hwnd=" +
               (launch->hwnd ? L"set" : L"null") + L" verb=" +
               Text(launch->lpVerb) + L" file=" + Text(launch->lpFile) +
               L" parameters=" + Text(launch->lpParameters) + L" directory=" +
               Text(launch->lpDirectory) + L" nShow=" +
               std::to_wstring(launch->nShow) + L" others=" +
               (restZero ? L"zero" : L"set") + L" marker=" + Marker());
  if (const DWORD error = standin::Setting(L"SHELL_ERROR"))
    return SetLastError(error), FALSE;
  // A real handle, as the shell hands back for SEE_MASK_NOCLOSEPROCESS.
  launch->hProcess = OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId());
  return TRUE;
}
