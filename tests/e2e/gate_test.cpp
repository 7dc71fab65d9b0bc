// The elevation gate of the real executable, started really unelevated
// (the unelevated half of the test's own token). The copy under test takes
// its shell launch from the stand-in, which writes down the launch record.
#include <gtest/gtest.h>

#include <string>

#include "elevation/quoting.h"
#include "support/child_process.h"

namespace tolvane {
namespace {

using testing::ChildOptions;
using testing::ChildResult;
using testing::ReadFileBytes;
using testing::ScratchFile;
using testing::Utf8;

std::wstring GateExe() {
  return testing::BesideTests(L"..\\gate\\tolvane-gate.exe");
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH] = {};
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return std::wstring(full, length);
}

struct GateRun {
  ChildResult result;
  std::string launch;    // the stand-in shell's record; empty: no launch
  std::string pnpCalls;  // the stand-in PnP manager's calls
};

GateRun RunGate(const std::wstring& arguments, bool unelevated,
                const std::wstring& shellError = L"0",
                const std::wstring& exe = GateExe()) {
  ChildOptions options;
  options.unelevated = unelevated;
  const std::wstring launchLog = ScratchFile(L"launch");
  const std::wstring pnpLog = ScratchFile(L"pnp");
  options.environment[L"STANDIN_SHELL_LOG"] = launchLog;
  options.environment[L"STANDIN_SHELL_ERROR"] = shellError;
  options.environment[L"STANDIN_CM_LOG"] = pnpLog;
  GateRun run{testing::RunChild(FullPath(exe), arguments, options), {}, {}};
  run.launch = ReadFileBytes(launchLog);
  run.pnpCalls = ReadFileBytes(pnpLog);
  return run;
}

std::string LaunchRecord(const std::string& parameters) {
  return "cbSize=112\nfMask=0x40\nhwnd=null\nnShow=1\nverb=runas\nfile=" +
         Utf8(FullPath(GateExe())) + "\nparameters=" + parameters +
         "\ndirectory=(null)\nothers=zero\n";
}

struct RecordCase {
  const char* name;
  std::vector<std::wstring> args;
};

class LaunchRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(LaunchRecordTest, HandsTheSameArgumentsToRunas) {
  const RecordCase& c = GetParam();
  std::vector<const wchar_t*> argv{L"tolvane.exe"};
  for (const std::wstring& argument : c.args) {
    argv.push_back(argument.c_str());
  }
  const std::wstring parameters =
      BuildParameterString(static_cast<int>(argv.size()), argv.data());
  const GateRun run = RunGate(parameters, /*unelevated=*/true);

