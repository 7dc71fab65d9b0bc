#pragma once

// Whether the console window closes with the process, and the pause that
// lets its text be read before it does.
#include <windows.h>

namespace tolvane {

// What the platform says about the console the process runs in.
struct ConsoleFacts {
  DWORD attachedProcesses = 0;   // processes attached to the console
  bool inputIsConsole = false;   // standard input is console input
  bool outputIsConsole = false;  // standard output is that console
  bool windowVisible = false;    // the console has a visible window
  bool somethingShown = false;   // the window shows text: its cursor moved
};

ConsoleFacts QueryConsoleFacts();

// True when the console was made for this process alone and shows a window
// that closes with it, taking the output along: a double-clicked program,
// or the elevated copy. Never in a shell, a terminal, a script, a service
// or with any redirection, and never when the window shows nothing, as
// after a hand-over to the elevated copy: there is nothing to read.
bool ConsoleClosesWithProcess(const ConsoleFacts& facts);

// In such a console, asks for a key and waits for one pressed after the
// question, or for a minute, so that the output can be read before the
// window goes.
void PauseBeforeWindowCloses();

}  // namespace tolvane
