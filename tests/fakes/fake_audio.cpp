#include "fakes/fake_audio.h"

#include <initguid.h>

#include <functiondiscoverykeys_devpkey.h>

#include <cstring>
#include <optional>
#include <string_view>

extern "C" decltype(&CoTaskMemFree) __imp_CoTaskMemFree;
extern "C" decltype(&PropVariantClear) __imp_PropVariantClear;

#define NOT_USED(method) \
  IFACEMETHODIMP method override { return E_NOTIMPL; }

namespace tolvane::fakes {
namespace {

FakeAudio* g_audio = nullptr;

void WINAPI FreeText(void* text) {
  g_audio->texts.erase(text);
  g_audio->free.original(text);
}

HRESULT WINAPI ClearVariant(PROPVARIANT* value) {
  g_audio->texts.erase(value->vt == VT_LPWSTR ? value->pwszVal : nullptr);
  return g_audio->clear.original(value);
}

}  // namespace

// Any object of the fake: the enumerator with its collection, or an
// endpoint with its property store. The fake owns them all, so a release
// too many shows as a count below zero, not as a crash.
class Fake final : public IMMDeviceEnumerator,
                   public IMMDeviceCollection,
                   public IMMDevice,
                   public IPropertyStore {
 public:
  Fake(FakeAudio& audio, int target, Endpoint endpoint)
      : audio_(audio), target_(target), endpoint_(endpoint) {}

  IFACEMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  IFACEMETHODIMP_(ULONG) AddRef() override { return ++audio_.references; }
  IFACEMETHODIMP_(ULONG) Release() override { return --audio_.references; }

  IFACEMETHODIMP EnumAudioEndpoints(EDataFlow flow, DWORD mask,
                                    IMMDeviceCollection** out) override {
    listed_.clear();
    for (std::size_t i = 4; i < audio_.objects.size(); ++i) {
      if ((audio_.objects[i]->endpoint_.state & ~mask) == 0) {
        listed_.push_back(audio_.objects[i].get());
      }
    }
    return HandOut("EnumAudioEndpoints", flow == audio_.flow ? this : nullptr,
                   out);
  }
  IFACEMETHODIMP GetDefaultAudioEndpoint(EDataFlow flow, ERole role,
                                         IMMDevice** out) override {
    Fake* device = audio_.objects.at(1 + role).get();
    return HandOut("GetDefaultAudioEndpoint",
                   flow == audio_.flow ? device : nullptr, out,
                   kDefault + role);
  }
  IFACEMETHODIMP GetCount(UINT* count) override {
    const std::optional<HRESULT> planned = Planned("GetCount", -1);
    *count = planned ? 7 : static_cast<UINT>(listed_.size());  // any left-over
    return planned.value_or(S_OK);
  }
  IFACEMETHODIMP Item(UINT index, IMMDevice** out) override {
    return HandOut("Item", index < listed_.size() ? listed_[index] : nullptr,
                   out, static_cast<int>(index));
  }
  IFACEMETHODIMP OpenPropertyStore(DWORD access,
                                   IPropertyStore** out) override {
    return HandOut("OpenPropertyStore", access == STGM_READ ? this : nullptr,
                   out, target_);
  }
  IFACEMETHODIMP GetId(LPWSTR* out) override {
    const std::optional<HRESULT> planned = Planned("GetId", target_);
    *out = !planned || audio_.fault.textAnyway ? Text(endpoint_.id) : nullptr;
    return planned.value_or(S_OK);
  }
  IFACEMETHODIMP GetState(DWORD* state) override {
    const std::optional<HRESULT> planned = Planned("GetState", target_);
    *state = planned ? 0xBAD : endpoint_.state;
    return planned.value_or(S_OK);
  }
  IFACEMETHODIMP GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
    PropVariantInit(value);
    const std::optional<HRESULT> planned = Planned("GetValue", target_);
    if (!planned && IsEqualPropertyKey(key, PKEY_Device_FriendlyName)) {
      value->vt = endpoint_.nameType;
      const bool text = endpoint_.nameType == VT_LPWSTR && endpoint_.name;
      value->pwszVal = text ? Text(endpoint_.name) : nullptr;
    }
    return planned.value_or(S_OK);
  }
  NOT_USED(GetDevice(LPCWSTR, IMMDevice**))
  NOT_USED(RegisterEndpointNotificationCallback(IMMNotificationClient*))
  NOT_USED(UnregisterEndpointNotificationCallback(IMMNotificationClient*))
  NOT_USED(Activate(REFIID, DWORD, PROPVARIANT*, void**))
  NOT_USED(GetCount(DWORD*))
  NOT_USED(GetAt(DWORD, PROPERTYKEY*))
  NOT_USED(SetValue(REFPROPERTYKEY, REFPROPVARIANT))
  NOT_USED(Commit())

  // A call that hands out an object: its planned fault, or the object with
  // a reference when there is one.
  template <typename Interface>
  HRESULT HandOut(const char* method, Fake* object, Interface** out,
                  int target = -1) {
    const std::optional<HRESULT> planned = Planned(method, target);
    *out = planned || object == nullptr ? nullptr : object;
    if (*out != nullptr) {
      object->AddRef();
    }
    return planned.value_or(object != nullptr ? S_OK : E_INVALIDARG);
  }

 private:
  std::optional<HRESULT> Planned(const char* method, int target) {
    ++audio_.calls;
    const Fault& fault = audio_.fault;
    return std::string_view(fault.method) == method && fault.target == target
               ? std::optional(fault.result)
               : std::nullopt;
  }
  wchar_t* Text(const wchar_t* text) {
    const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    void* copy = std::memcpy(CoTaskMemAlloc(bytes), text, bytes);
    audio_.texts.insert(copy);
    return static_cast<wchar_t*>(copy);
  }

  FakeAudio& audio_;
  const int target_;
  const Endpoint endpoint_;
  std::vector<Fake*> listed_;
};

FakeAudio::FakeAudio(EDataFlow flow, const std::vector<Endpoint>& endpoints,
                     std::array<const wchar_t*, 3> defaultIds, Fault fault)
    : flow(flow),
      fault(fault),
      free(__imp_CoTaskMemFree, FreeText),
      clear(__imp_PropVariantClear, ClearVariant) {
  g_audio = this;
  objects.push_back(std::make_unique<Fake>(*this, -1, Endpoint{}));
  for (int role = 0; role < 3; ++role) {
    const Endpoint endpoint{defaultIds.at(role), 1, L""};
    objects.push_back(
        endpoint.id ? std::make_unique<Fake>(*this, kDefault + role, endpoint)
                    : nullptr);
  }
  for (const Endpoint& endpoint : endpoints) {
    const int index = static_cast<int>(objects.size()) - 4;
    objects.push_back(std::make_unique<Fake>(*this, index, endpoint));
  }
}

FakeAudio::~FakeAudio() = default;

HRESULT FakeAudio::Create(IMMDeviceEnumerator** out) {
  Fake* enumerator = g_audio->objects.front().get();
  return enumerator->HandOut("CoCreateInstance", enumerator, out);
}

}  // namespace tolvane::fakes
