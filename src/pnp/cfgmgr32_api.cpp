#include "pnp/cfgmgr32_api.h"

#include "owners/kernel_owners.h"

namespace tolvane::system32 {
namespace {

HMODULE Cfgmgr32() {
  static const UniqueModule module(
      LoadLibraryExW(L"cfgmgr32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  return module.get();
}

template <typename Function>
Function* Lookup(const char* name) {
  HMODULE module = Cfgmgr32();
  if (module == nullptr) {
    return nullptr;
  }
  // GetProcAddress hands out a generic function pointer; the cast to the
  // published signature is the whole point of the lookup.
  return reinterpret_cast<Function*>(
      reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

CONFIGRET CM_Locate_DevNodeW(PDEVINST devInst, DEVINSTID_W deviceId,
                             ULONG flags) {
  static auto* const function =
      Lookup<decltype(::CM_Locate_DevNodeW)>("CM_Locate_DevNodeW");
  if (function == nullptr) {
    return CR_CALL_NOT_IMPLEMENTED;
  }
  return function(devInst, deviceId, flags);
}

CONFIGRET CM_Reenumerate_DevNode(DEVINST devInst, ULONG flags) {
  static auto* const function =
      Lookup<decltype(::CM_Reenumerate_DevNode)>("CM_Reenumerate_DevNode");
  if (function == nullptr) {
    return CR_CALL_NOT_IMPLEMENTED;
  }
  return function(devInst, flags);
}

}  // namespace tolvane::system32
