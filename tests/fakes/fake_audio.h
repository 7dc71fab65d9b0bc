#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <propsys.h>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace tolvane::fakes {

// How a planned fault shows itself.
enum class FaultMode {
  kFail,          // return the failure code, hand out nothing
  kNullOut,       // return S_OK, hand out nothing
  kFailWithText,  // GetId only: return the failure code but hand out a text
};

struct Fault {
  HRESULT result = E_FAIL;
  FaultMode mode = FaultMode::kFail;
};

// A call the report made: the method and the object it was made on
// ("enumerator", "collection", "ep3", "default-console", ...).
struct Call {
  std::string method;
  std::string target;
  bool operator<(const Call& other) const {
    return std::tie(method, target) < std::tie(other.method, other.target);
  }
  bool operator==(const Call&) const = default;
};

// Shared by all fakes of one scenario: the calls made, the faults planned,
// and the texts handed out that the caller has to free.
class Ledger {
 public:
  std::optional<Fault> Enter(const char* method, const std::string& target);
  void Plan(const Call& call, Fault fault) { faults_[call] = fault; }

  wchar_t* HandOutText(const std::wstring& text);
  void NoteFree(void* memory);

  bool keepCalls = true;  // the benchmark only counts
  std::vector<Call> calls;
  std::size_t callCount = 0;
  std::size_t releaseCount = 0;
  std::set<void*> liveTexts;
  std::size_t textsHandedOut = 0;
  std::size_t textsFreed = 0;

 private:
  std::map<Call, Fault> faults_;
};

// Routes CoTaskMemFree through the ledger, so a test sees every text the
// code under test gives back. One per process; installed by the tests.
void WatchFrees(Ledger* ledger);

enum class NameKind { kText, kEmpty, kOtherType, kNullText };

struct EndpointSpec {
  std::wstring id;
  DWORD state = DEVICE_STATE_ACTIVE;
  std::wstring name;
  NameKind nameKind = NameKind::kText;
};

class FakeEnumerator;
class FakeDevice;
class FakeCollection;
class FakePropertyStore;

// One enumerator with its collection of endpoints and, per role, a
// separate device object that stands for the default endpoint (an empty
// id: no default for that role).
class FakeAudio {
 public:
  FakeAudio(const std::vector<EndpointSpec>& endpoints,
            const std::array<std::wstring, 3>& defaultIds);
  ~FakeAudio();

  IMMDeviceEnumerator* enumerator();
  Ledger ledger;

  // Objects whose reference count is not back where the scenario left it.
  std::vector<std::string> Unbalanced() const;
  // The flow and state mask EnumAudioEndpoints was called with.
  std::vector<std::pair<EDataFlow, DWORD>> enumerations() const;

 private:
  std::vector<std::unique_ptr<FakeDevice>> devices_;
  std::vector<std::unique_ptr<FakeDevice>> defaults_;
  std::unique_ptr<FakeCollection> collection_;
  std::unique_ptr<FakeEnumerator> enumerator_;
};

}  // namespace tolvane::fakes
