#include "engine/curl_downloader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
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

class CurlDownloaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitHttpLibrary(); }

  void SetUp() override {
    server_ = LoopbackServerUrl(L"NIMBREL_DOWNLOAD_SERVER_PORT_FILE");
    ASSERT_FALSE(server_.empty()) << "the download server fixture is not running";
    package_ = folder_.path() + L"__Package_Nimbrel.exe";
  }

  // As the pipeline runs it: Start, Start again on DL_CODE_RETRY, until success or failure.
  // The client's clock advances at every reading, so every progress call is reported.
  void RunToOutcome(const std::string& url) {
    downloader_ = std::make_unique<CCurlDownloader>(events_.Callback(),
                                                    MultiByteToWide(url, CP_UTF8), package_);
    downloader_->SetRetryPause(pauses_.Function());
    downloader_->client().SetClock([this] { return ++seconds_; });
    events_.SetReaction(RestartOnRetry(downloader_.get()));
    downloader_->Start();
    ASSERT_TRUE(events_.WaitForOutcome(kOutcomeTimeLimitMs));
    downloader_.reset();  // joins the worker, so that nothing arrives after the checks
  }

  RecordedEvent Last() const { return events_.Events().back(); }

  std::string server_;
  ScopedTempFolder folder_;
  std::wstring package_;
  EventRecorder events_;
  PauseCounter pauses_;
  std::atomic<int64_t> seconds_{1000};
  std::unique_ptr<CCurlDownloader> downloader_;
};

