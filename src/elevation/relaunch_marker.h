#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

// Where "runas" cannot elevate (User Account Control off for a standard
// user, some managed desktops, Wine 8), the copy that the relaunch starts is
// no more elevated than the process that started it, and would relaunch in
// turn, without end. So the launcher leaves a marker in its environment,
// which a copy started directly inherits: TOLVANE_RELAUNCHED_BY, holding
// the launcher's process id and creation time, which together name that one
// process and no other.

// The marker's text for a process id and creation time.
std::wstring RelaunchMarker(DWORD processId, std::uint64_t created);

// True when `marker` names this process's parent: its id, and its creation
// time whenever the parent can still be asked for it. A launcher that has
// already ended is known by its id alone.
bool MarkerNamesParent(std::wstring_view marker, DWORD parentId,
                       std::optional<std::uint64_t> parentCreated);

// Puts this process's own marker into its environment, for the copy it is
// about to start. False, with the platform's error code, when it cannot.
bool SetRelaunchMarker();

// True when this process was started by the relaunch of its parent: the
// marker in its environment names that parent.
bool StartedByRelaunch();

}  // namespace tolvane
