// The uninstaller runner with a real child: the copy of the old uninstaller is the protocol
// package under the copy's name, reading its script from beside itself.
#include "engine/uninstaller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/privileges.h"
#include "tests/engine/runner_test_helpers.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace {

struct Scenario {
  const char* name;
  std::string script;
  std::vector<RecordedEvent> events;  // after UNIST_CODE_PROGRESS (0.0)
};

const RecordedEvent kEndedWithoutState = {UNIST_CODE_SUCCESS, 1.0, L""};

std::string ProgressLines(int count) {
  std::string script;
  for (int i = 0; i < count; ++i) script += "line Progress=0.5 " + std::string(60, '.') + "\n";
  return script;
}

std::vector<RecordedEvent> ProgressEvents(int count) {
  return std::vector<RecordedEvent>(count, {UNIST_CODE_PROGRESS, 0.5, L""});
}

std::vector<RecordedEvent> Then(std::vector<RecordedEvent> first, const RecordedEvent& last) {
  first.push_back(last);
  return first;
}

const Scenario kScenarios[] = {
    {"ReportedSuccess",
     "line Progress=0.5\nline State=Success\n",
     {{UNIST_CODE_PROGRESS, 0.5, L""}, {UNIST_CODE_SUCCESS, 0.0, L""}}},
    {"ReportedFailure", "line State=Fail\n", {{UNIST_CODE_ERROR, 0.0, L"安装包卸载失败"}}},
    {"ErrorLine", "line Error=file in use\n", {{UNIST_CODE_ERROR, 0.0, L"file in use"}}},
    {"ExitWithoutState",
     "line Progress=0.4\nexit 2\n",
     {{UNIST_CODE_PROGRESS, 0.4, L""}, kEndedWithoutState}},
    {"ExitCode259", "exit 259\n", {kEndedWithoutState}},
    {"NoOutputAtAll", "", {kEndedWithoutState}},
    {"ReadsOnAfterTheFinalState",
     "line State=Success\ndrain\nline Error=late\n",
     {{UNIST_CODE_SUCCESS, 0.0, L""}, {UNIST_CODE_ERROR, 0.0, L"late"}}},
    // Written just before the exit: still read, so a failure is not taken for a success.
    {"LastLinesBeforeExit", ProgressLines(30) + "line Error=last words\n",
     Then(ProgressEvents(30), {UNIST_CODE_ERROR, 0.0, L"last words"})},
    {"EncodeUtf8",
     "line Encode=UTF8\ndrain\n"
     R"(line Error=\xE5\xB0\xBC)"
     "\n",
     {{UNIST_CODE_ERROR, 0.0, L"尼"}}},
    {"EncodeOtherValueIsAnsi",
     "line Encode=UTF8\ndrain\nline Encode=936\ndrain\n"
     R"(line Error=\xC3\xA9)"
     "\n",
     {{UNIST_CODE_ERROR, 0.0, MultiByteToWide("\xC3\xA9", 0)}}},
};

// The uninstaller copy in `folder`, running `script`.
std::wstring PlaceUninstaller(const ScopedTempFolder& folder, const std::string& script) {
  const std::wstring copy = folder.path() + L"Nimbrel_un_asa.exe";
  EXPECT_TRUE(::CopyFileW(ToolPath(L"protocol_package.exe").c_str(), copy.c_str(), FALSE));
  EXPECT_TRUE(WriteFileBytes(copy + L".script", script));
  return copy;
}

TEST(UninstallerTest, UninstallerScenarios) {
  for (const Scenario& scenario : kScenarios) {
    SCOPED_TRACE(scenario.name);
    ScopedTempFolder folder;
    const std::wstring pid_file = folder.path() + L"uninstaller.pid";
    const std::wstring copy = PlaceUninstaller(folder, PidFileCommand(pid_file) + scenario.script);
    EventRecorder recorder;
    const RunOutcome outcome = RunToEnd(
        std::make_unique<CUnInstaller>(recorder.Callback(), copy, folder.path() + L"Old"), recorder,
        pid_file, ChildEnd::kByItself, 0, {UNIST_CODE_SUCCESS, UNIST_CODE_ERROR, UNIST_CODE_FAIL});
    std::vector<RecordedEvent> expected = {{UNIST_CODE_PROGRESS, 0.0, L""}};
    expected.insert(expected.end(), scenario.events.begin(), scenario.events.end());
    EXPECT_EQ(outcome.events, expected);
    EXPECT_TRUE(outcome.child_ended_by_itself);
  }
}

