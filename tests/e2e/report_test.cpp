// The real tolvane.exe against Wine's audio stack, whose endpoints are the
// null sinks of the private PulseAudio that the test world starts.
#include <gtest/gtest.h>

#include <map>
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

struct ParsedReport {
  std::string header;
  std::vector<Block> blocks;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "output must end with CR LF";
  return lines;
}

// Reads the report and checks its shape: a header, then blocks indexed
// 0, 1, 2, ... each of name, state, optional default and id line.
ParsedReport Parse(const std::string& out) {
  const std::vector<std::string> lines = Lines(out);
  ParsedReport report;
  EXPECT_GE(lines.size(), 3u);
  if (lines.size() < 3) {
    return report;
  }
  EXPECT_EQ(lines[0], "Requesting root PnP re-enumeration...");
  EXPECT_EQ(lines[1], "PnP rescan requested.");
  report.header = lines[2];
  const std::regex first(R"(  #(\d+): (.*))");
  for (std::size_t i = 3; i < lines.size();) {
    std::smatch match;
    if (!std::regex_match(lines[i], match, first)) {
      ADD_FAILURE() << "unexpected line: " << lines[i];
      break;
    }
    EXPECT_EQ(match[1].str(), std::to_string(report.blocks.size()));
    Block block{match[2].str(), "", "", ""};
    auto take = [&](const std::string& prefix, std::string& field) {
      if (i + 1 < lines.size() && lines[i + 1].rfind(prefix, 0) == 0) {
        field = lines[++i].substr(prefix.size());
        return true;
      }
      return false;
    };
    EXPECT_TRUE(take("      state: ", block.state)) << block.name;
    take("      default: ", block.defaults);
    EXPECT_TRUE(take("      id: ", block.id)) << block.name;
    report.blocks.push_back(block);
    ++i;
  }
  return report;
}

testing::ChildResult RunTolvane(const std::wstring& arguments) {
  return testing::RunChild(L"\"" + testing::BesideTests(L"tolvane.exe") +
                           L"\" " + arguments);
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
  const ParsedReport report = Parse(run.out);
  EXPECT_EQ(report.header, "[" + c.flow + "] " +
                               std::to_string(report.blocks.size()) +
                               " device(s)");

  std::set<std::string> expectedNames{kDefaultEndpoint};
  for (const std::string& sink : kSinkNames) {
    expectedNames.insert(c.namePrefix + sink);
  }
  std::set<std::string> names;
  std::set<std::string> ids;
  const std::regex id(
      "\\{" + c.idPrefix +
      R"(\}\.\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");
  for (const Block& block : report.blocks) {
    names.insert(block.name);
    ids.insert(block.id);
    EXPECT_EQ(block.state, "active") << block.name;
    EXPECT_TRUE(std::regex_match(block.id, id)) << block.id;
    EXPECT_EQ(block.defaults, block.name == kDefaultEndpoint ? kAllRoles : "")
        << block.name;
  }
  EXPECT_EQ(names, expectedNames);
  EXPECT_EQ(ids.size(), report.blocks.size()) << "ids are unique";
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
  EXPECT_EQ(Lines(run.out).size(), 9u);
  EXPECT_EQ(Lines(run.out).back(), "  tolvane --capture-only");
}

}  // namespace
}  // namespace tolvane
