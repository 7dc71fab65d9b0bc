#include "app/options.h"

#include <iostream>
#include <limits>

namespace tolvane {
namespace {

enum class Effect {
  kNone,
  kRescanOnly,
  kRenderOnly,
  kCaptureOnly,
  kWait,
  kHelp
};

struct Option {
  std::wstring_view name;
  Effect effect;
};

// The command line and its usage text; nothing else knows the option names.
constexpr Option kOptions[] = {
    {L"--rescan", Effect::kNone},
    {L"--rescan-only", Effect::kRescanOnly},
    {L"--render-only", Effect::kRenderOnly},
    {L"--capture-only", Effect::kCaptureOnly},
    {L"--wait-ms", Effect::kWait},
    {L"--help", Effect::kHelp},
    {L"-h", Effect::kHelp},
    {L"/?", Effect::kHelp},
};

constexpr const wchar_t* kUsageLines[] = {
    L"Usage: tolvane [--rescan] [--rescan-only] [--wait-ms N] [--render-only] "
    L"[--capture-only]",
    L"",
    L"Default behavior: rescan PnP, wait briefly, then list render devices "
    L"only.",
    L"",
    L"Examples:",
    L"  tolvane",
    L"  tolvane --rescan",
    L"  tolvane --rescan --wait-ms 3000",
    L"  tolvane --capture-only",
};

const Option* FindOption(std::wstring_view argument) {
  for (const Option& option : kOptions) {
    if (option.name == argument) {
      return &option;
    }
  }
  return nullptr;
}

bool IsLeadingSpace(wchar_t c) {
  return c == L' ' || (c >= L'\t' && c <= L'\r');
}

}  // namespace

void PrintUsage() {
  for (const wchar_t* line : kUsageLines) {
    std::wcout << line << L"\n";
  }
}

std::int32_t ParseWaitValue(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsLeadingSpace(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  // Accumulate in 64 bits and stop growing once past the 32-bit range, so a
  // long run of digits can neither overflow nor wrap into a small number.
  constexpr std::int64_t kLimit =
      std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    if (magnitude <= kLimit) {
      magnitude = magnitude * 10 + (text[i] - L'0');
    }
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

ParseOutcome ParseCommandLine(int argc, const wchar_t* const* argv,
                              RunOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring_view argument = argv[i];
    const Option* option = FindOption(argument);
    if (option == nullptr) {
      std::wcerr << L"Unknown argument: " << argument << L"\n";
      PrintUsage();
      return {true, kExitUsage};
    }
    switch (option->effect) {
      case Effect::kNone:
        break;
      case Effect::kRescanOnly:
        options.rescanOnly = true;
        break;
      case Effect::kRenderOnly:
        options.listRender = true;
        options.listCapture = false;
        break;
      case Effect::kCaptureOnly:
        options.listRender = false;
        options.listCapture = true;
        break;
      case Effect::kWait:
        if (i + 1 >= argc) {
          std::wcerr << L"--wait-ms requires a value\n";
          return {true, kExitUsage};
        }
        ++i;
        options.waitMs = ParseWaitValue(argv[i]);
        break;
      case Effect::kHelp:
        PrintUsage();
        return {true, kExitSuccess};
    }
  }
  return {};
}

}  // namespace tolvane
