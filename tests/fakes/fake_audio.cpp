#include "fakes/fake_audio.h"

#include <cstring>

namespace tolvane::fakes {
namespace {

const PROPERTYKEY kFriendlyName = {
    {0xA45C254E,
     0xDF1C,
     0x4EFD,
     {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}},
    14};

const char* const kRoleTargets[] = {"default-console", "default-multimedia",
                                    "default-communications"};

// Reference counting as a real callee does it, except that the scenario's
// own reference keeps the object alive: a release too many shows up as an
// unbalanced count instead of a crash.
template <typename Interface>
class FakeUnknown : public Interface {
 public:
  FakeUnknown(Ledger& ledger, std::string target)
      : ledger_(ledger), target_(std::move(target)) {}
  virtual ~FakeUnknown() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) {
      return E_POINTER;
    }
    *out = nullptr;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ++ledger_.releaseCount;
    return --refs_;
  }

  long refs() const { return refs_; }
  const std::string& target() const { return target_; }

  // Hands this object out through an out-pointer, with its reference.
  template <typename Out>
  void HandOut(Out** out) {
    AddRef();
    *out = this;
  }

 protected:
  Ledger& ledger_;
  std::string target_;

 private:
  long refs_ = 1;
};

// Runs a planned fault for an object-returning call; true when the call
// has been answered by it.
template <typename Out>
bool Faulted(const std::optional<Fault>& fault, Out** out, HRESULT* result) {
  if (!fault) {
    return false;
  }
  *out = nullptr;
  *result = fault->mode == FaultMode::kNullOut ? S_OK : fault->result;
  return true;
}

}  // namespace

class FakePropertyStore final : public FakeUnknown<IPropertyStore> {
 public:
  FakePropertyStore(Ledger& ledger, std::string target, EndpointSpec endpoint)
      : FakeUnknown(ledger, std::move(target)),
        endpoint_(std::move(endpoint)) {}

  HRESULT STDMETHODCALLTYPE GetCount(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit() override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key,
                                     PROPVARIANT* value) override {
    const auto fault = ledger_.Enter("GetValue", target_);
    PropVariantInit(value);
    if (fault) {
      return fault->result;
    }
    if (!IsEqualPropertyKey(key, kFriendlyName)) {
      return S_OK;
    }
    switch (endpoint_.nameKind) {
      case NameKind::kText:
        value->vt = VT_LPWSTR;
        value->pwszVal = ledger_.HandOutText(endpoint_.name);
        break;
      case NameKind::kEmpty:
        break;
      case NameKind::kOtherType:
        value->vt = VT_UI4;
        value->ulVal = 7;
        break;
      case NameKind::kNullText:
        value->vt = VT_LPWSTR;
        break;
    }
    return S_OK;
  }

 private:
  EndpointSpec endpoint_;
};

class FakeDevice final : public FakeUnknown<IMMDevice> {
 public:
  FakeDevice(Ledger& ledger, std::string target, EndpointSpec endpoint)
      : FakeUnknown(ledger, target),
        endpoint_(endpoint),
        store_(ledger, target + "-store", endpoint) {}

