// How text leaves the process: its bytes and lines, the reasons given for
// a failure, and when the console window waits for a key.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>
#include <thread>

#include "console/console_output.h"
#include "console/console_pause.h"
#include "diag/system_message.h"
#include "support/in_process.h"

extern "C" decltype(&GetTickCount64) __imp_GetTickCount64;

namespace tolvane {
namespace {

constexpr std::wstring_view kPrompt = L"Press any key to close this window.";

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

ULONGLONG WINAPI MinuteLater() {
  static ULONGLONG now = 0;
  return now += 60 * 1000;
}

// In a console window of the process's own, as a double-click or the
// relaunch gives it: one that shows nothing closes at once; one that shows
// text asks, and a key typed while the tool was at work does not answer, a
// key pressed after the question does, and so does a minute without one.
TEST(PauseTest, AsksOnceTextIsShownAndWaitsForAKeyAfterTheQuestion) {
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  const DWORD access = GENERIC_READ | GENERIC_WRITE;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const HANDLE in =
      CreateFileW(L"CONIN$", access, share, 0, OPEN_EXISTING, 0, 0);
  const HANDLE out =
      CreateFileW(L"CONOUT$", access, share, 0, OPEN_EXISTING, 0, 0);
  const HANDLE oldIn = GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE oldOut = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_INPUT_HANDLE, in);
  SetStdHandle(STD_OUTPUT_HANDLE, out);
  DWORD count = 0;
  wchar_t shown[2][36] = {};
  const auto read = [&](short line) {
    ReadConsoleOutputCharacterW(out, shown[line], 35, {0, line}, &count);
    return std::wstring_view(shown[line]);
  };
  PauseBeforeWindowCloses();
  EXPECT_EQ(read(0), std::wstring(35, L' ')) << "asked in an empty window";
  INPUT_RECORD key{};
  key.EventType = KEY_EVENT;
  key.Event.KeyEvent.bKeyDown = TRUE;
  WriteConsoleW(out, L"report\n", 7, &count, nullptr);
  WriteConsoleInputW(in, &key, 1, &count);
  std::thread answer([&] {
    for (int i = 0; i < 500 && read(1) != kPrompt; ++i) Sleep(10);
    WriteConsoleInputW(in, &key, 1, &count);
  });
  PauseBeforeWindowCloses();
  answer.join();
  EXPECT_EQ(std::wstring_view(shown[1]), kPrompt);
  EXPECT_TRUE(GetNumberOfConsoleInputEvents(in, &count) && count == 0)
      << "closed by the key typed before the question";
  {
    const testing::SwappedImport clock(__imp_GetTickCount64, MinuteLater);
    PauseBeforeWindowCloses();
  }
  SetStdHandle(STD_INPUT_HANDLE, oldIn);
  SetStdHandle(STD_OUTPUT_HANDLE, oldOut);
  EXPECT_TRUE(CloseHandle(in) && CloseHandle(out) && FreeConsole());
}

TEST(FormatSystemMessageTest, GivesTheTextWithoutItsLineBreak) {
  EXPECT_EQ(FormatSystemMessage(ERROR_BAD_EXE_FORMAT),
            L"Bad EXE format for %1.");
  EXPECT_EQ(FormatSystemMessage(0xA0FFFFFF), L"Unknown error");
}

}  // namespace
}  // namespace tolvane
