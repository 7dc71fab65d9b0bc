#pragma once

// A test steers the stand-ins through the environment of the process under
// test, and reads every call they were made, in order, from one log file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace standin {

// The decimal number in STANDIN_<name>; 0 when it is unset.
inline DWORD Setting(const std::wstring& name) {
  const wchar_t* value = _wgetenv((L"STANDIN_" + name).c_str());
  return value != nullptr ? std::wcstoul(value, nullptr, 10) : 0;
}

// Appends a line, in UTF-8, to the file that STANDIN_LOG names, if it names
// one. A stand-in that cannot keep its record ends the process, as no test
// expects.
inline void Log(const std::wstring& line) {
  if (const wchar_t* path = _wgetenv(L"STANDIN_LOG")) {
    char bytes[4096] = {};
    FILE* log = _wfopen(path, L"ab");
    if (!WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes, 4096, nullptr,
                             nullptr) ||
        log == nullptr || std::fprintf(log, "%s\n", bytes) < 0 ||
        std::fclose(log) != 0) {
      ExitProcess(97);
    }
  }
}

}  // namespace standin
