#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// The command-line form of one argument: what the platform's standard
// argument splitting reads back as exactly that argument. Never empty.
std::wstring QuoteArgument(std::wstring_view argument);

// argv[1] to argv[argc-1], each quoted, joined by single spaces; empty
// exactly when there are no arguments after the program path.
std::wstring BuildParameterString(int argc, const wchar_t* const* argv);

}  // namespace tolvane
