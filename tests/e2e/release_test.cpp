// What makes the executable fit to run elevated on other people's machines:
// a planted DLL beside it is never loaded, and the manifest and version
// resource are really embedded.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/child_process.h"

namespace tolvane {
namespace {

std::wstring Planted(const std::wstring& name) {
  return testing::BesideTests(L"..\\planted\\" + name);
}

TEST(PlantedDllTest, ACfgmgr32BesideTheExecutableIsNeverLoaded) {
  testing::ChildOptions options;
  const std::wstring log = testing::ScratchFile(L"pnp");
  options.environment[L"STANDIN_CM_LOG"] = log;
  const testing::ChildResult run =
      testing::RunChild(Planted(L"tolvane.exe"), L"--rescan-only", options);
  EXPECT_EQ(run.exitCode, 0u) << "99: the planted DLL ran";
  EXPECT_EQ(
      run.out,
      "Requesting root PnP re-enumeration...\r\nPnP rescan requested.\r\n");
  EXPECT_NE(testing::ReadFileBytes(log), "") << "the system's copy answered";
}

TEST(PlantedDllTest, AStaticImportWouldLoadIt) {
  const testing::ChildResult run =
      testing::RunChild(Planted(L"static_import_probe.exe"), L"");
  EXPECT_EQ(run.exitCode, 99u);
}

class ExecutableResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(
        exe_.c_str(), nullptr,
        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << GetLastError();
  }
  void TearDown() override {
    if (module_ != nullptr) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
  }
  const std::wstring exe_ = testing::BesideTests(L"tolvane.exe");
  HMODULE module_ = nullptr;
};

TEST_F(ExecutableResources, ManifestRunsAsInvokerOnWindows7To11) {
  HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(found, nullptr);
  const auto* bytes =
      static_cast<const char*>(LockResource(LoadResource(module_, found)));
  ASSERT_NE(bytes, nullptr);
  const std::string manifest(bytes, SizeofResource(module_, found));
  for (const char* expected : {
           R"(level="asInvoker")",
           R"(uiAccess="false")",
           R"(<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>)",
           R"(<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>)",
           R"(<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>)",
           R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)",
       }) {
    EXPECT_NE(manifest.find(expected), std::string::npos) << expected;
  }
}

TEST_F(ExecutableResources, VersionResourceCarriesTheProjectVersion) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe_.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string data(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(exe_.c_str(), 0, size, data.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\",
                             reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS,
            static_cast<DWORD>(
                MAKELONG(TOLVANE_VERSION_MINOR, TOLVANE_VERSION_MAJOR)));
  EXPECT_EQ(fixed->dwFileVersionLS,
            static_cast<DWORD>(MAKELONG(0, TOLVANE_VERSION_PATCH)));

  const struct {
    const wchar_t* key;
    std::wstring value;
  } strings[] = {
      {L"ProductName", L"tolvane"},
      {L"OriginalFilename", L"tolvane.exe"},
      {L"FileVersion", TOLVANE_VERSION},
      {L"ProductVersion", TOLVANE_VERSION},
      {L"FileDescription",
       L"Rescans the device tree and lists audio endpoints"},
      {L"LegalCopyright",
       L"Copyright (c) 2026 The tolvane developers. MIT License."},
  };
  for (const auto& s : strings) {
    wchar_t* value = nullptr;
    const std::wstring path =
        std::wstring(L"\\StringFileInfo\\040904B0\\") + s.key;
    ASSERT_TRUE(VerQueryValueW(data.data(), path.c_str(),
                               reinterpret_cast<void**>(&value), &length))
        << testing::Utf8(s.key);
    EXPECT_EQ(std::wstring(value), s.value) << testing::Utf8(s.key);
  }
}

}  // namespace
}  // namespace tolvane
