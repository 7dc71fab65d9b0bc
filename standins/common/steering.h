#pragma once

// Tests steer the stand-ins by the environment and read their calls in one log.
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

// Appends a UTF-16 line to the file STANDIN_LOG names; failing, it ends all.
inline void Log(const std::wstring& line) {
  if (const wchar_t* path = _wgetenv(L"STANDIN_LOG")) {
    FILE* log = _wfopen(path, L"ab");
    if (!log || std::fwprintf(log, L"%ls\n", line.c_str()) < 0 ||
        std::fclose(log) != 0)
      ExitProcess(97);
  }
}

}  // namespace standin
