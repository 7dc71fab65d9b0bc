#include "app/run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/exit_status.h"
#include "diag/system_message.h"
#include "support/capture.h"

namespace tolvane {
namespace {

// Records the stages in the order Run() calls them.
class FakeStages final : public RunStages {
 public:
  Handover gate = Handover::kElevated;
  HRESULT coInit = S_OK;
  bool rescan = true;
  bool renderReport = true;
  std::wstring trace;

  Handover RelaunchElevated(int, const wchar_t* const*) override {
    trace += L"gate ";
    return gate;
  }
  HRESULT CoInitializeEx() override {
    trace += L"init ";
    return coInit;
  }
  void CoUninitialize() override { trace += L"uninit "; }
  bool RescanDeviceTree() override {
    trace += L"rescan ";
    return rescan;
  }
  void Sleep(DWORD milliseconds) override {
    trace += L"sleep(" + std::to_wstring(milliseconds) + L") ";
  }
  bool ListEndpoints(EDataFlow flow) override {
    trace += flow == eRender ? L"render " : L"capture ";
    return flow == eRender ? renderReport : true;
  }
};

struct RunCase {
  const char* name;
  std::vector<const wchar_t*> args;
  HRESULT coInit;
  bool rescan;
  bool renderReport;
  int status;
  std::wstring trace;
  Handover gate = Handover::kElevated;
};

class RunTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunTest, CallsStagesInOrderAndEndsWithStatus) {
  const RunCase& c = GetParam();
  std::vector<const wchar_t*> argv{L"tolvane.exe"};
  argv.insert(argv.end(), c.args.begin(), c.args.end());
  FakeStages stages;
  stages.coInit = c.coInit;
  stages.rescan = c.rescan;
  stages.renderReport = c.renderReport;
  stages.gate = c.gate;
  testing::CapturedStreams streams;

  EXPECT_EQ(tolvane::Run(static_cast<int>(argv.size()), argv.data(), stages),
            c.status);
  EXPECT_EQ(stages.trace, c.trace);
}

// clang-format off
const RunCase kRunCases[] = {
    {"Defaults", {}, S_OK, true, true, kExitSuccess, L"gate init rescan sleep(1500) render uninit "},
    {"AlreadyInitialisedStillBalances", {}, S_FALSE, true, true, kExitSuccess, L"gate init rescan sleep(1500) render uninit "},
    {"OtherApartmentIsUsedNotUninitialised", {}, RPC_E_CHANGED_MODE, true, true, kExitSuccess, L"gate init rescan sleep(1500) render "},
    {"ComFailureStopsEverything", {}, E_OUTOFMEMORY, true, true, kExitFailure, L"gate init "},
    {"RescanFailureSkipsWaitAndReport", {L"--wait-ms", L"10"}, S_OK, false, true, kExitFailure, L"gate init rescan uninit "},
    {"RescanOnlyNeverSleepsOrReports", {L"--rescan-only", L"--wait-ms", L"3000"}, S_OK, true, true, kExitSuccess, L"gate init rescan uninit "},
    {"ZeroWaitMakesNoSleepCall", {L"--wait-ms", L"0"}, S_OK, true, true, kExitSuccess, L"gate init rescan render uninit "},
    {"NegativeWaitMakesNoSleepCall", {L"--wait-ms", L"-1"}, S_OK, true, true, kExitSuccess, L"gate init rescan render uninit "},
    {"HugeWaitIsBounded", {L"--wait-ms", L"9999999999"}, S_OK, true, true, kExitSuccess, L"gate init rescan sleep(2147483647) render uninit "},
    {"CaptureOnly", {L"--capture-only", L"--wait-ms", L"5"}, S_OK, true, true, kExitSuccess, L"gate init rescan sleep(5) capture uninit "},
    {"FailedRenderReport", {L"--wait-ms", L"0"}, S_OK, true, false, kExitFailure, L"gate init rescan render uninit "},
    {"FailedRenderNotAskedForIsNoFailure", {L"--capture-only"}, S_OK, true, false, kExitSuccess, L"gate init rescan sleep(1500) capture uninit "},
    {"HandedOverEndsWithSuccess", {L"--capture-only"}, S_OK, true, true, kExitSuccess, L"gate ", Handover::kHandedOver},
    {"FailedHandOverEndsWithFailure", {}, S_OK, true, true, kExitFailure, L"gate ", Handover::kFailed},
    {"HelpTouchesNothing", {L"-h"}, S_OK, true, true, kExitSuccess, L""},
    {"UsageErrorTouchesNothing", {L"--nope"}, S_OK, true, true, kExitUsage, L""},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, RunTest, ::testing::ValuesIn(kRunCases),
                         [](const auto& info) { return info.param.name; });

TEST(RunTest, ComFailureNamesTheReasonNotTheNumber) {
  const wchar_t* argv[] = {L"tolvane.exe"};
  FakeStages stages;
  stages.coInit = E_OUTOFMEMORY;
  testing::CapturedStreams streams;

  EXPECT_EQ(tolvane::Run(1, argv, stages), kExitFailure);
  EXPECT_EQ(streams.err(),
            L"CoInitializeEx failed: " +
                FormatSystemMessage(static_cast<std::uint32_t>(E_OUTOFMEMORY)) +
                L"\n");
  EXPECT_EQ(streams.out(), L"");
}

}  // namespace
}  // namespace tolvane
