#pragma once

#include <windows.h>

#include <cstddef>
#include <streambuf>
#include <string>
#include <string_view>

namespace tolvane {

// The code page for output that does not go to a console: the console's
// output code page, or UTF-8 when the process has no console.
UINT RedirectedCodePage();

// How much of `text` one console write takes: at most `limit` code units
// (at least 2), never ending between the two halves of a surrogate pair.
std::size_t ConsoleChunkLength(std::wstring_view text, std::size_t limit);

// A wide stream buffer that hands each finished line to the platform at
// once. A console gets exact UTF-16 through WriteConsoleW; a file or pipe
// gets the console's output code page (UTF-8 without a console) with CR LF
// line ends. Writing whole lines as they end keeps standard output and
// standard error in the order the lines were made when both go to one
// place, and a character that the code page lacks costs only that
// character, never the rest of the output.
class LineOutputBuffer final : public std::wstreambuf {
 public:
  explicit LineOutputBuffer(HANDLE handle,
                            UINT redirectedCodePage = RedirectedCodePage());
  ~LineOutputBuffer() override;
  LineOutputBuffer(const LineOutputBuffer&) = delete;
  LineOutputBuffer& operator=(const LineOutputBuffer&) = delete;

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const wchar_t* text, std::streamsize count) override;
  int sync() override;

 private:
  bool WritePending();

  HANDLE handle_;
  bool console_ = false;
  UINT codePage_ = CP_UTF8;
  std::wstring pending_;
};

// The bytes a redirected stream receives for text: line feeds become CR LF,
// and the text is converted to codePage, each character it cannot hold
// becoming the code page's default character.
std::string EncodeRedirected(std::wstring_view text, UINT codePage);

// Puts a LineOutputBuffer under std::wcout and std::wcerr for its lifetime;
// at the end it writes out what is left and puts the old buffers back.
class ScopedConsoleOutput {
 public:
  ScopedConsoleOutput();
  ~ScopedConsoleOutput();
  ScopedConsoleOutput(const ScopedConsoleOutput&) = delete;
  ScopedConsoleOutput& operator=(const ScopedConsoleOutput&) = delete;

 private:
  LineOutputBuffer out_;
  LineOutputBuffer err_;
  std::wstreambuf* oldOut_;
  std::wstreambuf* oldErr_;
};

}  // namespace tolvane
