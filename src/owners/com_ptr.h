#pragma once

// Owners of what COM callees hand out: interface references, given back
// with Release, and texts allocated with CoTaskMemAlloc, freed with
// CoTaskMemFree.
#include <windows.h>

#include <objbase.h>

#include <utility>

#include "owners/unique_resource.h"

namespace tolvane {

// Owns one reference to a COM interface. put() empties the holder before
// handing out its slot, so every out-pointer is null before the call that
// fills it, and reset() gives the reference back at the point the caller
// chooses.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  Interface** put() {
    reset();
    return &pointer_;
  }

  void reset() {
    if (Interface* old = std::exchange(pointer_, nullptr)) {
      // The count Release returns is for diagnostics only.
      old->Release();
    }
  }

 private:
  Interface* pointer_ = nullptr;
};

namespace detail {
inline void FreeCoTaskText(wchar_t* text) { CoTaskMemFree(text); }
}  // namespace detail

// A text that a COM callee allocated for us (an endpoint id); null owns
// nothing.
using CoTaskText = UniqueResource<wchar_t*, detail::FreeCoTaskText>;

}  // namespace tolvane
