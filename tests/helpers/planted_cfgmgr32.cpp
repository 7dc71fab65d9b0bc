// A cfgmgr32.dll as an attacker would plant it beside the executable: it
// ends the process with status 99 the moment it is loaded.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ExitProcess(99);
  }
  return TRUE;
}
