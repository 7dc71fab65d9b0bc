#pragma once

#include <windows.h>

#include "diag/unique_resource.h"

namespace tolvane {

namespace detail {
inline void CloseKernelHandle(HANDLE handle) {
  // A handle we opened ourselves; a failed close changes nothing for the
  // caller, which is done with it either way.
  CloseHandle(handle);
}
}  // namespace detail

// A kernel handle (a token, a process) that is closed when its owner
// goes. Functions that report failure with INVALID_HANDLE_VALUE need their
// result checked before it is put here.
using UniqueHandle = UniqueResource<HANDLE, detail::CloseKernelHandle>;

}  // namespace tolvane
