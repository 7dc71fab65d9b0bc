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
#include <string>

#include "common/steering.h"

namespace {

constexpr DEVINST kRootDevInst = 0x5EED;

}  // namespace

extern "C" CONFIGRET WINAPI CM_Locate_DevNodeW(PDEVINST devInst,
                                               DEVINSTID_W deviceId,
                                               ULONG flags) {
  char line[160];
  std::snprintf(
      line, sizeof line, "CM_Locate_DevNodeW devinst_in=%lu id=%s flags=%lu",
      devInst != nullptr ? static_cast<unsigned long>(*devInst) : 0UL,
      deviceId == nullptr ? "null" : "set", static_cast<unsigned long>(flags));
  standin::AppendToLog(L"STANDIN_CM_LOG", std::string(line) + "\n");
  const CONFIGRET result = static_cast<CONFIGRET>(
      standin::NumberFromEnvironment(L"STANDIN_CM_LOCATE_RESULT"));
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
  standin::AppendToLog(L"STANDIN_CM_LOG", std::string(line) + "\n");
  return static_cast<CONFIGRET>(
      standin::NumberFromEnvironment(L"STANDIN_CM_REENUMERATE_RESULT"));
}
