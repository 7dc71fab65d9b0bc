#include "elevation/executable_path.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "owners/kernel_owners.h"

namespace tolvane {

void UseFinalPath(wchar_t (&path)[MAX_PATH]) {
  const HANDLE file =
      CreateFileW(path, FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  const UniqueHandle owned(file);
  // Room for the longest final path whose shell form still fits: the UNC
  // form loses six characters on the way, the local one four.
  wchar_t finalPath[MAX_PATH + 6] = {};
  const DWORD length = GetFinalPathNameByHandleW(
      file, finalPath, static_cast<DWORD>(std::size(finalPath)),
      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0 || length >= std::size(finalPath)) {
    return;
  }
  // The shell refuses the "\\?\" forms that the final path comes in, so
  // they go back to the usual ones.
  constexpr std::wstring_view kUnc = L"\\\\?\\UNC\\", kLocal = L"\\\\?\\";
  const std::wstring_view given(finalPath, length);
  std::wstring shellForm;
  if (given.starts_with(kUnc)) {
    shellForm = L"\\\\" + std::wstring(given.substr(kUnc.size()));
  } else if (given.starts_with(kLocal)) {
    shellForm = given.substr(kLocal.size());
  }
  if (shellForm.empty() || shellForm.size() >= MAX_PATH) {
    return;
  }
  std::fill(std::begin(path), std::end(path), L'\0');
  shellForm.copy(path, shellForm.size());
}

}  // namespace tolvane
