// The package runner with a real child: what it makes of each way a package can write, end or
// fail to start, and the command line the package receives.
#include "engine/installer.h"

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/installer_settings.h"
#include "tests/engine/runner_test_helpers.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace {

// Extra package switches for one test; the settings record is process-wide.
class ScopedInstCmd {
 public:
  explicit ScopedInstCmd(const std::wstring& text) : saved_(InstallerSettings::m_InstCmd) {
    InstallerSettings::m_InstCmd = text;
  }
  ~ScopedInstCmd() { InstallerSettings::m_InstCmd = saved_; }

 private:
  std::wstring saved_;
};

// Ten comment lines of 100 bytes: what follows starts at byte 1000 of the first read.
const std::string kFiller1000 = [] {
  std::string lines;
  for (int i = 0; i < 10; ++i) lines += "#" + std::string(98, 'f') + "\\n";
  return lines;
}();

std::wstring Ansi(const std::string& bytes) { return MultiByteToWide(bytes, 0); }

std::string LinesWrittenOneByOne(int count) {
  std::string script;
  for (int i = 0; i < count; ++i)
    script += "line Message=" + std::to_string(i) + std::string(60, 'm') + "\n";
  return script;
}

std::vector<RecordedEvent> MessagesWrittenOneByOne(int count) {
  std::vector<RecordedEvent> events;
  for (int i = 0; i < count; ++i) {
    events.push_back({IST_CODE_MESSAGE, 0.0, std::to_wstring(i) + std::wstring(60, L'm')});
  }
  return events;
}

