// The pipeline end to end: downloads from the loopback server (its --root is the folder of the
// built programs, so the protocol package is served as the setup package), old versions
// removed by their uninstaller, packages run and cleaned up. Most runs go through
// pipeline_console, the pipeline's console front end, as a child process.
#include "engine/download_installer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/console_process.h"
#include "app/folders.h"
#include "app/installer_settings.h"
#include "app/text_encoding.h"
#include "tests/support/download_server.h"
#include "tests/support/event_recorder.h"
#include "tests/support/file_bytes.h"
#include "tests/support/pipe_reader.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace {

constexpr DWORD kRunLimitMs = 90000;
const char kPackageResource[] = "redirect/file/protocol_package.exe";
const char kInstallScript[] =
    "line Progress=0.5\n"
    "line InstPath=C:\\\\Nimbrel\n"
    "line State=Success\n";

std::wstring Wide(const std::string& text) { return MultiByteToWide(text, CP_UTF8); }
std::string Utf8(const std::wstring& text) { return WideToMultiByte(text, CP_UTF8); }
std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The tool's text escapes: "\\", "\r", "\n".
std::wstring UnescapedText(const std::string& utf8) {
  std::string bytes;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] != '\\' || i + 1 == utf8.size()) {
      bytes += utf8[i];
      continue;
    }
    const char kind = utf8[++i];
    bytes += kind == 'r' ? '\r' : kind == 'n' ? '\n' : kind;
  }
  return Wide(bytes);
}

struct ConsoleRun {
  std::vector<RecordedEvent> events;
  std::string summary;  // the closing "#" line
  DWORD exit_code = STILL_ACTIVE;
};

ConsoleRun ParseOutput(const std::string& output) {
  ConsoleRun run;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (line[0] == '#') {
      run.summary = line;
      continue;
    }
    const size_t first = line.find(' ');
    const size_t second = line.find(' ', first + 1);
    EXPECT_NE(second, std::string::npos) << line;
    if (second == std::string::npos) continue;
    run.events.push_back({std::atoi(line.c_str()),
                          std::strtod(line.c_str() + first + 1, nullptr),
                          UnescapedText(line.substr(second + 1))});
  }
  return run;
}

// Runs pipeline_console with `arguments`; a run that does not end in time is killed.
ConsoleRun RunConsole(const std::vector<std::wstring>& arguments) {
  std::wstring command_line = Quoted(ToolPath(L"pipeline_console.exe"));
  for (const std::wstring& argument : arguments) command_line += L" " + Quoted(argument);
  ConsoleProcess process;
  process.Launch(command_line);
  const PipeText output = ReadPipeToEnd(process.output(), kRunLimitMs);
  EXPECT_TRUE(output.ended) << "pipeline_console did not end in time";
  ConsoleRun run = ParseOutput(output.text);
  run.exit_code = WaitOrKill(process.process(), 5000);
  return run;
}

// What the demo package reports: download, then progress, the installation's facts and its
// final state.
const std::vector<int> kDemoInstallCodes = {
    DL_CODE_START,      DL_CODE_SUCCESS,     IST_CODE_START,         IST_CODE_PROGRESS,
    IST_CODE_PROGRESS,  IST_CODE_PROGRESS,   IST_CODE_PROGRESS,      IST_CODE_PROGRESS,
    IST_CODE_INST_PATH, IST_CODE_EXE_PATH,   IST_CODE_UNINST_EP,     IST_CODE_STARTUP_STYLE,
    IST_CODE_SUCCESS};

std::vector<int> Codes(const std::vector<RecordedEvent>& events) {
  std::vector<int> codes;
  for (const RecordedEvent& event : events) {
    if (event.code != DL_CODE_PROGRESS) codes.push_back(event.code);
  }
  return codes;
}

const RecordedEvent* Find(const std::vector<RecordedEvent>& events, int code) {
  for (const RecordedEvent& event : events) {
    if (event.code == code) return &event;
  }
  return nullptr;
}