TEST_F(CurlDownloaderTest, ProductPackageIsDownloadedAndVerified) {
  RunToOutcome(server_ + "/software/517");

  EXPECT_EQ(events_.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  const std::vector<RecordedEvent> events = events_.Events();
  EXPECT_EQ(events.front().progress, 1.0);
  EXPECT_EQ(events.front().text, L"");
  EXPECT_EQ(events.back().progress, 0.0);
  EXPECT_EQ(events.back().text, L"LibCurl");
  EXPECT_GE(events_.Count(DL_CODE_PROGRESS), 1u);
  EXPECT_EQ(ByteDifference(ReadFileBytes(package_), GeneratedContent(kFileSize)), "");
  EXPECT_FALSE(FileExists(package_ + L".part"));
  EXPECT_EQ(pauses_.count(), 0);
}

TEST_F(CurlDownloaderTest, FailedAttemptsAreRetriedAndResumedToTheSameBytes) {
  const FaultScenario scenario(server_, "plan=500:drop300000:404:drop0:drop500000");
  RunToOutcome(scenario.Url("redirect/gen/2097152"));

  EXPECT_EQ(events_.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(ByteDifference(ReadFileBytes(package_), GeneratedContent(kFileSize)), "");
  EXPECT_EQ(pauses_.count(), 5);
  EXPECT_EQ(pauses_.total_ms(), 5 * 500u);
  EXPECT_EQ(scenario.Log(),
            "REDIRECT -\nHEAD -\nGET -\nGET -\nGET bytes=300000-\nGET bytes=300000-\n"
            "GET bytes=300000-\nGET bytes=800000-\n");
}

TEST_F(CurlDownloaderTest, BudgetAllowsSixFailuresOrTwelveCutTransfers) {
  const struct {
    const char* faults;
    const char* resource;
    int code;
    size_t requests;  // bodies asked for
  } cases[] = {
      {"status=500", "redirect/gen/2097152", CURLE_HTTP_RETURNED_ERROR, 6},
      {"drop=1000", "redirect/gen/2097152", CURLE_PARTIAL_FILE, 12},
      {"", "redirect/gen/1048575", CurlClient::kLengthMissing, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.faults + std::string(" ") + c.resource);
    EventRecorder events;
    const FaultScenario scenario(server_, c.faults);
    CCurlDownloader downloader(events.Callback(),
                               MultiByteToWide(scenario.Url(c.resource), CP_UTF8), package_);
    PauseCounter pauses;
    downloader.SetRetryPause(pauses.Function());
    downloader.Start();
    ASSERT_TRUE(events.WaitForOutcome(kOutcomeTimeLimitMs));

    EXPECT_EQ(events.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_EQ(events.Events().back().progress, static_cast<double>(c.code));
    EXPECT_EQ(events.Events().back().text, L"LibCurl");
    const std::string log = scenario.Log();
    size_t gets = 0;
    for (size_t at = log.find("GET"); at != std::string::npos; at = log.find("GET", at + 1)) ++gets;
    EXPECT_EQ(gets, c.requests) << log;
    EXPECT_EQ(pauses.count(), c.code == CURLE_PARTIAL_FILE ? 11 : 5);
  }
}

TEST_F(CurlDownloaderTest, Md5MismatchIsRetriedOnceFromScratchThenFails) {
  for (const char* faults : {"badmd5", "upmd5"}) {
    SCOPED_TRACE(faults);
    EventRecorder events;
    const FaultScenario scenario(server_, faults);
    CCurlDownloader downloader(events.Callback(),
                               MultiByteToWide(scenario.Url("redirect/gen/2097152"), CP_UTF8),
                               package_);
    events.SetReaction(RestartOnRetry(&downloader));
    downloader.Start();
    ASSERT_TRUE(events.WaitForOutcome(kOutcomeTimeLimitMs));

    EXPECT_EQ(events.Codes(),
              (std::vector<int>{DL_CODE_START, DL_CODE_MD5_ERROR, DL_CODE_RETRY, DL_CODE_START,
                                DL_CODE_MD5_ERROR, DL_CODE_FAIL}));
    for (const RecordedEvent& event : events.Events()) {
      if (event.code == DL_CODE_MD5_ERROR) {
        EXPECT_EQ(event.text, L"curl文件md5校验失败");
      }
      if (event.code == DL_CODE_RETRY || event.code == DL_CODE_FAIL) {
        EXPECT_EQ(event.progress, 0.0);
        EXPECT_EQ(event.text, L"LibCurl");
      }
    }
    // The restart reuses the probes and downloads the whole file again.
    EXPECT_EQ(scenario.Log(), "REDIRECT -\nHEAD -\nGET -\nGET -\n");
  }
}

TEST_F(CurlDownloaderTest, MissingUrlMd5IsReportedAndTheDownloadAccepted) {
  const FaultScenario scenario(server_, "nomd5");
  RunToOutcome(scenario.Url("redirect/gen/2097152"));

  EXPECT_EQ(events_.Codes(),
            (std::vector<int>{DL_CODE_START, DL_CODE_MD5_ERROR, DL_CODE_SUCCESS}));
  EXPECT_EQ(events_.Events()[events_.Events().size() - 2].text, L"curl获取url-md5失败");
  EXPECT_EQ(ByteDifference(ReadFileBytes(package_), GeneratedContent(kFileSize)), "");
}

// The header answer understates the length, so the client computes more than 100 percent
// towards the end; such reports are dropped. The cut makes sure that the first attempt ends
// within the understated length, with a report below 100 percent.
TEST_F(CurlDownloaderTest, ProgressEventsStayWithinTheWhole) {
  const FaultScenario scenario(server_, "headlength=1500000,plan=drop500000");
  RunToOutcome(scenario.Url("redirect/gen/2097152"));

  EXPECT_EQ(Last().code, DL_CODE_SUCCESS);
  EXPECT_GE(events_.Count(DL_CODE_PROGRESS), 1u);
  for (const RecordedEvent& event : events_.Events()) {
    if (event.code != DL_CODE_PROGRESS) continue;
    EXPECT_GT(event.progress, 0.0);
    EXPECT_LE(event.progress, 1.0);
    EXPECT_EQ(event.text, L"");
  }
}

TEST_F(CurlDownloaderTest, DestroyingStopsAStalledTransferWithoutFurtherEvents) {
  const FaultScenario scenario(server_, "stall=0");
  auto downloader = std::make_unique<CCurlDownloader>(
      events_.Callback(), MultiByteToWide(scenario.Url("redirect/gen/2097152"), CP_UTF8),
      package_);
  downloader->Start();
  ASSERT_TRUE(events_.WaitForCount(DL_CODE_START, 1, kOutcomeTimeLimitMs));
  // Wait (bounded) until the body is being asked for.
  for (int i = 0; i < 200 && scenario.Log().find("GET") == std::string::npos; ++i) ::Sleep(25);
  ASSERT_NE(scenario.Log().find("GET"), std::string::npos);

  downloader.reset();
  EXPECT_EQ(events_.Codes(), std::vector<int>{DL_CODE_START});
  EXPECT_FALSE(FileExists(package_ + L".part"));
}

}  // namespace
