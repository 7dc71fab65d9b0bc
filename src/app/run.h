#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include "elevation/elevation.h"

namespace tolvane {

// The stages of a run, each a call into the platform or into one of the
// other subsystems. Run() owns only their order and the exit status, so a
// test can drive the order through a fake.
class RunStages {
 public:
  virtual ~RunStages() = default;
  virtual Handover RelaunchElevated(int argc, const wchar_t* const* argv) = 0;
  virtual HRESULT CoInitializeEx() = 0;
  virtual void CoUninitialize() = 0;
  virtual bool RescanDeviceTree() = 0;
  virtual void Sleep(DWORD milliseconds) = 0;
  virtual bool ListEndpoints(EDataFlow flow) = 0;
};

// The whole run for wmain's arguments; returns the exit status.
int Run(int argc, const wchar_t* const* argv, RunStages& stages);

// The stages as the real program runs them.
RunStages& SystemStages();

}  // namespace tolvane
