// Stand-in for the shell's launch call. Wine's "runas" starts the copy
// unelevated, so a real relaunch would relaunch again and again; this one
// writes down the launch record it was given and answers as told.
//
// Steered through the environment of the process under test:
//   STANDIN_SHELL_LOG    file that gets the record, one field per line
//   STANDIN_SHELL_ERROR  0 or unset: succeed; else fail with this error
// Defining the function here, not importing it.
#define _SHELL32_
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "common/steering.h"

namespace {

std::string Utf8(const wchar_t* text) {
  if (text == nullptr) {
    return "(null)";
  }
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr,
                      nullptr);
  bytes.pop_back();
  return bytes;
}

std::string Describe(const SHELLEXECUTEINFOW& launch) {
  char numbers[200];
  std::snprintf(numbers, sizeof numbers,
                "cbSize=%lu\nfMask=0x%lx\nhwnd=%s\nnShow=%d\n",
                static_cast<unsigned long>(launch.cbSize),
                static_cast<unsigned long>(launch.fMask),
                launch.hwnd == nullptr ? "null" : "set", launch.nShow);
  const bool othersZero = launch.hInstApp == nullptr &&
                          launch.lpIDList == nullptr &&
                          launch.lpClass == nullptr &&
                          launch.hkeyClass == nullptr && launch.dwHotKey == 0 &&
                          launch.hIcon == nullptr && launch.hProcess == nullptr;
  return std::string(numbers) + "verb=" + Utf8(launch.lpVerb) +
         "\nfile=" + Utf8(launch.lpFile) +
         "\nparameters=" + Utf8(launch.lpParameters) +
         "\ndirectory=" + Utf8(launch.lpDirectory) +
         "\nothers=" + (othersZero ? "zero" : "set") + "\n";
}

}  // namespace

extern "C" BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* launch) {
  standin::AppendToLog(L"STANDIN_SHELL_LOG", Describe(*launch));
  const DWORD error = static_cast<DWORD>(
      standin::NumberFromEnvironment(L"STANDIN_SHELL_ERROR"));
  if (error != 0) {
    SetLastError(error);
    return FALSE;
  }
  // A real handle, as the shell hands back for SEE_MASK_NOCLOSEPROCESS; the
  // caller owns it from here.
  launch->hProcess = OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId());
  launch->hInstApp = reinterpret_cast<HINSTANCE>(42);
  return TRUE;
}
