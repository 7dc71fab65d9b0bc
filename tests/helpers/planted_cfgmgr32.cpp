// A DLL planted beside the executable: loaded, it ends the process with 99.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ExitProcess(99);
  return TRUE;
}
