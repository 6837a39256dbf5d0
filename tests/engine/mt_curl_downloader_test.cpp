#include "engine/mt_curl_downloader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/scoped_handle.h"
#include "app/text_encoding.h"
#include "tests/support/download_server.h"
#include "tests/support/event_recorder.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr DWORD kOutcomeLimitMs = 60000;
constexpr size_t kBelowTwoParts = 10485759;
constexpr size_t kOddTwoParts = 10485761;
const char kFirstRange[] = "GET bytes=0-5242879\n";
const char kSecondRange[] = "GET bytes=5242880-10485760\n";

std::wstring Wide(const std::string& text) { return MultiByteToWide(text, CP_UTF8); }

std::string Generated(size_t size) { return "redirect/gen/" + std::to_string(size); }

size_t Occurrences(const std::string& text, const std::string& piece) {
  size_t count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
    ++count;
  }
  return count;
}

std::string Repeated(const std::string& piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

TEST(SplitIntoRangesTest, OneRangeBelowTenMebibytesTwoFromThereTheSecondWithTheOddByte) {
  const struct {
    int64_t length;
    std::vector<std::pair<int64_t, int64_t>> ranges;
  } cases[] = {
      {256, {{0, 255}}},
      {10485759, {{0, 10485758}}},
      {10485760, {{0, 5242879}, {5242880, 10485759}}},
      {10485761, {{0, 5242879}, {5242880, 10485760}}},
      {536870913, {{0, 268435455}, {268435456, 536870912}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    std::vector<std::pair<int64_t, int64_t>> ranges;
    for (const ByteRange& range : SplitIntoRanges(c.length)) {
      ranges.emplace_back(range.first, range.last);
    }
    EXPECT_EQ(ranges, c.ranges);
  }
  EXPECT_EQ(PartPath("C:\\d\\__Package_Nimbrel.exe", 1), "C:\\d\\__Package_Nimbrel.exe_1");
}

class MTCurlDownloaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitHttpLibrary(); }

  void SetUp() override {
    server_ = LoopbackServerUrl(L"NIMBREL_DOWNLOAD_SERVER_PORT_FILE");
    ASSERT_FALSE(server_.empty()) << "the download server fixture is not running";
    package_ = folder_.path() + L"__Package_Nimbrel.exe";
  }

  // Every progress evaluation sees a new second; pauses between attempts are counted, not
  // waited. DL_CODE_RETRY is answered like the pipeline does, from inside the event.
  std::unique_ptr<CMTCurlDownloader> Downloader(const std::string& url) {
    auto downloader =
        std::make_unique<CMTCurlDownloader>(recorder_.Callback(), Wide(url), package_);
    downloader->SetClock([this] { return ++seconds_; });
    downloader->SetRetryPause([this](DWORD) { ++pauses_; });
    CMTCurlDownloader* raw = downloader.get();
    recorder_.SetReaction([this, raw](int code) {
      if (code != DL_CODE_RETRY) return;
      if (before_retry_) before_retry_();
      raw->Start();
    });
    return downloader;
  }

  void RunToOutcome(CMTCurlDownloader* downloader) {
    downloader->Start();
    ASSERT_TRUE(recorder_.WaitForOutcome(kOutcomeLimitMs));
  }

  std::wstring PartFile(int index) const { return package_ + L"_" + std::to_wstring(index); }

  void ExpectPackage(size_t size) const {
    EXPECT_EQ(ByteDifference(ReadFileBytes(package_), GeneratedContent(size)), "");
    EXPECT_FALSE(FileExists(PartFile(0)));
    EXPECT_FALSE(FileExists(PartFile(1)));
  }

  void ExpectNoFiles() const {
    EXPECT_FALSE(FileExists(package_));
    EXPECT_FALSE(FileExists(PartFile(0)));
    EXPECT_FALSE(FileExists(PartFile(1)));
  }

  std::string server_;
  ScopedTempFolder folder_;
  std::wstring package_;
  EventRecorder recorder_;
  std::atomic<int64_t> seconds_{1000};
  std::atomic<int> pauses_{0};
  std::function<void()> before_retry_;
};

TEST_F(MTCurlDownloaderTest, FileJustBelowTenMebibytesComesAsOneRange) {
  const FaultScenario scenario(server_, "");
  auto downloader = Downloader(scenario.Url(Generated(kBelowTwoParts)));
  RunToOutcome(downloader.get());

  EXPECT_EQ(recorder_.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(scenario.Log(), "REDIRECT -\nHEAD -\nGET bytes=0-10485758\n");
  ExpectPackage(kBelowTwoParts);
}

TEST_F(MTCurlDownloaderTest, OddLengthComesAsTwoRangesAndProgressRisesInWholePercents) {
  const FaultScenario scenario(server_, "");
  auto downloader = Downloader(scenario.Url(Generated(kOddTwoParts)));
  RunToOutcome(downloader.get());

  EXPECT_EQ(recorder_.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  const std::string log = scenario.Log();
  EXPECT_EQ(log.find("REDIRECT -\nHEAD -\n"), 0u) << log;
  EXPECT_EQ(Occurrences(log, kFirstRange), 1u) << log;
  EXPECT_EQ(Occurrences(log, kSecondRange), 1u) << log;
  EXPECT_EQ(Occurrences(log, "GET"), 2u) << log;
  ExpectPackage(kOddTwoParts);

  double last = 0.0;
  for (const RecordedEvent& event : recorder_.Events()) {
    if (event.code != DL_CODE_PROGRESS) continue;
    EXPECT_GE(event.progress - last, 0.01 - 1e-9);
    EXPECT_LE(event.progress, 1.0);
    last = event.progress;
  }
  EXPECT_GT(last, 0.9);
}

// The second range fails all its attempts while the first completes: the retry fetches only
// the rest of the second range, from the end of its part file.
TEST_F(MTCurlDownloaderTest, RetryResumesTheFailedRangeAndKeepsTheCompleteOne) {
  const FaultScenario scenario(server_, "plan=ok:drop1000" + Repeated(":500", 7));
  auto downloader = Downloader(scenario.Url(Generated(kOddTwoParts)));
  RunToOutcome(downloader.get());

  EXPECT_EQ(recorder_.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START,
                                                 DL_CODE_SUCCESS}));
  for (const RecordedEvent& event : recorder_.Events()) {
    if (event.code == DL_CODE_RETRY) {
      EXPECT_EQ(event.progress, 22.0);
    }
  }
  EXPECT_EQ(pauses_, 7);
  EXPECT_EQ(scenario.Log(), std::string("REDIRECT -\nHEAD -\n") + kFirstRange + kSecondRange +
                                Repeated("GET bytes=5243880-10485760\n", 8));
  ExpectPackage(kOddTwoParts);
}

// Neither range may take bytes from the start of the file as its own: both fail with
// CURLE_WRITE_ERROR, and the retry as well.
TEST_F(MTCurlDownloaderTest, ServerIgnoringRangesFailsWithWriteError) {
  const FaultScenario scenario(server_, "noranges");
  auto downloader = Downloader(scenario.Url(Generated(kOddTwoParts)));
  RunToOutcome(downloader.get());

  const std::vector<RecordedEvent> events = recorder_.Events();
  EXPECT_EQ(recorder_.Codes(),
            (std::vector<int>{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START, DL_CODE_FAIL}));
  for (const RecordedEvent& event : events) {
    if (event.code == DL_CODE_RETRY || event.code == DL_CODE_FAIL) {
      EXPECT_EQ(event.progress, static_cast<double>(CURLE_WRITE_ERROR));
      EXPECT_EQ(event.text, L"LibCurl");
    }
  }
  ExpectNoFiles();
}

TEST_F(MTCurlDownloaderTest, ExpectedDigestDecidesBetweenSuccessRetryAndFailure) {
  const wchar_t kMismatch[] = L"mtcurl文件md5校验失败";
  const struct {
    const char* faults;
    size_t size;
    std::vector<RecordedEvent> finals;  // without DL_CODE_START and DL_CODE_PROGRESS
  } cases[] = {
      {"", kOddTwoParts, {{DL_CODE_SUCCESS, 0.0, L"LibCurl"}}},
      {"nomd5",
       kOddTwoParts,
       {{DL_CODE_MD5_ERROR, 0.0, L"mtcurl获取url-md5失败"}, {DL_CODE_SUCCESS, 0.0, L"LibCurl"}}},
      // The digest in capitals is not the lowercase digest of the file.
      {"upmd5",
       kOddTwoParts,
       {{DL_CODE_MD5_ERROR, 0.0, kMismatch},
        {DL_CODE_RETRY, 0.0, L"LibCurl"},
        {DL_CODE_MD5_ERROR, 0.0, kMismatch},
        {DL_CODE_FAIL, 0.0, L"LibCurl"}}},
      {"badmd5",
       kBelowTwoParts,
       {{DL_CODE_MD5_ERROR, 0.0, kMismatch},
        {DL_CODE_RETRY, 0.0, L"LibCurl"},
        {DL_CODE_MD5_ERROR, 0.0, kMismatch},
        {DL_CODE_FAIL, 0.0, L"LibCurl"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.faults);
    EventRecorder recorder;
    const FaultScenario scenario(server_, c.faults);
    CMTCurlDownloader downloader(recorder.Callback(), Wide(scenario.Url(Generated(c.size))),
                                 package_);
    recorder.SetReaction([&downloader](int code) {
      if (code == DL_CODE_RETRY) downloader.Start();
    });
    downloader.Start();
    ASSERT_TRUE(recorder.WaitForOutcome(kOutcomeLimitMs));
    std::vector<RecordedEvent> finals;
    for (const RecordedEvent& event : recorder.Events()) {
      if (event.code != DL_CODE_START && event.code != DL_CODE_PROGRESS) finals.push_back(event);
    }
    ASSERT_EQ(finals.size(), c.finals.size());
    for (size_t i = 0; i < finals.size(); ++i) {
      EXPECT_EQ(finals[i].code, c.finals[i].code) << i;
      EXPECT_EQ(finals[i].progress, c.finals[i].progress) << i;
      EXPECT_EQ(finals[i].text, c.finals[i].text) << i;
    }
    if (c.finals.back().code == DL_CODE_SUCCESS) {
      ExpectPackage(c.size);
    } else {
      ExpectNoFiles();
    }
  }
}

// Cut, reset and stalled transfers resume; bytes from the wrong place are caught by the
// digest. Either the exact file arrives or the download fails without leaving one.
TEST_F(MTCurlDownloaderTest, FaultsGiveTheExactFileOrAFailure) {
  const struct {
    const char* faults;
    int outcome;
  } cases[] = {
      {"plan=drop100000:drop200000", DL_CODE_SUCCESS},  // a drop in each range
      {"plan=reset70000:reset90000:drop5000", DL_CODE_SUCCESS},
      {"plan=stall1000", DL_CODE_SUCCESS},  // ends after 5 s below 1 byte per second
      {"badrange", DL_CODE_FAIL},           // 206 with the right header but bytes from 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.faults);
    EventRecorder recorder;
    const FaultScenario scenario(server_, c.faults);
    CMTCurlDownloader downloader(recorder.Callback(),
                                 Wide(scenario.Url(Generated(kOddTwoParts))), package_);
    downloader.SetRetryPause([](DWORD) {});
    recorder.SetReaction([&downloader](int code) {
      if (code == DL_CODE_RETRY) downloader.Start();
    });
    downloader.Start();
    ASSERT_TRUE(recorder.WaitForOutcome(kOutcomeLimitMs));
    const std::vector<int> codes = recorder.Codes();
    EXPECT_EQ(codes.back(), c.outcome);
    EXPECT_EQ(recorder.Count(DL_CODE_SUCCESS) + recorder.Count(DL_CODE_FAIL), 1u);
    if (codes.back() == DL_CODE_SUCCESS) {
      ExpectPackage(kOddTwoParts);
    } else {
      ExpectNoFiles();
    }
  }
}

// A byte of a kept part file changed between the attempts: the package is checked as it is
// on disk, not as it was received.
TEST_F(MTCurlDownloaderTest, CorruptedPartFileIsCaughtByTheDigest) {
  const FaultScenario scenario(server_, "plan=ok:drop1000" + Repeated(":500", 7));
  auto downloader = Downloader(scenario.Url(Generated(kOddTwoParts)));
  before_retry_ = [this] {
    std::string bytes = ReadFileBytes(PartFile(0));
    ASSERT_EQ(bytes.size(), 5242880u);
    bytes[4096] = static_cast<char>(bytes[4096] ^ 0x20);
    ASSERT_TRUE(WriteFileBytes(PartFile(0), bytes));
  };
  RunToOutcome(downloader.get());

  EXPECT_EQ(recorder_.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START,
                                                 DL_CODE_MD5_ERROR, DL_CODE_FAIL}));
  ExpectNoFiles();
}

TEST_F(MTCurlDownloaderTest, ProbeFailureEndsAtOnceWithoutRetry) {
  const struct {
    const char* faults;
    std::string resource;
  } cases[] = {
      {"headstatus=404", Generated(kBelowTwoParts)},
      {"", Generated(255)},  // no more than 255 bytes
      {"nolength", Generated(kBelowTwoParts)},
      {"loop", Generated(kBelowTwoParts)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.faults + (" " + c.resource));
    EventRecorder recorder;
    const FaultScenario scenario(server_, c.faults);
    CMTCurlDownloader downloader(recorder.Callback(), Wide(scenario.Url(c.resource)), package_);
    downloader.Start();
    ASSERT_TRUE(recorder.WaitForOutcome(kOutcomeLimitMs));
    const std::vector<RecordedEvent> events = recorder.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].code, DL_CODE_START);
    EXPECT_EQ(events[0].progress, 1.0);
    EXPECT_EQ(events[1].code, DL_CODE_FAIL);
    EXPECT_EQ(events[1].progress, 0.0);
    EXPECT_EQ(scenario.Log().find("GET"), std::string::npos);
  }
}

