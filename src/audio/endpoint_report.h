#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <string>

namespace tolvane {

// Where the report gets its enumerator from: the real one in the program,
// a fake in the tests.
using EnumeratorSource = HRESULT (*)(IMMDeviceEnumerator** enumerator);

// The platform's audio endpoint enumerator (CoCreateInstance).
HRESULT CreateEndpointEnumerator(IMMDeviceEnumerator** enumerator);

// Writes the report of every endpoint of `flow`, in every state, to
// standard output and its failures to standard error. True when the
// enumerator and the endpoint collection could be had, whatever happened to
// single endpoints. Requires COM on the calling thread.
bool ListEndpoints(EDataFlow flow,
                   EnumeratorSource source = CreateEndpointEnumerator);

std::wstring DataFlowName(EDataFlow flow);
std::wstring EndpointStateName(DWORD state);

// The endpoint's friendly name, or a placeholder in angle brackets.
std::wstring ReadFriendlyName(IMMDevice* endpoint);

// True when the default endpoint of `flow` for `role` has exactly this id.
bool IsDefaultEndpoint(IMMDeviceEnumerator* enumerator, EDataFlow flow,
                       ERole role, const std::wstring& id);

}  // namespace tolvane
