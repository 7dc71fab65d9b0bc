#include "console/console_pause.h"

#include <iterator>

namespace tolvane {
namespace {

constexpr wchar_t kPrompt[] = L"Press any key to close this window.";
constexpr ULONGLONG kLongestPauseMs = 60 * 1000;

}  // namespace

ConsoleFacts QueryConsoleFacts() {
  ConsoleFacts facts;
  DWORD processes[2] = {};
  facts.attachedProcesses = GetConsoleProcessList(processes, 2);
  DWORD events = 0;
  facts.inputIsConsole =
      GetNumberOfConsoleInputEvents(GetStdHandle(STD_INPUT_HANDLE), &events);
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  facts.outputIsConsole = GetConsoleMode(output, &mode);
  const HWND window = GetConsoleWindow();
  facts.windowVisible = window != nullptr && IsWindowVisible(window);
  // A console made for the process starts empty, its cursor at the origin.
  CONSOLE_SCREEN_BUFFER_INFO screen{};
  facts.somethingShown =
      GetConsoleScreenBufferInfo(output, &screen) &&
      (screen.dwCursorPosition.X != 0 || screen.dwCursorPosition.Y != 0);
  return facts;
}

bool ConsoleClosesWithProcess(const ConsoleFacts& facts) {
  return facts.attachedProcesses == 1 && facts.inputIsConsole &&
         facts.outputIsConsole && facts.windowVisible && facts.somethingShown;
}

void PauseBeforeWindowCloses() {
  if (!ConsoleClosesWithProcess(QueryConsoleFacts())) {
    return;
  }
  // Keys pressed while the tool was at work (an impatient Enter during the
  // wait) are no answer to a prompt not yet shown: they would close the
  // window before anyone has read it. An input that cannot be emptied would
  // do the same, so then there is no pause either.
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!FlushConsoleInputBuffer(input)) {
    return;
  }
  DWORD written = 0;
  if (!WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), kPrompt,
                     static_cast<DWORD>(std::size(kPrompt) - 1), &written,
                     nullptr)) {
    return;  // nobody could read the prompt, so nobody can answer it
  }
  const ULONGLONG deadline = GetTickCount64() + kLongestPauseMs;
  for (ULONGLONG now = GetTickCount64(); now < deadline;
       now = GetTickCount64()) {
    if (WaitForSingleObject(input, static_cast<DWORD>(deadline - now)) !=
        WAIT_OBJECT_0) {
      return;
    }
    INPUT_RECORD record{};
    DWORD read = 0;
    if (!ReadConsoleInputW(input, &record, 1, &read)) {
      return;
    }
    if (read == 1 && record.EventType == KEY_EVENT &&
        record.Event.KeyEvent.bKeyDown) {
      return;
    }
  }
}

}  // namespace tolvane
