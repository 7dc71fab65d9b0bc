// The run in this process: the real COM library, the stand-in PnP manager,
// Wine's endpoints; sleeps and failing COM calls through its imports.
#include "app/run.h"

#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "elevation/elevation.h"
#include "support/in_process.h"

extern "C" decltype(&SetDefaultDllDirectories) __imp_SetDefaultDllDirectories;
extern "C" decltype(&Sleep) __imp_Sleep;
extern "C" decltype(&CoInitializeEx) __imp_CoInitializeEx;
extern "C" decltype(&CoCreateInstance) __imp_CoCreateInstance;

namespace tolvane {
namespace {

std::vector<DWORD> g_sleeps;
void WINAPI Sleeping(DWORD milliseconds) { g_sleeps.push_back(milliseconds); }
HRESULT WINAPI NoCom(void*, DWORD) { return E_OUTOFMEMORY; }
HRESULT WINAPI NoEnumerator(REFCLSID, IUnknown*, DWORD, REFIID, void** out) {
  *out = nullptr;
  return REGDB_E_CLASSNOTREG;
}

// This process keeps its own folder in the DLL search order, and a planted
// cfgmgr32.dll lies there: the rescan has to keep it out by itself.
BOOL WINAPI SearchKept(DWORD) { return TRUE; }
BOOL WINAPI SearchRefused(DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

int RunWith(std::vector<const wchar_t*> args,
            decltype(&SetDefaultDllDirectories) search = SearchKept) {
  if (!IsProcessElevated()) {
    ADD_FAILURE() << "the run would hand itself over: start the tests elevated";
    return -1;
  }
  const testing::SwappedImport dlls(__imp_SetDefaultDllDirectories, search);
  args.insert(args.begin(), L"tolvane.exe");
  return Run(static_cast<int>(args.size()), args.data());
}

TEST(RunTest, WaitsOnlyWhenToldAndFailsWhenAReportFails) {
  const testing::SwappedImport sleep(__imp_Sleep, Sleeping);
  const struct {
    std::vector<const wchar_t*> args;
    bool reportFails;
    int status;
    std::vector<DWORD> sleeps;
  } cases[] = {
      {{}, false, 0, {1500}},
      {{L"--wait-ms", L"-1"}, false, 0, {}},
      {{L"--rescan-only", L"--wait-ms", L"5"}, true, 0, {}},
      {{L"--wait-ms", L"0"}, true, 1, {}},
      {{L"--capture-only", L"--wait-ms", L"0"}, true, 1, {}},
      // The wait is read as the C runtime reads it: leading spaces of any
      // kind skipped, too large a number held at the largest.
      {{L"--wait-ms", L"\u300080"}, true, 1, {80}},
      {{L"--wait-ms", L"99999999999"}, true, 1, {2147483647}},
  };
  for (const auto& c : cases) {
    const testing::SwappedImport create(
        __imp_CoCreateInstance,
        c.reportFails ? NoEnumerator : __imp_CoCreateInstance);
    const testing::CapturedStreams streams;
    g_sleeps.clear();
    EXPECT_EQ(RunWith(c.args), c.status) << streams.err.str();
    EXPECT_EQ(g_sleeps, c.sleeps) << streams.out.str();
  }
}

TEST(RunTest, ADllSearchThatCannotBeRestrictedEndsTheRunBeforeAllElse) {
  const testing::CapturedStreams streams;
  EXPECT_EQ(RunWith({L"--help"}, SearchRefused), 1);
  EXPECT_EQ(streams.out.str(), L"");
  EXPECT_EQ(streams.err.str(),
            L"SetDefaultDllDirectories failed: Access denied.\n");
}

TEST(RunTest, ComThatCannotStartEndsTheRunWithItsReason) {
  const testing::SwappedImport init(__imp_CoInitializeEx, NoCom);
  const testing::CapturedStreams streams;
  EXPECT_EQ(RunWith({}), 1);
  EXPECT_EQ(streams.err.str(), L"CoInitializeEx failed: Out of memory.\n");
}

// In a thread whose apartment is of the other kind, the run uses it as it
// is and leaves it there for its owner to end.
TEST(RunTest, LeavesAnApartmentOfTheOtherKindAsItFoundIt) {
  std::thread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    const testing::CapturedStreams streams;
    EXPECT_EQ(RunWith({L"--rescan-only"}), 0) << streams.err.str();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
  }).join();
}

}  // namespace
}  // namespace tolvane
