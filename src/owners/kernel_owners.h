#pragma once

// Owners of what kernel32 hands out. Each closes what it holds with the one
// function that gives it back, when its owner goes or is reset.
#include <windows.h>

#include "owners/unique_resource.h"

namespace tolvane {

namespace detail {
// A failed release changes nothing for the caller, which is done with the
// resource either way.
inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
inline void ReleaseModule(HMODULE module) { FreeLibrary(module); }
inline void FreeLocal(wchar_t* memory) { LocalFree(memory); }
}  // namespace detail

// A kernel handle (a token, a process), closed with CloseHandle; null owns
// nothing. Functions that report failure with INVALID_HANDLE_VALUE need
// their result checked before it is put here.
using UniqueHandle = UniqueResource<HANDLE, detail::CloseKernelHandle>;

// A loaded DLL, released with FreeLibrary.
using UniqueModule = UniqueResource<HMODULE, detail::ReleaseModule>;

// A text the system allocated with LocalAlloc for us (FormatMessage's
// FORMAT_MESSAGE_ALLOCATE_BUFFER), freed with LocalFree.
using UniqueLocalText = UniqueResource<wchar_t*, detail::FreeLocal>;

}  // namespace tolvane
