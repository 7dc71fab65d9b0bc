#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <array>
#include <memory>
#include <set>
#include <vector>

#include "support/in_process.h"

namespace tolvane::fakes {

struct Endpoint {
  const wchar_t* id;
  DWORD state;
  const wchar_t* name;           // null: the name is a null string
  VARTYPE nameType = VT_LPWSTR;  // VT_EMPTY: the endpoint has no name
};

// A default endpoint is an object of its own; faults name it kDefault + role.
constexpr int kDefault = 100;

// The one call that fails: its method, its object (an endpoint's index,
// kDefault + a role, or -1), its result (S_OK: it hands out nothing), and
// whether a GetId hands out its text all the same.
struct Fault {
  const char* method = "";
  int target = -1;
  HRESULT result = E_FAIL;
  bool textAnyway = false;
};

class Fake;

// The endpoints of one data flow behind the report's four interfaces, which
// hand out references and texts as the platform does; this program's
// CoTaskMemFree and PropVariantClear tell it which texts came back.
struct FakeAudio {
  FakeAudio(EDataFlow flow, const std::vector<Endpoint>& endpoints,
            std::array<const wchar_t*, 3> defaultIds, Fault fault = {});
  ~FakeAudio();
  static HRESULT Create(IMMDeviceEnumerator** out);  // of the one that lives

  long references = 0;    // handed out and not yet released
  std::set<void*> texts;  // handed out and not yet freed
  std::size_t calls = 0;
  const EDataFlow flow;
  const Fault fault;
  std::vector<std::unique_ptr<Fake>> objects;  // enumerator, defaults, rest
  const testing::SwappedImport<decltype(CoTaskMemFree)> free;
  const testing::SwappedImport<decltype(PropVariantClear)> clear;
};

}  // namespace tolvane::fakes
