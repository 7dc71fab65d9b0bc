#include "audio/endpoint_report.h"

#include <iostream>
#include <string_view>
#include <vector>

#include "diag/system_message.h"
#include "owners/com_ptr.h"
#include "owners/scoped_propvariant.h"

namespace tolvane {
namespace {

// PKEY_Device_FriendlyName, spelled out so that no GUID library is needed.
constexpr PROPERTYKEY kFriendlyNameKey = {
    {0xA45C254E,
     0xDF1C,
     0x4EFD,
     {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}},
    14};

constexpr struct {
  ERole role;
  const wchar_t* name;
} kRoles[] = {
    {eConsole, L"console"},
    {eMultimedia, L"multimedia"},
    {eCommunications, L"communications"},
};

std::wstring Reason(HRESULT result) {
  return FormatSystemMessage(static_cast<std::uint32_t>(result));
}

void ReportEndpoint(IMMDeviceEnumerator* enumerator,
                    IMMDeviceCollection* collection, EDataFlow flow,
                    UINT index) {
  ComPtr<IMMDevice> endpoint;
  const HRESULT itemResult = collection->Item(index, endpoint.put());
  if (FAILED(itemResult) || !endpoint) {
    std::wcerr << L"  #" << index << L": failed to open device: "
               << Reason(itemResult) << L"\n";
    return;
  }

  CoTaskText idText;
  const HRESULT idResult = endpoint->GetId(idText.put());
  DWORD state = 0;
  const HRESULT stateResult = endpoint->GetState(&state);

  const std::wstring id =
      SUCCEEDED(idResult) && idText ? idText.get() : L"<missing id>";
  const std::wstring name = ReadFriendlyName(endpoint.get());
  std::vector<std::wstring_view> roles;
  for (const auto& role : kRoles) {
    if (IsDefaultEndpoint(enumerator, flow, role.role, id)) {
      roles.push_back(role.name);
    }
  }

  std::wcout << L"  #" << index << L": " << name << L"\n";
  std::wcout << L"      state: "
             << (FAILED(stateResult) ? L"<unknown>" : EndpointStateName(state))
             << L"\n";
  if (!roles.empty()) {
    std::wcout << L"      default: ";
    for (std::size_t i = 0; i < roles.size(); ++i) {
      std::wcout << (i == 0 ? L"" : L", ") << roles[i];
    }
    std::wcout << L"\n";
  }
  std::wcout << L"      id: " << id << L"\n";

  idText.reset();
  endpoint.reset();
}

}  // namespace

HRESULT CreateEndpointEnumerator(IMMDeviceEnumerator** enumerator) {
  return CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                          __uuidof(IMMDeviceEnumerator),
                          reinterpret_cast<void**>(enumerator));
}

bool ListEndpoints(EDataFlow flow, EnumeratorSource source) {
  ComPtr<IMMDeviceEnumerator> enumerator;
  const HRESULT createResult = source(enumerator.put());
  if (FAILED(createResult) || !enumerator) {
    std::wcerr << L"Failed to create MMDeviceEnumerator: "
               << Reason(createResult) << L"\n";
    return false;
  }

  ComPtr<IMMDeviceCollection> collection;
  const HRESULT enumResult = enumerator->EnumAudioEndpoints(
      flow, DEVICE_STATEMASK_ALL, collection.put());
  if (FAILED(enumResult) || !collection) {
    std::wcerr << L"EnumAudioEndpoints(" << DataFlowName(flow) << L") failed: "
               << Reason(enumResult) << L"\n";
    return false;
  }

  UINT count = 0;
  if (FAILED(collection->GetCount(&count))) {
    // Whatever a failing callee left there, the report shows no endpoints.
    count = 0;
  }
  std::wcout << L"[" << DataFlowName(flow) << L"] " << count << L" device(s)\n";
  for (UINT index = 0; index < count; ++index) {
    ReportEndpoint(enumerator.get(), collection.get(), flow, index);
  }

  collection.reset();
  enumerator.reset();
  return true;
}

std::wstring DataFlowName(EDataFlow flow) {
  switch (static_cast<int>(flow)) {
    case eRender:
      return L"render";
    case eCapture:
      return L"capture";
    default:
      return L"unknown";
  }
}

std::wstring EndpointStateName(DWORD state) {
  switch (state) {
    case DEVICE_STATE_ACTIVE:
      return L"active";
    case DEVICE_STATE_DISABLED:
      return L"disabled";
    case DEVICE_STATE_NOTPRESENT:
      return L"not_present";
    case DEVICE_STATE_UNPLUGGED:
      return L"unplugged";
    default:
      return L"unknown";
  }
}

std::wstring ReadFriendlyName(IMMDevice* endpoint) {
  ComPtr<IPropertyStore> store;
  const HRESULT openResult =
      endpoint->OpenPropertyStore(STGM_READ, store.put());
  if (FAILED(openResult) || !store) {
    return L"<failed to open property store>";
  }
  ScopedPropVariant value;
  const HRESULT valueResult =
      store->GetValue(kFriendlyNameKey, value.Receive());
  store.reset();
  if (SUCCEEDED(valueResult) && value.get().vt == VT_LPWSTR &&
      value.get().pwszVal != nullptr) {
    return value.get().pwszVal;
  }
  return L"<unnamed device>";
}

bool IsDefaultEndpoint(IMMDeviceEnumerator* enumerator, EDataFlow flow,
                       ERole role, const std::wstring& id) {
  ComPtr<IMMDevice> device;
  const HRESULT defaultResult =
      enumerator->GetDefaultAudioEndpoint(flow, role, device.put());
  if (FAILED(defaultResult) || !device) {
    return false;
  }
  CoTaskText defaultId;
  const HRESULT idResult = device->GetId(defaultId.put());
  const bool match = SUCCEEDED(idResult) && defaultId &&
                     std::wstring_view(defaultId.get()) == id;
  defaultId.reset();
  device.reset();
  return match;
}

}  // namespace tolvane
