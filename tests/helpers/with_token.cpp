// Starts a program with the token of this user that it names, whatever
// token Wine gave this process: "full", as an elevated prompt starts it, or
// "limited", as an ordinary one does. Follows it and every copy of it that
// it starts, as their debugger, until all have ended, and ends with the
// program's status (200: not started). Each copy's elevation and status go
// to standard error, and a key is pressed in each copy's console, as a user
// would to close its window. The process ends right after, which closes
// every handle it opened.
//   with_token.exe full|limited [copy] [console] PROGRAM "PARAMETERS"
//   with_token.exe full|limited [copy] [console] PROGRAM -- ARGUMENTS...
// copy: started as the relaunch starts it, with this process's marker.
// console: in a console of its own, as a double-click starts it.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

#include "elevation/quoting.h"
#include "elevation/relaunch_marker.h"

namespace {

std::wstring Image(HANDLE process) {
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  return QueryFullProcessImageNameW(process, 0, path, &size) ? path : L"?";
}

bool Elevated(HANDLE process) {
  HANDLE token = nullptr;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return OpenProcessToken(process, TOKEN_QUERY, &token) &&
         GetTokenInformation(token, TokenElevation, &elevation,
                             sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

// This process's own token when it is of the kind asked for, else the
// other half of its pair.
HANDLE UserToken(bool full) {
  HANDLE own = nullptr, primary = nullptr;
  TOKEN_ELEVATION_TYPE type{};
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  const bool same =
      OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE,
                       &own) &&
      GetTokenInformation(own, TokenElevationType, &type, sizeof type, &size) &&
      type == (full ? TokenElevationTypeFull : TokenElevationTypeLimited);
  const bool other =
      !same && own &&
      GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size);
  return (same || other) &&
                 DuplicateTokenEx(same ? own : linked.LinkedToken,
                                  MAXIMUM_ALLOWED, nullptr,
                                  SecurityImpersonation, TokenPrimary, &primary)
             ? primary
             : nullptr;
}

void PressKey(DWORD process) {
  INPUT_RECORD key{};
  key.EventType = KEY_EVENT;
  key.Event.KeyEvent.bKeyDown = TRUE;
  key.Event.KeyEvent.wRepeatCount = 1;
  key.Event.KeyEvent.uChar.UnicodeChar = L' ';
  DWORD written = 0;
  FreeConsole();
  if (AttachConsole(process)) {
    const HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
    WriteConsoleInputW(input, &key, 1, &written);
    CloseHandle(input);
    FreeConsole();
  }
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  int i = 1;
  const auto flag = [&](std::wstring_view name) {
    return i < argc && argv[i] == name && ++i;
  };
  const bool full = flag(L"full"), limited = !full && flag(L"limited");
  const bool copy = flag(L"copy"), console = flag(L"console");
  if (!(full || limited) || argc < i + 2) {
    std::fwprintf(stderr,
                  L"usage: with_token.exe full|limited [copy] "
                  L"[console] PROGRAM \"PARAMETERS\"|-- ARGUMENTS\n");
    return 200;
  }
  std::wstring line =
      L"\"" + std::wstring(argv[i]) + L"\" " +
      (argv[i + 1] == std::wstring_view(L"--")
           ? tolvane::BuildParameterString(argc - i - 1, argv + i + 1)
           : argv[i + 1]);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = console ? 0 : STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION child{};
  const HANDLE token = UserToken(full);
  bool started = token && (!copy || tolvane::SetRelaunchMarker());
  // Wine now and then refuses a start while it is busy; once more will do.
  for (int attempt = 0; started && attempt < 2 && !child.hProcess; ++attempt) {
    started = CreateProcessAsUserW(
                  token, nullptr, line.data(), nullptr, nullptr, TRUE,
                  DEBUG_PROCESS | (console ? CREATE_NEW_CONSOLE : 0), nullptr,
                  nullptr, &startup, &child) ||
              GetLastError() == ERROR_INTERNAL_ERROR;
  }
  DWORD status = 200;
  std::wstring program;           // the program's file, from its first
  std::map<DWORD, bool> running;  // its processes, and which are elevated
  DEBUG_EVENT event{};
  while (child.hProcess && (program.empty() || !running.empty())) {
    if (!WaitForDebugEvent(&event, 250)) {
      for (const auto& [id, elevated] : running) {
        if (id != child.dwProcessId) {
          PressKey(id);
        }
      }
      continue;
    }
    const DWORD id = event.dwProcessId, code = event.dwDebugEventCode;
    if (code == CREATE_PROCESS_DEBUG_EVENT) {
      const CREATE_PROCESS_DEBUG_INFO& created = event.u.CreateProcessInfo;
      CloseHandle(created.hFile);
      const std::wstring image = Image(created.hProcess);
      program = program.empty() ? image : program;
      if (image == program) {
        running[id] = Elevated(created.hProcess);
      }
    } else if (code == LOAD_DLL_DEBUG_EVENT) {
      CloseHandle(event.u.LoadDll.hFile);
    } else if (code == EXIT_PROCESS_DEBUG_EVENT && running.contains(id)) {
      if (id != child.dwProcessId) {
        std::fwprintf(stderr, L"%ls copy ended with status %lu\n",
                      running[id] ? L"elevated" : L"limited",
                      event.u.ExitProcess.dwExitCode);
      }
      status =
          id == child.dwProcessId ? event.u.ExitProcess.dwExitCode : status;
      running.erase(id);
    }
    // Faults go on to the program's own handlers; breakpoints are ours.
    const bool fault =
        code == EXCEPTION_DEBUG_EVENT &&
        event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT;
    ContinueDebugEvent(id, event.dwThreadId,
                       fault ? DBG_EXCEPTION_NOT_HANDLED : DBG_CONTINUE);
  }
  return static_cast<int>(status);
}
