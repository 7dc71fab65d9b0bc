#include "audio/endpoint_report.h"

#include <gtest/gtest.h>

#include <set>

#include "diag/system_message.h"
#include "fakes/fake_audio.h"
#include "support/capture.h"

namespace tolvane {
namespace {

using fakes::Call;
using fakes::EndpointSpec;
using fakes::FakeAudio;
using fakes::Fault;
using fakes::FaultMode;
using fakes::NameKind;

FakeAudio* g_audio = nullptr;

HRESULT FakeSource(IMMDeviceEnumerator** out) {
  *out = g_audio->enumerator();
  (*out)->AddRef();
  return S_OK;
}

struct Report {
  bool ok;
  std::wstring out;
  std::wstring err;
};

// Runs the report over the fake and checks what every run must leave
// behind: each reference handed out given back once, each text freed once.
Report RunReport(FakeAudio& audio, EDataFlow flow = eRender,
                 EnumeratorSource source = FakeSource) {
  g_audio = &audio;
  testing::CapturedStreams streams;
  const bool ok = ListEndpoints(flow, source);
  EXPECT_EQ(audio.Unbalanced(), std::vector<std::string>{});
  EXPECT_TRUE(audio.ledger.liveTexts.empty())
      << audio.ledger.liveTexts.size() << " texts not freed";
  return {ok, streams.out(), streams.err()};
}

std::wstring Reason(HRESULT result) {
  return FormatSystemMessage(static_cast<std::uint32_t>(result));
}

std::wstring Block(int index, const std::wstring& name,
                   const std::wstring& state, const std::wstring& defaults,
                   const std::wstring& id) {
  std::wstring block = L"  #" + std::to_wstring(index) + L": " + name +
                       L"\n      state: " + state + L"\n";
  if (!defaults.empty()) {
    block += L"      default: " + defaults + L"\n";
  }
  return block + L"      id: " + id + L"\n";
}

const std::vector<EndpointSpec> kThree = {
    {L"{id-0}", DEVICE_STATE_ACTIVE, L"Speakers"},
    {L"{id-1}", DEVICE_STATE_UNPLUGGED, L"R\u00e9altek\u00ae \u8033\u673a"},
    {L"{id-2}", DEVICE_STATE_DISABLED, L"HDMI"},
};
const std::array<std::wstring, 3> kAllOnFirst = {L"{id-0}", L"{id-0}",
                                                 L"{id-0}"};

const std::wstring kThreeBlocks =
    Block(0, L"Speakers", L"active", L"console, multimedia, communications",
          L"{id-0}") +
    Block(1, L"R\u00e9altek\u00ae \u8033\u673a", L"unplugged", L"", L"{id-1}") +
    Block(2, L"HDMI", L"disabled", L"", L"{id-2}");

TEST(ListEndpointsTest, ReportsEveryEndpointOfTheFlowInEveryState) {
  FakeAudio audio(kThree, kAllOnFirst);
  const Report report = RunReport(audio, eCapture);
  EXPECT_TRUE(report.ok);
  EXPECT_EQ(report.out, L"[capture] 3 device(s)\n" + kThreeBlocks);
  EXPECT_EQ(report.err, L"");
  using Enumeration = std::pair<EDataFlow, DWORD>;
  EXPECT_EQ(audio.enumerations(),
            (std::vector<Enumeration>{{eCapture, DEVICE_STATEMASK_ALL}}));
}

struct ScenarioCase {
  const char* name;
  std::vector<EndpointSpec> endpoints;
  std::array<std::wstring, 3> defaults;
  int flow;
  std::wstring out;
};

class ScenarioTest : public ::testing::TestWithParam<ScenarioCase> {};

TEST_P(ScenarioTest, WritesExactlyTheseBlocks) {
  const ScenarioCase& c = GetParam();
  FakeAudio audio(c.endpoints, c.defaults);
  const Report report = RunReport(audio, static_cast<EDataFlow>(c.flow));
  EXPECT_TRUE(report.ok);
  EXPECT_EQ(report.out, c.out);
  EXPECT_EQ(report.err, L"");
}

std::vector<EndpointSpec> Eleven() {
  std::vector<EndpointSpec> endpoints(11, {L"{x}", 1, L"n"});
  endpoints[10] = {L"{last}", 8, L"Eleventh"};
  return endpoints;
}

// clang-format off
const ScenarioCase kScenarios[] = {
    {"NoEndpoints", {}, {}, eRender, L"[render] 0 device(s)\n"},
    {"UnknownFlowValue", {}, {}, 5, L"[unknown] 0 device(s)\n"},
    {"StatesMatchWholeValues", {{L"a", 0, L"A"}, {L"b", 3, L"B"}, {L"c", 4, L"C"}, {L"d", 16, L"D"}}, {}, eRender,
     L"[render] 4 device(s)\n" + Block(0, L"A", L"unknown", L"", L"a") + Block(1, L"B", L"unknown", L"", L"b") +
     Block(2, L"C", L"not_present", L"", L"c") + Block(3, L"D", L"unknown", L"", L"d")},
    {"RolesSplitOverEndpoints", {{L"a", 1, L"A"}, {L"b", 1, L"B"}}, {L"b", L"", L"b"}, eRender,
     L"[render] 2 device(s)\n" + Block(0, L"A", L"active", L"", L"a") + Block(1, L"B", L"active", L"console, communications", L"b")},
    {"IdsDifferingInCaseDoNotMatch", {{L"{ab}", 1, L"A"}}, {L"{AB}", L"{ab} ", L"{a"}, eRender,
     L"[render] 1 device(s)\n" + Block(0, L"A", L"active", L"", L"{ab}")},
    {"EmptyIdsMatch", {{L"", 1, L"A"}}, {L"x", L"x", L"x"}, eRender, L"[render] 1 device(s)\n" + Block(0, L"A", L"active", L"", L"")},
    {"EmptyName", {{L"a", 1, L""}}, {}, eRender, L"[render] 1 device(s)\n" + Block(0, L"", L"active", L"", L"a")},
    {"NoNameProperty", {{L"a", 1, L"", NameKind::kEmpty}}, {}, eRender, L"[render] 1 device(s)\n" + Block(0, L"<unnamed device>", L"active", L"", L"a")},
    {"NameOfOtherType", {{L"a", 1, L"", NameKind::kOtherType}}, {}, eRender, L"[render] 1 device(s)\n" + Block(0, L"<unnamed device>", L"active", L"", L"a")},
    {"NullNameText", {{L"a", 1, L"", NameKind::kNullText}}, {}, eRender, L"[render] 1 device(s)\n" + Block(0, L"<unnamed device>", L"active", L"", L"a")},
    {"EleventhIndexIsPlainDecimal", Eleven(), {}, eRender,
     L"[render] 11 device(s)\n" + [] { std::wstring b; for (int i = 0; i < 10; ++i) b += Block(i, L"n", L"active", L"", L"{x}"); return b; }() +
     Block(10, L"Eleventh", L"unplugged", L"", L"{last}")},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, ScenarioTest, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return info.param.name; });

struct FaultCase {
  const char* name;
  Call call;
  Fault fault;
  bool ok;
  std::wstring out;
  std::wstring err;
};

class FaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, ShowsTheFailureWhereItBelongs) {
  const FaultCase& c = GetParam();
  FakeAudio audio(kThree, kAllOnFirst);
  audio.ledger.Plan(c.call, c.fault);
  const Report report = RunReport(audio);
  EXPECT_EQ(report.ok, c.ok);
  EXPECT_EQ(report.out, c.out);
  EXPECT_EQ(report.err, c.err);
}

