#include "engine/curl_client.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/text_encoding.h"
#include "engine/url_md5.h"
#include "tests/support/download_server.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr size_t kFileSize = 2097152;

struct HookCalls {
  std::vector<double> speeds;
  std::vector<double> percents;
};

void RecordHook(void* owner, double speed, double percent) {
  HookCalls* calls = static_cast<HookCalls*>(owner);
  calls->speeds.push_back(speed);
  calls->percents.push_back(percent);
}

std::wstring Wide(const std::string& text) { return MultiByteToWide(text, CP_UTF8); }

class CurlClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitHttpLibrary(); }

  void SetUp() override {
    server_ = LoopbackServerUrl(L"NIMBREL_DOWNLOAD_SERVER_PORT_FILE");
    ASSERT_FALSE(server_.empty()) << "the download server fixture is not running";
    target_ = folder_.path() + L"__Package_Nimbrel.exe";
    part_ = target_ + L".part";
  }

  // A client whose clock advances by a second at every reading, so that every progress call
  // of libcurl reaches the hook.
  std::unique_ptr<CurlClient> Client(const std::string& url) {
    auto client = std::make_unique<CurlClient>(Wide(url), target_, &calls_, &RecordHook);
    client->SetClock([this] { return ++seconds_; });
    return client;
  }

  std::string server_;
  ScopedTempFolder folder_;
  std::wstring target_;
  std::wstring part_;
  HookCalls calls_;
  int64_t seconds_ = 1000;
};

TEST_F(CurlClientTest, ProbesOnceFollowsTheRedirectAndReplacesTheTarget) {
  const FaultScenario scenario(server_, "");
  ASSERT_TRUE(WriteFileBytes(target_, "an older package"));
  auto client = Client(scenario.Url("redirect/gen/2097152"));

  EXPECT_EQ(client->Start(), 0);
  EXPECT_EQ(ByteDifference(ReadFileBytes(target_), GeneratedContent(kFileSize)), "");
  EXPECT_FALSE(FileExists(part_));
  EXPECT_EQ(client->fileLength(), static_cast<double>(kFileSize));
  EXPECT_EQ(UrlMd5(client->realUrl()).size(), 32u) << client->realUrl();
  // One header request through the redirect, then the body straight from the real URL.
  EXPECT_EQ(scenario.Log(), "REDIRECT -\nHEAD -\nGET -\n");
  ASSERT_FALSE(calls_.percents.empty());
  EXPECT_DOUBLE_EQ(calls_.percents.back(), 100.0);

  // The real URL and the length are kept: a second attempt only transfers.
  EXPECT_EQ(client->Start(), 0);
  EXPECT_EQ(scenario.Log(), "REDIRECT -\nHEAD -\nGET -\nGET -\n");
  EXPECT_EQ(ByteDifference(ReadFileBytes(target_), GeneratedContent(kFileSize)), "");
}

TEST_F(CurlClientTest, FilesWithoutALengthOfAtLeastOneMebibyteAreNeverRequested) {
  const struct {
    const char* faults;
    const char* resource;
  } cases[] = {
      {"", "redirect/gen/1048575"},
      {"headlength=1048575", "redirect/gen/2097152"},
      {"nolength", "redirect/gen/2097152"},
      {"loop", "redirect/gen/2097152"},  // ends after a bounded number of redirects
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.faults);
    const FaultScenario scenario(server_, c.faults);
    auto client = Client(scenario.Url(c.resource));
    EXPECT_EQ(client->Start(), CurlClient::kLengthMissing);
    EXPECT_EQ(scenario.Log().find("GET"), std::string::npos) << scenario.Log();
    EXPECT_EQ(ReadFileBytes(part_), "");
    EXPECT_FALSE(FileExists(target_));
  }
}

