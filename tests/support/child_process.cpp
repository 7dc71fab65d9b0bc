#include "support/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "diag/unique_handle.h"

namespace tolvane::testing {
namespace {

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
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(),
                        TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY,
                        token.put())) {
    return nullptr;
  }
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenLinkedToken, &linked,
                           sizeof linked, &size)) {
    return nullptr;
  }
  const UniqueHandle linkedToken(linked.LinkedToken);
  HANDLE primary = nullptr;
  if (!DuplicateTokenEx(linkedToken.get(), MAXIMUM_ALLOWED, nullptr,
                        SecurityImpersonation, TokenPrimary, &primary)) {
    return nullptr;
  }
  return primary;
}

}  // namespace

ChildResult RunChild(const std::wstring& program,
                     const std::wstring& parameters,
                     const ChildOptions& options) {
  ChildResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueHandle outRead, outWrite, errRead, errWrite;
  if (!CreatePipe(outRead.put(), outWrite.put(), &inherit, 0) ||
      !CreatePipe(errRead.put(), errWrite.put(), &inherit, 0) ||
      !SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0) ||
      !SetHandleInformation(errRead.get(), HANDLE_FLAG_INHERIT, 0)) {
    ADD_FAILURE() << "pipes: " << GetLastError();
    return result;
  }
  const HANDLE nulFile = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ,
                                     &inherit, OPEN_EXISTING, 0, nullptr);
  if (nulFile == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "NUL: " << GetLastError();
    return result;
  }
  const UniqueHandle nul(nulFile);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.get();
  startup.hStdOutput = outWrite.get();
  startup.hStdError = errWrite.get();
  PROCESS_INFORMATION process{};
  std::vector<wchar_t> environment = EnvironmentBlock(options.environment);
  std::wstring mutableCommandLine =
      L"\"" + program + L"\"" + (parameters.empty() ? L"" : L" " + parameters);
  const DWORD flags = DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT;

  const auto started = std::chrono::steady_clock::now();
  BOOL created = FALSE;
  UniqueHandle token;
  if (options.unelevated) {
    token.reset(UnelevatedPrimaryToken());
    if (!token) {
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
                        token.get(), nullptr, mutableCommandLine.data(),
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
  const UniqueHandle processHandle(process.hProcess);
  const UniqueHandle threadHandle(process.hThread);
  // Only the child may hold the write ends, or the reads never end.
  outWrite.reset();
  errWrite.reset();

  std::thread errReader([&] { result.err = Drain(errRead.get()); });
  result.out = Drain(outRead.get());
  errReader.join();
  WaitForSingleObject(processHandle.get(), INFINITE);
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started)
          .count();
  if (!GetExitCodeProcess(processHandle.get(), &result.exitCode)) {
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
