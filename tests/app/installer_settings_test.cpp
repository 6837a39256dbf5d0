#include "app/installer_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/console_process.h"
#include "app/os_info.h"
#include "tests/support/pipe_reader.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace {

using S = InstallerSettings;

constexpr wchar_t kBuiltInUrlPath[] = L"/software/517";

// Each test starts from the built-in defaults and a folder that stands for the executable's.
class InstallerSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { S::LoadDefaults(); }

  std::wstring Executable() const { return folder_.path() + L"NimbrelSetup.exe"; }
  void WriteConfig(const std::string& text) {
    ASSERT_TRUE(WriteFileBytes(folder_.path() + L"TolvarInstallerConfig.ini", text));
  }
  static void Apply(const std::wstring& command_line) {
    S::ApplyCommandLine(ParseCommandLine(command_line));
  }

  ScopedTempFolder folder_;
};

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(InstallerSettingsTest, WithoutConfigFileTheDefaultsStay) {
  S::m_ProductId = L"changed";
  S::ReadConfigFile(Executable());
  EXPECT_EQ(S::m_ProductId, L"Nimbrel");
  EXPECT_EQ(S::m_Version, L"1.7.8");
  EXPECT_EQ(S::m_ExeName, L"NimbrelSetup.exe");
  EXPECT_EQ(S::m_DlAppNameSuffix, L".downloader");
  EXPECT_EQ(S::m_DlAppVersion, L"");
  EXPECT_EQ(S::m_InstCmd, L"");
  EXPECT_EQ(S::m_DownloadUrl.compare(0, 7, L"http://"), 0) << S::m_DownloadUrl;
  EXPECT_TRUE(EndsWith(S::m_DownloadUrl, kBuiltInUrlPath)) << S::m_DownloadUrl;
  EXPECT_EQ(S::m_DownloadType, 1);
  EXPECT_FALSE(S::m_IsCheckNet);
  EXPECT_TRUE(S::m_IsEnableAppSensors);
  EXPECT_EQ(S::m_DownloadScale, 0.7);
  EXPECT_TRUE(S::m_CurlReady);
  EXPECT_EQ(S::m_AbGroup, L"IN");
  EXPECT_EQ(S::m_Language, -1);
  EXPECT_FALSE(S::m_InsNew);
}

// Missing keys read as the text "true", unlike the built-in default of the network check.
TEST_F(InstallerSettingsTest, EmptySectionTurnsBothSwitchesOn) {
  WriteConfig("[Install]\r\n");
  S::ReadConfigFile(Executable());
  EXPECT_TRUE(S::m_IsCheckNet);
  EXPECT_TRUE(S::m_IsEnableAppSensors);
  EXPECT_EQ(S::m_DownloadType, 1);
  EXPECT_EQ(S::m_DownloadScale, 0.7);
  EXPECT_TRUE(EndsWith(S::m_DownloadUrl, kBuiltInUrlPath));
}

TEST_F(InstallerSettingsTest, ConfigFileValuesReplaceTheDefaults) {
  WriteConfig(
      "[Install]\r\n"
      "DownloadUrl=http://127.0.0.1:8080/${ROUTE}/pkg.exe?a=1&b=2\r\n"
      "DownloadType=3\r\n"
      "IsCheckNet=TRUE\r\n"
      "IsEnableAppSensors=false\r\n"
      "DlAppNameSuffix=.dl\r\n"
      "m_DlAppVersion=2.0\r\n"
      "DownloadScale=0.5abc\r\n"
      "InstCmd=/D=C:\\Nimbrel\r\n");
  S::ReadConfigFile(Executable());
  EXPECT_EQ(S::m_DownloadUrl,
            RewriteDownloadRoute(L"http://127.0.0.1:8080/${ROUTE}/pkg.exe?a=1&b=2"));
  EXPECT_EQ(S::m_DownloadUrl.find(L"${ROUTE}"), std::wstring::npos);
  EXPECT_EQ(S::m_DownloadType, 3);
  EXPECT_FALSE(S::m_IsCheckNet);  // the comparison is case-sensitive
  EXPECT_FALSE(S::m_IsEnableAppSensors);
  EXPECT_EQ(S::m_DlAppNameSuffix, L".dl");
  EXPECT_EQ(S::m_DlAppVersion, L"2.0");
  EXPECT_EQ(S::m_DownloadScale, 0.5);
  EXPECT_EQ(S::m_InstCmd, L"/D=C:\\Nimbrel");
}