// The settings record is process-wide; a test that changes the download type puts it back.
class ScopedDownloadType {
 public:
  explicit ScopedDownloadType(int type) : saved_(InstallerSettings::m_DownloadType) {
    InstallerSettings::m_DownloadType = type;
  }
  ~ScopedDownloadType() { InstallerSettings::m_DownloadType = saved_; }

 private:
  int saved_;
};

class DownloadInstallerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitHttpLibrary(); }

  void SetUp() override {
    server_ = LoopbackServerUrl(L"NIMBREL_PACKAGE_SERVER_PORT_FILE");
    ASSERT_FALSE(server_.empty()) << "the package server fixture is not running";
    package_bytes_ = ReadFileBytes(ToolPath(L"protocol_package.exe"));
    ASSERT_FALSE(package_bytes_.empty());
  }

  // A target folder (no trailing backslash) whose package will run `script`.
  std::wstring TargetWithScript(const std::wstring& name, const std::string& script) {
    const std::wstring target = folder_.path() + name;
    EXPECT_TRUE(CreateFolderTree(target));
    EXPECT_TRUE(WriteFileBytes(PackageIn(target) + L".script", script));
    return target;
  }

  static std::wstring PackageIn(const std::wstring& target) {
    return target + L"\\__Package_Nimbrel.exe";
  }

  // The program and the uninstaller that the demo package carries, byte for byte.
  static void ExpectDemoInstalled(const std::wstring& target) {
    EXPECT_EQ(ByteDifference(ReadFileBytes(target + L"\\Nimbrel.exe"),
                             ReadFileBytes(ToolPath(L"demo_product.exe"))),
              "");
    EXPECT_EQ(ByteDifference(ReadFileBytes(target + L"\\uninst.ep"),
                             ReadFileBytes(ToolPath(L"demo_uninstaller.exe"))),
              "");
  }

  std::string server_;
  ScopedTempFolder folder_;
  std::string package_bytes_;
};

// The demo package as the product's setup package, fetched by each downloader: installed into
// the target folder, reported in the phase order, its package file gone afterwards.
TEST_F(DownloadInstallerTest, DemoPackageIsDownloadedInstalledAndRemovedByEveryDownloadType) {
  const struct {
    int type;
    const wchar_t* success_text;
  } cases[] = {
      {1, L"LibCurl"}, {2, L"URLDownloadToFile"}, {3, L"LibCurl"},
      {0, L"LibCurl"}, {5, L"LibCurl"},           {-1, L"LibCurl"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    const FaultScenario scenario(server_, "");
    const std::wstring target = folder_.path() + L"demo" + std::to_wstring(c.type + 1);
    const ConsoleRun run =
        RunConsole({Wide(scenario.Url("software/517")), target, L"", std::to_wstring(c.type)});

    EXPECT_EQ(run.exit_code, 0u) << run.summary;
    EXPECT_EQ(Codes(run.events), kDemoInstallCodes);
    ASSERT_FALSE(run.events.empty());
    EXPECT_EQ(run.events.front().progress, 1.0);
    const RecordedEvent* success = Find(run.events, DL_CODE_SUCCESS);
    ASSERT_NE(success, nullptr);
    EXPECT_EQ(success->text, c.success_text);
    const RecordedEvent* installed = Find(run.events, IST_CODE_INST_PATH);
    ASSERT_NE(installed, nullptr);
    EXPECT_EQ(installed->text, target);
    ExpectDemoInstalled(target);
    EXPECT_FALSE(FileExists(PackageIn(target)));
    // Only the multi-part downloader asks for a range.
    EXPECT_EQ(scenario.Log().find("GET bytes=") != std::string::npos, c.type == 3)
        << scenario.Log();
  }
}

// The package ends without a word: installed all the same. The target folder did not exist
// and was made before the first byte arrived.
TEST_F(DownloadInstallerTest, MissingTargetFolderIsMadeAtTheStartOfTheDownload) {
  const FaultScenario scenario(server_, "");
  const std::wstring target = folder_.path() + L"new\\nested\\folder";
  const ConsoleRun run =
      RunConsole({Wide(scenario.Url(kPackageResource)), target, L"missing\\uninst.ep", L"3"});

  EXPECT_EQ(run.exit_code, 0u) << run.summary;
  EXPECT_EQ(Codes(run.events), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS, IST_CODE_START,
                                                 IST_CODE_PROGRESS, IST_CODE_SUCCESS}));
  EXPECT_EQ(run.events.back().progress, 1.0);
  EXPECT_NE(::GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(FileExists(PackageIn(target)));
}

