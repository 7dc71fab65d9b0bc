// The real tolvane.exe against Wine's audio stack, whose endpoints are the
// null sinks of the private PulseAudio that the test world starts.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace tolvane {
namespace {

// The sinks' descriptions as scripts/wine-env.sh gives them.
const std::vector<std::string> kSinkNames = {
    "R\xC3\xA9"
    "altek\xC2\xAE Speakers",
    "\xE8\x80\xB3\xE6\x9C\xBA \xF0\x9F\x8E\xA7 Headset",
    "HDMI Output",
};
// Wine's own endpoint that follows PulseAudio's default device.
const std::string kDefaultEndpoint = "PulseAudio";
const std::string kAllRoles = "console, multimedia, communications";

struct Block {
  std::string name;
  std::string state;
  std::string defaults;
  std::string id;
};

// The blocks after the two rescan lines and the header, which must follow
// each other without a gap, indexed 0, 1, 2, ...
std::vector<Block> Blocks(const std::string& out, const std::string& header) {
  const std::string lead =
      "Requesting root PnP re-enumeration...\r\nPnP rescan requested.\r\n";
  EXPECT_EQ(out.substr(0, lead.size()), lead);
  const std::regex headerLine(R"(\[(\w+)\] (\d+) device\(s\)\r\n)");
  const std::regex blockLines(
      "  #(\\d+): (.*)\r\n      state: (.*)\r\n"
      "(?:      default: (.*)\r\n)?      id: (.*)\r\n");
  std::smatch match;
  std::string rest = out.substr(std::min(lead.size(), out.size()));
  std::vector<Block> blocks;
  if (!std::regex_search(rest, match, headerLine,
                         std::regex_constants::match_continuous)) {
    ADD_FAILURE() << "no header in " << out;
    return blocks;
  }
  const std::string counted = match.str(0);
  for (rest = match.suffix(); std::regex_search(
           rest, match, blockLines, std::regex_constants::match_continuous);
       rest = match.suffix()) {
    EXPECT_EQ(match.str(1), std::to_string(blocks.size()));
    blocks.push_back({match.str(2), match.str(3), match.str(4), match.str(5)});
  }
  EXPECT_EQ(rest, "") << "every line belongs to a block";
  EXPECT_EQ(counted, "[" + header + "] " + std::to_string(blocks.size()) +
                         " device(s)\r\n");
  return blocks;
}

testing::ChildResult RunTolvane(const std::wstring& arguments) {
  return testing::RunChild(testing::BesideTests(L"tolvane.exe"), arguments);
}

struct FlowCase {
  const char* name;
  std::wstring arguments;
  std::string flow;
  std::string idPrefix;
  std::string namePrefix;
};

class RealEndpointsTest : public ::testing::TestWithParam<FlowCase> {};

TEST_P(RealEndpointsTest, ListsEverySinkWithItsExactName) {
  const FlowCase& c = GetParam();
  const testing::ChildResult run = RunTolvane(c.arguments);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.err, "");
  const std::vector<Block> blocks = Blocks(run.out, c.flow);

  std::set<std::string> expectedNames{kDefaultEndpoint};
  for (const std::string& sink : kSinkNames) {
    expectedNames.insert(c.namePrefix + sink);
  }
  std::set<std::string> names;
  std::set<std::string> ids;
  const std::regex id(
      "\\{" + c.idPrefix +
      R"(\}\.\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");
  for (const Block& block : blocks) {
    names.insert(block.name);
    ids.insert(block.id);
    EXPECT_EQ(block.state, "active") << block.name;
    EXPECT_TRUE(std::regex_match(block.id, id)) << block.id;
    EXPECT_EQ(block.defaults, block.name == kDefaultEndpoint ? kAllRoles : "")
        << block.name;
  }
  EXPECT_EQ(names, expectedNames);
  EXPECT_EQ(ids.size(), blocks.size()) << "ids are unique";
}

// clang-format off
const FlowCase kFlows[] = {
    {"Render", L"--wait-ms 0", "render", R"(0\.0\.0\.00000000)", ""},
    {"Capture", L"--capture-only --wait-ms 0", "capture", R"(0\.0\.1\.00000000)", "Monitor of "},
    // "--capture-only" is taken as the wait value here, so render it is.
    {"WaitValueSwallowsCaptureOnly", L"--wait-ms --capture-only", "render", R"(0\.0\.0\.00000000)", ""},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, RealEndpointsTest, ::testing::ValuesIn(kFlows),
                         [](const auto& info) { return info.param.name; });

TEST(StreamsTest, BothStreamsStayIntactAfterNonAsciiText) {
  // A name beyond Latin-1 on standard error, then the usage block on
  // standard output: both arrive whole.
  const testing::ChildResult run =
      RunTolvane(L"--\u8033\u673a\U0001F3A7\u00e9");
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_EQ(run.err,
            "Unknown argument: "
            "--\xE8\x80\xB3\xE6\x9C\xBA\xF0\x9F\x8E\xA7\xC3\xA9\r\n");
  const std::string last = "\r\n  tolvane --capture-only\r\n";
  EXPECT_EQ(
      run.out.substr(run.out.size() - std::min(run.out.size(), last.size())),
      last);
}

}  // namespace
}  // namespace tolvane
