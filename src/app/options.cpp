#include "app/options.h"

#include <cstdlib>
#include <iostream>
#include <string_view>

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

}  // namespace

void PrintUsage() {
  for (const wchar_t* line : kUsageLines) {
    std::wcout << line << L"\n";
  }
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
        // Read by the C runtime itself, so that every digit and white
        // space it knows (full-width digits, U+3000) counts as it does.
        ++i;
        options.waitMs = _wtoi(argv[i]);
        break;
      case Effect::kHelp:
        PrintUsage();
        return {true, kExitSuccess};
    }
  }
  return {};
}

}  // namespace tolvane
