// Writes the arguments its C runtime split from the command line to
// standard output: each as raw UTF-16 code units followed by a zero unit.
#include <windows.h>

int wmain(int argc, wchar_t* argv[]) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  for (int i = 1; i < argc; ++i) {
    const DWORD bytes = static_cast<DWORD>((wcslen(argv[i]) + 1) * 2);
    DWORD written = 0;
    if (!WriteFile(out, argv[i], bytes, &written, nullptr) ||
        written != bytes) {
      return 1;
    }
  }
  return 0;
}
