// The downloaders against each download host the tests run: the loopback test server and
// Debian's nginx (its redirect done by nginx itself), on the product path "/software/517".
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "app/file_md5.h"
#include "app/text_encoding.h"
#include "engine/curl_client.h"
#include "engine/curl_downloader.h"
#include "engine/url_md5.h"
#include "engine/win_downloader.h"
#include "tests/support/download_server.h"
#include "tests/support/event_recorder.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr DWORD kOutcomeTimeLimitMs = 60000;

struct DownloadHost {
  const char* name;
  const wchar_t* port_file_variable;
  const wchar_t* size_variable;  // null: the test server's default product size
};

void PrintTo(const DownloadHost& host, std::ostream* out) { *out << host.name; }

size_t ProductSize(const DownloadHost& host) {
  if (host.size_variable == nullptr) return 2097152;
  wchar_t value[32] = {};
  if (::GetEnvironmentVariableW(host.size_variable, value, 32) == 0) return 0;
  return static_cast<size_t>(std::wcstoull(value, nullptr, 10));
}

void IgnoreProgress(void*, double, double) {}

class DownloadHostTest : public ::testing::TestWithParam<DownloadHost> {
 protected:
  static void SetUpTestSuite() { InitHttpLibrary(); }

  void SetUp() override {
    const std::string server = LoopbackServerUrl(GetParam().port_file_variable);
    ASSERT_FALSE(server.empty()) << GetParam().name << " is not running";
    product_url_ = MultiByteToWide(server + "/software/517", CP_UTF8);
    content_ = GeneratedContent(ProductSize(GetParam()));
    ASSERT_GT(content_.size(), 1048576u);
    package_ = folder_.path() + L"__Package_Nimbrel.exe";
  }

  // The codes (without progress) of one run of a Downloader to its outcome.
  template <typename Downloader>
  std::vector<int> DownloadProduct() {
    EventRecorder events;
    Downloader downloader(events.Callback(), product_url_, package_);
    downloader.Start();
    if (!events.WaitForOutcome(kOutcomeTimeLimitMs)) return {};
    return events.Codes();
  }

  std::wstring product_url_;
  std::string content_;
  ScopedTempFolder folder_;
  std::wstring package_;
};

TEST_P(DownloadHostTest, ClientFollowsTheProductRedirectToTheFileNamedByItsMd5) {
  CurlClient client(product_url_, package_, nullptr, &IgnoreProgress);
  EXPECT_EQ(client.Start(), 0);
  EXPECT_EQ(ByteDifference(ReadFileBytes(package_), content_), "");
  EXPECT_EQ(UrlMd5(client.realUrl()), FileMd5Hex(WideToMultiByte(package_, CP_ACP)));
}

TEST_P(DownloadHostTest, ClientResumesFromAnyPartFile) {
  const size_t size = content_.size();
  const struct {
    const char* name;
    std::string part;
  } cases[] = {
      {"one byte", content_.substr(0, 1)},
      {"a third", content_.substr(0, size / 3)},
      {"all but the last byte", content_.substr(0, size - 1)},
      {"complete", content_},
      {"longer than the file", content_ + std::string(100, 'x')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteFileBytes(package_ + L".part", c.part));
    CurlClient client(product_url_, package_, nullptr, &IgnoreProgress);
    EXPECT_EQ(client.Start(), 0);
    EXPECT_EQ(ByteDifference(ReadFileBytes(package_), content_), "");
    EXPECT_FALSE(FileExists(package_ + L".part"));
  }
}

TEST_P(DownloadHostTest, SingleStreamDownloadersFetchTheProduct) {
  const std::vector<int> success = {DL_CODE_START, DL_CODE_SUCCESS};
  EXPECT_EQ(DownloadProduct<CCurlDownloader>(), success);
  EXPECT_EQ(ByteDifference(ReadFileBytes(package_), content_), "");
  ASSERT_TRUE(::DeleteFileW(package_.c_str()));

  EXPECT_EQ(DownloadProduct<CWinDownloader>(), success);
  EXPECT_EQ(ByteDifference(ReadFileBytes(package_), content_), "");
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, DownloadHostTest,
    ::testing::Values(
        DownloadHost{"the test server", L"NIMBREL_DOWNLOAD_SERVER_PORT_FILE", nullptr},
        DownloadHost{"nginx", L"NIMBREL_NGINX_PORT_FILE", L"NIMBREL_NGINX_FILE_SIZE"}),
    [](const ::testing::TestParamInfo<DownloadHost>& info) {
      return std::string(info.param.size_variable == nullptr ? "TestServer" : "Nginx");
    });

}  // namespace