const Fault kFail{E_ACCESSDENIED, FaultMode::kFail};
const Fault kNull{S_OK, FaultMode::kNullOut};
const std::wstring kHeader = L"[render] 3 device(s)\n";
const std::wstring kAll = L"console, multimedia, communications";

// clang-format off
const FaultCase kFaults[] = {
    {"EnumFails", {"EnumAudioEndpoints", "enumerator"}, kFail, false, L"", L"EnumAudioEndpoints(render) failed: " + Reason(E_ACCESSDENIED) + L"\n"},
    {"EnumGivesNothing", {"EnumAudioEndpoints", "enumerator"}, kNull, false, L"", L"EnumAudioEndpoints(render) failed: " + Reason(S_OK) + L"\n"},
    {"CountFails", {"GetCount", "collection"}, kFail, true, L"[render] 0 device(s)\n", L""},
    {"ItemFailsLeavesGap", {"Item", "ep1"}, kFail, true,
     kHeader + Block(0, L"Speakers", L"active", kAll, L"{id-0}") + Block(2, L"HDMI", L"disabled", L"", L"{id-2}"),
     L"  #1: failed to open device: " + Reason(E_ACCESSDENIED) + L"\n"},
    {"ItemGivesNothing", {"Item", "ep0"}, kNull, true,
     kHeader + Block(1, L"R\u00e9altek\u00ae \u8033\u673a", L"unplugged", L"", L"{id-1}") + Block(2, L"HDMI", L"disabled", L"", L"{id-2}"),
     L"  #0: failed to open device: " + Reason(S_OK) + L"\n"},
    {"IdFails", {"GetId", "ep0"}, kFail, true, kHeader + Block(0, L"Speakers", L"active", L"", L"<missing id>") + kThreeBlocks.substr(Block(0, L"Speakers", L"active", kAll, L"{id-0}").size()), L""},
    {"IdFailsWithText", {"GetId", "ep0"}, {E_FAIL, FaultMode::kFailWithText}, true, kHeader + Block(0, L"Speakers", L"active", L"", L"<missing id>") + kThreeBlocks.substr(Block(0, L"Speakers", L"active", kAll, L"{id-0}").size()), L""},
    {"IdNull", {"GetId", "ep0"}, kNull, true, kHeader + Block(0, L"Speakers", L"active", L"", L"<missing id>") + kThreeBlocks.substr(Block(0, L"Speakers", L"active", kAll, L"{id-0}").size()), L""},
    {"StateFails", {"GetState", "ep2"}, kFail, true, kHeader + kThreeBlocks.substr(0, kThreeBlocks.size() - Block(2, L"HDMI", L"disabled", L"", L"{id-2}").size()) + Block(2, L"HDMI", L"<unknown>", L"", L"{id-2}"), L""},
    {"StoreFails", {"OpenPropertyStore", "ep2"}, kFail, true, kHeader + kThreeBlocks.substr(0, kThreeBlocks.size() - Block(2, L"HDMI", L"disabled", L"", L"{id-2}").size()) + Block(2, L"<failed to open property store>", L"disabled", L"", L"{id-2}"), L""},
    {"StoreNull", {"OpenPropertyStore", "ep2"}, kNull, true, kHeader + kThreeBlocks.substr(0, kThreeBlocks.size() - Block(2, L"HDMI", L"disabled", L"", L"{id-2}").size()) + Block(2, L"<failed to open property store>", L"disabled", L"", L"{id-2}"), L""},
    {"ValueFails", {"GetValue", "ep2-store"}, kFail, true, kHeader + kThreeBlocks.substr(0, kThreeBlocks.size() - Block(2, L"HDMI", L"disabled", L"", L"{id-2}").size()) + Block(2, L"<unnamed device>", L"disabled", L"", L"{id-2}"), L""},
    {"DefaultLookupFails", {"GetDefaultAudioEndpoint", "default-multimedia"}, kFail, true, kHeader + Block(0, L"Speakers", L"active", L"console, communications", L"{id-0}") + kThreeBlocks.substr(Block(0, L"Speakers", L"active", kAll, L"{id-0}").size()), L""},
    {"DefaultLookupNull", {"GetDefaultAudioEndpoint", "default-console"}, kNull, true, kHeader + Block(0, L"Speakers", L"active", L"multimedia, communications", L"{id-0}") + kThreeBlocks.substr(Block(0, L"Speakers", L"active", kAll, L"{id-0}").size()), L""},
    {"DefaultIdFails", {"GetId", "default-communications"}, {E_FAIL, FaultMode::kFailWithText}, true, kHeader + Block(0, L"Speakers", L"active", L"console, multimedia", L"{id-0}") + kThreeBlocks.substr(Block(0, L"Speakers", L"active", kAll, L"{id-0}").size()), L""},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, FaultTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return info.param.name; });

