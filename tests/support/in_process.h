#pragma once

#include <windows.h>

#include <cstdlib>

namespace tolvane::testing {

// Points one of this program's imports (__imp_ slot) elsewhere while it lives.
template <typename Function>
struct SwappedImport {
  SwappedImport(Function*& slot, Function* by)
      : slot(slot), original(Write(slot, by)) {}
  ~SwappedImport() { Write(slot, original); }
  SwappedImport(const SwappedImport&) = delete;
  static Function* Write(Function*& slot, Function* value) {  // as a debugger
    Function* const old = slot;  // 8 bytes; the call lifts the protection
    if (!WriteProcessMemory(GetCurrentProcess(), &slot, &value, 8, 0)) abort();
    return old;
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
