#pragma once

#include <windows.h>

#include <cfgmgr32.h>

namespace tolvane::system32 {

// The configuration manager functions, taken from the cfgmgr32.dll in the
// system directory only. The tool runs elevated, often from a folder that
// anyone can write to, and cfgmgr32.dll is not one of the KnownDLLs: a
// static import would let a planted copy beside the executable run with
// administrator rights. When the library or a function cannot be had, the
// call answers CR_CALL_NOT_IMPLEMENTED.
CONFIGRET CM_Locate_DevNodeW(PDEVINST devInst, DEVINSTID_W deviceId,
                             ULONG flags);
CONFIGRET CM_Reenumerate_DevNode(DEVINST devInst, ULONG flags);

}  // namespace tolvane::system32
