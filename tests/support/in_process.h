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
  static Function* Write(Function*& slot, Function* value) {  // left writable
    DWORD was = 0;
    if (!VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &was)) abort();
    return std::exchange(slot, value);
  }
  Function*& slot;
  Function* const original;
};

}  // namespace tolvane::testing

// This program's import of CALL: its __imp_ slot, as the loader filled it.
#define IMPORT_SLOT(call)                                       \
  ([]() -> auto& {                                              \
    extern decltype(&call) call##_slot __asm__("__imp_" #call); \
    return call##_slot;                                         \
  }())

// Points this program's import of CALL at BY for the rest of the scope.
#define SWAPPED_IMPORT(call, by) \
  const ::tolvane::testing::SwappedImport call##_swapped(IMPORT_SLOT(call), by)
