#include "app/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "tests/support/debugger_output.h"
#include "tests/support/test_paths.h"

namespace {

// Windows 7 has no thread descriptions; the debugger announcement is checked separately.
std::wstring ThreadDescription(HANDLE thread) {
  using GetThreadDescriptionFunction = HRESULT(WINAPI*)(HANDLE, PWSTR*);
  const auto get_description =
      reinterpret_cast<GetThreadDescriptionFunction>(reinterpret_cast<void*>(
          ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
  if (get_description == nullptr) return L"(unsupported)";
  PWSTR text = nullptr;
  if (FAILED(get_description(thread, &text))) return L"(failed)";
  std::wstring description(text);
  ::LocalFree(text);
  return description;
}

TEST(ThreadTest, StartsSuspendedRunsBodyWithOwnerAndJoins) {
  std::atomic<void*> seen_owner{nullptr};
  int owner = 0;
  Utils::Thread thread;
  ASSERT_TRUE(thread.Start(&owner, L"ABDEF", [&seen_owner](void* o) {
    seen_owner = o;
    return 5u;
  }));
  ASSERT_NE(thread.handle(), nullptr);
  EXPECT_NE(thread.id(), 0u);
  // A suspend count of one proves that the body cannot have run yet.
  EXPECT_EQ(::SuspendThread(thread.handle()), 1u);
  ::ResumeThread(thread.handle());
  EXPECT_EQ(seen_owner.load(), nullptr);

  ASSERT_TRUE(thread.Resume());
  thread.Join();
  EXPECT_EQ(seen_owner.load(), &owner);
  EXPECT_EQ(thread.handle(), nullptr);
  EXPECT_EQ(thread.id(), static_cast<DWORD>(-1));
  EXPECT_FALSE(thread.Resume());
  thread.Join();  // a second join is harmless
}

TEST(ThreadTest, NamesTheThreadOrFallsBackToItsId) {
  Utils::Thread named;
  ASSERT_TRUE(named.Start(nullptr, L"UnInstaller", [](void*) { return 0u; }));
  Utils::Thread unnamed;
  ASSERT_TRUE(unnamed.Start(nullptr, L"", [](void*) { return 0u; }));
  const std::wstring description = ThreadDescription(named.handle());
  if (description == L"(unsupported)") GTEST_SKIP() << "no thread descriptions here";
  EXPECT_EQ(description, L"UnInstaller");
  EXPECT_EQ(ThreadDescription(unnamed.handle()), L"t" + std::to_wstring(unnamed.id()));
  named.Resume();
  unnamed.Resume();
}

TEST(ThreadTest, DestructionJoinsARunningThread) {
  std::atomic<bool> finished{false};
  {
    Utils::Thread thread;
    ASSERT_TRUE(thread.Start(nullptr, L"", [&finished](void*) {
      ::Sleep(50);
      finished = true;
      return 0u;
    }));
    thread.Resume();
  }
  EXPECT_TRUE(finished);
}

// Under a debugger the name travels as exception 0x406D1388, which must not end the program
// when the debugger passes it back.
TEST(ThreadTest, DebuggerLearnsTheNamesAndTheProgramSurvives) {
  const DebuggedRun run = RunUnderDebugger(L"\"" + ToolPath(L"thread_namer.exe") + L"\"", 30000);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exit_code, 3u);

  std::string unnamed_id;
  int begins = 0;
  int ends = 0;
  for (const std::string& line : run.lines) {
    const size_t at = line.find("unnamed=");
    if (at != std::string::npos) unnamed_id = line.substr(at + 8);
    if (line.find("(Utils::Thread::CallBack)<0101>: THREAD BEGIN\r\n") != std::string::npos)
      ++begins;
    if (line.find("(Utils::Thread::CallBack)<0107>: THREAD END\r\n") != std::string::npos) ++ends;
  }
  EXPECT_EQ(begins, 2);
  EXPECT_EQ(ends, 2);
  ASSERT_FALSE(unnamed_id.empty());
  EXPECT_EQ(run.thread_names, (std::vector<std::string>{"ABDEF", "t" + unnamed_id}));
}

}  // namespace
