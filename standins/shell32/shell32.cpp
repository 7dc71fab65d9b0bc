// Stand-in for the shell's launch call. Wine's "runas" starts the copy
// unelevated, so a real relaunch would relaunch again and again; this one
// logs the launch record and fails with STANDIN_SHELL_ERROR when it is set.
#define _SHELL32_  // defining the function here, not importing it
#include <windows.h>

#include <shellapi.h>

#include "common/steering.h"

static std::string Utf8(const wchar_t* text) {
  char bytes[4096] = "(null)";
  if (text != nullptr && !WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, 4096,
                                              nullptr, nullptr)) {
    ExitProcess(97);
  }
  return bytes;
}

extern "C" BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* launch) {
  const bool restZero = !launch->hInstApp && !launch->lpIDList &&
                        !launch->lpClass && !launch->hkeyClass &&
                        !launch->dwHotKey && !launch->hIcon &&
                        !launch->hProcess;
  standin::Log("ShellExecuteExW cbSize=" + std::to_string(launch->cbSize) +
               " fMask=" + std::to_string(launch->fMask) +
               " hwnd=" + (launch->hwnd ? "set" : "null") + " verb=" +
               Utf8(launch->lpVerb) + " file=" + Utf8(launch->lpFile) +
               " parameters=" + Utf8(launch->lpParameters) +
               " directory=" + Utf8(launch->lpDirectory) +
               " nShow=" + std::to_string(launch->nShow) +
               " others=" + (restZero ? "zero" : "set"));
  if (const DWORD error = standin::Setting(L"SHELL_ERROR")) {
    SetLastError(error);
    return FALSE;
  }
  // A real handle, as the shell hands back for SEE_MASK_NOCLOSEPROCESS.
  launch->hProcess = OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId());
  return TRUE;
}
