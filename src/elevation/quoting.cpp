#include "elevation/quoting.h"

namespace tolvane {

std::wstring QuoteArgument(std::wstring_view argument) {
  if (argument.empty()) {
    return L"\"\"";
  }
  if (argument.find_first_of(L" \t\"") == std::wstring_view::npos) {
    return std::wstring(argument);
  }
  // Backslashes are literal except in a run that ends at a double quote:
  // there each one must be doubled, and the quote itself escaped. The
  // closing quote that we add counts as such a quote.
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
    } else if (c == L'"') {
      quoted.append(2 * backslashes + 1, L'\\');
      quoted += c;
      backslashes = 0;
    } else {
      quoted.append(backslashes, L'\\');
      quoted += c;
      backslashes = 0;
    }
  }
  quoted.append(2 * backslashes, L'\\');
  quoted += L'"';
  return quoted;
}

std::wstring BuildParameterString(int argc, const wchar_t* const* argv) {
  std::wstring parameters;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) {
      parameters += L' ';
    }
    parameters += QuoteArgument(argv[i]);
  }
  return parameters;
}

}  // namespace tolvane