class OlderVersionTest : public DownloadInstallerTest {
 protected:
  // The old version's uninstaller is the protocol package; its copy in the installer's temp
  // folder reads `script` from beside itself.
  std::wstring PlaceOldUninstaller(const std::string& script) {
    const std::wstring old_folder = folder_.path() + L"old";
    EXPECT_TRUE(CreateFolderTree(old_folder));
    const std::wstring uninstaller = old_folder + L"\\uninst.ep";
    EXPECT_TRUE(WriteFileBytes(uninstaller, package_bytes_));
    copy_script_ = GetInstallerTempFolder() + L"Nimbrel_un_asa.exe.script";
    EXPECT_TRUE(WriteFileBytes(copy_script_, script));
    return uninstaller;
  }

  void TearDown() override { ::DeleteFileW(copy_script_.c_str()); }

  std::wstring copy_script_;
};

// An older version installed by the demo package: its uninstaller runs (from the copy in the
// temp folder) and removes it before the new version is downloaded.
TEST_F(DownloadInstallerTest, OlderVersionIsUninstalledBeforeTheDownload) {
  const std::wstring old_target = folder_.path() + L"old";
  const std::wstring url = Wide(FaultScenario(server_, "").Url("software/517"));
  ASSERT_EQ(RunConsole({url, old_target, L"", L"3"}).exit_code, 0u);
  ExpectDemoInstalled(old_target);

  const std::wstring new_target = folder_.path() + L"new";
  const ConsoleRun run = RunConsole({url, new_target, old_target + L"\\uninst.ep", L"3"});

  EXPECT_EQ(run.exit_code, 0u) << run.summary;
  std::vector<int> expected = {UNIST_CODE_PROGRESS, UNIST_CODE_PROGRESS, UNIST_CODE_PROGRESS,
                               UNIST_CODE_PROGRESS, UNIST_CODE_PROGRESS, UNIST_CODE_PROGRESS,
                               UNIST_CODE_SUCCESS};
  expected.insert(expected.end(), kDemoInstallCodes.begin(), kDemoInstallCodes.end());
  EXPECT_EQ(Codes(run.events), expected);
  EXPECT_EQ(::GetFileAttributesW(old_target.c_str()), INVALID_FILE_ATTRIBUTES);
  ExpectDemoInstalled(new_target);
  EXPECT_FALSE(FileExists(PackageIn(new_target)));
}

TEST_F(OlderVersionTest, UninstallerReportingFailStopsThePipelineBeforeAnyDownload) {
  const std::wstring uninstaller = PlaceOldUninstaller("line State=Fail\n");
  const FaultScenario scenario(server_, "");
  const ConsoleRun run = RunConsole({Wide(scenario.Url(kPackageResource)),
                                     folder_.path() + L"new", uninstaller, L"3"});

  EXPECT_EQ(run.exit_code, 1u) << run.summary;
  EXPECT_EQ(Codes(run.events), (std::vector<int>{UNIST_CODE_PROGRESS, UNIST_CODE_ERROR}));
  ASSERT_EQ(run.events.size(), 2u);
  EXPECT_EQ(run.events[0].progress, 0.0);
  EXPECT_EQ(run.events[1].progress, 0.0);
  EXPECT_EQ(run.events[1].text, L"安装包卸载失败");
  EXPECT_EQ(scenario.Log(), "");
}

