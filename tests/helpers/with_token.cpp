// Starts a program with this user's full token, as an elevated prompt does,
// or its limited one, as an ordinary prompt does, whatever Wine's default;
// as the relaunch starts it, marker included ("copy"); in a console of its
// own, as a double-click does ("console"). Follows it and its copies, as
// their debugger, until all have ended; each copy's elevation and status go
// to standard error. Ends with the program's status (200: not started).
//   with_token.exe full|limited [copy] [console] PROGRAM ["PARAMETERS"]
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

#include "elevation/relaunch_marker.h"

using namespace std::literals;

int wmain(int argc, wchar_t* argv[]) {
  int i = 2;
  const auto flag = [&](std::wstring_view name) {
    return i < argc && argv[i] == name && ++i;
  };
  const bool full = argc > 1 && argv[1] == L"full"sv;
  const bool copy = flag(L"copy"), console = flag(L"console");
  if (argc <= i || (!full && argv[1] != L"limited"sv)) return 200;
  std::wstring line = L"\"" + std::wstring(argv[i]) + L"\" " +
                      (i + 1 < argc ? argv[i + 1] : L"");
  // This process's own token when it is of the kind asked for, else the other
  // half of its pair. No handle is closed: this process ends soon.
  HANDLE own = nullptr, token = nullptr;
  TOKEN_ELEVATION_TYPE type{};
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  const bool same =
      OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE,
                       &own) &&
      GetTokenInformation(own, TokenElevationType, &type, sizeof type, &size) &&
      type == (full ? TokenElevationTypeFull : TokenElevationTypeLimited);
  bool started =
      (!copy || tolvane::SetRelaunchMarker()) &&
      (same || GetTokenInformation(own, TokenLinkedToken, &linked,
                                   sizeof linked, &size)) &&
      DuplicateTokenEx(same ? own : linked.LinkedToken, MAXIMUM_ALLOWED,
                       nullptr, SecurityImpersonation, TokenPrimary, &token);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = console ? 0 : STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION child{};
  // Wine now and then refuses a start while it is busy; once more will do.
  for (int attempt = 0; started && attempt < 2 && !child.hProcess; ++attempt) {
    started = CreateProcessAsUserW(
                  token, nullptr, line.data(), nullptr, nullptr, TRUE,
                  DEBUG_PROCESS | (console ? CREATE_NEW_CONSOLE : 0), nullptr,
                  nullptr, &startup, &child) ||
              GetLastError() == ERROR_INTERNAL_ERROR;
  }
  DWORD status = 200;
  std::wstring program;           // the program's file, from its first process
  std::map<DWORD, bool> running;  // its processes: elevated or not
  DEBUG_EVENT event{};
  while (child.hProcess && (program.empty() || !running.empty()) &&
         WaitForDebugEvent(&event, INFINITE)) {
    const DWORD id = event.dwProcessId, code = event.dwDebugEventCode;
    if (code == CREATE_PROCESS_DEBUG_EVENT) {
      const HANDLE process = event.u.CreateProcessInfo.hProcess;
      wchar_t path[MAX_PATH] = {};
      TOKEN_ELEVATION elevation{};
      HANDLE its = nullptr;
      size = MAX_PATH;
      const std::wstring image =
          QueryFullProcessImageNameW(process, 0, path, &size) ? path : L"?";
      program = program.empty() ? image : program;
      if (program == image) {
        running[id] = OpenProcessToken(process, TOKEN_QUERY, &its) &&
                      GetTokenInformation(its, TokenElevation, &elevation,
                                          sizeof elevation, &size) &&
                      elevation.TokenIsElevated;
      }
      CloseHandle(event.u.CreateProcessInfo.hFile);
    } else if (code == LOAD_DLL_DEBUG_EVENT) {
      CloseHandle(event.u.LoadDll.hFile);
    } else if (code == EXIT_PROCESS_DEBUG_EVENT && running.contains(id)) {
      const DWORD exit = event.u.ExitProcess.dwExitCode;
      if (id != child.dwProcessId) {
        std::fwprintf(stderr, L"%ls copy ended with status %lu\n",
                      running[id] ? L"elevated" : L"limited", exit);
      }
      status = id == child.dwProcessId ? exit : status;
      running.erase(id);
    }
    // Faults go on to the program's own handlers. At a copy's breakpoint its
    // console is set up: sharing it keeps its window from waiting for a key.
    const bool fault =
        code == EXCEPTION_DEBUG_EVENT &&
        event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT;
    if (code == EXCEPTION_DEBUG_EVENT && !fault && running.contains(id) &&
        id != child.dwProcessId && (FreeConsole() || true) &&
        !AttachConsole(id)) {
      std::fwprintf(stderr, L"a copy's console could not be shared\n");
    }
    ContinueDebugEvent(id, event.dwThreadId,
                       fault ? DBG_EXCEPTION_NOT_HANDLED : DBG_CONTINUE);
  }
  return static_cast<int>(status);
}