TEST(ListEndpointsTest, EnumeratorThatCannotBeHadWritesOnlyTheReason) {
  const struct {
    EnumeratorSource source;
    HRESULT reason;
  } cases[] = {
      {[](IMMDeviceEnumerator** out) { return *out = nullptr, E_OUTOFMEMORY; },
       E_OUTOFMEMORY},
      {[](IMMDeviceEnumerator** out) { return *out = nullptr, S_FALSE; },
       S_FALSE},
      // Without COM on the thread, the real enumerator cannot be created.
      {CreateEndpointEnumerator, CO_E_NOTINITIALIZED},
  };
  for (const auto& c : cases) {
    FakeAudio audio({}, {});
    const Report report = RunReport(audio, eRender, c.source);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.out, L"");
    EXPECT_EQ(report.err, L"Failed to create MMDeviceEnumerator: " +
                              Reason(c.reason) + L"\n");
  }
}

// Every call the report makes, failed one at a time in every way it can
// fail, still gives back every reference and every text.
TEST(ListEndpointsTest, NoCallFailureLeaksAReferenceOrAText) {
  std::vector<Call> calls;
  {
    FakeAudio audio(kThree, kAllOnFirst);
    RunReport(audio);
    calls = audio.ledger.calls;
  }
  ASSERT_EQ(calls.size(), 2u + 3u * 11u);
  const std::set<Call> distinct(calls.begin(), calls.end());
  for (const Call& call : distinct) {
    for (const Fault& fault :
         {kFail, kNull, Fault{E_FAIL, FaultMode::kFailWithText}}) {
      SCOPED_TRACE(call.method + " on " + call.target);
      FakeAudio audio(kThree, kAllOnFirst);
      audio.ledger.Plan(call, fault);
      RunReport(audio);
      EXPECT_EQ(audio.ledger.textsFreed, audio.ledger.textsHandedOut);
    }
  }
}

}  // namespace
}  // namespace tolvane
