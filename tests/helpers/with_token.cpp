// Starts a program with this user's full or limited token, as an elevated or
// an ordinary prompt does, whatever Wine's default; with "copy", as the
// relaunch does, marker included. Ends with its status; when it cannot start
// it, with 200, after a line on standard error that names the call and its
// error code.
//   with_token.exe full|limited|full-copy|limited-copy PROGRAM ["PARAMETERS"]
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "elevation/relaunch_marker.h"

static int Failed(const char* call) {
  std::fprintf(stderr, "with_token: %s failed: %lu\n", call, GetLastError());
  return 200;
}

int wmain(int argc, wchar_t* argv[]) {
  const std::wstring_view kind = argc > 2 ? argv[1] : L"";
  const bool full = kind.starts_with(L"full"), copy = kind.ends_with(L"-copy");
  if (!full && !kind.starts_with(L"limited")) return Failed("the command line");
  std::wstring line =
      L"\"" + std::wstring(argv[2]) + L"\" " + (argc > 3 ? argv[3] : L"");
  // Its own token or the other half of the pair; it ends soon, closing none.
  HANDLE own = nullptr, token = nullptr;
  TOKEN_ELEVATION_TYPE type{};
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0, status = 0;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE,
                        &own)) {
    return Failed("OpenProcessToken");
  }
  if (!GetTokenInformation(own, TokenElevationType, &type, sizeof type,
                           &size)) {
    return Failed("GetTokenInformation(TokenElevationType)");
  }
  const bool same =
      type == (full ? TokenElevationTypeFull : TokenElevationTypeLimited);
  if (!same && !GetTokenInformation(own, TokenLinkedToken, &linked,
                                    sizeof linked, &size)) {
    return Failed("GetTokenInformation(TokenLinkedToken)");
  }
  if (!DuplicateTokenEx(same ? own : linked.LinkedToken, MAXIMUM_ALLOWED,
                        nullptr, SecurityImpersonation, TokenPrimary, &token)) {
    return Failed("DuplicateTokenEx");
  }
  if (copy && !tolvane::SetRelaunchMarker()) return Failed("SetRelaunchMarker");
  STARTUPINFOW startup{};  // its standard handles are this process's own
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  if (!CreateProcessAsUserW(token, nullptr, line.data(), nullptr, nullptr, TRUE,
                            0, nullptr, nullptr, &startup, &child)) {
    return Failed("CreateProcessAsUserW");
  }
  if (WaitForSingleObject(child.hProcess, INFINITE) != WAIT_OBJECT_0) {
    return Failed("WaitForSingleObject");
  }
  if (!GetExitCodeProcess(child.hProcess, &status)) {
    return Failed("GetExitCodeProcess");
  }
  return static_cast<int>(status);
}