  EXPECT_EQ(run.result.exitCode, 0u);
  EXPECT_EQ(run.result.out, "");
  EXPECT_EQ(run.result.err, "");
  EXPECT_EQ(run.launch,
            LaunchRecord(c.args.empty() ? "(null)" : Utf8(parameters)));
  EXPECT_EQ(run.pnpCalls, "") << "the unelevated copy does no work";
}

// clang-format off
const RecordCase kRecords[] = {
    {"NoArgumentsGiveNoParameters", {}},
    {"PlainArguments", {L"--wait-ms", L"3000"}},
    // Only what the parser accepts reaches the gate: odd texts ride as wait values.
    {"QuotedAndEmptyArguments", {L"--capture-only", L"--wait-ms", L"C:\\Program Files\\", L"--wait-ms", L"say \"hi\"", L"--wait-ms", L""}},
    {"NonAsciiArguments", {L"--wait-ms", L"\u8033\u673a \U0001F3A7"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, LaunchRecordTest, ::testing::ValuesIn(kRecords),
                         [](const auto& info) { return info.param.name; });

struct OutcomeCase {
  const char* name;
  std::wstring arguments;
  std::wstring shellError;
  DWORD exitCode;
  std::string out;
  std::string err;
  bool launched;
};

class GateOutcomeTest : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(GateOutcomeTest, EndsTheUnelevatedRunHonestly) {
  const OutcomeCase& c = GetParam();
  const GateRun run = RunGate(c.arguments, /*unelevated=*/true, c.shellError);
  EXPECT_EQ(run.result.exitCode, c.exitCode);
  EXPECT_EQ(run.result.out.substr(0, c.out.size()), c.out);
  EXPECT_EQ(run.result.err, c.err);
  EXPECT_EQ(!run.launch.empty(), c.launched);
  EXPECT_EQ(run.pnpCalls, "");
}

// clang-format off
const OutcomeCase kOutcomes[] = {
    {"Launched", L"--rescan-only", L"0", 0, "", "", true},
    {"Declined", L"--rescan-only", L"1223", 1, "", "Elevation was canceled.\r\n", true},
    {"OtherErrorInDecimal", L"", L"1155", 1, "", "Failed to relaunch elevated. Win32 error: 1155\r\n", true},
    {"LargestError", L"", L"4294967295", 1, "", "Failed to relaunch elevated. Win32 error: 4294967295\r\n", true},
    {"HelpNeverReachesTheGate", L"--help", L"0", 0, "Usage: tolvane", "", false},
    {"UsageErrorNeverReachesTheGate", L"--nope", L"0", 2, "Usage: tolvane", "Unknown argument: --nope\r\n", false},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, GateOutcomeTest, ::testing::ValuesIn(kOutcomes),
                         [](const auto& info) { return info.param.name; });

// The longest path GetModuleFileNameW can return whole, with the real
// executable started unelevated from there.
TEST(GateTest, ExecutablePathOf259CharactersIsLaunched) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring name = L"tolvane-gate.exe";
  std::wstring folder = std::wstring(temp) + L"tolvane-259";
  std::vector<std::wstring> made{folder};
  // Pad with folders of up to 100 characters; each costs one more for its
  // backslash, and no folder may be left with an empty name.
  std::size_t left = 259 - folder.size() - 1 - name.size();
  while (left > 0) {
    std::size_t length = std::min<std::size_t>(left - 1, 100);
    if (left - (length + 1) == 1) {
      --length;
    }
    made.push_back(made.back() + L"\\" + std::wstring(length, L'x'));
    left -= length + 1;
  }
  for (const std::wstring& dir : made) {
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
  }
  folder = made.back();
  folder += L"\\";
  const std::wstring exe = folder + name;
  ASSERT_EQ(exe.size(), 259u);
  ASSERT_TRUE(CopyFileW(GateExe().c_str(), exe.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(testing::BesideTests(L"..\\gate\\shell32.dll").c_str(),
                        (folder + L"shell32.dll").c_str(), FALSE));

  const GateRun run = RunGate(L"--wait-ms 7", /*unelevated=*/true, L"0", exe);
  EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
  EXPECT_NE(
      run.launch.find("\nfile=" + Utf8(exe) + "\nparameters=--wait-ms 7\n"),
      std::string::npos)
      << run.launch;

  EXPECT_TRUE(DeleteFileW(exe.c_str()));
  EXPECT_TRUE(DeleteFileW((folder + L"shell32.dll").c_str()));
  for (auto it = made.rbegin(); it != made.rend(); ++it) {
    EXPECT_TRUE(RemoveDirectoryW(it->c_str()));
  }
}

TEST(GateTest, ElevatedRunPassesSilentlyAndDoesTheWork) {
  const GateRun run = RunGate(L"--rescan-only", /*unelevated=*/false);
  EXPECT_EQ(run.result.exitCode, 0u);
  EXPECT_EQ(
      run.result.out,
      "Requesting root PnP re-enumeration...\r\nPnP rescan requested.\r\n");
  EXPECT_EQ(run.result.err, "");
  EXPECT_EQ(run.launch, "");
  EXPECT_NE(run.pnpCalls, "");
}

}  // namespace
}  // namespace tolvane
