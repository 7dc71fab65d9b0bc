// The PnP manager Wine lacks: logs each call; a rescan answers as steered.
#define _CFGMGR32_  // defining the functions here, not importing them
#include <windows.h>

#include <cfgmgr32.h>

#include "common/steering.h"

extern "C" CONFIGRET WINAPI CM_Locate_DevNodeW(PDEVINST devInst,
                                               DEVINSTID_W deviceId,
                                               ULONG flags) {
  standin::Log(L"CM_Locate_DevNodeW devinst=" + std::to_wstring(*devInst) +
               L" id=" + (deviceId ? L"set" : L"null") + L" flags=" +
               std::to_wstring(flags));
  *devInst = 0x5EED;
  return CR_SUCCESS;
}

extern "C" CONFIGRET WINAPI CM_Reenumerate_DevNode(DEVINST devInst,
                                                   ULONG flags) {
  standin::Log(L"CM_Reenumerate_DevNode devinst=" + std::to_wstring(devInst) +
               L" flags=" + std::to_wstring(flags));
  return standin::Setting(L"CM_REENUMERATE");
}
