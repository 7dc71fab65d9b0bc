#include "audio/endpoint_report.h"

#include <gtest/gtest.h>

#include "fakes/fake_audio.h"

namespace tolvane {
namespace {

using fakes::Endpoint, fakes::kDefault;

std::wstring Block(int index, const std::wstring& name,
                   const std::wstring& state, const std::wstring& roles,
                   const std::wstring& id) {
  return L"  #" + std::to_wstring(index) + L": " + name + L"\n      state: " +
         state + L"\n" +
         (roles.empty() ? L"" : L"      default: " + roles + L"\n") +
         L"      id: " + id + L"\n";
}

const wchar_t kName[] = L"R\u00e9altek\u00ae \u8033\u673a";
const wchar_t kAll[] = L"console, multimedia, communications";
const std::wstring kHead = L"[render] 2 device(s)\n";
const std::wstring kB = Block(1, kName, L"unplugged", L"", L"{b}");

struct Case {
  fakes::Fault fault;
  bool ok;
  std::wstring out, err;
  std::vector<Endpoint> endpoints = {{L"{a}", DEVICE_STATE_ACTIVE, L"A"},
                                     {L"{b}", DEVICE_STATE_UNPLUGGED, kName}};
  std::array<const wchar_t*, 3> defaults = {L"{a}", L"{a}", L"{a}"};
  int flow = eRender;
};

// clang-format off
const Case kCases[] = {
    {{"EnumAudioEndpoints", -1, E_ACCESSDENIED}, false, L"", L"EnumAudioEndpoints(capture) failed: Access denied.\n", {}, {}, eCapture},
    {{"GetCount"}, true, L"[render] 0 device(s)\n", L""},
    {{"GetId", 0, E_FAIL, true}, true, kHead + Block(0, L"A", L"active", L"", L"<missing id>") + kB, L""},
    {{"GetState", 1}, true, kHead + Block(0, L"A", L"active", kAll, L"{a}") + Block(1, kName, L"<unknown>", L"", L"{b}"), L""},
    {{"GetId", kDefault + eConsole, S_OK}, true, kHead + Block(0, L"A", L"active", L"multimedia, communications", L"{a}") + kB, L""},
    // Empty texts, states that are no single state, names that are no text,
    // and an id that differs only in case.
    {{}, true, L"[render] 4 device(s)\n" + Block(0, L"", L"unknown", L"console", L"") +
         Block(1, L"<unnamed device>", L"unknown", L"", L"c") + Block(2, L"<unnamed device>", L"disabled", L"", L"d") +
         Block(3, L"<unnamed device>", L"not_present", L"", L"e"), L"",
     {{L"", 0, L""}, {L"c", 3, nullptr, VT_EMPTY}, {L"d", DEVICE_STATE_DISABLED, nullptr, VT_UI4}, {L"e", DEVICE_STATE_NOTPRESENT, nullptr}},
     {L"", L"E", nullptr}},
};
// clang-format on

TEST(ListEndpointsTest, ReportsEveryEndpointAndGivesEverythingBack) {
  for (const Case& c : kCases) {
    const fakes::FakeAudio audio(static_cast<EDataFlow>(c.flow), c.endpoints,
                                 c.defaults, c.fault);
    const testing::CapturedStreams streams;
    EXPECT_EQ(
        ListEndpoints(static_cast<EDataFlow>(c.flow), fakes::FakeAudio::Create),
        c.ok);
    EXPECT_EQ(streams.out.str(), c.out) << c.fault.method << c.fault.target;
    EXPECT_EQ(streams.err.str(), c.err) << c.fault.method << c.fault.target;
    EXPECT_EQ(audio.references, 0) << "references not given back";
    EXPECT_EQ(audio.texts.size(), 0u) << "texts not freed";
  }
}

}  // namespace
}  // namespace tolvane
