#include "support/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace tolvane::testing {
namespace {

struct Handle {
  HANDLE value = nullptr;
  Handle() = default;
  explicit Handle(HANDLE h) : value(h) {}
  ~Handle() {
    if (value != nullptr && value != INVALID_HANDLE_VALUE) {
      CloseHandle(value);
    }
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

std::string Drain(HANDLE pipe) {
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  return bytes;
}

std::vector<wchar_t> EnvironmentBlock(
    const std::map<std::wstring, std::wstring>& changes) {
  std::map<std::wstring, std::wstring> variables;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; *entry != L'\0';
       entry += wcslen(entry) + 1) {
    const std::wstring text = entry;
    const std::size_t equals = text.find(L'=', 1);
    if (equals != std::wstring::npos) {
      variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
  }
  FreeEnvironmentStringsW(block);
  for (const auto& [name, value] : changes) {
    variables[name] = value;
  }
  std::vector<wchar_t> result;
  for (const auto& [name, value] : variables) {
    const std::wstring entry = name + L"=" + value;
    result.insert(result.end(), entry.begin(), entry.end());
    result.push_back(L'\0');
  }
  result.push_back(L'\0');
  return result;
}

// The token a process started by a standard user would have.
HANDLE UnelevatedPrimaryToken() {
  Handle token;
  if (!OpenProcessToken(GetCurrentProcess(),
                        TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY,
                        &token.value)) {
    return nullptr;
  }
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  if (!GetTokenInformation(token.value, TokenLinkedToken, &linked,
                           sizeof linked, &size)) {
    return nullptr;
  }
  Handle linkedToken(linked.LinkedToken);
  HANDLE primary = nullptr;
  if (!DuplicateTokenEx(linkedToken.value, MAXIMUM_ALLOWED, nullptr,
                        SecurityImpersonation, TokenPrimary, &primary)) {
    return nullptr;
  }
  return primary;
}

}  // namespace

ChildResult RunChild(const std::wstring& commandLine,
                     const ChildOptions& options) {
  ChildResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle outRead, outWrite, errRead, errWrite;
  if (!CreatePipe(&outRead.value, &outWrite.value, &inherit, 0) ||
      !CreatePipe(&errRead.value, &errWrite.value, &inherit, 0) ||
      !SetHandleInformation(outRead.value, HANDLE_FLAG_INHERIT, 0) ||
      !SetHandleInformation(errRead.value, HANDLE_FLAG_INHERIT, 0)) {
    ADD_FAILURE() << "pipes: " << GetLastError();
    return result;
  }
  Handle nul(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ, &inherit,
                         OPEN_EXISTING, 0, nullptr));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.value;
  startup.hStdOutput = outWrite.value;
  startup.hStdError = errWrite.value;
  PROCESS_INFORMATION process{};
  std::vector<wchar_t> environment = EnvironmentBlock(options.environment);
  std::wstring mutableCommandLine = commandLine;
  const DWORD flags = DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT;

  const auto started = std::chrono::steady_clock::now();
  BOOL created = FALSE;
  Handle token;
  if (options.unelevated) {
    token.value = UnelevatedPrimaryToken();
    if (token.value == nullptr) {
      ADD_FAILURE() << "no unelevated token: " << GetLastError();
      return result;
    }
  }
  // Wine now and then refuses a process start with ERROR_INTERNAL_ERROR
  // while it is busy starting another; a second try goes through.
  for (int attempt = 0; attempt < 3 && !created; ++attempt) {
    if (attempt > 0) {
      if (GetLastError() != ERROR_INTERNAL_ERROR) {
        break;
      }
      Sleep(200);
    }
    created = options.unelevated
                  ? CreateProcessAsUserW(
                        token.value, nullptr, mutableCommandLine.data(),
                        nullptr, nullptr, TRUE, flags, environment.data(),
                        nullptr, &startup, &process)
                  : CreateProcessW(nullptr, mutableCommandLine.data(), nullptr,
                                   nullptr, TRUE, flags, environment.data(),
                                   nullptr, &startup, &process);
  }
  if (!created) {
    ADD_FAILURE() << "cannot start child: " << GetLastError();
    return result;
  }
  Handle processHandle(process.hProcess), threadHandle(process.hThread);
  // Only the child may hold the write ends, or the reads never end.
  CloseHandle(std::exchange(outWrite.value, nullptr));
  CloseHandle(std::exchange(errWrite.value, nullptr));

  std::thread errReader([&] { result.err = Drain(errRead.value); });
  result.out = Drain(outRead.value);
  errReader.join();
  WaitForSingleObject(processHandle.value, INFINITE);
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started)
          .count();
  if (!GetExitCodeProcess(processHandle.value, &result.exitCode)) {
    ADD_FAILURE() << "no exit code: " << GetLastError();
  }
  return result;
}

std::wstring BesideTests(const std::wstring& name) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + name;
}

std::wstring ScratchFile(const std::wstring& tag) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  static int counter = 0;
  const std::wstring path = std::wstring(folder) + L"tolvane-" + tag + L"-" +
                            std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(++counter) + L".txt";
  DeleteFileW(path.c_str());
  return path;
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) {
    return {};
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                       static_cast<int>(text.size()), nullptr,
                                       0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                      bytes.data(), size, nullptr, nullptr);
  return bytes;
}

}  // namespace tolvane::testing
