#include "app/console_process.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/pipe_reader.h"
#include "tests/support/test_paths.h"

namespace {

constexpr DWORD kTimeLimitMs = 20000;

std::wstring ChildCommand(const std::wstring& arguments) {
  return L"\"" + ToolPath(L"console_child.exe") + L"\" " + arguments;
}

TEST(ConsoleProcessTest, ChildOutputErrorAndExitCodeReachTheParent) {
  ConsoleProcess child;
  child.Launch(ChildCommand(L"-out=hello -err=oops -out=world -exit=7"));
  EXPECT_NE(child.process_id(), 0u);

  const PipeText output = ReadPipeToEnd(child.output(), kTimeLimitMs);
  const PipeText error = ReadPipeToEnd(child.error(), kTimeLimitMs);
  EXPECT_EQ(WaitOrKill(child.process(), kTimeLimitMs), 7u);
  EXPECT_TRUE(output.ended) << "the output pipe stayed open after the child ended";
  EXPECT_EQ(output.text, "hello\r\nworld\r\n");
  EXPECT_TRUE(error.ended);
  EXPECT_EQ(error.text, "oops\r\n");
}

TEST(ConsoleProcessTest, ChildReadsTheInputPipe) {
  ConsoleProcess child;
  child.Launch(ChildCommand(L"-echoline -exit=0"));
  const char line[] = "ping 尼布瑞尔\n";
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(child.input(), line, sizeof(line) - 1, &written, nullptr));

  const PipeText output = ReadPipeToEnd(child.output(), kTimeLimitMs);
  EXPECT_EQ(WaitOrKill(child.process(), kTimeLimitMs), 0u);
  EXPECT_EQ(output.text, "ping 尼布瑞尔\r\n");
}

TEST(ConsoleProcessTest, ParentEndsAreNotInheritable) {
  ConsoleProcess child;
  child.Launch(ChildCommand(L"-exit=0"));
  for (HANDLE parent_end : {child.output(), child.error(), child.input()}) {
    DWORD flags = 0;
    ASSERT_TRUE(::GetHandleInformation(parent_end, &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
  }
  WaitOrKill(child.process(), kTimeLimitMs);
}

TEST(ConsoleProcessTest, ChildThatCannotStartThrows) {
  ConsoleProcess child;
  EXPECT_THROW(child.Launch(L"\"" + ToolPath(L"no_such_program.exe") + L"\""), ConsoleProcessError);
  EXPECT_EQ(child.process(), nullptr);
}

// The buffer holds 1024 characters with the terminator: 1023 fit, 1024 are refused unlaunched.
TEST(ConsoleProcessTest, CommandLineMustFitTheBuffer) {
  const std::wstring prefix = ChildCommand(L"-exit=3 -pad=");
  ASSERT_LT(prefix.size(), ConsoleProcess::kCommandLineCapacity);
  const std::wstring longest = prefix + std::wstring(1023 - prefix.size(), L'x');

  ConsoleProcess fits;
  fits.Launch(longest);
  EXPECT_EQ(WaitOrKill(fits.process(), kTimeLimitMs), 3u);

  ConsoleProcess too_long;
  EXPECT_THROW(too_long.Launch(longest + L"x"), ConsoleProcessError);
  EXPECT_EQ(too_long.process(), nullptr);
}

}  // namespace