TEST(UninstallerTest, MissingCopyStartsNothing) {
  ScopedTempFolder folder;
  EventRecorder recorder;
  {
    CUnInstaller uninstaller(recorder.Callback(), folder.path() + L"Nimbrel_un_asa.exe",
                             L"C:\\Old");
    uninstaller.Start();
    EXPECT_TRUE(recorder.WaitForAny({UNIST_CODE_FAIL}, kEventTimeLimitMs));
  }
  const std::vector<RecordedEvent> expected = {{UNIST_CODE_FAIL, 1.0, L"可执行卸载文件不存在"}};
  EXPECT_EQ(recorder.Events(), expected);
}

// The program is quoted, the old folder comes last and unquoted, as the "_?=" switch requires,
// and a line too long to launch is refused whole rather than cut off inside the folder name.
TEST(UninstallerTest, CommandLine) {
  ScopedTempFolder folder;
  const std::wstring args_file = folder.path() + L"args.txt";
  const std::wstring pid_file = folder.path() + L"uninstaller.pid";
  // A space in the copy's folder, and a program where the text before the space would point.
  const std::wstring copy_folder = folder.path() + L"old version\\";
  ASSERT_TRUE(::CreateDirectoryW(copy_folder.c_str(), nullptr));
  ASSERT_TRUE(::CopyFileW(ToolPath(L"protocol_package.exe").c_str(),
                          (folder.path() + L"old.exe").c_str(), FALSE));
  ASSERT_TRUE(WriteFileBytes(folder.path() + L"old.exe.script", "exit 3\n"));
  const std::wstring copy = copy_folder + L"Nimbrel_un_asa.exe";
  ASSERT_TRUE(::CopyFileW(ToolPath(L"protocol_package.exe").c_str(), copy.c_str(), FALSE));
  ASSERT_TRUE(WriteFileBytes(copy + L".script",
                             PidFileCommand(pid_file) + "argsfile " + Utf8(args_file) + "\n"));
  const std::wstring old_dir = L"C:\\Program Files\\Nimbrel";
  const std::wstring expected =
      L"\"" + copy + L"\" /S -adminact=" + (IsConsoleUserAdmin() ? L"true" : L"false") +
      L" -authorizationact=" + (IsProcessInAdminGroup() ? L"true" : L"false") +
      L" -console=show _?=C:\\Program Files\\Nimbrel";
  EventRecorder recorder;
  auto uninstaller = std::make_unique<CUnInstaller>(recorder.Callback(), copy, old_dir);
  EXPECT_EQ(uninstaller->BuildCommandLine(), expected);
  RunToEnd(std::move(uninstaller), recorder, pid_file, ChildEnd::kByItself, 0,
           {UNIST_CODE_SUCCESS});

  EXPECT_EQ(MultiByteToWide(ReadFileBytes(args_file), CP_UTF8), expected);
}

TEST(UninstallerTest, CommandLineTooLongIsALaunchFailure) {
  ScopedTempFolder folder;
  const std::wstring copy = PlaceUninstaller(folder, "");
  const std::wstring old_dir = L"C:\\" + std::wstring(1100, L'o');
  EventRecorder recorder;
  {
    CUnInstaller uninstaller(recorder.Callback(), copy, old_dir);
    EXPECT_EQ(uninstaller.BuildCommandLine().substr(uninstaller.BuildCommandLine().size() - 4),
              L"oooo");
    uninstaller.Start();
    EXPECT_TRUE(recorder.WaitForAny({UNIST_CODE_FAIL}, kEventTimeLimitMs));
  }
  const std::vector<RecordedEvent> expected = {{UNIST_CODE_PROGRESS, 0.0, L""},
                                               {UNIST_CODE_FAIL, 2.0, L""}};
  EXPECT_EQ(recorder.Events(), expected);
}

}  // namespace