// A Start while an attempt runs is not lost and does not disturb it: one more attempt
// follows the running one.
TEST_F(MTCurlDownloaderTest, StartDuringAnAttemptRunsOneMoreAfterIt) {
  const FaultScenario scenario(server_, "");
  auto downloader = Downloader(scenario.Url(Generated(kOddTwoParts)));
  downloader->Start();
  downloader->Start();
  downloader->Start();
  ASSERT_TRUE(recorder_.WaitForCount(DL_CODE_SUCCESS, 2, kOutcomeLimitMs));
  EXPECT_EQ(recorder_.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS, DL_CODE_START,
                                                 DL_CODE_SUCCESS}));
  EXPECT_EQ(Occurrences(scenario.Log(), "GET"), 4u);
  ExpectPackage(kOddTwoParts);
}

// The object may go while its ranges are still being fetched: it stops them and waits for
// its threads, and nothing is reported afterwards.
TEST_F(MTCurlDownloaderTest, DestroyingDuringTheTransferStopsEveryThread) {
  const FaultScenario scenario(server_, "stall=100000");
  auto downloader = Downloader(scenario.Url(Generated(kOddTwoParts)));
  downloader->Start();
  for (int i = 0; i < 200 && Occurrences(scenario.Log(), "GET") < 2; ++i) ::Sleep(50);
  ASSERT_EQ(Occurrences(scenario.Log(), "GET"), 2u);

  // Bounded: a destructor that hangs fails the test instead of holding it.
  const ScopedHandle destroyer(::CreateThread(
      nullptr, 0,
      [](void* object) -> DWORD {
        static_cast<std::unique_ptr<CMTCurlDownloader>*>(object)->reset();
        return 0;
      },
      &downloader, 0, nullptr));
  ASSERT_TRUE(destroyer);
  ASSERT_EQ(::WaitForSingleObject(destroyer.get(), 20000), WAIT_OBJECT_0);
  EXPECT_EQ(recorder_.Codes(), std::vector<int>{DL_CODE_START});
}

}  // namespace
