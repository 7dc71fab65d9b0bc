#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace tolvane::testing {

struct ChildResult {
  DWORD exitCode = 0;
  std::string out;  // raw bytes of standard output
  std::string err;  // raw bytes of standard error
  double seconds = 0;
};

struct ChildOptions {
  // Added to (or replacing in) this process's environment for the child.
  std::map<std::wstring, std::wstring> environment;
  // Start the child with the unelevated half of this process's token.
  bool unelevated = false;
};

// Starts `program` with the command-line text `parameters`, with no console
// and pipes for both output streams, waits for it and returns what it
// wrote. Fails the current test when the child cannot be started.
ChildResult RunChild(const std::wstring& program,
                     const std::wstring& parameters,
                     const ChildOptions& options = {});

// Full path of a file in the folder that holds the test programs.
std::wstring BesideTests(const std::wstring& name);

// Path of a fresh, empty scratch file.
std::wstring ScratchFile(const std::wstring& tag);

std::string ReadFileBytes(const std::wstring& path);

// UTF-8 of wide text, for comparing with what a child wrote.
std::string Utf8(const std::wstring& text);

}  // namespace tolvane::testing
