// Imports cfgmgr32 the usual way, statically: the control that shows a
// planted copy beside the executable would be loaded.
#include <windows.h>

#include <cfgmgr32.h>

int wmain() {
  DEVINST root = 0;
  return CM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) ==
                 CR_SUCCESS
             ? 0
             : 1;
}
