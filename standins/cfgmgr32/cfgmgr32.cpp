// Stand-in for the Plug and Play manager's two calls that the tool makes.
// Wine answers both with a failure, so the tests put this in its place.
//
// A test steers it through the environment of the process under test:
//   STANDIN_CM_LOCATE_RESULT       CONFIGRET of CM_Locate_DevNodeW (default 0)
//   STANDIN_CM_REENUMERATE_RESULT  CONFIGRET of CM_Reenumerate_DevNode (0)
//   STANDIN_CM_LOG                 file that gets one line per call
// Defining the functions here, not importing them.
#define _CFGMGR32_
#include <windows.h>

#include <cfgmgr32.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr DEVINST kRootDevInst = 0x5EED;

CONFIGRET ResultFromEnvironment(const wchar_t* name) {
  wchar_t value[32] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 32);
  if (length == 0 || length >= 32) {
    return CR_SUCCESS;
  }
  return static_cast<CONFIGRET>(std::wcstoul(value, nullptr, 10));
}

void Log(const std::string& line) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length =
      GetEnvironmentVariableW(L"STANDIN_CM_LOG", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return;
  }
  HANDLE file =
      CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  const std::string text = line + "\n";
  DWORD written = 0;
  if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
                 nullptr)) {
    OutputDebugStringA("cfgmgr32 stand-in: log write failed\n");
  }
  CloseHandle(file);
}

}  // namespace

extern "C" CONFIGRET WINAPI CM_Locate_DevNodeW(PDEVINST devInst,
                                               DEVINSTID_W deviceId,
                                               ULONG flags) {
  char line[160];
  std::snprintf(
      line, sizeof line, "CM_Locate_DevNodeW devinst_in=%lu id=%s flags=%lu",
      devInst != nullptr ? static_cast<unsigned long>(*devInst) : 0UL,
      deviceId == nullptr ? "null" : "set", static_cast<unsigned long>(flags));
  Log(line);
  const CONFIGRET result = ResultFromEnvironment(L"STANDIN_CM_LOCATE_RESULT");
  if (result == CR_SUCCESS && devInst != nullptr) {
    *devInst = kRootDevInst;
  }
  return result;
}

extern "C" CONFIGRET WINAPI CM_Reenumerate_DevNode(DEVINST devInst,
                                                   ULONG flags) {
  char line[160];
  std::snprintf(
      line, sizeof line, "CM_Reenumerate_DevNode devinst=%lu flags=%lu",
      static_cast<unsigned long>(devInst), static_cast<unsigned long>(flags));
  Log(line);
  return ResultFromEnvironment(L"STANDIN_CM_REENUMERATE_RESULT");
}
