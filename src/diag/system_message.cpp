#include "diag/system_message.h"

#include <windows.h>

#include "owners/kernel_owners.h"

namespace tolvane {

std::wstring FormatSystemMessage(std::uint32_t code) {
  UniqueLocalText buffer;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
          FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
      reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
  if (length == 0 || !buffer) {
    return L"Unknown error";
  }
  std::wstring text(buffer.get(), length);
  buffer.reset();
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) {
    text.pop_back();
  }
  return text;
}

}  // namespace tolvane
