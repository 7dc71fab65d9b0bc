#include "elevation/relaunch_marker.h"

#include <windows.h>

#include <tlhelp32.h>

#include "owners/kernel_owners.h"

namespace tolvane {
namespace {

constexpr wchar_t kMarkerVariable[] = L"TOLVANE_RELAUNCHED_BY";

std::optional<std::uint64_t> CreationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
    return std::nullopt;
  }
  return std::uint64_t{created.dwHighDateTime} << 32 | created.dwLowDateTime;
}

std::optional<DWORD> ParentProcessId() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    return std::nullopt;
  }
  const UniqueHandle owned(snapshot);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL found = Process32FirstW(snapshot, &entry); found;
       found = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) {
      return entry.th32ParentProcessID;
    }
  }
  return std::nullopt;
}

}  // namespace

std::wstring RelaunchMarker(DWORD processId, std::uint64_t created) {
  return std::to_wstring(processId) + L":" + std::to_wstring(created);
}

bool MarkerNamesParent(std::wstring_view marker, DWORD parentId,
                       std::optional<std::uint64_t> parentCreated) {
  const std::wstring id = std::to_wstring(parentId) + L":";
  if (!marker.starts_with(id)) {
    return false;
  }
  return !parentCreated || marker == RelaunchMarker(parentId, *parentCreated);
}

bool SetRelaunchMarker() {
  const std::optional<std::uint64_t> created =
      CreationTime(GetCurrentProcess());
  return created &&
         SetEnvironmentVariableW(
             kMarkerVariable,
             RelaunchMarker(GetCurrentProcessId(), *created).c_str());
}

bool StartedByRelaunch() {
  wchar_t marker[64] = {};
  const DWORD length = GetEnvironmentVariableW(kMarkerVariable, marker, 64);
  // No marker, or one too long to be any: a start of the user's own.
  if (length == 0 || length >= 64) {
    return false;
  }
  const std::optional<DWORD> parentId = ParentProcessId();
  if (!parentId) {
    return false;
  }
  const UniqueHandle parent(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *parentId));
  return MarkerNamesParent(std::wstring_view(marker, length), *parentId,
                           parent ? CreationTime(parent.get()) : std::nullopt);
}

}  // namespace tolvane
