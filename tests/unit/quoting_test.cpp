#include "elevation/quoting.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolvane {
namespace {

TEST(QuoteArgumentTest, QuotesOnlyWhatTheSplitterWouldBreak) {
  const struct {
    const wchar_t* argument;
    const wchar_t* quoted;
  } cases[] = {
      {L"", L"\"\""},
      {L"--wait-ms", L"--wait-ms"},
      {L"C:\\dir\\", L"C:\\dir\\"},  // no space: trailing backslash kept single
      {L"a\nb\vc\rd", L"a\nb\vc\rd"},
      {L"\u8033\u673a\U0001F3A7", L"\u8033\u673a\U0001F3A7"},
      {L"a b", L"\"a b\""},
      {L"a\tb", L"\"a\tb\""},
      {L" ", L"\" \""},
      {L"C:\\Program Files\\", L"\"C:\\Program Files\\\\\""},
      {L"a b\\\\", L"\"a b\\\\\\\\\""},
      {L"a \\\\b", L"\"a \\\\b\""},  // a run before a letter keeps its length
      {L"a\\\"b",
       L"\"a\\\\\\\"b\""},  // backslash before quote: three and quote
      {L"\"", L"\"\\\"\""},
      {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
      {L"\\\\\"", L"\"\\\\\\\\\\\"\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QuoteArgument(c.argument), c.quoted)
        << ::testing::PrintToString(std::wstring(c.argument));
  }
}

TEST(BuildParameterStringTest, JoinsQuotedFormsWithSingleSpaces) {
  const struct {
    std::vector<const wchar_t*> args;  // after the program path
    const wchar_t* parameters;
  } cases[] = {
      {{}, L""},
      {{L""}, L"\"\""},
      {{L"--wait-ms", L"3000"}, L"--wait-ms 3000"},
      {{L"a b", L""}, L"\"a b\" \"\""},
      {{L"", L"", L"x"}, L"\"\" \"\" x"},
  };
  for (const auto& c : cases) {
    std::vector<const wchar_t*> argv{L"never read"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(BuildParameterString(static_cast<int>(argv.size()), argv.data()),
              c.parameters);
  }
  EXPECT_EQ(BuildParameterString(0, nullptr), L"");
}

}  // namespace
}  // namespace tolvane
