// Random argument vectors, quoted into a parameter string, must split back
// into exactly themselves: by CommandLineToArgvW and by the C runtime of a
// real child process.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "elevation/quoting.h"
#include "support/child_process.h"

namespace tolvane {
namespace {

constexpr std::uint32_t kSeed = 20261206;
constexpr int kVectors = 10000;
constexpr int kChildSampleEvery = 40;  // 250 vectors through a real child

using Arguments = std::vector<std::wstring>;

// Weighted toward what quoting must get right: separators, quotes, runs
// of backslashes, empty arguments, and text beyond the BMP.
Arguments RandomArguments(std::mt19937& random) {
  static const std::vector<std::wstring> pieces = {
      L" ",      L" ",          L"\t", L"\"", L"\"", L"\\",
      L"\\\\",   L"\\\\\\",     L"a",  L"Z",  L"-",  L"\u00e9",
      L"\u8033", L"\U0001F3A7", L"/",  L"'",  L"\n", L"=",
  };
  std::uniform_int_distribution<int> count(0, 6);
  std::uniform_int_distribution<int> length(0, 8);
  std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
  Arguments arguments(static_cast<std::size_t>(count(random)));
  for (std::wstring& argument : arguments) {
    for (int n = length(random); n > 0; --n) {
      argument += pieces[piece(random)];
    }
  }
  return arguments;
}

std::wstring Parameters(const Arguments& arguments) {
  std::vector<const wchar_t*> argv{L"program"};
  for (const std::wstring& argument : arguments) {
    argv.push_back(argument.c_str());
  }
  return BuildParameterString(static_cast<int>(argv.size()), argv.data());
}

Arguments SplitByShell(const std::wstring& parameters) {
  const std::wstring commandLine = L"program.exe " + parameters;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(commandLine.c_str(), &count);
  Arguments arguments;
  for (int i = 1; argv != nullptr && i < count; ++i) {
    arguments.push_back(argv[i]);
  }
  LocalFree(argv);
  return arguments;
}

Arguments SplitByChild(const std::wstring& parameters) {
  const testing::ChildResult run =
      testing::RunChild(testing::BesideTests(L"argv_echo.exe"), parameters);
  Arguments arguments;
  std::wstring current;
  for (std::size_t i = 0; i + 1 < run.out.size(); i += 2) {
    const wchar_t unit =
        static_cast<wchar_t>(static_cast<unsigned char>(run.out[i]) |
                             (static_cast<unsigned char>(run.out[i + 1]) << 8));
    if (unit == L'\0') {
      arguments.push_back(current);
      current.clear();
    } else {
      current += unit;
    }
  }
  return arguments;
}

TEST(QuotingRoundTripTest, RandomVectorsSplitBackUnchanged) {
  std::mt19937 random(kSeed);
  int shellMismatches = 0;
  int childMismatches = 0;
  int childRuns = 0;
  for (int n = 0; n < kVectors; ++n) {
    const Arguments arguments = RandomArguments(random);
    const std::wstring parameters = Parameters(arguments);
    if (SplitByShell(parameters) != arguments) {
      ++shellMismatches;
      ADD_FAILURE() << "CommandLineToArgvW, seed " << kSeed << " vector " << n
                    << ": " << ::testing::PrintToString(arguments) << " as "
                    << ::testing::PrintToString(parameters);
    }
    if (n % kChildSampleEvery == 0) {
      ++childRuns;
      if (SplitByChild(parameters) != arguments) {
        ++childMismatches;
        ADD_FAILURE() << "child argv, seed " << kSeed << " vector " << n << ": "
                      << ::testing::PrintToString(arguments) << " as "
                      << ::testing::PrintToString(parameters);
      }
    }
  }
  std::printf(
      "seed %u: %d vectors, %d mismatches against CommandLineToArgvW; "
      "%d through a child, %d mismatches\n",
      kSeed, kVectors, shellMismatches, childRuns, childMismatches);
  EXPECT_GE(childRuns, 200);
}

}  // namespace
}  // namespace tolvane
