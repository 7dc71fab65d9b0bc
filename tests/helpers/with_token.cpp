// with_token.exe full|limited|full-copy|limited-copy PROGRAM ["PARAMETERS"]
// starts PROGRAM with this user's full or limited token, whatever Wine's
// default, -copy with the relaunch's marker; ends with its status, or 200.
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "elevation/relaunch_marker.h"

static void Check(bool succeeded, const char* call) {
  if (succeeded) return;
  std::fprintf(stderr, "with_token: %s failed: %lu\n", call, GetLastError());
  ExitProcess(200);
}

int wmain(int argc, wchar_t* argv[]) {
  const std::wstring_view kind = argc > 2 ? argv[1] : L"";
  const bool full = kind.starts_with(L"full"), copy = kind.ends_with(L"-copy");
  Check(full || kind.starts_with(L"limited"), "reading the command line");
  std::wstring line =
      L"\"" + std::wstring(argv[2]) + L"\" " + (argc > 3 ? argv[3] : L"");
  // Its own token or the other half of the pair; it ends soon, closing none.
  HANDLE own = nullptr, token = nullptr;
  TOKEN_ELEVATION_TYPE type{};
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0, status = 0;
  Check(OpenProcessToken(GetCurrentProcess(), MAXIMUM_ALLOWED, &own),
        "OpenProcessToken");
  Check(GetTokenInformation(own, TokenElevationType, &type, sizeof type, &size),
        "GetTokenInformation(TokenElevationType)");
  const bool same =
      type == (full ? TokenElevationTypeFull : TokenElevationTypeLimited);
  Check(same || GetTokenInformation(own, TokenLinkedToken, &linked,
                                    sizeof linked, &size),
        "GetTokenInformation(TokenLinkedToken)");
  Check(DuplicateTokenEx(same ? own : linked.LinkedToken, MAXIMUM_ALLOWED,
                         nullptr, SecurityImpersonation, TokenPrimary, &token),
        "DuplicateTokenEx");
  Check(!copy || tolvane::SetRelaunchMarker(), "SetRelaunchMarker");
  STARTUPINFOW startup{};  // its standard handles are this process's own
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  Check(CreateProcessAsUserW(token, nullptr, line.data(), nullptr, nullptr,
                             TRUE, 0, nullptr, nullptr, &startup, &child),
        "CreateProcessAsUserW");
  Check(WaitForSingleObject(child.hProcess, INFINITE) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(child.hProcess, &status),
        "waiting for its status");
  return static_cast<int>(status);
}
