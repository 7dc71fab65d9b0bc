#include "app/console_output.h"

#include <algorithm>
#include <iostream>

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

}  // namespace

std::size_t ConsoleChunkLength(std::wstring_view text, std::size_t limit) {
  std::size_t chunk = std::min(text.size(), limit);
  // Never split a surrogate pair between two writes.
  if (chunk < text.size() && IS_HIGH_SURROGATE(text[chunk - 1])) {
    --chunk;
  }
  return chunk;
}

std::string EncodeRedirected(std::wstring_view text, UINT codePage) {
  std::wstring crlf;
  crlf.reserve(text.size() + text.size() / 8 + 1);
  for (wchar_t c : text) {
    if (c == L'\n') {
      crlf += L'\r';
    }
    crlf += c;
  }
  if (crlf.empty()) {
    return {};
  }
  const int needed = WideCharToMultiByte(codePage, 0, crlf.data(),
                                         static_cast<int>(crlf.size()), nullptr,
                                         0, nullptr, nullptr);
  if (needed <= 0) {
    return {};
  }
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  const int converted = WideCharToMultiByte(
      codePage, 0, crlf.data(), static_cast<int>(crlf.size()), bytes.data(),
      needed, nullptr, nullptr);
  bytes.resize(converted > 0 ? static_cast<std::size_t>(converted) : 0);
  return bytes;
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

int LineOutputBuffer::sync() { return WritePending() ? 0 : -1; }

bool LineOutputBuffer::WritePending() {
  if (pending_.empty()) {
    return true;
  }
  const bool written =
      console_ ? WriteAllToConsole(handle_, pending_)
               : WriteAllToFile(handle_, EncodeRedirected(pending_, codePage_));
  pending_.clear();
  return written;
}

ScopedConsoleOutput::ScopedConsoleOutput()
    : out_(GetStdHandle(STD_OUTPUT_HANDLE)),
      err_(GetStdHandle(STD_ERROR_HANDLE)),
      oldOut_(std::wcout.rdbuf(&out_)),
      oldErr_(std::wcerr.rdbuf(&err_)) {}

ScopedConsoleOutput::~ScopedConsoleOutput() {
  out_.pubsync();
  err_.pubsync();
  std::wcout.rdbuf(oldOut_);
  std::wcerr.rdbuf(oldErr_);
}

}  // namespace tolvane
