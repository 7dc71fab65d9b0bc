#include <gtest/gtest.h>

#include <vector>

#include "app/options.h"
#include "elevation/relaunch_marker.h"
#include "support/in_process.h"

namespace tolvane {
namespace {

TEST(ParseCommandLineTest, FillsTheOptionsRecord) {
  const struct {
    std::vector<const wchar_t*> args;
    bool render, capture, rescanOnly;
    int waitMs;
  } cases[] = {
      {{L"--rescan"}, true, false, false, 1500},
      {{L"--rescan-only"}, true, false, true, 1500},
      {{L"--render-only", L"--capture-only"}, false, true, false, 1500},
      {{L"--capture-only", L"--render-only"}, true, false, false, 1500},
      // The value is taken whatever it is, and the last one counts.
      {{L"--wait-ms", L"--capture-only"}, true, false, false, 0},
      {{L"--wait-ms", L"1", L"--wait-ms", L"12abc"}, true, false, false, 12},
      // Read as the C runtime reads it, with every digit and space it knows.
      {{L"--wait-ms", L"\uFF18\uFF10"}, true, false, false, 80},
      {{L"--wait-ms", L"\u300080"}, true, false, false, 80},
      {{L"--wait-ms", L"99999999999"}, true, false, false, 2147483647},
      {{L"--wait-ms", L"-2147483649"}, true, false, false, -2147483647 - 1},
  };
  for (const auto& c : cases) {
    std::vector<const wchar_t*> argv{L"tolvane.exe"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    RunOptions options;
    const testing::CapturedStreams streams;
    EXPECT_FALSE(
        ParseCommandLine(static_cast<int>(argv.size()), argv.data(), options)
            .endRun);
    EXPECT_EQ(streams.out.str() + streams.err.str(), L"");
    EXPECT_EQ(std::vector<int>({options.listRender, options.listCapture,
                                options.rescanOnly, options.waitMs}),
              std::vector<int>({c.render, c.capture, c.rescanOnly, c.waitMs}))
        << ::testing::PrintToString(std::wstring(argv.back()));
  }
}

// A copy stops only for the marker of the process that started it: that
// process's id and, while it can still be asked, its creation time.
TEST(MarkerNamesParentTest, OnlyTheParentsOwnMarker) {
  const struct {
    std::wstring marker;
    std::optional<std::uint64_t> parentCreated;
    bool names;
  } cases[] = {
      {RelaunchMarker(12, 345), 345, true},
      {RelaunchMarker(12, 345), std::nullopt, true},  // the parent has ended
      {RelaunchMarker(12, 346), 345, false},  // its id was given out again
      {RelaunchMarker(112, 345), std::nullopt, false},
      {L"12", std::nullopt, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MarkerNamesParent(c.marker, 12, c.parentCreated), c.names)
        << ::testing::PrintToString(c.marker);
  }
}

}  // namespace
}  // namespace tolvane
