#pragma once

namespace tolvane {

// Asks the Plug and Play manager to enumerate the device tree again from its
// root and waits until it has. Writes two progress lines to standard output
// and any failure, with the configuration manager's code, to standard error.
bool RescanDeviceTree();

}  // namespace tolvane
