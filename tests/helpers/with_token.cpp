// Starts a program with this user's full or limited token, as an elevated or
// an ordinary prompt does, whatever Wine's default; with "copy", as the
// relaunch does, marker included. Ends with its status (200: not started).
//   with_token.exe full|limited|full-copy|limited-copy PROGRAM ["PARAMETERS"]
#include <windows.h>

#include <string>
#include <string_view>

#include "elevation/relaunch_marker.h"

int wmain(int argc, wchar_t* argv[]) {
  const std::wstring_view kind = argc > 2 ? argv[1] : L"";
  const bool full = kind.starts_with(L"full"), copy = kind.ends_with(L"-copy");
  if (!full && !kind.starts_with(L"limited")) return 200;
  std::wstring line =
      L"\"" + std::wstring(argv[2]) + L"\" " + (argc > 3 ? argv[3] : L"");
  // Its own token or the other half of the pair; it ends soon, closing none.
  HANDLE own = nullptr, token = nullptr;
  TOKEN_ELEVATION_TYPE type{};
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0, status = 200;
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
  STARTUPINFOW startup{};  // its standard handles are this process's own
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  // Wine now and then refuses a start while it is busy; once more will do.
  for (int attempt = 0; started && attempt < 2 && !child.hProcess; ++attempt) {
    started =
        CreateProcessAsUserW(token, nullptr, line.data(), nullptr, nullptr,
                             TRUE, 0, nullptr, nullptr, &startup, &child) ||
        GetLastError() == ERROR_INTERNAL_ERROR;
  }
  return WaitForSingleObject(child.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(child.hProcess, &status)
             ? static_cast<int>(status)
             : 200;
}
