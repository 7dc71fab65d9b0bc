// Runs the real tolvane.exe and checks what it writes, byte for byte, and
// how it ends. The PnP manager is the stand-in, steered per run.
#include <gtest/gtest.h>

#include <string>

#include "support/child_process.h"

namespace tolvane {
namespace {

using testing::ChildOptions;
using testing::ChildResult;
using testing::ReadFileBytes;
using testing::RunChild;
using testing::ScratchFile;

const std::string kUsage =
    "Usage: tolvane [--rescan] [--rescan-only] [--wait-ms N] [--render-only] "
    "[--capture-only]\r\n"
    "\r\n"
    "Default behavior: rescan PnP, wait briefly, then list render devices "
    "only.\r\n"
    "\r\n"
    "Examples:\r\n"
    "  tolvane\r\n"
    "  tolvane --rescan\r\n"
    "  tolvane --rescan --wait-ms 3000\r\n"
    "  tolvane --capture-only\r\n";

const std::string kRescanLines =
    "Requesting root PnP re-enumeration...\r\nPnP rescan requested.\r\n";

const std::string kExpectedCalls =
    "CM_Locate_DevNodeW devinst_in=0 id=null flags=0\n"
    "CM_Reenumerate_DevNode devinst=24301 flags=1\n";

struct Tolvane {
  ChildResult result;
  std::string pnpCalls;
};

Tolvane RunTolvane(const std::wstring& arguments, ChildOptions options = {}) {
  const std::wstring log = ScratchFile(L"pnp");
  options.environment[L"STANDIN_CM_LOG"] = log;
  Tolvane run{
      RunChild(testing::BesideTests(L"tolvane.exe"), arguments, options), {}};
  run.pnpCalls = ReadFileBytes(log);
  return run;
}

struct TextCase {
  const char* name;
  std::wstring arguments;
  DWORD exitCode;
  std::string out;
  std::string err;
};

class CommandLineTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(CommandLineTextTest, AnswersBeforeAnyWork) {
  const TextCase& c = GetParam();
  const Tolvane run = RunTolvane(c.arguments);
  EXPECT_EQ(run.result.exitCode, c.exitCode);
  EXPECT_EQ(run.result.out, c.out);
  EXPECT_EQ(run.result.err, c.err);
  EXPECT_EQ(run.pnpCalls, "") << "no rescan for help or errors";
}

// clang-format off
const TextCase kTextCases[] = {
    {"Help", L"--help", 0, kUsage, ""},
    {"ShortHelp", L"-h", 0, kUsage, ""},
    {"SlashHelp", L"/?", 0, kUsage, ""},
    {"HelpIgnoresTheRest", L"--help --nope", 0, kUsage, ""},
    {"Unknown", L"--nope --help", 2, kUsage, "Unknown argument: --nope\r\n"},
    {"Empty", L"\"\"", 2, kUsage, "Unknown argument: \r\n"},
    {"NonAsciiUnknown", L"--h\u00e9lp\U0001F3A7", 2, kUsage, "Unknown argument: --h\xC3\xA9lp\xF0\x9F\x8E\xA7\r\n"},
    {"WaitWithoutValue", L"--wait-ms", 2, "", "--wait-ms requires a value\r\n"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, CommandLineTextTest,
                         ::testing::ValuesIn(kTextCases),
                         [](const auto& info) { return info.param.name; });

struct RescanCase {
  const char* name;
  std::wstring locateResult;
  std::wstring reenumerateResult;
  DWORD exitCode;
  std::string out;
  std::string err;
  std::string calls;
};

class RescanTest : public ::testing::TestWithParam<RescanCase> {};

TEST_P(RescanTest, ReportsProgressOrTheConfigurationManagerCode) {
  const RescanCase& c = GetParam();
  ChildOptions options;
  options.environment[L"STANDIN_CM_LOCATE_RESULT"] = c.locateResult;
  options.environment[L"STANDIN_CM_REENUMERATE_RESULT"] = c.reenumerateResult;
  const Tolvane run = RunTolvane(L"--rescan-only", options);
  EXPECT_EQ(run.result.exitCode, c.exitCode);
  EXPECT_EQ(run.result.out, c.out);
  EXPECT_EQ(run.result.err, c.err);
  EXPECT_EQ(run.pnpCalls, c.calls);
}

// clang-format off
const RescanCase kRescanCases[] = {
    {"Success", L"0", L"0", 0, kRescanLines, "", kExpectedCalls},
    {"LocateFails", L"19", L"0", 1, "Requesting root PnP re-enumeration...\r\n", "CM_Locate_DevNodeW failed: 19\r\n", "CM_Locate_DevNodeW devinst_in=0 id=null flags=0\n"},
    {"ReenumerateRefused", L"0", L"51", 1, "Requesting root PnP re-enumeration...\r\n", "CM_Reenumerate_DevNode failed: 51\r\n", kExpectedCalls},
    {"CodesAreUnsignedDecimal", L"0", L"4294967295", 1, "Requesting root PnP re-enumeration...\r\n", "CM_Reenumerate_DevNode failed: 4294967295\r\n", kExpectedCalls},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, RescanTest, ::testing::ValuesIn(kRescanCases),
                         [](const auto& info) { return info.param.name; });

// Only the wait's presence is measured: a run without it must be clearly
// quicker than the wait it was told to skip.
TEST(WaitTest, OnlyPositiveWaitsSleepAndRescanOnlyNeverDoes) {
  const struct {
    std::wstring arguments;
    bool sleeps;
  } cases[] = {
      {L"--rescan-only --wait-ms 4000", false},
      {L"--rescan-only", false},
      {L"--wait-ms 0 --rescan-only", false},
      {L"--wait-ms 2500", true},
  };
  for (const auto& c : cases) {
    const Tolvane run = RunTolvane(c.arguments);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(run.result.out.substr(0, kRescanLines.size()), kRescanLines);
    if (c.sleeps) {
      EXPECT_GE(run.result.seconds, 2.4)
          << ::testing::PrintToString(c.arguments);
    } else {
      EXPECT_LT(run.result.seconds, 2.0)
          << ::testing::PrintToString(c.arguments);
    }
  }
}

TEST(WaitTest, ZeroNegativeAndJunkWaitsDoNotSleep) {
  for (const std::wstring arguments :
       {L"--wait-ms 0", L"--wait-ms -1", L"--wait-ms -2147483649",
        L"--wait-ms junk"}) {
    const Tolvane run = RunTolvane(arguments);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_LT(run.result.seconds, 1.4) << ::testing::PrintToString(arguments);
    EXPECT_EQ(run.pnpCalls, kExpectedCalls);
  }
}

}  // namespace
}  // namespace tolvane