// The config file beside a real program is read before its entry point runs; the command
// line then overrides it.
TEST_F(InstallerSettingsTest, ProgramStartsWithItsConfigFileApplied) {
  const std::wstring program = folder_.path() + L"setup_copy.exe";
  ASSERT_TRUE(::CopyFileW(ToolPath(L"settings_dump.exe").c_str(), program.c_str(), FALSE));
  WriteConfig("[Install]\r\nDownloadType=3\r\nDownloadScale=0.5\r\n");
  ConsoleProcess child;
  child.Launch(L"\"" + program + L"\" -downloadtype=2");
  const PipeText output = ReadPipeToEnd(child.output(), 20000);
  EXPECT_EQ(WaitOrKill(child.process(), 20000), 0u);
  EXPECT_EQ(output.text,
            "static exe=setup_copy.exe type=3 checknet=1 scale=0.5\r\n"
            "command exe=setup_copy.exe type=2 checknet=1 scale=0.5\r\n");
}

struct ConfigNumberCase {
  std::string type_text;
  int type;
  std::string scale_text;
  double scale;
};

// Unreadable numbers, and numbers beyond their type, read as 0.
TEST_F(InstallerSettingsTest, UnconvertibleConfigNumbersReadAsZero) {
  const ConfigNumberCase cases[] = {
      {"abc", 0, "abc", 0.0},           {"", 0, "", 0.0},
      {"99999999999", 0, "1e999", 0.0}, {"-2147483648", -2147483647 - 1, "nan", 0.0},
      {"12abc", 12, "  .25", 0.25},
  };
  for (const ConfigNumberCase& c : cases) {
    WriteConfig("[Install]\r\nDownloadType=" + c.type_text + "\r\nDownloadScale=" + c.scale_text +
                "\r\n");
    S::ReadConfigFile(Executable());
    EXPECT_EQ(S::m_DownloadType, c.type) << c.type_text;
    EXPECT_EQ(S::m_DownloadScale, c.scale) << c.scale_text;
  }
}

TEST_F(InstallerSettingsTest, LongConfigValuesAreCutTo259Characters) {
  WriteConfig("[Install]\r\nInstCmd=" + std::string(300, 'x') + "\r\n");
  S::ReadConfigFile(Executable());
  EXPECT_EQ(S::m_InstCmd, std::wstring(259, L'x'));
}

TEST_F(InstallerSettingsTest, CommandLineOverridesTheConfigFile) {
  WriteConfig("[Install]\r\nDownloadType=3\r\nInstCmd=from-config\r\nDlAppNameSuffix=.cfg\r\n");
  S::ReadConfigFile(Executable());
  Apply(
      L"setup.exe -downloadtype=2 -instcmd=\"/S /D=C:\\a b\" -language=5 -insnew=true "
      L"-ischecknet=true -isenableappsensors=no -dlappversion=9 -downloadscale=0.25 "
      L"-downloadurl=http://127.0.0.1/${ROUTE}/x?k=v=w -unknown=1");
  EXPECT_EQ(S::m_DownloadType, 2);
  EXPECT_EQ(S::m_InstCmd, L"/S /D=C:\\a b");
  EXPECT_EQ(S::m_DlAppNameSuffix, L".cfg");  // not on the command line: the config value stays
  EXPECT_EQ(S::m_Language, 5);
  EXPECT_TRUE(S::m_InsNew);
  EXPECT_TRUE(S::m_IsCheckNet);
  EXPECT_FALSE(S::m_IsEnableAppSensors);
  EXPECT_EQ(S::m_DlAppVersion, L"9");
  EXPECT_EQ(S::m_DownloadScale, 0.25);
  EXPECT_EQ(S::m_DownloadUrl, RewriteDownloadRoute(L"http://127.0.0.1/${ROUTE}/x?k=v=w"));
}

struct OptionCase {
  std::wstring command_line;
  int download_type;
  int language;
  bool check_net;
  double scale;  // NaN: keep the earlier value
};

