#include "app/options.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/capture.h"

namespace tolvane {
namespace {

const std::wstring kUsage =
    L"Usage: tolvane [--rescan] [--rescan-only] [--wait-ms N] [--render-only] "
    L"[--capture-only]\n"
    L"\n"
    L"Default behavior: rescan PnP, wait briefly, then list render devices "
    L"only.\n"
    L"\n"
    L"Examples:\n"
    L"  tolvane\n"
    L"  tolvane --rescan\n"
    L"  tolvane --rescan --wait-ms 3000\n"
    L"  tolvane --capture-only\n";

struct ParseCase {
  const char* name;
  std::vector<const wchar_t*> args;  // after the program path
  bool endRun;
  ExitStatus status;
  RunOptions expected;  // checked only when the run goes on
  std::wstring out;
  std::wstring err;
};

RunOptions Options(bool render, bool capture, bool rescanOnly, int wait) {
  return {render, capture, rescanOnly, wait};
}

const RunOptions kDefaults = Options(true, false, false, 1500);

class ParseCommandLineTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommandLineTest, GivesOutcomeOptionsAndText) {
  const ParseCase& c = GetParam();
  std::vector<const wchar_t*> argv{L"tolvane.exe"};
  argv.insert(argv.end(), c.args.begin(), c.args.end());
  RunOptions options;
  testing::CapturedStreams streams;

  const ParseOutcome outcome =
      ParseCommandLine(static_cast<int>(argv.size()), argv.data(), options);

  EXPECT_EQ(outcome.endRun, c.endRun);
  if (c.endRun) {
    EXPECT_EQ(outcome.status, c.status);
  } else {
    EXPECT_EQ(options.listRender, c.expected.listRender);
    EXPECT_EQ(options.listCapture, c.expected.listCapture);
    EXPECT_EQ(options.rescanOnly, c.expected.rescanOnly);
    EXPECT_EQ(options.waitMs, c.expected.waitMs);
  }
  EXPECT_EQ(streams.out(), c.out);
  EXPECT_EQ(streams.err(), c.err);
}

// clang-format off
const ParseCase kParseCases[] = {
    {"RescanAloneIsTheDefault", {L"--rescan"}, false, kExitSuccess, kDefaults, L"", L""},
    {"RescanOnly", {L"--rescan-only"}, false, kExitSuccess, Options(true, false, true, 1500), L"", L""},
    {"CaptureOnly", {L"--capture-only"}, false, kExitSuccess, Options(false, true, false, 1500), L"", L""},
    {"LastSelectionWinsCapture", {L"--render-only", L"--capture-only"}, false, kExitSuccess, Options(false, true, false, 1500), L"", L""},
    {"LastSelectionWinsRender", {L"--capture-only", L"--render-only"}, false, kExitSuccess, kDefaults, L"", L""},
    {"WaitValue", {L"--wait-ms", L"3000"}, false, kExitSuccess, Options(true, false, false, 3000), L"", L""},
    {"LaterWaitWins", {L"--wait-ms", L"1", L"--wait-ms", L"2"}, false, kExitSuccess, Options(true, false, false, 2), L"", L""},
    {"WaitConsumesAnOptionAsValue", {L"--wait-ms", L"--capture-only"}, false, kExitSuccess, Options(true, false, false, 0), L"", L""},
    {"WaitLeadingDigits", {L"--wait-ms", L"250ms"}, false, kExitSuccess, Options(true, false, false, 250), L"", L""},
    // The C runtime's own reading: every digit and white space it knows.
    {"WaitFullWidth", {L"--wait-ms", L"\uFF18\uFF10\uFF10\uFF10"}, false, kExitSuccess, Options(true, false, false, 8000), L"", L""},
    {"WaitArabicIndic", {L"--wait-ms", L"\u0668\u0660\u0660\u0660"}, false, kExitSuccess, Options(true, false, false, 8000), L"", L""},
    {"WaitIdeographicSpace", {L"--wait-ms", L"\u30008000"}, false, kExitSuccess, Options(true, false, false, 8000), L"", L""},
    {"WaitNoBreakSpace", {L"--wait-ms", L"\u00A08000"}, false, kExitSuccess, Options(true, false, false, 8000), L"", L""},
    {"WaitFullWidth80", {L"--wait-ms", L"\uFF18\uFF10"}, false, kExitSuccess, Options(true, false, false, 80), L"", L""},
    {"WaitIdeographicSpace80", {L"--wait-ms", L"\u300080"}, false, kExitSuccess, Options(true, false, false, 80), L"", L""},
    {"WaitSpacePlus", {L"--wait-ms", L" +5"}, false, kExitSuccess, Options(true, false, false, 5), L"", L""},
    {"WaitMinusZero", {L"--wait-ms", L"-0"}, false, kExitSuccess, Options(true, false, false, 0), L"", L""},
    {"WaitBeyond32Bits", {L"--wait-ms", L"99999999999"}, false, kExitSuccess, Options(true, false, false, 2147483647), L"", L""},
    {"WaitBelow32Bits", {L"--wait-ms", L"-2147483649"}, false, kExitSuccess, Options(true, false, false, -2147483647 - 1), L"", L""},
    {"WaitWithoutValue", {L"--capture-only", L"--wait-ms"}, true, kExitUsage, {}, L"", L"--wait-ms requires a value\n"},
    {"Help", {L"--help"}, true, kExitSuccess, {}, kUsage, L""},
    {"ShortHelp", {L"-h"}, true, kExitSuccess, {}, kUsage, L""},
    {"SlashHelp", {L"/?"}, true, kExitSuccess, {}, kUsage, L""},
    {"HelpStopsBeforeUnknown", {L"--help", L"--bogus"}, true, kExitSuccess, {}, kUsage, L""},
    {"UnknownStopsBeforeHelp", {L"--bogus", L"--help"}, true, kExitUsage, {}, kUsage, L"Unknown argument: --bogus\n"},
    {"EmptyArgument", {L""}, true, kExitUsage, {}, kUsage, L"Unknown argument: \n"},
    {"UpperCaseIsUnknown", {L"--HELP"}, true, kExitUsage, {}, kUsage, L"Unknown argument: --HELP\n"},
    {"NoEqualsForm", {L"--wait-ms=5"}, true, kExitUsage, {}, kUsage, L"Unknown argument: --wait-ms=5\n"},
    {"NoAbbreviation", {L"--rescan-"}, true, kExitUsage, {}, kUsage, L"Unknown argument: --rescan-\n"},
    {"NonAsciiArgumentEchoed", {L"--é🎧"}, true, kExitUsage, {}, kUsage, L"Unknown argument: --é🎧\n"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, ParseCommandLineTest,
                         ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tolvane
