// Starts a program as a standard user would, with the unelevated half of
// this process's token, hands it the parameters exactly as given and ends
// with its status (200: it could not be started).
//   unelevated.exe PROGRAM "PARAMETERS"
// The process ends right after, which closes every handle it opened.
#include <windows.h>

#include <string>

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
      argc == 3 ? L"\"" + std::wstring(argv[1]) + L"\" " + argv[2] : L"";
  bool started =
      argc == 3 && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
      GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked,
                          &size) &&
      DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr,
                       SecurityImpersonation, TokenPrimary, &primary);
  // Wine now and then refuses a start while it is busy; once more will do.
  for (int attempt = 0; started && attempt < 2 && !child.hProcess; ++attempt) {
    started =
        CreateProcessAsUserW(primary, nullptr, line.data(), nullptr, nullptr,
                             TRUE, 0, nullptr, nullptr, &startup, &child) ||
        GetLastError() == ERROR_INTERNAL_ERROR;
  }
  if (started && child.hProcess &&
      (WaitForSingleObject(child.hProcess, INFINITE) != WAIT_OBJECT_0 ||
       !GetExitCodeProcess(child.hProcess, &status))) {
    status = 200;
  }
  return static_cast<int>(status);
}
