#include "app/console_output.h"

#include <gtest/gtest.h>

#include <ostream>

namespace tolvane {
namespace {

TEST(EncodeRedirectedTest, ConvertsLineEndsAndCodePages) {
  const struct {
    const wchar_t* text;
    UINT codePage;
    std::string bytes;
  } cases[] = {
      {L"", CP_UTF8, ""},
      {L"a\nb\n", CP_UTF8, "a\r\nb\r\n"},
      {L"\n\n", CP_UTF8, "\r\n\r\n"},
      {L"R\u00e9altek\u00ae \u8033\u673a \U0001F3A7\n", CP_UTF8,
       "R\xC3\xA9"
       "altek\xC2\xAE \xE8\x80\xB3\xE6\x9C\xBA \xF0\x9F\x8E\xA7\r\n"},
      {L"R\u00e9altek\n", 1252,
       "R\xE9"
       "altek\r\n"},
      // What the code page lacks becomes its default character, and the
      // text after it still arrives.
      {L"\u8033\u673a ok\n", 1252, "?? ok\r\n"},
      {L"\u00e9\u20ac\n", 437, "\x82?\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeRedirected(c.text, c.codePage), c.bytes)
        << "code page " << c.codePage;
  }
}

std::string ReadAvailable(HANDLE pipe) {
  std::string bytes;
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) &&
         available > 0) {
    std::string chunk(available, '\0');
    DWORD read = 0;
    if (!ReadFile(pipe, chunk.data(), available, &read, nullptr)) {
      break;
    }
    bytes.append(chunk, 0, read);
  }
  return bytes;
}

TEST(LineOutputBufferTest, WritesEachLineWhenItEndsSoStreamsInterleave) {
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 1 << 16));
  {
    LineOutputBuffer outBuffer(writeEnd, CP_UTF8);
    LineOutputBuffer errBuffer(writeEnd, CP_UTF8);
    std::wostream out(&outBuffer);
    std::wostream err(&errBuffer);

    out << L"one" << L" " << 1u;
    EXPECT_EQ(ReadAvailable(readEnd), "") << "a partial line waits";
    err << L"warning\n";
    out << L"\n";
    err << L"\u00e9\u8033\U0001F3A7" << L"\n" << L"tail";
    out << L"x\ny\n";
    EXPECT_EQ(ReadAvailable(readEnd),
              "warning\r\none 1\r\n\xC3\xA9\xE8\x80\xB3\xF0\x9F\x8E\xA7\r\n"
              "x\r\ny\r\n");
  }
  EXPECT_EQ(ReadAvailable(readEnd), "tail") << "the rest is written at the end";
  CloseHandle(readEnd);
  CloseHandle(writeEnd);
}

}  // namespace
}  // namespace tolvane
