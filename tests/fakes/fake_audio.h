#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <initguid.h>  // defines the key that the next header declares

#include <functiondiscoverykeys_devpkey.h>

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "support/in_process.h"

#define NOT_USED(method) \
  IFACEMETHODIMP method override { return E_NOTIMPL; }

namespace tolvane::fakes {

// One endpoint and each call's answer: objects only with S_OK, texts always.
struct Endpoint {
  const wchar_t* id = L"{a}";
  DWORD state = DEVICE_STATE_ACTIVE;
  const wchar_t* name = L"A";  // null: a null string
  VARTYPE type = VT_LPWSTR;    // VT_EMPTY: the endpoint has no name
  HRESULT item = S_OK, getId = S_OK, getState = S_OK, store = S_OK,
          getValue = S_OK;
};

// One data flow's endpoints, each role's default, the collection's answers.
struct Plan {
  std::vector<Endpoint> endpoints = {};
  std::array<std::optional<Endpoint>, 3> defaults = {};
  EDataFlow flow = eRender;
  HRESULT create = S_OK, enumerate = S_OK, count = S_OK;
};

struct Fake;

// The plan behind four interfaces, counting what goes out and comes back.
struct FakeAudio {
  explicit FakeAudio(Plan plan);
  static HRESULT Create(IMMDeviceEnumerator** out);  // of the one that lives
  const Plan plan;
  long references = 0;    // handed out and not yet released
  std::set<void*> texts;  // handed out and not yet freed
  std::size_t calls = 0;  // made on the four interfaces
  std::vector<std::unique_ptr<Fake>> objects;  // enumerator, defaults, rest
  const testing::SwappedImport<decltype(CoTaskMemFree)> free;
  const testing::SwappedImport<decltype(PropVariantClear)> clear;
};
inline FakeAudio* g_audio = nullptr;

// The enumerator and collection, or an endpoint and store; a release too
// many shows as a count, not a crash.
struct Fake final : public IMMDeviceEnumerator,
                    public IMMDeviceCollection,
                    public IMMDevice,
                    public IPropertyStore {
  Fake(FakeAudio& audio, const Endpoint& endpoint)
      : audio_(audio), endpoint_(endpoint) {}

  NOT_USED(QueryInterface(REFIID, void**))
  IFACEMETHODIMP_(ULONG) AddRef() override { return ++audio_.references; }
  IFACEMETHODIMP_(ULONG) Release() override { return --audio_.references; }

  IFACEMETHODIMP EnumAudioEndpoints(EDataFlow flow, DWORD mask,
                                    IMMDeviceCollection** out) override {
    listed_.clear();
    for (auto i = audio_.objects.begin() + 4; i != audio_.objects.end(); ++i) {
      if (((*i)->endpoint_.state & ~mask) == 0) listed_.push_back(i->get());
    }
    return HandOut(flow == plan_.flow ? plan_.enumerate : E_INVALIDARG, this,
                   out);
  }
  IFACEMETHODIMP GetDefaultAudioEndpoint(EDataFlow flow, ERole role,
                                         IMMDevice** out) override {
    Fake* device = audio_.objects.at(1 + role).get();
    return HandOut(flow == plan_.flow && device ? S_OK : E_INVALIDARG, device,
                   out);
  }
  IFACEMETHODIMP GetCount(UINT* count) override {  // failing, it leaves junk
    *count = SUCCEEDED(plan_.count) ? static_cast<UINT>(listed_.size()) : 7;
    return Answer(plan_.count);
  }
  IFACEMETHODIMP Item(UINT index, IMMDevice** out) override {
    Fake* device = index < listed_.size() ? listed_[index] : nullptr;
    return HandOut(device ? device->endpoint_.item : E_INVALIDARG, device, out);
  }
  IFACEMETHODIMP OpenPropertyStore(DWORD access,
                                   IPropertyStore** out) override {
    return HandOut(access == STGM_READ ? endpoint_.store : E_ACCESSDENIED, this,
                   out);
  }
  IFACEMETHODIMP GetId(LPWSTR* out) override {
    return *out = Text(endpoint_.id), Answer(endpoint_.getId);
  }
  IFACEMETHODIMP GetState(DWORD* state) override {
    return *state = endpoint_.state, Answer(endpoint_.getState);
  }
  // The name is under its one key, others are empty; a number is its type.
  IFACEMETHODIMP GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
    PropVariantInit(value);
    value->vt = key == PKEY_Device_FriendlyName ? endpoint_.type : VARTYPE{};
    value->ulVal = value->vt;  // VT_UI4: 19, which no reader takes for a text
    if (value->vt == VT_LPWSTR) value->pwszVal = Text(endpoint_.name);
    return Answer(endpoint_.getValue);
  }
  NOT_USED(GetDevice(LPCWSTR, IMMDevice**))
  NOT_USED(RegisterEndpointNotificationCallback(IMMNotificationClient*))
  NOT_USED(UnregisterEndpointNotificationCallback(IMMNotificationClient*))
  NOT_USED(Activate(REFIID, DWORD, PROPVARIANT*, void**))
  NOT_USED(GetCount(DWORD*))
  NOT_USED(GetAt(DWORD, PROPERTYKEY*))
  NOT_USED(SetValue(REFPROPERTYKEY, REFPROPVARIANT))
  NOT_USED(Commit())

  // The object, with a reference, when the call answers S_OK.
  template <typename Interface>
  HRESULT HandOut(HRESULT result, Fake* object, Interface** out) {
    *out = result == S_OK ? object : nullptr;
    if (*out != nullptr) object->AddRef();
    return Answer(result);
  }
  HRESULT Answer(HRESULT result) { return ++audio_.calls, result; }
  wchar_t* Text(const wchar_t* text) {
    if (text == nullptr) return nullptr;
    const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    void* const copy = std::memcpy(CoTaskMemAlloc(bytes), text, bytes);
    return static_cast<wchar_t*>(*audio_.texts.insert(copy).first);
  }

  FakeAudio& audio_;
  const Plan& plan_ = audio_.plan;
  const Endpoint endpoint_;
  std::vector<Fake*> listed_;
};

inline FakeAudio::FakeAudio(Plan plan)
    : plan(std::move(plan)),
      free(IMPORT_SLOT(CoTaskMemFree),
           [](void* text) {  // one freed twice is one kept
             g_audio->texts.erase(text) ? g_audio->free.original(text)
                                        : void(g_audio->texts.insert(0));
           }),
      clear(IMPORT_SLOT(PropVariantClear), [](PROPVARIANT* value) {
        g_audio->texts.erase(value->vt == VT_LPWSTR ? value->pwszVal : 0);
        return g_audio->clear.original(value);
      }) {
  g_audio = this;
  objects.push_back(std::make_unique<Fake>(*this, Endpoint{}));
  for (const std::optional<Endpoint>& endpoint : this->plan.defaults)
    objects.push_back(endpoint ? std::make_unique<Fake>(*this, *endpoint)
                               : nullptr);
  for (const Endpoint& endpoint : this->plan.endpoints)
    objects.push_back(std::make_unique<Fake>(*this, endpoint));
}

inline HRESULT FakeAudio::Create(IMMDeviceEnumerator** out) {
  Fake* enumerator = g_audio->objects.front().get();
  return enumerator->HandOut(g_audio->plan.create, enumerator, out);
}

}  // namespace tolvane::fakes