// The same pipeline started again into another folder downloads and installs there, and the
// clean-up also deletes a package left in the first folder.
TEST_F(DownloadInstallerTest, SecondRunIntoAnotherFolderDeletesBothPackages) {
  const ScopedDownloadType type(3);
  const FaultScenario scenario(server_, "");
  const std::wstring url = Wide(scenario.Url(kPackageResource));
  const std::wstring first = TargetWithScript(L"first", kInstallScript);
  const std::wstring arguments_file = folder_.path() + L"package_arguments.txt";
  const std::wstring second =
      TargetWithScript(L"second", "argsfile " + Utf8(arguments_file) + "\n" + kInstallScript);
  EventRecorder recorder;
  {
    CDownloadInstaller pipeline(recorder.Callback(), url, L"", first, false, false, false);
    pipeline.Start();
    ASSERT_TRUE(recorder.WaitForCount(IST_CODE_SUCCESS, 1, kRunLimitMs));
    ASSERT_TRUE(WriteFileBytes(PackageIn(first), "left behind"));

    pipeline.SetParams(url, L"", second, true, false, false, true, L"zh-CN");
    pipeline.Start();
    ASSERT_TRUE(recorder.WaitForCount(IST_CODE_SUCCESS, 2, kRunLimitMs));
  }  // joins the package runner, whose clean-up follows the event

  EXPECT_EQ(recorder.Count(DL_CODE_START), 2u);
  EXPECT_FALSE(FileExists(PackageIn(first)));
  EXPECT_FALSE(FileExists(PackageIn(second)));
  const std::wstring arguments = Wide(ReadFileBytes(arguments_file));
  EXPECT_NE(arguments.find(L" -dsc=true -ssc=false -inslang=\"zh-CN\" -instdir=\"" + second +
                           L"\" /D=" + second),
            std::wstring::npos)
      << Utf8(arguments);
}

// The pipeline answers DL_CODE_RETRY by starting the downloader again from inside the event,
// on the downloader's own thread; the second mismatch ends the run and nothing is left.
TEST_F(DownloadInstallerTest, DigestMismatchIsRetriedOnceThenTheRunFails) {
  for (const wchar_t* type : {L"1", L"3"}) {
    SCOPED_TRACE(Utf8(type));
    const FaultScenario scenario(server_, "upmd5");
    const std::wstring target = folder_.path() + L"mismatch" + type;
    const ConsoleRun run = RunConsole({Wide(scenario.Url("software/517")), target, L"", type});

    EXPECT_EQ(run.exit_code, 1u) << run.summary;
    EXPECT_EQ(Codes(run.events),
              (std::vector<int>{DL_CODE_START, DL_CODE_MD5_ERROR, DL_CODE_RETRY, DL_CODE_START,
                                DL_CODE_MD5_ERROR, DL_CODE_FAIL}));
    EXPECT_FALSE(FileExists(PackageIn(target)));
    EXPECT_FALSE(FileExists(target + L"\\Nimbrel.exe"));
  }
}

// Cut and reset transfers: each downloader either delivers the exact package, which then
// installs the exact program, or the run ends in a failure event without the program.
TEST_F(DownloadInstallerTest, DownloadFaultsGiveTheExactInstallationOrAFailure) {
  const char* const faults[] = {"plan=drop300000", "plan=reset200000:drop100"};
  int run_number = 0;
  for (const wchar_t* type : {L"1", L"2", L"3"}) {
    for (const char* fault : faults) {
      SCOPED_TRACE(Utf8(type) + " " + fault);
      const FaultScenario scenario(server_, fault);
      const std::wstring target = folder_.path() + L"faults" + std::to_wstring(++run_number);
      const ConsoleRun run = RunConsole({Wide(scenario.Url("software/517")), target, L"", type});
      ASSERT_FALSE(run.events.empty());
      if (run.exit_code == 0) {
        EXPECT_EQ(run.events.back().code, IST_CODE_SUCCESS);
        ExpectDemoInstalled(target);
      } else {
        EXPECT_EQ(run.exit_code, 1u) << run.summary;
        const int last = run.events.back().code;
        EXPECT_TRUE(last == DL_CODE_FAIL || last == IST_CODE_FAIL) << last;
        EXPECT_FALSE(FileExists(target + L"\\Nimbrel.exe"));
      }
      EXPECT_FALSE(FileExists(PackageIn(target)));
    }
  }
}

}  // namespace
