#include "pnp/rescan.h"

#include <iostream>

#include "pnp/cfgmgr32_api.h"

namespace tolvane {

bool RescanDeviceTree() {
  std::wcout << L"Requesting root PnP re-enumeration...\n";

  DEVINST root = 0;
  const CONFIGRET located =
      system32::CM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL);
  if (located != CR_SUCCESS) {
    std::wcerr << L"CM_Locate_DevNodeW failed: "
               << static_cast<unsigned long>(located) << L"\n";
    return false;
  }

  const CONFIGRET reenumerated =
      system32::CM_Reenumerate_DevNode(root, CM_REENUMERATE_SYNCHRONOUS);
  if (reenumerated != CR_SUCCESS) {
    std::wcerr << L"CM_Reenumerate_DevNode failed: "
               << static_cast<unsigned long>(reenumerated) << L"\n";
    return false;
  }

  std::wcout << L"PnP rescan requested.\n";
  return true;
}

}  // namespace tolvane
