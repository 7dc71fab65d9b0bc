#pragma once

#include <windows.h>

#include <cstdlib>
#include <utility>

namespace tolvane::testing {

// Points one of this program's imports (__imp_ slot) elsewhere while it lives.
template <typename Function>
struct SwappedImport {
  SwappedImport(Function*& slot, Function* by)
      : slot(slot), original(Write(slot, by)) {}
  ~SwappedImport() { Write(slot, original); }
  SwappedImport(const SwappedImport&) = delete;
  static Function* Write(Function*& slot, Function* value) {
    DWORD access = PAGE_READWRITE;
    if (!VirtualProtect(&slot, sizeof slot, access, &access)) std::abort();
    Function* const old = std::exchange(slot, value);
    if (!VirtualProtect(&slot, sizeof slot, access, &access)) std::abort();
    return old;
  }
  Function*& slot;
  Function* const original;
};

}  // namespace tolvane::testing

// Points this program's import of CALL at BY for the rest of the scope.
#define SWAPPED_IMPORT(call, by)                                \
  extern decltype(&call) call##_import __asm__("__imp_" #call); \
  const ::tolvane::testing::SwappedImport call##_swapped(call##_import, by)
