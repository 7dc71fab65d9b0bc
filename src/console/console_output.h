#pragma once

// The process's whole output layer: how text reaches a console, a file or
// a pipe, in which encoding and with which line ends, and what happens when
// it cannot.
#include <windows.h>

#include <cstddef>
#include <optional>
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

// The bytes a redirected stream receives for text: line feeds become CR LF,
// and the text is converted to codePage, each character it cannot hold
// becoming the code page's default character. Nothing when the text cannot
// be converted at all; the platform's error code then tells why.
std::optional<std::string> EncodeRedirected(std::wstring_view text,
                                            UINT codePage);

// A wide stream buffer that hands each finished line to the platform at
// once, in one write, and nothing of a line before it has ended, however
// often the stream flushes: a log that several runs append to, or a caller
// that reads a line at a time, never gets part of one. A console gets exact
// UTF-16 through WriteConsoleW; a file or pipe gets redirectedCodePage; both
// get CR LF line ends. Writing whole lines as they end keeps standard output
// and standard error in the order the lines were made when both go to one
// place. The first failed write is remembered, and the stream is told, so
// no later line counts as written either.
class LineOutputBuffer final : public std::wstreambuf {
 public:
  LineOutputBuffer(HANDLE handle, UINT redirectedCodePage);
  ~LineOutputBuffer() override;
  LineOutputBuffer(const LineOutputBuffer&) = delete;
  LineOutputBuffer& operator=(const LineOutputBuffer&) = delete;

  // Writes what waits, a last line without its end too: at the end of the
  // run, and when the buffer goes.
  bool WritePending();

  // The error code of the first write that failed; ERROR_SUCCESS while
  // every line has been written.
  DWORD error() const { return error_; }

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const wchar_t* text, std::streamsize count) override;

 private:
  HANDLE handle_;
  bool console_ = false;
  UINT codePage_ = CP_UTF8;
  std::wstring pending_;
  DWORD error_ = ERROR_SUCCESS;
};

// The output guard: puts a LineOutputBuffer under std::wcout and std::wcerr
// for its lifetime and puts the old buffers back at the end. Both are
// written line by line, standard error too, although the C++ runtime
// flushes it after every insertion.
class ScopedConsoleOutput {
 public:
  ScopedConsoleOutput();
  ~ScopedConsoleOutput();
  ScopedConsoleOutput(const ScopedConsoleOutput&) = delete;
  ScopedConsoleOutput& operator=(const ScopedConsoleOutput&) = delete;

  // Writes out what is left. True when standard output took everything;
  // otherwise false, after a line on standard error that says why.
  bool Finish();

 private:
  LineOutputBuffer out_;
  LineOutputBuffer err_;
  std::wstreambuf* oldOut_;
  std::wstreambuf* oldErr_;
};

}  // namespace tolvane
