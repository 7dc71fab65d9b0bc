#pragma once

// The run's COM initialisation on this thread, owned for the run.
#include <windows.h>

#include <objbase.h>

namespace tolvane {

// Holds the outcome of CoInitializeEx and balances it with CoUninitialize
// on every way out, but only when this owner made an initialisation: a
// thread already in the other concurrency model (RPC_E_CHANGED_MODE) is
// used as it is and left as it was.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) {
      CoUninitialize();
    }
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  bool usable() const {
    return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE;
  }
  HRESULT result() const { return result_; }

 private:
  const HRESULT result_;
};

}  // namespace tolvane