TEST_F(InstallerSettingsTest, OptionValuesConvertStrictly) {
  const double keep = std::nan("");
  const OptionCase cases[] = {
      {L"a.exe -ischecknet=TRUE", 1, -1, false, keep},
      {L"a.exe -ischecknet", 1, -1, false, keep},
      {L"a.exe -ischecknet= -downloadtype=x -language=", 0, 0, false, keep},
      {L"a.exe -downloadtype=99999999999 -language=-3", 0, -3, false, keep},
      {L"a.exe -downloadscale=abc", 1, -1, false, keep},
      {L"a.exe -downloadscale=1e999", 1, -1, false, keep},
      {L"a.exe -downloadscale=0.9x", 1, -1, false, 0.9},
      {L"a.exe -downloadtype=3 -downloadtype=2", 3, -1, false, keep},  // the first one counts
      {L"a.exe -downloadtype 3", 0, -1, false, keep},  // a separate value is no value
  };
  for (const OptionCase& c : cases) {
    S::LoadDefaults();
    Apply(c.command_line);
    EXPECT_EQ(S::m_DownloadType, c.download_type) << c.command_line.c_str();
    EXPECT_EQ(S::m_Language, c.language) << c.command_line.c_str();
    EXPECT_EQ(S::m_IsCheckNet, c.check_net) << c.command_line.c_str();
    EXPECT_EQ(S::m_DownloadScale, std::isnan(c.scale) ? 0.7 : c.scale) << c.command_line.c_str();
  }
}

TEST(ParseCommandLineTest, SplitsLikeTheShellAndKeepsTheFirstOccurrence) {
  const CommandLineOptions options = ParseCommandLine(
      L"\"C:\\Program Files\\setup.exe\" -downloadurl=http://h/p?a=1&b=2 plain -flag "
      L"\"-instcmd=/S /D=C:\\x y\" -downloadurl=second -e= -Case=1");
  EXPECT_TRUE(options.Has(L"C:\\Program Files\\setup.exe"));
  EXPECT_EQ(options.GetString(L"-downloadurl"), L"http://h/p?a=1&b=2");
  EXPECT_TRUE(options.Has(L"plain"));
  EXPECT_EQ(options.GetString(L"plain"), L"");
  EXPECT_TRUE(options.Has(L"-flag"));
  EXPECT_EQ(options.GetString(L"-instcmd"), L"/S /D=C:\\x y");
  EXPECT_TRUE(options.Has(L"-e"));
  EXPECT_EQ(options.GetString(L"-e"), L"");
  EXPECT_FALSE(options.Has(L"-case"));  // names are case-sensitive
  EXPECT_EQ(options.GetInt(L"-Case"), 1);
  EXPECT_EQ(options.GetString(L"-absent"), L"");
  EXPECT_EQ(options.GetInt(L"-absent"), 0);
  EXPECT_FALSE(options.GetBool(L"-absent"));
  EXPECT_EQ(options.GetDouble(L"-absent", 4.5), 4.5);
}

TEST(DownloadRouteTest, RouteByOsVersionAndPackage) {
  struct Case {
    std::wstring version;
    int product;
    bool is_64bit;
    std::wstring route;
  };
  const Case cases[] = {
      {L"XP", 438, false, L"download_silent_xp"},        {L"XP-", 267, true, L"download_silent_xp"},
      {L"XP+", 438, true, L"download_silent_xp"},        {L"10", 438, true, L"download_silent"},
      {L"7", 267, true, L"download_silent_64"},          {L"7", 267, false, L"download_silent"},
      {L"11.0.22000", 318, true, L"download_silent_64"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DownloadRouteName(c.version, c.product, c.is_64bit), c.route) << c.version.c_str();
  }
}

TEST(DownloadRouteTest, RewritesEveryPlaceholder) {
  const std::wstring route = GetOsVersionName().version.find(L"XP") == std::wstring::npos
                                 ? L"download_silent"
                                 : L"download_silent_xp";
  EXPECT_EQ(RewriteDownloadRoute(L"http://h/${ROUTE}/a/${ROUTE}.exe"),
            L"http://h/" + route + L"/a/" + route + L".exe");
  EXPECT_EQ(RewriteDownloadRoute(L"http://h/software/517"), L"http://h/software/517");
  EXPECT_EQ(RewriteDownloadRoute(L"http://h/${route}"), L"http://h/${route}");
}

}  // namespace
