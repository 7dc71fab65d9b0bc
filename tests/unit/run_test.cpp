// The code's own logic in this process, watched through its own imports.
#include "app/run.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

#include "audio/endpoint_report.h"
#include "console/console_output.h"
#include "console/console_pause.h"
#include "diag/system_message.h"
#include "elevation/elevation.h"
#include "elevation/relaunch_marker.h"
#include "fakes/fake_audio.h"

namespace tolvane {
namespace {

std::vector<DWORD> g_sleeps;
void WINAPI Sleeping(DWORD milliseconds) { g_sleeps.push_back(milliseconds); }
HRESULT WINAPI NoCom(void*, DWORD) { return E_OUTOFMEMORY; }
HRESULT WINAPI Fake(REFCLSID, IUnknown*, DWORD, REFIID, void** out) {
  return fakes::FakeAudio::Create(reinterpret_cast<IMMDeviceEnumerator**>(out));
}
BOOL WINAPI SearchKept(DWORD) { return TRUE; }  // keeps this folder searched

std::wstring Block(int index, std::wstring name, std::wstring state,
                   std::wstring roles, std::wstring id) {
  return L"  #" + std::to_wstring(index) + L": " + name + L"\n      state: " +
         state + L"\n" +
         (roles.empty() ? L"" : L"      default: " + roles + L"\n") +
         L"      id: " + id + L"\n";
}

// The handles the shell and the system hand the run, each for it to close.
std::vector<HANDLE> g_handed;
// The module path, its file's final path (empty: none), the file launched.
std::wstring g_module, g_final, g_launched;
DWORD WINAPI ModulePath(HMODULE module, LPWSTR path, DWORD size) {
  EXPECT_EQ(module, nullptr);
  path[g_module.copy(path, size - 1)] = L'\0';
  return g_module.size() < size ? static_cast<DWORD>(g_module.size()) : size;
}
DWORD WINAPI FinalPath(HANDLE file, LPWSTR path, DWORD size, DWORD flags) {
  EXPECT_EQ(GetFileType(g_handed.emplace_back(file)), FILE_TYPE_DISK);
  EXPECT_EQ(flags, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  const DWORD length = static_cast<DWORD>(g_final.size());
  if (length >= size) return length + 1;  // the size it needs
  path[g_final.copy(path, length)] = L'\0';
  return length;  // 0: failed
}
BOOL WINAPI Launched(SHELLEXECUTEINFOW* launch) {
  g_launched = launch->lpFile;
  launch->hProcess = g_handed.emplace_back(CreateEventW(0, TRUE, FALSE, 0));
  return TRUE;
}
// The parent that Wine cannot open here: this process, which no marker names.
decltype(&OpenProcess) g_openProcess = IMPORT_SLOT(OpenProcess);
HANDLE WINAPI OpenedParent(DWORD access, BOOL inherit, DWORD) {
  const DWORD self = GetCurrentProcessId();
  return g_handed.emplace_back(g_openProcess(access, inherit, self));
}
// The process token: elevated or not, and its type (0: it will not open).
struct Token {
  DWORD elevated, type;
} g_token;
decltype(&OpenProcessToken) g_open = IMPORT_SLOT(OpenProcessToken);
BOOL WINAPI OpenToken(HANDLE process, DWORD access, HANDLE* token) {
  return g_token.type && g_open(process, access, token) &&
         g_handed.emplace_back(*token);
}
BOOL WINAPI TokenInformation(HANDLE, TOKEN_INFORMATION_CLASS kind, void* info,
                             DWORD size, DWORD* returned) {
  const DWORD* answer = kind == TokenElevation       ? &g_token.elevated
                        : kind == TokenElevationType ? &g_token.type
                                                     : nullptr;
  EXPECT_TRUE(answer && size >= sizeof(DWORD)) << kind;  // none else is told
  if (answer) std::memcpy(info, answer, *returned = sizeof(DWORD));
  return answer != nullptr;
}

const std::wstring kRescanned =
    L"Requesting root PnP re-enumeration...\nPnP rescan requested.\n";
const std::wstring kRender = kRescanned + L"[render] 0 device(s)\n";
const wchar_t kName[] = L"R\u00e9altek\u00ae \u8033\u673a";
const HRESULT kNothing = S_FALSE;  // success, but no object handed out
const std::vector<const wchar_t*> kNow = {L"--wait-ms", L"0"};

const wchar_t kFile[] = L"C:\\windows\\system32\\kernel32.dll";  // one that is
const std::wstring k259 = L"C:\\" + std::wstring(256, L'x'), k260 = k259 + L'x';
const Token kLimited = {0, TokenElevationTypeLimited};

struct Row {
  std::vector<const wchar_t*> args = {};
  int status = 0;
  std::vector<DWORD> sleeps = {};
  std::wstring out = kRender, err = L"";
  fakes::Plan plan = {};
  decltype(&SetDefaultDllDirectories) search = SearchKept;
  decltype(&CoInitializeEx) init = IMPORT_SLOT(CoInitializeEx);  // COM's own
  std::size_t calls = 0;  // on the fake endpoints' interfaces; 0: any
  Token token = {1, TokenElevationTypeFull};
  std::wstring module = kFile, final = L"", launched = L"";
  decltype(&SetEnvironmentVariableW) marker = SetEnvironmentVariableW;
};

// The whole run as the row says, every reference and text given back.
void Expect(Row row) {
  SWAPPED_IMPORT(SetDefaultDllDirectories, row.search);
  SWAPPED_IMPORT(CoInitializeEx, row.init);
  SWAPPED_IMPORT(Sleep, Sleeping);
  SWAPPED_IMPORT(CoCreateInstance, Fake);
  SWAPPED_IMPORT(OpenProcessToken, OpenToken);
  SWAPPED_IMPORT(GetTokenInformation, TokenInformation);
  SWAPPED_IMPORT(GetModuleFileNameW, ModulePath);
  SWAPPED_IMPORT(GetFinalPathNameByHandleW, FinalPath);
  SWAPPED_IMPORT(ShellExecuteExW, Launched);
  SWAPPED_IMPORT(OpenProcess, OpenedParent);
  SWAPPED_IMPORT(SetEnvironmentVariableW, row.marker);
  const fakes::FakeAudio audio(std::move(row.plan));
  std::wostringstream out, err;
  std::wstreambuf* const oldOut = std::wcout.rdbuf(out.rdbuf());
  std::wstreambuf* const oldErr = std::wcerr.rdbuf(err.rdbuf());
  g_sleeps.clear(), g_launched.clear(), g_handed.clear();
  g_token = row.token, g_module = row.module, g_final = row.final;
  row.args.insert(row.args.begin(), L"tolvane.exe");
  EXPECT_EQ(Run(static_cast<int>(row.args.size()), row.args.data()),
            row.status);
  std::wcout.rdbuf(oldOut), std::wcerr.rdbuf(oldErr);
  EXPECT_EQ(out.str(), row.out);
  EXPECT_EQ(err.str(), row.err);
  EXPECT_EQ(g_sleeps, row.sleeps);
  EXPECT_EQ(g_launched, row.launched);
  for (DWORD flags = 0; const HANDLE handle : g_handed)
    EXPECT_FALSE(GetHandleInformation(handle, &flags)) << "handle kept";
  EXPECT_EQ(audio.references, 0) << "references not given back";
  EXPECT_EQ(audio.texts.size(), 0u) << "texts not freed";
  EXPECT_TRUE(row.calls == 0 || audio.calls == row.calls) << audio.calls;
}

// What the command line asks for, the wait, the report; failures end it.
TEST(RunTest, ReportsWhatWasAskedAfterTheWaitAskedFor) {
  const Row rows[] = {
      // clang-format off
      {.sleeps = {1500}},
      {.args = {L"--capture-only", L"--rescan"}, .sleeps = {1500}, .out = kRescanned + L"[capture] 0 device(s)\n", .plan = {.flow = eCapture}},
      {.args = {L"--rescan-only", L"--wait-ms", L"5"}, .out = kRescanned},
      {.args = {L"--render-only", L"--capture-only", L"--wait-ms", L"0"}, .out = kRescanned + L"[capture] 1 device(s)\n" + Block(0, L"A", L"active", L"console, multimedia, communications", L"{a}"),
       .plan = {.endpoints = {{}}, .defaults = {fakes::Endpoint{}, fakes::Endpoint{}, fakes::Endpoint{}}, .flow = eCapture}},
      {.args = {L"--capture-only", L"--render-only", L"--wait-ms", L"-1"}},
      {.args = {L"--wait-ms", L"--capture-only"}},
      {.args = {L"--wait-ms", L"5", L"--wait-ms", L"\uff18\uff10"}, .sleeps = {80}},
      {.args = {L"--wait-ms", L"\u300080"}, .sleeps = {80}},
      {.args = {L"--wait-ms", L" +012ms"}, .sleeps = {12}},
      {.args = {L"--wait-ms", L"ms"}},
      {.args = {L"--wait-ms", L"99999999999"}, .sleeps = {2147483647}},
      {.args = {L"--wait-ms", L"-2147483649"}},
      {.args = {L"--help"}, .status = 1, .out = L"", .err = L"SetDefaultDllDirectories failed: Access denied.\n", .search = [](DWORD) { return SetLastError(ERROR_ACCESS_DENIED), FALSE; }},
      {.status = 1, .out = L"", .err = L"CoInitializeEx failed: Out of memory.\n", .init = NoCom},
      {.args = kNow, .status = 1, .out = kRescanned, .err = L"Failed to create MMDeviceEnumerator: Out of memory.\n", .plan = {.create = E_OUTOFMEMORY}},
      {.args = kNow, .status = 1, .out = kRescanned, .err = L"Failed to create MMDeviceEnumerator: Invalid function.\n", .plan = {.create = kNothing}},
      {.args = {L"--capture-only", L"--wait-ms", L"0"}, .status = 1, .out = kRescanned, .err = L"EnumAudioEndpoints(capture) failed: Not implemented.\n", .plan = {.flow = eCapture, .enumerate = E_NOTIMPL}},
      {.args = kNow, .status = 1, .out = kRescanned, .err = L"EnumAudioEndpoints(render) failed: Invalid function.\n", .plan = {.enumerate = kNothing}},
      {.args = kNow, .plan = {.endpoints = {{}}, .count = E_FAIL}},
      // Three calls, then eleven per endpoint: defaults are asked anew.
      {.args = kNow, .out = kRescanned + L"[render] 2 device(s)\n" + Block(0, L"A", L"active", L"console, multimedia, communications", L"{a}") +
          Block(1, kName, L"unplugged", L"", L"{b}"),
       .plan = {.endpoints = {{}, {.id = L"{b}", .state = DEVICE_STATE_UNPLUGGED, .name = kName}}, .defaults = {fakes::Endpoint{}, fakes::Endpoint{}, fakes::Endpoint{}}},
       .calls = 3 + 2 * 11},
      // No default for the first role; the second's id comes back null.
      {.args = kNow, .out = kRescanned + L"[render] 1 device(s)\n" + Block(0, L"A", L"active", L"communications", L"{a}"),
       .plan = {.endpoints = {{}}, .defaults = {std::nullopt, fakes::Endpoint{.id = nullptr}, fakes::Endpoint{}}}},
      // Gaps, placeholders; ids match a default's exactly, the empty one too.
      {.args = kNow, .out = kRescanned + L"[render] 11 device(s)\n" + Block(2, L"A", L"active", L"", L"<missing id>") + Block(3, L"A", L"active", L"", L"<missing id>") +
          Block(4, L"A", L"<unknown>", L"", L"{s}") + Block(5, L"<failed to open property store>", L"active", L"", L"{p}") +
          Block(6, L"<unnamed device>", L"active", L"", L"{v}") + Block(7, L"<unnamed device>", L"unknown", L"", L"{e}") +
          Block(8, L"<unnamed device>", L"unknown", L"", L"{u}") + Block(9, L"<unnamed device>", L"disabled", L"", L"{n}") +
          Block(10, L"", L"not_present", L"console", L""),
       .err = L"  #0: failed to open device: Access denied.\n  #1: failed to open device: Invalid function.\n",
       .plan = {.endpoints = {{.item = E_ACCESSDENIED}, {.item = kNothing}, {.id = L"{c}", .getId = E_FAIL}, {.id = nullptr},
                              {.id = L"{s}", .getState = E_FAIL}, {.id = L"{p}", .store = E_FAIL}, {.id = L"{v}", .getValue = E_FAIL},
                              {.id = L"{e}", .state = 0, .type = VT_EMPTY}, {.id = L"{u}", .state = 3, .type = VT_UI4},
                              {.id = L"{n}", .state = DEVICE_STATE_DISABLED, .name = nullptr},
                              {.id = L"", .state = DEVICE_STATE_NOTPRESENT, .name = L""}},
                .defaults = {fakes::Endpoint{.id = L""}, fakes::Endpoint{.id = L"{S}"}, fakes::Endpoint{.id = L"{p}", .getId = E_FAIL}}}},
      // Elevated (split as above, or alone: UAC off, Administrator, SYSTEM) it
      // runs; else it relaunches, silent, from its final path or module path.
      {.args = {L"--rescan-only"}, .out = kRescanned, .token = {1, TokenElevationTypeDefault}},
      {.out = L"", .token = {0, TokenElevationTypeDefault}, .launched = kFile},
      {.out = L"", .token = {1, 0}, .launched = kFile},
      {.out = L"", .token = kLimited, .module = k259, .launched = k259},
      {.status = 1, .out = L"", .err = L"Failed to resolve executable path.\n", .token = kLimited, .module = k260},
      {.status = 1, .out = L"", .err = L"Failed to relaunch elevated. Win32 error: 8\n", .token = kLimited, .marker = [](LPCWSTR, LPCWSTR) { return SetLastError(8), FALSE; }},
      {.out = L"", .token = kLimited, .final = L"\\\\?\\S:\\tolvane.exe", .launched = L"S:\\tolvane.exe"},
      {.out = L"", .token = kLimited, .final = L"\\\\?\\UNC\\srv\\share\\t.exe", .launched = L"\\\\srv\\share\\t.exe"},
      {.out = L"", .token = kLimited, .final = L"\\\\?\\" + k259, .launched = k259},
      {.out = L"", .token = kLimited, .final = L"\\\\?\\" + k260, .launched = kFile},
      {.out = L"", .token = kLimited, .final = L"\\\\?\\UNC\\" + k260.substr(3), .launched = L"\\\\" + k260.substr(3)},
      {.out = L"", .token = kLimited, .final = L"\\\\?\\UNC\\" + k260.substr(2), .launched = kFile},
      // clang-format on
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(&row - rows);
    Expect(row);
  }
  EXPECT_EQ(DataFlowName(static_cast<EDataFlow>(2)), L"unknown");
}

// The thread's apartment, of either kind, is used and left as it was.
TEST(RunTest, LeavesTheThreadsApartmentAsItFoundIt) {
  for (const DWORD kind : {COINIT_APARTMENTTHREADED, COINIT_MULTITHREADED}) {
    std::thread([kind] {
      ASSERT_EQ(CoInitializeEx(nullptr, kind), S_OK);
      Expect({.args = {L"--rescan-only"}, .out = kRescanned});
      EXPECT_EQ(CoInitializeEx(nullptr, kind), S_FALSE) << "ended";
      CoUninitialize(), CoUninitialize();
      EXPECT_EQ(CoInitializeEx(nullptr, kind), S_OK) << "left initialised";
      CoUninitialize();
    }).join();
  }
}

std::vector<std::wstring> g_console;  // what each console write was handed
ULONGLONG g_now = 0, g_until = 0;     // the clock; the end the last wait allows
decltype(&WriteConsoleW) g_write = IMPORT_SLOT(WriteConsoleW);
BOOL WINAPI ConsoleWrite(HANDLE out, const void* text, DWORD length,
                         DWORD* written, void* reserved) {  // of 7, takes 6
  g_console.emplace_back(static_cast<const wchar_t*>(text), length);
  return !(length == 35 && g_until) &&  // a prompt after a wait fails
         g_write(out, text, length - (length == 7), written, reserved);
}
INPUT_RECORD g_keys[] = {{FOCUS_EVENT, {.FocusEvent = {TRUE}}},
                         {KEY_EVENT, {{FALSE, 1, VK_RETURN, 0, {L'\r'}, 0}}},
                         {KEY_EVENT, {{TRUE, 1, VK_SHIFT, 0, {L'\0'}, 0}}}};
BOOL WINAPI Unflushable(HANDLE) { return FALSE; }
HWND WINAPI NoWindow() { return nullptr; }  // as CREATE_NO_WINDOW leaves it
ULONGLONG WINAPI Clock() { return g_now; }
// 59 s into the wait: focus, Enter let go (held since before it), Shift down.
DWORD WINAPI KeyPressedWhileWaiting(HANDLE input, DWORD milliseconds) {
  DWORD events = 0;
  g_until = g_now + milliseconds;
  if (!g_now) WriteConsoleInputW(input, g_keys, 3, &events), g_now = 59000;
  if (GetNumberOfConsoleInputEvents(input, &events) && !events)
    ADD_FAILURE() << "waits on after the key";
  return WaitForSingleObjectEx(input, events ? milliseconds : 0, FALSE);
}

// In a console window of its own: shown nothing, it closes at once; shown
// text, it asks and waits a minute at most for a key pressed then. Lines
// leave whole, in CR LF (a console may lack the automatic return).
TEST(PauseTest, AsksOnceTextIsShownAndWaitsForAKeyAfterTheQuestion) {
  FreeConsole();
  ASSERT_TRUE(AllocConsole());  // its input and output become the standard
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
  LineOutputBuffer line(out, 0);  // a console by its handle, not stdout's
  SetStdHandle(STD_OUTPUT_HANDLE, out), SetStdHandle(STD_ERROR_HANDLE, nullptr);
  ASSERT_TRUE(SetConsoleOutputCP(CP_UTF8));  // "chcp 65001": redirected, UTF-8
  EXPECT_EQ(EncodeRedirected(L"\u8033\u673a\n", RedirectedCodePage()),
            "\xe8\x80\xb3\xe6\x9c\xba\r\n");
  DWORD count = 0, kept = 0;
  wchar_t shown[10] = {};
  {
    SWAPPED_IMPORT(WaitForSingleObject, KeyPressedWhileWaiting);
    SWAPPED_IMPORT(GetTickCount64, Clock);
    SWAPPED_IMPORT(WriteConsoleW, ConsoleWrite);
    PauseBeforeWindowCloses();
    std::wostream(std::make_unique<LineOutputBuffer>(out, 0).get()) << L"end";
    std::wostream(&line) << std::unitbuf << L"\u8033\u673a " << L"\U0001F3A7\n";
    EXPECT_EQ(g_console.size(), 3u) << "a line not written as it ended";
    {  // a console without a window has nobody to ask, nor keys to take
      SWAPPED_IMPORT(GetConsoleWindow, NoWindow);
      WriteConsoleInputW(in, &g_keys[2], 1, &count);
      PauseBeforeWindowCloses();
      GetNumberOfConsoleInputEvents(in, &kept);
    }
    PauseBeforeWindowCloses();
    EXPECT_TRUE(GetNumberOfConsoleInputEvents(in, &count) && !count && kept)
        << "took keys typed ahead, or closed before the key after the question";
    PauseBeforeWindowCloses();  // nobody asked, nobody answers: no wait
    WriteConsoleInputW(in, &g_keys[2], 1, &count);  // and keys it cannot empty
    SWAPPED_IMPORT(FlushConsoleInputBuffer, Unflushable);
    PauseBeforeWindowCloses();
  }

  ReadConsoleOutputCharacterW(out, shown, 9, {0, 0}, &count);
  EXPECT_EQ(std::wstring_view(shown), L"end\u8033\u673a \U0001F3A7 ");  // exact
  EXPECT_EQ(g_console, (std::vector<std::wstring>{
                           L"end", L"\u8033\u673a \U0001F3A7\r\n", L"\n",
                           L"Press any key to close this window.",
                           L"Press any key to close this window."}));
  EXPECT_TRUE(g_until > 50000 && g_until <= 60000) << g_until;  // a minute
  EXPECT_TRUE(FreeConsole());
}

// A full pipe takes a byte of a line, then nothing, silently; then it goes.
int g_offered = 0;  // the writes handed to it
BOOL WINAPI PipeFull(HANDLE, LPCVOID, DWORD size, DWORD* written, OVERLAPPED*) {
  SetLastError(++g_offered <= 2 ? ERROR_SUCCESS : ERROR_NO_DATA);
  return *written = size == 3, g_offered <= 2;  // as a pager quit
}

// A launcher is known by id and creation time, one that has ended by id; only
// a visible console of its own showing text closes with the process; system
// texts lose their line break; UTF-7 (UTF-8 on Windows) takes no flags; no
// console write splits a pair; only lost output is loud, and it is the last.
TEST(RulesTest, HoldAtEveryEdge) {
  EXPECT_TRUE(MarkerNamesParent(L"12:34", 12, 34));
  EXPECT_TRUE(MarkerNamesParent(L"12:34", 12, std::nullopt));
  EXPECT_FALSE(MarkerNamesParent(L"12:35", 12, 34));
  EXPECT_FALSE(MarkerNamesParent(L"123:34", 12, std::nullopt));
  EXPECT_TRUE(ConsoleClosesWithProcess({1, true, true, true, true}));
  const ConsoleFacts others[] = {
      {0, true, true, true, true},  {2, true, true, true, true},
      {1, false, true, true, true}, {1, true, false, true, true},
      {1, true, true, false, true}, {1, true, true, true, false}};
  for (const ConsoleFacts& facts : others)
    EXPECT_FALSE(ConsoleClosesWithProcess(facts)) << &facts - others;
  EXPECT_EQ(FormatSystemMessage(ERROR_BAD_EXE_FORMAT),
            L"Bad EXE format for %1.");
  EXPECT_EQ(FormatSystemMessage(0xA0FFFFFF), L"Unknown error");
  EXPECT_EQ(EncodeRedirected(L"a+\u00e9\n", CP_UTF7), "a+-+AOk-\r\n");
  EXPECT_EQ(ConsoleChunkLength(L"ab\U0001F3A7c", 3), 2u);
  SWAPPED_IMPORT(WriteFile, PipeFull);
  LineOutputBuffer pipe(nullptr, CP_UTF8);
  std::wostream(&pipe) << L"x\n" << L"y\n";
  EXPECT_EQ(pipe.error(), DWORD{ERROR_WRITE_FAULT}) << "took nothing, silently";
  EXPECT_EQ(g_offered, 2) << "a report goes on after a hole";
  LineOutputBuffer gone(nullptr, CP_UTF8);
  std::wostream(&gone) << L"x\n";
  EXPECT_EQ(gone.error(), DWORD{ERROR_NO_DATA}) << "a reader gone is no loss";
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_ERROR_HANDLE, nullptr);  // standard error's line is lost
  auto output = std::make_unique<ScopedConsoleOutput>();
  std::wcerr << L"x\n";
  EXPECT_TRUE(output->Finish()), output.reset();
  SetStdHandle(STD_ERROR_HANDLE, err);
}

}  // namespace
}  // namespace tolvane