std::vector<RecordedEvent> Concat(std::vector<RecordedEvent> first,
                                  const std::vector<RecordedEvent>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

struct Scenario {
  const char* name;
  std::string script;
  std::vector<RecordedEvent> events;  // after IST_CODE_START and IST_CODE_PROGRESS (0.0)
  ChildEnd end = ChildEnd::kByItself;
};

const RecordedEvent kEndedWithoutState = {IST_CODE_SUCCESS, 1.0, L""};
const RecordedEvent kReportedSuccess = {IST_CODE_SUCCESS, 0.0, L""};

const Scenario kScenarios[] = {
    {"ThreeLinesInOneWrite",
     R"(write Progress=0.5\nInstPath=C:\\X\nState=Success\n)",
     {{IST_CODE_PROGRESS, 0.5, L""}, {IST_CODE_INST_PATH, 0.0, L"C:\\X"}, kReportedSuccess}},
    {"SuccessThenErrorInOneRead",
     R"(write State=Success\nError=disk full\n)",
     {kReportedSuccess, {IST_CODE_FAIL, 1000.0, L"disk full"}}},
    {"BlankBeforeKeyIgnored", "line  State=Success\n", {kEndedWithoutState}},
    {"TrimmedSuccess", "line State= Success \t\n", {kReportedSuccess}},
    {"LowerCaseSuccessIgnored", "line State=success\n", {kEndedWithoutState}},
    {"ReportedFailure", "line State=Fail\n", {{IST_CODE_FAIL, 0.0, L"安装包安装失败"}}},
    {"CarriageReturnKeptInPath",
     R"(write InstPath=C:\\X\r\nState=Success\r\n)",
     {{IST_CODE_INST_PATH, 0.0, L"C:\\X\r"}, kReportedSuccess}},
    {"StartupStyleOtherValue",
     "line StartupStyle=Sometimes\n",
     {{IST_CODE_STARTUP_STYLE, 0.0, L""}, kEndedWithoutState}},
    {"TopShowDetentionMinusOne",
     "line TopShowDetention=-1\n",
     {{IST_CODE_TOP_SHOW_DETENTION, 4294967295.0, L""}, kEndedWithoutState}},
    {"Encode936FromTheNextRead",
     R"(write Encode=936\nMessage=\xC4\xE1\n)"
     "\ndrain\n"
     R"(line InstPath=C:\\\xC4\xE1\xB2\xBC\xC8\xF0\xB6\xFB)"
     "\n",
     {{IST_CODE_MESSAGE, 0.0, Ansi("\xC4\xE1")},
      {IST_CODE_INST_PATH, 0.0, L"C:\\尼布瑞尔"},
      kEndedWithoutState}},
    {"EncodeNamesAndUnusableValues",
     "line Encode=UTF8\ndrain\n"
     R"(line Message=\xC3\xA9)"
     "\n"
     "line Encode=banana\ndrain\n"
     R"(line Message=\xC3\xA9)"
     "\n"
     "line Encode= UTF8 \ndrain\nline Encode=99999\ndrain\n"
     R"(line Message=\xC3\xA9)"
     "\n"
     "line Encode=UTF8\ndrain\nline Encode=ACP\ndrain\n"
     R"(line Message=\xC3\xA9)"
     "\n",
     {{IST_CODE_MESSAGE, 0.0, L"é"},
      {IST_CODE_MESSAGE, 0.0, Ansi("\xC3\xA9")},
      {IST_CODE_MESSAGE, 0.0, Ansi("\xC3\xA9")},
      {IST_CODE_MESSAGE, 0.0, Ansi("\xC3\xA9")},
      kEndedWithoutState}},
    {"NoOutputAtAll", "", {kEndedWithoutState}},
    {"ExitWithoutFinalState",
     "line Progress=0.3\nexit 3\n",
     {{IST_CODE_PROGRESS, 0.3, L""}, kEndedWithoutState}},
    // Its exit code looks like "still running" to anyone who asks for the exit code.
    {"ExitCode259",
     "line Progress=0.3\nexit 259\n",
     {{IST_CODE_PROGRESS, 0.3, L""}, kEndedWithoutState}},
    // One write longer than a read: the line across byte 1024 still arrives whole.
    {"LineAcrossTheReadSize",
     "write " + kFiller1000 +
         R"(InstPath=C:\\Straddle\\Across\\The\\Read\\Size\nState=Success\n)"
         "\n",
     {{IST_CODE_INST_PATH, 0.0, L"C:\\Straddle\\Across\\The\\Read\\Size"}, kReportedSuccess}},
    // Bytes 1023 to 1025 hold one UTF-8 character.
    {"CharacterAcrossTheReadSize",
     "line Encode=UTF8\ndrain\nwrite " + kFiller1000 + "#" + std::string(13, 'f') +
         R"(\nMessage=\xE5\xB0\xBC\n)"
         "\n",
     {{IST_CODE_MESSAGE, 0.0, L"尼"}, kEndedWithoutState}},
    {"LinesWrittenOneByOne", LinesWrittenOneByOne(40),
     Concat(MessagesWrittenOneByOne(40), {kEndedWithoutState})},
    {"LineWithoutFeedAtTheEnd", "write State=Success", {kReportedSuccess}},
    {"NothingReportedAfterTheFinalState",
     "line State=Success\ndrain\nline Message=late\nflood 300000\n",
     {kReportedSuccess}},
    {"HangsUntilKilled",
     "line Message=waiting\nhang\n",
     {{IST_CODE_MESSAGE, 0.0, L"waiting"}, kEndedWithoutState},
     ChildEnd::kKilledByTest},
};

RunOutcome RunPackageScript(const std::string& script, ChildEnd end) {
  ScopedTempFolder folder;
  const std::wstring script_path = folder.path() + L"package.script";
  const std::wstring pid_file = folder.path() + L"package.pid";
  EXPECT_TRUE(WriteFileBytes(script_path, PidFileCommand(pid_file) + script));
  ScopedInstCmd inst_cmd(L"-script=" + Quoted(script_path));
  EventRecorder recorder;
  auto installer = std::make_unique<CInstaller>(
      recorder.Callback(), Quoted(ToolPath(L"protocol_package.exe")), L"", false, false, false);
  return RunToEnd(std::move(installer), recorder, pid_file, end, IST_CODE_MESSAGE,
                  {IST_CODE_SUCCESS, IST_CODE_FAIL});
}

TEST(InstallerTest, PackageScenarios) {
  for (const Scenario& scenario : kScenarios) {
    SCOPED_TRACE(scenario.name);
    const RunOutcome outcome = RunPackageScript(scenario.script, scenario.end);
    std::vector<RecordedEvent> expected = {{IST_CODE_START, 0.0, L""},
                                           {IST_CODE_PROGRESS, 0.0, L""}};
    expected.insert(expected.end(), scenario.events.begin(), scenario.events.end());
    EXPECT_EQ(outcome.events, expected);
    EXPECT_EQ(outcome.child_ended_by_itself, scenario.end == ChildEnd::kByItself);
  }
}

TEST(InstallerTest, CommandLine) {
  struct Case {
    bool adminact, authorizationact, dsc, ssc;
    std::wstring language, inst_cmd, install_dir, expected;
  };
  const Case cases[] = {
      {true, true, true, true, L"", L"", L"D:\\Apps\\Nimbrel",
       L"\"C:\\p.exe\" /S -console=show -version=1.0.0 -adminact=true -authorizationact=true "
       L"-dsc=true -ssc=true -instdir=\"D:\\Apps\\Nimbrel\" /D=D:\\Apps\\Nimbrel"},
      {false, false, false, false, L"zh-CN", L"-extra=1 -more", L"",
       L"\"C:\\p.exe\" /S -console=show -version=1.0.0 -adminact=false -authorizationact=false "
       L"-dsc=false -ssc=false -inslang=\"zh-CN\" -extra=1 -more"},
      {true, false, false, true, L"", L"-x", L"C:\\Program Files\\N",
       L"\"C:\\p.exe\" /S -console=show -version=1.0.0 -adminact=true -authorizationact=false "
       L"-dsc=false -ssc=true -x -instdir=\"C:\\Program Files\\N\" /D=C:\\Program Files\\N"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.expected));
    ScopedInstCmd inst_cmd(c.inst_cmd);
    EventRecorder recorder;
    CInstaller installer(recorder.Callback(), L"\"C:\\p.exe\"", c.install_dir, !c.ssc, !c.dsc,
                         !c.adminact);
    installer.SetAdminact(c.adminact);
    installer.SetAuthorizationact(c.authorizationact);
    installer.SetDsc(c.dsc);
    installer.SetSsc(c.ssc);
    installer.SetInstallLanguage(c.language);
    EXPECT_EQ(installer.BuildCommandLine(), c.expected);
  }
}

