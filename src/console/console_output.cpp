#include "console/console_output.h"

#include <algorithm>
#include <iostream>

#include "diag/system_message.h"

namespace tolvane {
namespace {

bool WriteAllToConsole(HANDLE handle, std::wstring_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    const std::size_t chunk = ConsoleChunkLength(text, 16 * 1024);
    if (!WriteConsoleW(handle, text.data(), static_cast<DWORD>(chunk), &written,
                       nullptr) ||
        written == 0) {
      return false;
    }
    text.remove_prefix(written);
  }
  return true;
}

bool WriteAllToFile(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk =
        static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 64 * 1024));
    if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) ||
        written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

// One conversion; false with the platform's error code left behind when it
// fails.
bool Convert(UINT codePage, DWORD flags, std::wstring_view text,
             std::string& bytes) {
  const int size = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(codePage, flags, text.data(), size,
                                         nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    return false;
  }
  bytes.assign(static_cast<std::size_t>(needed), '\0');
  return WideCharToMultiByte(codePage, flags, text.data(), size, bytes.data(),
                             needed, nullptr, nullptr) == needed;
}

// Lines end in CR LF wherever they go: a console left in
// DISABLE_NEWLINE_AUTO_RETURN by another program does not go back to the
// first column on a bare line feed, and files and pipes are read by
// Windows programs.
std::wstring WithCrLf(std::wstring_view text) {
  std::wstring crlf;
  crlf.reserve(text.size() + text.size() / 8 + 1);
  for (wchar_t c : text) {
    if (c == L'\n') {
      crlf += L'\r';
    }
    crlf += c;
  }
  return crlf;
}

}  // namespace

std::size_t ConsoleChunkLength(std::wstring_view text, std::size_t limit) {
  std::size_t chunk = std::min(text.size(), limit);
  // Never split a surrogate pair between two writes.
  if (chunk < text.size() && IS_HIGH_SURROGATE(text[chunk - 1])) {
    --chunk;
  }
  return chunk;
}

std::optional<std::string> EncodeRedirected(std::wstring_view text,
                                            UINT codePage) {
  const std::wstring crlf = WithCrLf(text);
  if (crlf.empty()) {
    return std::string();
  }
  // A name must never turn into a different one ("®" into "r"): what the
  // code page lacks becomes its default character. UTF-8 and a few other
  // code pages take no such flag.
  std::string bytes;
  if (Convert(codePage, WC_NO_BEST_FIT_CHARS, crlf, bytes) ||
      (GetLastError() == ERROR_INVALID_FLAGS &&
       Convert(codePage, 0, crlf, bytes))) {
    return bytes;
  }
  return std::nullopt;
}

UINT RedirectedCodePage() {
  // Without a console the output code page reads 0; UTF-8 then keeps every
  // name intact for whatever reads the pipe or file.
  const UINT consoleCodePage = GetConsoleOutputCP();
  return consoleCodePage != 0 ? consoleCodePage : CP_UTF8;
}

LineOutputBuffer::LineOutputBuffer(HANDLE handle, UINT redirectedCodePage)
    : handle_(handle), codePage_(redirectedCodePage) {
  DWORD mode = 0;
  console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
             GetConsoleMode(handle_, &mode);
}

LineOutputBuffer::~LineOutputBuffer() { WritePending(); }

LineOutputBuffer::int_type LineOutputBuffer::overflow(int_type ch) {
  if (traits_type::eq_int_type(ch, traits_type::eof())) {
    return traits_type::not_eof(ch);
  }
  const wchar_t c = traits_type::to_char_type(ch);
  pending_ += c;
  if (c == L'\n' && !WritePending()) {
    return traits_type::eof();
  }
  return ch;
}

std::streamsize LineOutputBuffer::xsputn(const wchar_t* text,
                                         std::streamsize count) {
  const std::wstring_view view(text, static_cast<std::size_t>(count));
  std::size_t start = 0;
  while (start < view.size()) {
    const std::size_t lineEnd = view.find(L'\n', start);
    if (lineEnd == std::wstring_view::npos) {
      pending_.append(view.substr(start));
      break;
    }
    pending_.append(view.substr(start, lineEnd + 1 - start));
    if (!WritePending()) {
      return static_cast<std::streamsize>(start);
    }
    start = lineEnd + 1;
  }
  return count;
}

bool LineOutputBuffer::WritePending() {
  if (pending_.empty()) {
    return true;
  }
  bool written = false;
  if (console_) {
    written = WriteAllToConsole(handle_, WithCrLf(pending_));
  } else if (const std::optional<std::string> bytes =
                 EncodeRedirected(pending_, codePage_)) {
    written = WriteAllToFile(handle_, *bytes);
  }
  pending_.clear();
  if (!written && error_ == ERROR_SUCCESS) {
    // A failure that left no code behind still has to fail the run.
    const DWORD error = GetLastError();
    error_ = error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
  }
  return written;
}

ScopedConsoleOutput::ScopedConsoleOutput()
    : out_(GetStdHandle(STD_OUTPUT_HANDLE), RedirectedCodePage()),
      err_(GetStdHandle(STD_ERROR_HANDLE), RedirectedCodePage()),
      oldOut_(std::wcout.rdbuf(&out_)),
      oldErr_(std::wcerr.rdbuf(&err_)) {}

ScopedConsoleOutput::~ScopedConsoleOutput() {
  std::wcout.rdbuf(oldOut_);
  std::wcerr.rdbuf(oldErr_);
}

bool ScopedConsoleOutput::Finish() {
  out_.WritePending();
  if (out_.error() == ERROR_SUCCESS) {
    return true;
  }
  // The line on standard error may be lost too; the caller's status still
  // tells.
  std::wcerr << L"Failed to write standard output: "
             << FormatSystemMessage(static_cast<std::uint32_t>(
                    HRESULT_FROM_WIN32(out_.error())))
             << L"\n";
  return false;
}

}  // namespace tolvane
