#include "engine/win_downloader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/text_encoding.h"
#include "tests/support/download_server.h"
#include "tests/support/event_recorder.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr size_t kFileSize = 2097152;
constexpr DWORD kOutcomeTimeLimitMs = 60000;

class WinDownloaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = LoopbackServerUrl(L"NIMBREL_DOWNLOAD_SERVER_PORT_FILE");
    ASSERT_FALSE(server_.empty()) << "the download server fixture is not running";
    package_ = folder_.path() + L"__Package_Nimbrel.exe";
  }

  void RunToOutcome(const std::wstring& url) {
    CWinDownloader downloader(events_.Callback(), url, package_);
    downloader.SetRetryPause(pauses_.Function());
    downloader.Start();
    downloader.Start();  // runs once per object
    ASSERT_TRUE(events_.WaitForOutcome(kOutcomeTimeLimitMs));
  }

  std::string server_;
  ScopedTempFolder folder_;
  std::wstring package_;
  EventRecorder events_;
  PauseCounter pauses_;
};

TEST_F(WinDownloaderTest, DownloadsThroughTheRedirectWithProgress) {
  const FaultScenario scenario(server_, "");
  RunToOutcome(MultiByteToWide(scenario.Url("redirect/gen/2097152"), CP_UTF8));

  EXPECT_EQ(events_.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  const std::vector<RecordedEvent> events = events_.Events();
  EXPECT_EQ(events.front().progress, 1.0);
  EXPECT_EQ(events.back().progress, 0.0);
  EXPECT_EQ(events.back().text, L"URLDownloadToFile");
  EXPECT_GE(events_.Count(DL_CODE_PROGRESS), 1u);
  for (const RecordedEvent& event : events) {
    if (event.code != DL_CODE_PROGRESS) continue;
    EXPECT_GE(event.progress, 0.0);
    EXPECT_LE(event.progress, 1.0);
  }
  EXPECT_EQ(ByteDifference(ReadFileBytes(package_), GeneratedContent(kFileSize)), "");
  EXPECT_EQ(pauses_.count(), 0);
}

TEST_F(WinDownloaderTest, CompressedTransferStillGivesTheFile) {
  const FaultScenario scenario(server_, "gzip");
  RunToOutcome(MultiByteToWide(scenario.Url("gen/2097152"), CP_UTF8));

  EXPECT_EQ(events_.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(ByteDifference(ReadFileBytes(package_), GeneratedContent(kFileSize)), "");
}

// The server ignores the path after the size; what matters is that the system accepts the
// encoded form ("+" and %-escaped UTF-8).
TEST_F(WinDownloaderTest, UrlWithSpaceAndChineseIsFetched) {
  const FaultScenario scenario(server_, "");
  RunToOutcome(MultiByteToWide(scenario.Url("gen/2097152/a b"), CP_UTF8) + L"/\u5c3c\u5e03.exe");

  EXPECT_EQ(events_.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(ByteDifference(ReadFileBytes(package_), GeneratedContent(kFileSize)), "");
}

TEST_F(WinDownloaderTest, FailuresGetThreeAttemptsAndANegativeCode) {
  const struct {
    const char* name;
    std::wstring url;
  } cases[] = {
      {"unreachable host", L"http://127.0.0.1:1/software/517"},
      {"server error",
       MultiByteToWide(FaultScenario(server_, "status=500").Url("gen/2097152"), CP_UTF8)},
      {"cut transfer",
       MultiByteToWide(FaultScenario(server_, "drop=100000").Url("gen/2097152"), CP_UTF8)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EventRecorder events;
    PauseCounter pauses;
    {
      CWinDownloader downloader(events.Callback(), c.url, package_);
      downloader.SetRetryPause(pauses.Function());
      downloader.Start();
      ASSERT_TRUE(events.WaitForOutcome(kOutcomeTimeLimitMs));
    }
    EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_LT(events.Events().back().progress, 0.0);
    EXPECT_EQ(events.Events().back().text, L"URLDownloadToFile");
    EXPECT_EQ(pauses.count(), 2);
    EXPECT_EQ(pauses.total_ms(), 2000u);
    EXPECT_FALSE(FileExists(package_));
  }
}

TEST_F(WinDownloaderTest, ServerSeesThreeRequestsForThreeAttempts) {
  const FaultScenario scenario(server_, "status=500");
  RunToOutcome(MultiByteToWide(scenario.Url("gen/2097152"), CP_UTF8));
  EXPECT_EQ(scenario.Log(), "GET -\nGET -\nGET -\n");
}

TEST_F(WinDownloaderTest, DownloaderThatNeverStartedEndsQuietly) {
  { CWinDownloader downloader(events_.Callback(), L"http://127.0.0.1:1/x", package_); }
  EXPECT_TRUE(events_.Events().empty());
}

}  // namespace