TEST_F(CurlClientTest, ResumeAsksForTheRestAndCountsProgressFromThePartFile) {
  const FaultScenario scenario(server_, "");
  const std::string content = GeneratedContent(kFileSize);
  ASSERT_TRUE(WriteFileBytes(part_, content.substr(0, 700000)));
  auto client = Client(scenario.Url("redirect/gen/2097152"));

  EXPECT_EQ(client->Start(), 0);
  EXPECT_EQ(ByteDifference(ReadFileBytes(target_), content), "");
  EXPECT_EQ(scenario.Log(), "REDIRECT -\nHEAD -\nGET bytes=700000-\n");
  ASSERT_FALSE(calls_.percents.empty());
  EXPECT_GE(calls_.percents.front(), 700000.0 * 100 / kFileSize);
  EXPECT_DOUBLE_EQ(calls_.percents.back(), 100.0);
}

TEST_F(CurlClientTest, CutTransferKeepsWhatArrivedAndTheNextAttemptResumes) {
  const FaultScenario scenario(server_, "plan=drop300000");
  const std::string content = GeneratedContent(kFileSize);
  auto client = Client(scenario.Url("redirect/gen/2097152"));

  EXPECT_EQ(client->Start(), CURLE_PARTIAL_FILE);
  EXPECT_EQ(ByteDifference(ReadFileBytes(part_), content.substr(0, 300000)), "");
  EXPECT_FALSE(FileExists(target_));

  EXPECT_EQ(client->Start(), 0);
  EXPECT_EQ(ByteDifference(ReadFileBytes(target_), content), "");
  EXPECT_EQ(scenario.Log(), "REDIRECT -\nHEAD -\nGET -\nGET bytes=300000-\n");
}

TEST_F(CurlClientTest, RefusedBodiesLeaveThePartFileAsItWas) {
  const struct {
    const char* faults;
    int result;
  } cases[] = {
      {"status=404", CURLE_HTTP_RETURNED_ERROR},
      {"status=500", CURLE_HTTP_RETURNED_ERROR},
      {"noranges", CURLE_RANGE_ERROR},  // a whole file must not be appended to a part
  };
  const std::string beginning = GeneratedContent(kFileSize).substr(0, 5000);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.faults);
    ASSERT_TRUE(WriteFileBytes(part_, beginning));
    const FaultScenario scenario(server_, c.faults);
    auto client = Client(scenario.Url("redirect/gen/2097152"));
    EXPECT_EQ(client->Start(), c.result);
    EXPECT_EQ(ByteDifference(ReadFileBytes(part_), beginning), "");
    EXPECT_FALSE(FileExists(target_));
  }
}

// The request says "identity": a server that compresses for clients that accept it would
// otherwise leave the compressed bytes as the package.
TEST_F(CurlClientTest, ServerThatCompressesOnRequestStillGivesTheFile) {
  const FaultScenario scenario(server_, "gzip");
  auto client = Client(scenario.Url("redirect/gen/2097152"));
  EXPECT_EQ(client->Start(), 0);
  EXPECT_EQ(ByteDifference(ReadFileBytes(target_), GeneratedContent(kFileSize)), "");
}

