#pragma once

// What a test needs to watch code that runs in its own process: the
// streams it writes and the platform calls it makes.
#include <windows.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <utility>

namespace tolvane::testing {

// Takes what the code under test writes to std::wcout and std::wcerr.
struct CapturedStreams {
  ~CapturedStreams() {
    std::wcout.rdbuf(oldOut);
    std::wcerr.rdbuf(oldErr);
  }
  std::wostringstream out, err;
  std::wstreambuf* const oldOut = std::wcout.rdbuf(out.rdbuf());
  std::wstreambuf* const oldErr = std::wcerr.rdbuf(err.rdbuf());
};

// Points one of this program's imports (its __imp_ slot) at another function
// while it lives, to see a call that leaves no trace (a sleep, a freed text);
// each write opens the read-only slot for itself, or ends the test program.
template <typename Function>
struct SwappedImport {
  SwappedImport(Function*& slot, Function* by)
      : slot(slot), original(Write(slot, by)) {}
  ~SwappedImport() { Write(slot, original); }
  SwappedImport(const SwappedImport&) = delete;
  static Function* Write(Function*& slot, Function* value) {
    DWORD access = PAGE_READWRITE;
    const bool opened = VirtualProtect(&slot, sizeof slot, access, &access);
    Function* const old = opened ? std::exchange(slot, value) : nullptr;
    if (!opened || !VirtualProtect(&slot, sizeof slot, access, &access)) {
      std::abort();
    }
    return old;
  }
  Function*& slot;
  Function* const original;
};

}  // namespace tolvane::testing