  HRESULT STDMETHODCALLTYPE Activate(REFIID, DWORD, PROPVARIANT*,
                                     void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access,
                                              IPropertyStore** out) override {
    HRESULT result = S_OK;
    if (Faulted(ledger_.Enter("OpenPropertyStore", target_), out, &result)) {
      return result;
    }
    if (access != STGM_READ) {
      return E_ACCESSDENIED;
    }
    store_.HandOut(out);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetId(LPWSTR* out) override {
    const auto fault = ledger_.Enter("GetId", target_);
    *out = nullptr;
    if (fault) {
      if (fault->mode == FaultMode::kFailWithText) {
        *out = ledger_.HandOutText(endpoint_.id);
      }
      return fault->mode == FaultMode::kNullOut ? S_OK : fault->result;
    }
    *out = ledger_.HandOutText(endpoint_.id);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override {
    if (const auto fault = ledger_.Enter("GetState", target_)) {
      return fault->result;
    }
    *state = endpoint_.state;
    return S_OK;
  }

  const FakePropertyStore& store() const { return store_; }

 private:
  friend class FakeCollection;
  friend class FakeEnumerator;
  EndpointSpec endpoint_;
  FakePropertyStore store_;
};

class FakeCollection final : public FakeUnknown<IMMDeviceCollection> {
 public:
  FakeCollection(Ledger& ledger,
                 const std::vector<std::unique_ptr<FakeDevice>>& devices)
      : FakeUnknown(ledger, "collection"), devices_(devices) {}

  HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override {
    if (const auto fault = ledger_.Enter("GetCount", target_)) {
      *count = 7;  // a failing callee may leave anything behind
      return fault->result;
    }
    *count = static_cast<UINT>(devices_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Item(UINT index, IMMDevice** out) override {
    HRESULT result = S_OK;
    if (Faulted(ledger_.Enter("Item", "ep" + std::to_string(index)), out,
                &result)) {
      return result;
    }
    *out = nullptr;
    if (index >= devices_.size()) {
      return E_INVALIDARG;
    }
    devices_[index]->HandOut(out);
    return S_OK;
  }

 private:
  const std::vector<std::unique_ptr<FakeDevice>>& devices_;
};

class FakeEnumerator final : public FakeUnknown<IMMDeviceEnumerator> {
 public:
  FakeEnumerator(Ledger& ledger, FakeCollection& collection,
                 const std::vector<std::unique_ptr<FakeDevice>>& defaults)
      : FakeUnknown(ledger, "enumerator"),
        collection_(collection),
        defaults_(defaults) {}

  HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(
      EDataFlow flow, DWORD mask, IMMDeviceCollection** out) override {
    enumerations.emplace_back(flow, mask);
    HRESULT result = S_OK;
    if (Faulted(ledger_.Enter("EnumAudioEndpoints", target_), out, &result)) {
      return result;
    }
    collection_.HandOut(out);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow, ERole role,
                                                    IMMDevice** out) override {
    HRESULT result = S_OK;
    if (Faulted(ledger_.Enter("GetDefaultAudioEndpoint", kRoleTargets[role]),
                out, &result)) {
      return result;
    }
    *out = nullptr;
    if (!defaults_[role]) {
      return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    }
    defaults_[role]->HandOut(out);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR, IMMDevice**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE
  RegisterEndpointNotificationCallback(IMMNotificationClient*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE
  UnregisterEndpointNotificationCallback(IMMNotificationClient*) override {
    return E_NOTIMPL;
  }

  std::vector<std::pair<EDataFlow, DWORD>> enumerations;

 private:
  FakeCollection& collection_;
  const std::vector<std::unique_ptr<FakeDevice>>& defaults_;
};

std::optional<Fault> Ledger::Enter(const char* method,
                                   const std::string& target) {
  ++callCount;
  Call call{method, target};
  const auto planned = faults_.find(call);
  if (keepCalls) {
    calls.push_back(std::move(call));
  }
  if (planned == faults_.end()) {
    return std::nullopt;
  }
  return planned->second;
}

wchar_t* Ledger::HandOutText(const std::wstring& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  auto* memory = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
  std::memcpy(memory, text.c_str(), bytes);
  liveTexts.insert(memory);
  ++textsHandedOut;
  return memory;
}

void Ledger::NoteFree(void* memory) {
  if (liveTexts.erase(memory) > 0) {
    ++textsFreed;
  }
}

namespace {

Ledger* g_watched = nullptr;

class FreeSpy final : public IMallocSpy {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IMallocSpy)) {
      *out = this;
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
  void* STDMETHODCALLTYPE PostAlloc(void* actual) override { return actual; }
  void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override {
    if (g_watched != nullptr && request != nullptr) {
      g_watched->NoteFree(request);
    }
    return request;
  }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** out,
                                      BOOL) override {
    *out = request;
    return size;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override {
    return actual;
  }
  void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override {
    return request;
  }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override {
    return actual;
  }
  void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override {
    return request;
  }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override {
    return actual;
  }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

}  // namespace

void WatchFrees(Ledger* ledger) {
  static FreeSpy spy;
  static const bool registered = SUCCEEDED(CoRegisterMallocSpy(&spy));
  (void)registered;
  g_watched = ledger;
}

FakeAudio::FakeAudio(const std::vector<EndpointSpec>& endpoints,
                     const std::array<std::wstring, 3>& defaultIds) {
  for (std::size_t i = 0; i < endpoints.size(); ++i) {
    devices_.push_back(std::make_unique<FakeDevice>(
        ledger, "ep" + std::to_string(i), endpoints[i]));
  }
  for (std::size_t role = 0; role < defaultIds.size(); ++role) {
    defaults_.push_back(
        defaultIds[role].empty()
            ? nullptr
            : std::make_unique<FakeDevice>(
                  ledger, kRoleTargets[role],
                  EndpointSpec{defaultIds[role], DEVICE_STATE_ACTIVE, L"",
                               NameKind::kText}));
  }
  collection_ = std::make_unique<FakeCollection>(ledger, devices_);
  enumerator_ =
      std::make_unique<FakeEnumerator>(ledger, *collection_, defaults_);
  WatchFrees(&ledger);
}

FakeAudio::~FakeAudio() { WatchFrees(nullptr); }

IMMDeviceEnumerator* FakeAudio::enumerator() { return enumerator_.get(); }

std::vector<std::pair<EDataFlow, DWORD>> FakeAudio::enumerations() const {
  return enumerator_->enumerations;
}

std::vector<std::string> FakeAudio::Unbalanced() const {
  std::vector<std::string> unbalanced;
  auto check = [&](const auto& object) {
    if (object.refs() != 1) {
      unbalanced.push_back(object.target() + " refs " +
                           std::to_string(object.refs()));
    }
  };
  check(*enumerator_);
  check(*collection_);
  for (const auto& group : {&devices_, &defaults_}) {
    for (const auto& device : *group) {
      if (device) {
        check(*device);
        check(device->store());
      }
    }
  }
  return unbalanced;
}

}  // namespace tolvane::fakes
