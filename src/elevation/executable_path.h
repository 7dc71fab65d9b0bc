#pragma once

#include <windows.h>

namespace tolvane {

// Puts in place of the executable's path in `path` the final path of the
// file it names, in the form the shell starts a program from: "C:\..." or
// "\\server\share\...". The elevated copy runs in another logon session,
// which may lack the drive the path was started from (a SUBST drive, a
// drive mapped only for this session). Where the final path cannot be had,
// or would not fit `path`, the path stays as it is: a start that works
// without it must never fail for want of it.
void UseFinalPath(wchar_t (&path)[MAX_PATH]);

}  // namespace tolvane
