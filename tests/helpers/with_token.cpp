// Starts a program with the unelevated half of this process's token, as a
// standard user would, and follows it and every copy of it that it starts,
// as their debugger, until all have ended. Ends with the program's status
// (200: not started); each copy's status goes to standard error. As "copy"
// it starts the program as a relaunch does, marker included; as
// "elevated-copy", with this process's own token too. The process ends
// right after, which closes every handle it opened.
//   unelevated.exe PROGRAM "PARAMETERS" [copy|elevated-copy]
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

#include "elevation/relaunch_marker.h"

std::wstring Image(HANDLE process) {
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  return QueryFullProcessImageNameW(process, 0, path, &size) ? path : L"?";
}

int wmain(int argc, wchar_t* argv[]) {
  HANDLE token = nullptr, primary = nullptr;
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0, status = 200;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION child{};
  std::wstring line =
      argc >= 3 ? L"\"" + std::wstring(argv[1]) + L"\" " + argv[2] : L"";
  const bool elevated = argc > 3 && std::wstring(argv[3]) == L"elevated-copy";
  bool started =
      argc >= 3 && (argc == 3 || tolvane::SetRelaunchMarker()) &&
      OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE,
                       &token) &&
      GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked,
                          &size) &&
      DuplicateTokenEx(elevated ? token : linked.LinkedToken, MAXIMUM_ALLOWED,
                       nullptr, SecurityImpersonation, TokenPrimary, &primary);
  // Wine now and then refuses a start while it is busy; once more will do.
  for (int attempt = 0; started && attempt < 2 && !child.hProcess; ++attempt) {
    started = CreateProcessAsUserW(primary, nullptr, line.data(), nullptr,
                                   nullptr, TRUE, DEBUG_PROCESS, nullptr,
                                   nullptr, &startup, &child) ||
              GetLastError() == ERROR_INTERNAL_ERROR;
  }
  std::wstring program;     // the program's file, from its first process
  std::set<DWORD> running;  // the processes that run it
  DEBUG_EVENT event{};
  while (child.hProcess && (program.empty() || !running.empty()) &&
         WaitForDebugEvent(&event, INFINITE)) {
    const DWORD id = event.dwProcessId, code = event.dwDebugEventCode;
    if (code == CREATE_PROCESS_DEBUG_EVENT) {
      CloseHandle(event.u.CreateProcessInfo.hFile);
      const std::wstring image = Image(event.u.CreateProcessInfo.hProcess);
      program = program.empty() ? image : program;
      if (image == program) {
        running.insert(id);
      }
    } else if (code == LOAD_DLL_DEBUG_EVENT) {
      CloseHandle(event.u.LoadDll.hFile);
    } else if (code == EXIT_PROCESS_DEBUG_EVENT && running.erase(id)) {
      if (id != child.dwProcessId) {
        std::fwprintf(stderr, L"copy ended with status %lu\n",
                      event.u.ExitProcess.dwExitCode);
      }
      status =
          id == child.dwProcessId ? event.u.ExitProcess.dwExitCode : status;
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