TEST(InstallerTest, ConstructorSwitchesAndDefaultAuthorization) {
  EventRecorder recorder;
  CInstaller installer(recorder.Callback(), L"\"p.exe\"", L"", true, false, true);
  EXPECT_EQ(installer.BuildCommandLine(),
            L"\"p.exe\" /S -console=show -version=1.0.0 -adminact=true -authorizationact=true "
            L"-dsc=false -ssc=true");
}

// The package sees the folder twice: quoted for -instdir, bare and last for /D=.
TEST(InstallerTest, PackageReceivesTheCommandLine) {
  ScopedTempFolder folder;
  const std::wstring install_dir = folder.path() + L"Target Folder";
  const std::wstring args_file = folder.path() + L"args.txt";
  const std::wstring pid_file = folder.path() + L"package.pid";
  const std::wstring script_path = folder.path() + L"package.script";
  ASSERT_TRUE(
      WriteFileBytes(script_path, PidFileCommand(pid_file) + "argsfile " + Utf8(args_file) + "\n"));
  ScopedInstCmd inst_cmd(L"-script=" + Quoted(script_path));
  EventRecorder recorder;
  auto installer =
      std::make_unique<CInstaller>(recorder.Callback(), Quoted(ToolPath(L"protocol_package.exe")),
                                   install_dir, true, false, true);
  installer->SetInstallLanguage(L"ja-JP");
  const std::wstring expected = installer->BuildCommandLine();
  RunToEnd(std::move(installer), recorder, pid_file, ChildEnd::kByItself, 0,
           {IST_CODE_SUCCESS, IST_CODE_FAIL});

  EXPECT_EQ(MultiByteToWide(ReadFileBytes(args_file), CP_UTF8), expected);

  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(expected.c_str(), &count);
  ASSERT_NE(arguments, nullptr);
  std::vector<std::wstring> split(arguments, arguments + count);
  ::LocalFree(arguments);
  ASSERT_GE(split.size(), 4u);
  EXPECT_EQ(split[0], ToolPath(L"protocol_package.exe"));
  EXPECT_EQ(split[split.size() - 3], L"-instdir=" + install_dir);
  EXPECT_EQ(split[split.size() - 2] + L" " + split.back(), L"/D=" + install_dir);
}

