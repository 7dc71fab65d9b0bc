#pragma once

#include <cstdint>
#include <string>

namespace tolvane {

// The system's one-line text for a result or error code ("Unknown error"
// when the system has none). Never fails.
std::wstring FormatSystemMessage(std::uint32_t code);

}  // namespace tolvane
