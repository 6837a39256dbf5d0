// The product's demo setup package and its uninstaller, run for real by the two runners the
// way the pipeline runs them: the package from the target folder under the downloaded name,
// the uninstaller from a copy in a temporary folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/process_finder.h"
#include "engine/installer.h"
#include "engine/uninstaller.h"
#include "tests/engine/runner_test_helpers.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace {

constexpr wchar_t kPackageName[] = L"__Package_Nimbrel.exe";
constexpr wchar_t kUninstallerCopyName[] = L"Nimbrel_un_asa.exe";

// The demo programs are found by their file names; one still running at the limit is killed.
bool EndsWithinOrKillByName(const std::wstring& name, DWORD time_limit_ms) {
  const DWORD id = FindProcessByName(name);
  if (id == 0) return true;
  const ScopedHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id));
  return !process || EndsWithinOrKill(process.get(), time_limit_ms);
}

std::wstring ProfileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[260] = {};
  ::GetPrivateProfileStringW(section, key, L"<none>", value, 260, file.c_str());
  return value;
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs `package_path` into `target` with the switches the main window passes.
std::vector<RecordedEvent> RunPackage(const std::wstring& package_path,
                                      const std::wstring& target) {
  EventRecorder recorder;
  {
    CInstaller installer(recorder.Callback(), Quoted(package_path), target, true, true, true);
    installer.SetInstallLanguage(L"zh-CN");
    installer.Start();
    EXPECT_TRUE(recorder.WaitForAny({IST_CODE_SUCCESS, IST_CODE_FAIL}, kChildTimeLimitMs));
    EXPECT_TRUE(EndsWithinOrKillByName(kPackageName, kChildTimeLimitMs));
  }
  return recorder.Events();
}

std::vector<RecordedEvent> RunUninstaller(const std::wstring& copy, const std::wstring& folder) {
  EventRecorder recorder;
  {
    CUnInstaller uninstaller(recorder.Callback(), copy, folder);
    uninstaller.Start();
    EXPECT_TRUE(recorder.WaitForAny({UNIST_CODE_SUCCESS, UNIST_CODE_ERROR, UNIST_CODE_FAIL},
                                 kChildTimeLimitMs));
    EXPECT_TRUE(EndsWithinOrKillByName(kUninstallerCopyName, kChildTimeLimitMs));
  }
  return recorder.Events();
}

std::wstring PlacePackage(const std::wstring& folder) {
  const std::wstring package = folder + L"\\" + kPackageName;
  EXPECT_TRUE(::CopyFileW(ToolPath(L"demo_package.exe").c_str(), package.c_str(), FALSE));
  return package;
}

std::wstring CopyUninstaller(const std::wstring& installed, const ScopedTempFolder& temp) {
  const std::wstring copy = temp.path() + kUninstallerCopyName;
  EXPECT_TRUE(::CopyFileW(installed.c_str(), copy.c_str(), FALSE));
  return copy;
}

