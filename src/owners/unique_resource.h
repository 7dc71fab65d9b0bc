#pragma once

#include <utility>

namespace tolvane {

// One owner type per kind of platform resource: the type names how the
// resource is given back and which value means "nothing owned", so no call
// site can pair a handle with the wrong release function. The aliases for
// each kind live beside it: kernel_owners.h and com_ptr.h.
template <typename T, auto Close, T Invalid = T{}>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  ~UniqueResource() { reset(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  T get() const { return value_; }
  bool valid() const { return value_ != Invalid; }
  explicit operator bool() const { return valid(); }

  // For out-parameters: gives back what is held, then hands out the slot.
  T* put() {
    reset();
    return &value_;
  }

  void reset() {
    if (T old = std::exchange(value_, Invalid); old != Invalid) {
      Close(old);
    }
  }

 private:
  T value_ = Invalid;
};

}  // namespace tolvane
