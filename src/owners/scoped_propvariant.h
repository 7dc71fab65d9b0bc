#pragma once

#include <windows.h>

#include <propidl.h>

namespace tolvane {

// One PROPVARIANT that starts empty and is cleared with PropVariantClear on
// every way out of its scope, so a string the property store allocated is
// always given back.
class ScopedPropVariant {
 public:
  ScopedPropVariant() { PropVariantInit(&value_); }
  ~ScopedPropVariant() { Clear(); }
  ScopedPropVariant(const ScopedPropVariant&) = delete;
  ScopedPropVariant& operator=(const ScopedPropVariant&) = delete;

  // The slot for a call that fills the variant; whatever it held is
  // cleared first.
  PROPVARIANT* Receive() {
    Clear();
    return &value_;
  }
  const PROPVARIANT& get() const { return value_; }

 private:
  void Clear() {
    if (FAILED(PropVariantClear(&value_))) {
      // A variant that cannot be cleared is of a type nobody put there;
      // forget it rather than clear it twice.
      PropVariantInit(&value_);
    }
  }

  PROPVARIANT value_;
};

}  // namespace tolvane