// A helper that the package leaves running with the output pipe inherited must not hold the run
// open: the run ends with the package.
TEST(InstallerTest, HelperKeepingThePipeOpenDoesNotHoldTheRun) {
  ScopedTempFolder folder;
  const std::wstring helper_script = folder.path() + L"helper.script";
  const std::wstring helper_pid_file = folder.path() + L"helper.pid";
  const std::wstring package_script = folder.path() + L"package.script";
  const std::wstring package_pid_file = folder.path() + L"package.pid";
  ASSERT_TRUE(WriteFileBytes(helper_script, PidFileCommand(helper_pid_file) + "hang\n"));
  ASSERT_TRUE(WriteFileBytes(package_script, PidFileCommand(package_pid_file) + "spawn " +
                                                 Utf8(helper_script) + "\nline Progress=0.5\n"));
  ScopedInstCmd inst_cmd(L"-script=" + Quoted(package_script));
  EventRecorder recorder;
  CInstaller installer(recorder.Callback(), Quoted(ToolPath(L"protocol_package.exe")), L"", false,
                       false, false);
  installer.Start();
  // Declared after the runner, so the helper is killed before the runner joins its worker.
  struct KillOnExit {
    ScopedHandle process;
    ~KillOnExit() {
      if (process) EndsWithinOrKill(process.get(), 0);
    }
  } helper{OpenChildFromPidFile(helper_pid_file, kChildTimeLimitMs)};
  ASSERT_TRUE(helper.process);

  const ScopedHandle package = OpenChildFromPidFile(package_pid_file, kChildTimeLimitMs);
  EXPECT_TRUE(!package || EndsWithinOrKill(package.get(), kChildTimeLimitMs));
  EXPECT_TRUE(recorder.WaitForAny({IST_CODE_SUCCESS}, kEventTimeLimitMs));
  EXPECT_EQ(::WaitForSingleObject(helper.process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  const std::vector<RecordedEvent> expected = {{IST_CODE_START, 0.0, L""},
                                               {IST_CODE_PROGRESS, 0.0, L""},
                                               {IST_CODE_PROGRESS, 0.5, L""},
                                               kEndedWithoutState};
  EXPECT_EQ(recorder.Events(), expected);
}

// A package that cannot be started ends the run with a launch failure, never a crash.
TEST(InstallerTest, LaunchFailures) {
  const std::wstring long_folder = L"C:\\" + std::wstring(1100, L'n');
  const struct {
    const char* name;
    std::wstring package;
    std::wstring install_dir;
  } cases[] = {
      {"MissingPackage", L"\"C:\\no\\such\\package.exe\"", L""},
      {"CommandLineTooLong", Quoted(ToolPath(L"protocol_package.exe")), long_folder},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EventRecorder recorder;
    {
      CInstaller installer(recorder.Callback(), c.package, c.install_dir, false, false, false);
      installer.Start();
      EXPECT_TRUE(recorder.WaitForAny({IST_CODE_FAIL}, kEventTimeLimitMs));
    }
    const std::vector<RecordedEvent> expected = {
        {IST_CODE_START, 0.0, L""}, {IST_CODE_PROGRESS, 0.0, L""}, {IST_CODE_FAIL, 2.0, L""}};
    EXPECT_EQ(recorder.Events(), expected);
  }
}

// A second start waits for the first run, and the code page a package chose stays.
TEST(InstallerTest, StartedAgainKeepsTheCodePage) {
  ScopedTempFolder folder;
  const std::wstring script_path = folder.path() + L"package.script";
  ScopedInstCmd inst_cmd(L"-script=" + Quoted(script_path));
  EventRecorder recorder;
  {
    CInstaller installer(recorder.Callback(), Quoted(ToolPath(L"protocol_package.exe")), L"", false,
                         false, false);
    ASSERT_TRUE(WriteFileBytes(script_path, "line Encode=936\ndrain\nline State=Success\n"));
    installer.Start();
    ASSERT_TRUE(recorder.WaitForAny({IST_CODE_SUCCESS}, kEventTimeLimitMs));
    // The first child read its whole script when it started.
    ASSERT_TRUE(WriteFileBytes(script_path, "line Message=\\xC4\\xE1\nline State=Fail\n"));
    installer.Start();
    ASSERT_TRUE(recorder.WaitForAny({IST_CODE_FAIL}, kEventTimeLimitMs));
  }
  const std::vector<RecordedEvent> expected = {{IST_CODE_START, 0.0, L""},
                                               {IST_CODE_PROGRESS, 0.0, L""},
                                               kReportedSuccess,
                                               {IST_CODE_START, 0.0, L""},
                                               {IST_CODE_PROGRESS, 0.0, L""},
                                               {IST_CODE_MESSAGE, 0.0, L"尼"},
                                               {IST_CODE_FAIL, 0.0, L"安装包安装失败"}};
  EXPECT_EQ(recorder.Events(), expected);
}

}  // namespace