// A folder name with a blank and Chinese text: the package gets it bare after "/D=" and
// reports it back in UTF-8.
TEST(DemoPackageTest, InstallsAndUninstallsForReal) {
  ScopedTempFolder root;
  const std::wstring target = root.path() + L"程序 Files\\尼布瑞尔";
  ASSERT_TRUE(::CreateDirectoryW((root.path() + L"程序 Files").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
  const std::wstring package = PlacePackage(target);

  const std::wstring product = target + L"\\Nimbrel.exe";
  const std::wstring uninstaller = target + L"\\uninst.ep";
  const std::vector<RecordedEvent> installed = {{IST_CODE_START, 0.0, L""},
                                                {IST_CODE_PROGRESS, 0.0, L""},
                                                {IST_CODE_PROGRESS, 0.05, L""},
                                                {IST_CODE_PROGRESS, 0.4, L""},
                                                {IST_CODE_PROGRESS, 0.7, L""},
                                                {IST_CODE_PROGRESS, 1.0, L""},
                                                {IST_CODE_INST_PATH, 0.0, target},
                                                {IST_CODE_EXE_PATH, 0.0, product},
                                                {IST_CODE_UNINST_EP, 0.0, uninstaller},
                                                {IST_CODE_STARTUP_STYLE, 2.0, L""},
                                                {IST_CODE_SUCCESS, 0.0, L""}};
  EXPECT_EQ(RunPackage(package, target), installed);
  ASSERT_TRUE(::DeleteFileW(package.c_str()));  // as the pipeline does after success

  EXPECT_EQ(ReadFileBytes(product), ReadFileBytes(ToolPath(L"demo_product.exe")));
  EXPECT_EQ(ReadFileBytes(uninstaller), ReadFileBytes(ToolPath(L"demo_uninstaller.exe")));
  EXPECT_EQ(ProfileValue(target + L"\\config.ini", L"Install", L"Language"), L"zh-CN");
  EXPECT_EQ(ProfileValue(target + L"\\set.ini", L"Uninstall", L"IsOverride"), L"true");

  ScopedTempFolder temp;
  const std::vector<RecordedEvent> removed = {
      {UNIST_CODE_PROGRESS, 0.0, L""}, {UNIST_CODE_PROGRESS, 0.2, L""},
      {UNIST_CODE_PROGRESS, 0.4, L""}, {UNIST_CODE_PROGRESS, 0.6, L""},
      {UNIST_CODE_PROGRESS, 0.8, L""}, {UNIST_CODE_PROGRESS, 1.0, L""},
      {UNIST_CODE_SUCCESS, 0.0, L""}};
  EXPECT_EQ(RunUninstaller(CopyUninstaller(uninstaller, temp), target), removed);
  EXPECT_FALSE(Exists(target));
  EXPECT_TRUE(Exists(root.path() + L"程序 Files"));
}

TEST(DemoPackageTest, RefusesAFolderItCannotWrite) {
  ScopedTempFolder root;
  const std::wstring package = PlacePackage(root.path() + L".");
  const std::wstring blocker = root.path() + L"blocker.txt";
  ASSERT_TRUE(WriteFileBytes(blocker, "a file where a folder should be"));
  // An existing folder that takes no files even for an administrator, and one that cannot be
  // created because a file is in its way.
  for (const std::wstring& target : {std::wstring(L"Z:\\proc"), blocker + L"\\Nimbrel"}) {
    SCOPED_TRACE(Utf8(target));
    const std::vector<RecordedEvent> refused = {
        {IST_CODE_START, 0.0, L""},
        {IST_CODE_PROGRESS, 0.0, L""},
        {IST_CODE_PROGRESS, 0.05, L""},
        {IST_CODE_FAIL, 1000.0, L"无法写入安装目录：" + target}};
    EXPECT_EQ(RunPackage(package, target), refused);
  }
}

// A file still in use (the program running) stops the uninstallation before anything is lost.
TEST(DemoPackageTest, UninstallerReportsAFileInUse) {
  ScopedTempFolder root;
  const std::wstring target = root.path() + L"Nimbrel";
  ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
  const std::wstring package = PlacePackage(target);
  ASSERT_EQ(RunPackage(package, target).back().code, IST_CODE_SUCCESS);
  ASSERT_TRUE(::DeleteFileW(package.c_str()));

  const std::wstring product = target + L"\\Nimbrel.exe";
  ScopedTempFolder temp;
  const std::wstring copy = CopyUninstaller(target + L"\\uninst.ep", temp);
  {
    const ScopedHandle in_use(::CreateFileW(product.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(in_use);
    const std::vector<RecordedEvent> stopped = {
        {UNIST_CODE_PROGRESS, 0.0, L""}, {UNIST_CODE_ERROR, 0.0, L"无法删除文件：" + product}};
    EXPECT_EQ(RunUninstaller(copy, target), stopped);
    EXPECT_TRUE(Exists(target + L"\\uninst.ep"));
  }
  EXPECT_EQ(RunUninstaller(copy, target).back().code, UNIST_CODE_SUCCESS);
  EXPECT_FALSE(Exists(target));
}

}  // namespace
