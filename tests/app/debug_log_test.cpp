#include "app/debug_log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/debugger_output.h"
#include "tests/support/test_paths.h"

namespace {

class DebugLogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    run_ = new DebuggedRun(RunUnderDebugger(L"\"" + ToolPath(L"log_emitter.exe") + L"\"", 30000));
  }
  static void TearDownTestSuite() {
    delete run_;
    run_ = nullptr;
  }

  // The emitter's line whose source field is `source`.
  static std::string LineFrom(const std::string& source) {
    for (const std::string& line : run_->lines) {
      if (line.find("(" + source + ")") != std::string::npos) return line;
    }
    return {};
  }

  static DebuggedRun* run_;
};

DebuggedRun* DebugLogTest::run_ = nullptr;

TEST_F(DebugLogTest, EmitterRunsToTheEndUnderTheDebugger) {
  ASSERT_TRUE(run_->started);
  ASSERT_TRUE(run_->finished);
  EXPECT_EQ(run_->exit_code, 0u);
}

TEST_F(DebugLogTest, PrefixCarriesProcessThreadTimeSourceAndLine) {
  const std::string line = LineFrom("Emitter::Main");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(
      line, m,
      std::regex(R"(<P(\d{5,})><T(\d{5,})><(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\.(\d{3})>)"
                 R"(\(Emitter::Main\)<0042>: hello world 7\r\n)")))
      << line;
  EXPECT_EQ(std::stoul(m[1]), run_->process_id);
  EXPECT_EQ(std::stoul(m[2]), run_->main_thread_id);

  SYSTEMTIME now;
  ::GetLocalTime(&now);
  EXPECT_EQ(std::stoi(m[3]), now.wYear);
  EXPECT_GE(std::stoi(m[4]), 1);
  EXPECT_LE(std::stoi(m[4]), 12);
  EXPECT_LE(std::stoi(m[6]), 23);
  EXPECT_LE(std::stoi(m[9]), 999);
}

TEST_F(DebugLogTest, LongMessageArrivesWhole) {
  const std::string line = LineFrom("Emitter::Long");
  const std::string tail = ": " + std::string(10000, 'x') + "\r\n";
  ASSERT_GE(line.size(), tail.size());
  EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
}

TEST_F(DebugLogTest, WriterAddsNoLineEnd) {
  const std::string line = LineFrom("Utils::CheckNetwork");
  EXPECT_NE(line.find("<0245>: GetConnectivity 0"), std::string::npos) << line;
  EXPECT_EQ(line.substr(line.size() - 17), "GetConnectivity 0");
}

TEST_F(DebugLogTest, WideFieldsKeepAllTheirDigits) {
  EXPECT_EQ(LineFrom("Emitter::Wide"),
            "<P1234567><T98765432><2026-12-11 03:04:05.006>(Emitter::Wide)<123456>: wide ids\r\n");
}

TEST(DebugLogWithoutDebugger, WritesNothingAndFailsNothing) {
  LogLine(L"DebugLogTest", 1, L"no debugger is attached %s\r\n", L"here");
  SUCCEED();
}

}  // namespace
