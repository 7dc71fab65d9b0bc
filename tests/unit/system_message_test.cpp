#include "diag/system_message.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace tolvane {
namespace {

std::wstring RawSystemText(std::uint32_t code) {
  wchar_t buffer[1024] = {};
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, buffer, 1024, nullptr);
  return std::wstring(buffer, length);
}

TEST(FormatSystemMessageTest, KnownCodesLoseOnlyTheirTrailingLineBreak) {
  for (const std::uint32_t code :
       {std::uint32_t{ERROR_FILE_NOT_FOUND}, std::uint32_t{ERROR_ACCESS_DENIED},
        static_cast<std::uint32_t>(E_OUTOFMEMORY),
        static_cast<std::uint32_t>(E_INVALIDARG)}) {
    const std::wstring raw = RawSystemText(code);
    ASSERT_GE(raw.size(), 2u) << code;
    ASSERT_EQ(raw.back(), L'\n') << "the table's text ends in a line break";

    const std::wstring text = FormatSystemMessage(code);
    EXPECT_EQ(text, raw.substr(0, raw.find_last_not_of(L"\r\n") + 1)) << code;
    EXPECT_EQ(text.back(), L'.') << "the full stop stays: " << code;
  }
}

TEST(FormatSystemMessageTest, UnknownCodesGiveUnknownErrorWithoutNumber) {
  for (const std::uint32_t code : {0x2000FFFFu, 0xA0FFFFFFu}) {
    EXPECT_EQ(FormatSystemMessage(code), L"Unknown error") << code;
  }
}

}  // namespace
}  // namespace tolvane
