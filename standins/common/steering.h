#pragma once

// How a test steers a stand-in: through the environment of the process
// under test, which the stand-in reads at each call.
#include <windows.h>

#include <cwchar>
#include <string>

namespace standin {

// The decimal number in the variable; 0 when it is unset or too long.
inline unsigned long NumberFromEnvironment(const wchar_t* name) {
  wchar_t value[32] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 32);
  if (length == 0 || length >= 32) {
    return 0;
  }
  return std::wcstoul(value, nullptr, 10);
}

// Appends text to the file the variable names; nothing when it is unset.
inline void AppendToLog(const wchar_t* variable, const std::string& text) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(variable, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return;
  }
  HANDLE file =
      CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0;
  if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
                 nullptr)) {
    OutputDebugStringA("stand-in: log write failed\n");
  }
  CloseHandle(file);
}

}  // namespace standin
