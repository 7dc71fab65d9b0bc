#pragma once

namespace tolvane {

// What the elevation gate did.
enum class Handover {
  kElevated,    // already elevated: the run goes on here
  kHandedOver,  // the elevated copy has been started: this run ends
  kFailed,      // not elevated and the copy could not be started
};

// True only when the process token reports itself elevated. Every failure
// to ask counts as not elevated. Prints nothing.
bool IsProcessElevated();

// The gate: kElevated in an elevated process; otherwise starts an elevated
// copy of this executable with the same arguments (LaunchElevatedCopy),
// unless this process is such a copy already: then "runas" did not elevate,
// and the gate fails with a line that says so instead of relaunching again.
Handover RelaunchElevated(int argc, const wchar_t* const* argv);

// Starts this executable again through the shell's "runas" verb with
// argv[1] to argv[argc-1] re-quoted and this process's relaunch marker in
// the environment, and writes why when it cannot.
Handover LaunchElevatedCopy(int argc, const wchar_t* const* argv);

}  // namespace tolvane
