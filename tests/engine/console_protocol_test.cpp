// What the runners make of each protocol line: every key of both key tables, the value
// forms, and the lines that must be ignored.
#include "engine/console_protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/installer.h"
#include "engine/uninstaller.h"
#include "tests/support/event_recorder.h"

namespace {

struct ParseCase {
  const char* name;
  std::wstring text;
  std::vector<RecordedEvent> events;
  ParseResult result;
};

const std::wstring kLongest(kMaxTextValueLength, L'p');

const ParseCase kInstallerCases[] = {
    {"ProgressForwardedUnchanged", L"Progress=0.5", {{IST_CODE_PROGRESS, 0.5, L""}}, kNoFinalState},
    {"ProgressAfterBlanks", L"Progress= 0.25\r", {{IST_CODE_PROGRESS, 0.25, L""}}, kNoFinalState},
    {"ProgressNotANumber", L"Progress=abc", {{IST_CODE_PROGRESS, 0.0, L""}}, kNoFinalState},
    {"ProgressNanIsNoNumber", L"Progress=nan", {{IST_CODE_PROGRESS, 0.0, L""}}, kNoFinalState},
    {"ProgressOutOfRange", L"Progress=1e999", {{IST_CODE_PROGRESS, 0.0, L""}}, kNoFinalState},
    {"ProgressExponent", L"Progress=-2.5e-1x", {{IST_CODE_PROGRESS, -0.25, L""}}, kNoFinalState},
    {"InstPathKeepsCarriageReturn",
     L"InstPath=C:\\X\r\n",
     {{IST_CODE_INST_PATH, 0.0, L"C:\\X\r"}},
     kNoFinalState},
    {"EmptyValue", L"InstPath=", {{IST_CODE_INST_PATH, 0.0, L""}}, kNoFinalState},
    {"LongestValue", L"InstPath=" + kLongest, {{IST_CODE_INST_PATH, 0.0, kLongest}}, kNoFinalState},
    {"TooLongValueIsEmpty",
     L"InstPath=" + kLongest + L"q",
     {{IST_CODE_INST_PATH, 0.0, L""}},
     kNoFinalState},
    {"Success", L"State=Success\n", {{IST_CODE_SUCCESS, 0.0, L""}}, kFinalSuccess},
    {"SuccessTrimmed", L"State= \tSuccess \r", {{IST_CODE_SUCCESS, 0.0, L""}}, kFinalSuccess},
    {"LowerCaseSuccessIgnored", L"State=success", {}, kNoFinalState},
    {"BlankBeforeKeyIgnored", L" State=Success", {}, kNoFinalState},
    {"OtherStateIgnored", L"State=Done", {}, kNoFinalState},
    {"Fail", L"State=Fail", {{IST_CODE_FAIL, 0.0, L"安装包安装失败"}}, kFinalFailure},
    {"SuccessThenErrorFails",
     L"State=Success\nError=disk full\n",
     {{IST_CODE_SUCCESS, 0.0, L""}, {IST_CODE_FAIL, 1000.0, L"disk full"}},
     kFinalFailure},
    {"LastFinalLineDecides",
     L"Error=x\nState=Success",
     {{IST_CODE_FAIL, 1000.0, L"x"}, {IST_CODE_SUCCESS, 0.0, L""}},
     kFinalSuccess},
    {"InstallVersionHasNoEvent", L"InstallVersion=1.2.3", {}, kNoFinalState},
    {"ExePath",
     L"ExePath=C:\\N\\Nimbrel.exe",
     {{IST_CODE_EXE_PATH, 0.0, L"C:\\N\\Nimbrel.exe"}},
     kNoFinalState},
    {"StartExe", L"StartExe=C:\\b.exe", {{IST_CODE_EXE_PATH, 0.0, L"C:\\b.exe"}}, kNoFinalState},
    {"UninstExePath",
     L"UninstExePath=C:\\u.exe",
     {{IST_CODE_UNINST_EXE, 0.0, L"C:\\u.exe"}},
     kNoFinalState},
    {"UninstExe",
     L"UninstExe=C:\\v.exe",
     {{IST_CODE_UNINST_EXE, 0.0, L"C:\\v.exe"}},
     kNoFinalState},
    {"UninstEp",
     L"UninstEp=C:\\N\\uninst.ep",
     {{IST_CODE_UNINST_EP, 0.0, L"C:\\N\\uninst.ep"}},
     kNoFinalState},
    {"TopShowDetentionUnsigned",
     L"TopShowDetention=-1",
     {{IST_CODE_TOP_SHOW_DETENTION, 4294967295.0, L""}},
     kNoFinalState},
    {"FinishCloseDetentionAsSpelt",
     L"FinsihCloseDetention=30",
     {{IST_CODE_FINISH_CLOSE_DETENTION, 30.0, L""}},
     kNoFinalState},
    {"FinishCloseDetentionCorrectSpellingIgnored", L"FinishCloseDetention=30", {}, kNoFinalState},
    {"DetentionSaturates",
     L"TopShowDetention=99999999999",
     {{IST_CODE_TOP_SHOW_DETENTION, 2147483647.0, L""}},
     kNoFinalState},
    {"StartUrl",
     L"StartUrl=https://nimbrel.example/",
     {{IST_CODE_START_URL, 0.0, L"https://nimbrel.example/"}},
     kNoFinalState},
    {"StartupStyles",
     L"StartupStyle=NonStartup\nStartupStyle=AutoStartup\r\nStartupStyle= UserStartup\n"
     L"StartupStyle=Sometimes",
     {{IST_CODE_STARTUP_STYLE, 0.0, L""},
      {IST_CODE_STARTUP_STYLE, 1.0, L""},
      {IST_CODE_STARTUP_STYLE, 2.0, L""},
      {IST_CODE_STARTUP_STYLE, 0.0, L""}},
     kNoFinalState},
    {"EncodeHasNoEvent", L"Encode=UTF8", {}, kNoFinalState},
    {"Message", L"Message=hello", {{IST_CODE_MESSAGE, 0.0, L"hello"}}, kNoFinalState},
    {"UnknownAndEmptyLinesIgnored", L"Unknown=1\n\nprogress=0.3\n=x", {}, kNoFinalState},
    {"LinesInOrder",
     L"Progress=0.5\nInstPath=C:\\X\nState=Success\n",
     {{IST_CODE_PROGRESS, 0.5, L""},
      {IST_CODE_INST_PATH, 0.0, L"C:\\X"},
      {IST_CODE_SUCCESS, 0.0, L""}},
     kFinalSuccess},
};

const ParseCase kUninstallerCases[] = {
    {"Progress", L"Progress=0.75", {{UNIST_CODE_PROGRESS, 0.75, L""}}, kNoFinalState},
    {"Error", L"Error=locked\r", {{UNIST_CODE_ERROR, 0.0, L"locked\r"}}, kFinalFailure},
    {"Success", L"State= Success\r\n", {{UNIST_CODE_SUCCESS, 0.0, L""}}, kFinalSuccess},
    {"Fail", L"State=Fail", {{UNIST_CODE_ERROR, 0.0, L"安装包卸载失败"}}, kFinalFailure},
    {"InstallerKeysIgnored",
     L"InstPath=C:\\X\nMessage=m\nEncode=UTF8\nstate=Success",
     {},
     kNoFinalState},
    {"SuccessThenError",
     L"State=Success\nError=late",
     {{UNIST_CODE_SUCCESS, 0.0, L""}, {UNIST_CODE_ERROR, 0.0, L"late"}},
     kFinalFailure},
};

template <typename Runner>
void ExpectParse(Runner* runner, const EventRecorder& recorder, const ParseCase& c) {
  SCOPED_TRACE(c.name);
  EXPECT_EQ(runner->Parse(c.text), c.result);
  EXPECT_EQ(recorder.Events(), c.events);
}

TEST(ConsoleProtocolTest, InstallerKeyTable) {
  for (const ParseCase& c : kInstallerCases) {
    EventRecorder recorder;
    CInstaller installer(recorder.Callback(), L"\"p.exe\"", L"", false, false, false);
    ExpectParse(&installer, recorder, c);
  }
}

TEST(ConsoleProtocolTest, UninstallerKeyTable) {
  for (const ParseCase& c : kUninstallerCases) {
    EventRecorder recorder;
    CUnInstaller uninstaller(recorder.Callback(), L"u.exe", L"C:\\Old");
    ExpectParse(&uninstaller, recorder, c);
  }
}

TEST(ConsoleProtocolTest, InstallVersionKeepsNumbersItCannotRead) {
  EventRecorder recorder;
  CInstaller installer(recorder.Callback(), L"\"p.exe\"", L"", false, false, false);
  installer.Parse(L"InstallVersion=1.2.3");
  installer.Parse(L"InstallVersion=4.x.9");
  EXPECT_EQ(installer.install_version().major, 4);
  EXPECT_EQ(installer.install_version().minor, 2);
  EXPECT_EQ(installer.install_version().patch, 3);
}

}  // namespace