TEST_F(CurlClientTest, StalledTransferEndsAsTimedOutInsteadOfWaitingForever) {
  const FaultScenario scenario(server_, "stall=0");
  auto client = Client(scenario.Url("redirect/gen/2097152"));
  EXPECT_EQ(client->Start(), CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(ReadFileBytes(part_), "");
}

TEST_F(CurlClientTest, TargetThatCannotBeReplacedIsNoSuccess) {
  const FaultScenario scenario(server_, "");
  ASSERT_TRUE(::CreateDirectoryW(target_.c_str(), nullptr));
  auto client = Client(scenario.Url("redirect/gen/2097152"));
  EXPECT_EQ(client->Start(), CurlClient::kRenameFailed);
  EXPECT_EQ(ByteDifference(ReadFileBytes(part_), GeneratedContent(kFileSize)), "");

  // Once the way is free, the complete part file is used without asking the server again.
  ASSERT_TRUE(::RemoveDirectoryW(target_.c_str()));
  EXPECT_EQ(client->Start(), 0);
  EXPECT_EQ(ByteDifference(ReadFileBytes(target_), GeneratedContent(kFileSize)), "");
  EXPECT_EQ(scenario.Log(), "REDIRECT -\nHEAD -\nGET -\n");
}

TEST_F(CurlClientTest, PartFileThatCannotBeOpenedIsReportedWithItsReason) {
  const FaultScenario scenario(server_, "");
  target_ = folder_.path() + L"missing\\__Package_Nimbrel.exe";
  auto client = Client(scenario.Url("redirect/gen/2097152"));
  EXPECT_EQ(client->Start(), CurlClient::kPartFileNotOpened);
  EXPECT_FALSE(client->lastError().empty());
  EXPECT_EQ(scenario.Log(), "REDIRECT -\nHEAD -\n");
}

TEST_F(CurlClientTest, UnreachableServerGivesNoLength) {
  auto client = Client("http://127.0.0.1:1/software/517");
  EXPECT_EQ(client->Start(), CurlClient::kLengthMissing);
  EXPECT_FALSE(FileExists(target_));
}

// libcurl opens local files by their C runtime path, which is in the ANSI code page.
TEST(CurlClientUrlTest, LocalFileUrlsAreAnsiAndOthersUtf8) {
  const std::wstring local = L"file:///C:/caf\u00e9.exe";
  const std::wstring remote = L"http://h/caf\u00e9.exe";
  EXPECT_EQ(CurlUrlBytes(local), WideToMultiByte(local, CP_ACP));
  EXPECT_EQ(CurlUrlBytes(remote), "http://h/caf\xC3\xA9.exe");
}

// Packages may also come from a local path, e.g. a mirrored share, as a file URL.
TEST_F(CurlClientTest, LocalFileUrlDownloadsLikeAnHttpOne) {
  const std::wstring source = folder_.path() + L"mirrored_package.exe";
  ASSERT_TRUE(WriteFileBytes(source, GeneratedContent(kFileSize)));
  std::wstring url = L"file:///" + source;
  for (wchar_t& c : url) {
    if (c == L'\\') c = L'/';
  }
  CurlClient client(url, target_, &calls_, &RecordHook);

  EXPECT_EQ(client.Start(), 0);
  EXPECT_EQ(ByteDifference(ReadFileBytes(target_), GeneratedContent(kFileSize)), "");
  EXPECT_EQ(client.fileLength(), static_cast<double>(kFileSize));
}

TEST_F(CurlClientTest, DestructionDeletesThePartFile) {
  ASSERT_TRUE(WriteFileBytes(part_, "partial"));
  Client("http://127.0.0.1:1/software/517").reset();
  EXPECT_FALSE(FileExists(part_));
}

TEST(CurlClientProgressTest, ReportsAtMostOncePerWallClockSecond) {
  HookCalls calls;
  int64_t now = 500;
  CurlClient client(L"http://127.0.0.1:1/x", L"C:\\unused.exe", &calls, &RecordHook);
  client.SetClock([&now] { return now; });

  EXPECT_EQ(CurlClient::ProgressCallback(&client, 4000, 1000, 0, 0), 0);
  EXPECT_EQ(CurlClient::ProgressCallback(&client, 4000, 2000, 0, 0), 0);
  ASSERT_EQ(calls.percents.size(), 1u);
  EXPECT_DOUBLE_EQ(calls.percents[0], 25.0);

  ++now;
  EXPECT_EQ(CurlClient::ProgressCallback(&client, 4000, 3000, 0, 0), 0);
  ASSERT_EQ(calls.percents.size(), 2u);
  EXPECT_DOUBLE_EQ(calls.percents[1], 75.0);

  // Nothing received yet, or no total known: no report.
  ++now;
  EXPECT_EQ(CurlClient::ProgressCallback(&client, 4000, 0, 0, 0), 0);
  ++now;
  EXPECT_EQ(CurlClient::ProgressCallback(&client, 0, 3000, 0, 0), 0);
  EXPECT_EQ(calls.percents.size(), 2u);

  client.RequestStop();
  EXPECT_EQ(CurlClient::ProgressCallback(&client, 4000, 3500, 0, 0), 1);
}

}  // namespace
