// Data safety of the curl downloader: whatever sequence of cut, reset and refused transfers the
// server produces, and whatever it does with ranges and digests, a download reported as a
// success is byte for byte the file on the server; everything else ends in DL_CODE_FAIL.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "app/text_encoding.h"
#include "engine/curl_downloader.h"
#include "tests/support/download_server.h"
#include "tests/support/event_recorder.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr size_t kFileSize = 1048576 + 4099;
constexpr int kScenarios = 32;
constexpr int kBudget = 12;
constexpr DWORD kOutcomeTimeLimitMs = 60000;

// What the server does to every request of a scenario, besides its plan.
enum class Behaviour { kNormal, kNoMd5, kCompressing, kWrongRangeBytes, kNoRanges, kWrongMd5 };

struct PlanItem {
  enum Kind { kDrop, kReset, kStatus } kind;
  size_t value;  // bytes before the cut, or the status
};

struct Scenario {
  Behaviour behaviour;
  std::vector<PlanItem> plan;  // the n-th body request gets the n-th item, later ones the file

  std::string Faults() const {
    static const char* const kBehaviourKeys[] = {"", "nomd5", "gzip", "badrange", "noranges",
                                                 "badmd5"};
    std::string faults = kBehaviourKeys[static_cast<int>(behaviour)];
    std::string items;
    for (const PlanItem& item : plan) {
      static const char* const kKindNames[] = {"drop", "reset", ""};
      items += (items.empty() ? "" : ":") + std::string(kKindNames[item.kind]) +
               std::to_string(item.value);
    }
    if (!items.empty()) faults += (faults.empty() ? "plan=" : ",plan=") + items;
    return faults;
  }

  bool HasReset() const {
    for (const PlanItem& item : plan) {
      if (item.kind == PlanItem::kReset) return true;
    }
    return false;
  }
};

enum class Outcome { kSuccess, kFail, kEither };

// One body request as the downloader's client makes it, against what the server will do.
struct Attempt {
  bool complete = false;
  int cost = 0;           // budget spent by a failure
  size_t written = 0;     // bytes appended to the part file
};

Attempt Simulate(const Scenario& scenario, const PlanItem* item, size_t part) {
  const size_t remaining = kFileSize - part;
  if (scenario.behaviour == Behaviour::kNoRanges && part > 0) return {false, 2, 0};  // 22 or 33
  if (item == nullptr) return {true, 0, remaining};
  if (item->kind == PlanItem::kStatus) return {false, 2, 0};
  if (item->value >= remaining) return {true, 0, remaining};
  return {false, 1, item->value};  // CURLE_PARTIAL_FILE
}

// The outcome the downloader must reach; resets are left open, since a reset may take data
// that was already on its way to the client with it.
Outcome Predict(const Scenario& scenario) {
  if (scenario.HasReset()) return Outcome::kEither;
  size_t next_item = 0;
  bool retried = false;
  for (;;) {
    int budget = kBudget;
    size_t part = 0;
    bool wrong_bytes = false;
    Attempt attempt;
    while (!attempt.complete) {
      const PlanItem* item = next_item < scenario.plan.size() ? &scenario.plan[next_item] : nullptr;
      ++next_item;
      attempt = Simulate(scenario, item, part);
      if (scenario.behaviour == Behaviour::kWrongRangeBytes && part > 0 && attempt.written > 0) {
        wrong_bytes = true;
      }
      part += attempt.written;
      budget -= attempt.cost;
      if (budget < 1) return Outcome::kFail;
    }
    if (scenario.behaviour == Behaviour::kNoMd5) return Outcome::kSuccess;
    if (!wrong_bytes && scenario.behaviour != Behaviour::kWrongMd5) return Outcome::kSuccess;
    if (retried) return Outcome::kFail;
    retried = true;
  }
}

std::vector<Scenario> MakeScenarios() {
  std::mt19937 random(20261211);
  std::discrete_distribution<int> behaviour({8, 3, 1, 2, 2, 1});
  std::uniform_int_distribution<int> length(0, 10);
  std::uniform_int_distribution<int> kind(0, 19);
  std::uniform_int_distribution<size_t> cut(0, 600000);
  std::vector<Scenario> scenarios;
  for (int i = 0; i < kScenarios; ++i) {
    Scenario scenario{static_cast<Behaviour>(behaviour(random)), {}};
    for (int n = length(random); n > 0; --n) {
      const int k = kind(random);
      if (k < 12) {
        scenario.plan.push_back({PlanItem::kDrop, cut(random)});
      } else if (k < 18) {
        scenario.plan.push_back({PlanItem::kStatus, k % 2 == 0 ? 500u : 404u});
      } else {
        scenario.plan.push_back({PlanItem::kReset, cut(random)});
      }
    }
    scenarios.push_back(scenario);
  }
  return scenarios;
}

// START, at most one MD5 retry, then an optional MD5 report and one outcome.
std::string CodeLetters(const std::vector<int>& codes) {
  std::string letters;
  for (int code : codes) {
    switch (code) {
      case DL_CODE_START: letters += 's'; break;
      case DL_CODE_MD5_ERROR: letters += 'm'; break;
      case DL_CODE_RETRY: letters += 'r'; break;
      case DL_CODE_SUCCESS: letters += 'o'; break;
      case DL_CODE_FAIL: letters += 'f'; break;
      default: letters += '?'; break;
    }
  }
  return letters;
}

TEST(DownloadSafetyTest, ReportedSuccessAlwaysMeansTheServedBytes) {
  InitHttpLibrary();
  const std::string server = LoopbackServerUrl(L"NIMBREL_DOWNLOAD_SERVER_PORT_FILE");
  ASSERT_FALSE(server.empty()) << "the download server fixture is not running";
  const std::string content = GeneratedContent(kFileSize);
  const std::string resource = "redirect/gen/" + std::to_string(kFileSize);
  int successes = 0;
  int failures = 0;
  for (const Scenario& scenario : MakeScenarios()) {
    const FaultScenario urls(server, scenario.Faults());
    SCOPED_TRACE(urls.Url(resource));
    ScopedTempFolder folder;
    const std::wstring package = folder.path() + L"__Package_Nimbrel.exe";
    EventRecorder events;
    PauseCounter pauses;
    {
      CCurlDownloader downloader(events.Callback(),
                                 MultiByteToWide(urls.Url(resource), CP_UTF8), package);
      downloader.SetRetryPause(pauses.Function());
      events.SetReaction(RestartOnRetry(&downloader));
      downloader.Start();
      ASSERT_TRUE(events.WaitForOutcome(kOutcomeTimeLimitMs)) << urls.Log();
    }
    const std::string letters = CodeLetters(events.Codes());
    EXPECT_TRUE(std::regex_match(letters, std::regex("s(mrs)?m?[of]"))) << letters;
    const bool succeeded = letters.back() == 'o';
    if (succeeded) {
      EXPECT_EQ(ByteDifference(ReadFileBytes(package), content), "") << urls.Log();
    }
    const Outcome expected = Predict(scenario);
    if (expected != Outcome::kEither) {
      EXPECT_EQ(succeeded, expected == Outcome::kSuccess) << letters << "\n" << urls.Log();
    }
    ++(succeeded ? successes : failures);
  }
  // The table must exercise both endings, or it proves nothing.
  EXPECT_GT(successes, 0);
  EXPECT_GT(failures, 0);
  std::printf("%d successes, %d failures\n", successes, failures);
}

}  // namespace
