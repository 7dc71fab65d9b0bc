// How text leaves the process: its bytes and lines, the reasons given for
// a failure, and when the console window waits for a key.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>

#include "console/console_output.h"
#include "console/console_pause.h"
#include "diag/system_message.h"

namespace tolvane {
namespace {

// UTF-7 takes no flags, as UTF-8 takes none on Windows: converted all the
// same, line ends and all.
TEST(EncodeRedirectedTest, ConvertsToACodePageThatTakesNoFlags) {
  EXPECT_EQ(EncodeRedirected(L"a+\u00e9\n", CP_UTF7), "a+-+AOk-\r\n");
}

TEST(ConsoleChunkLengthTest, NeverEndsInsideASurrogatePair) {
  EXPECT_EQ(ConsoleChunkLength(L"ab\U0001F3A7c", 3), 2u);
}

TEST(LineOutputBufferTest, WritesTheRestWhenItGoesAndLosesWhatItCannotConvert) {
  HANDLE read = nullptr, write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 1 << 16));
  {
    LineOutputBuffer buffer(write, CP_UTF8);
    std::wostream(&buffer) << L"one\n" << L"tail";
  }
  char bytes[64] = {};
  DWORD count = 0;
  EXPECT_TRUE(PeekNamedPipe(read, bytes, 64, &count, nullptr, nullptr));
  EXPECT_EQ(std::string(bytes, count), "one\r\ntail");
  LineOutputBuffer unconvertible(write, 12345);
  std::wostream(&unconvertible) << L"lost\n";
  EXPECT_NE(unconvertible.error(), DWORD{ERROR_SUCCESS}) << "lost, not written";
  EXPECT_TRUE(CloseHandle(read) && CloseHandle(write));
}

TEST(ConsoleClosesWithProcessTest, OnlyAVisibleConsoleOfItsOwnThatShowsText) {
  EXPECT_TRUE(ConsoleClosesWithProcess({1, true, true, true, true}));
  const ConsoleFacts others[] = {
      {0, true, true, true, true},  {2, true, true, true, true},
      {1, false, true, true, true}, {1, true, false, true, true},
      {1, true, true, false, true}, {1, true, true, true, false}};
  for (const ConsoleFacts& facts : others) {
    EXPECT_FALSE(ConsoleClosesWithProcess(facts)) << &facts - others;
  }
}

TEST(FormatSystemMessageTest, GivesTheTextWithoutItsLineBreak) {
  EXPECT_EQ(FormatSystemMessage(ERROR_BAD_EXE_FORMAT),
            L"Bad EXE format for %1.");
  EXPECT_EQ(FormatSystemMessage(0xA0FFFFFF), L"Unknown error");
}

}  // namespace
}  // namespace tolvane
