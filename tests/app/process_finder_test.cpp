#include "app/process_finder.h"

#include <gtest/gtest.h>

#include <string>

#include "app/scoped_handle.h"
#include "tests/support/pipe_reader.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace {

// A sleeping helper under a name no other process has, killed when the test ends.
class NamedChild {
 public:
  explicit NamedChild(const std::wstring& path) {
    std::wstring command = L"\"" + path + L"\" -sleep=60000";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
      return;
    }
    process_.reset(info.hProcess);
    ScopedHandle thread(info.hThread);
    id_ = info.dwProcessId;
  }
  ~NamedChild() {
    if (process_) WaitOrKill(process_.get(), 0);
  }
  DWORD id() const { return id_; }

 private:
  ScopedHandle process_;
  DWORD id_ = 0;
};

TEST(FindProcessByNameTest, FindsARunningHelperByItsExactName) {
  ScopedTempFolder folder;
  const std::wstring name = L"finder_" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
  ASSERT_TRUE(
      ::CopyFileW(ToolPath(L"console_child.exe").c_str(), (folder.path() + name).c_str(), FALSE));
  const NamedChild child(folder.path() + name);
  ASSERT_NE(child.id(), 0u);

  EXPECT_EQ(FindProcessByName(name), child.id());
  std::wstring upper = name;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(::towupper(c));
  EXPECT_EQ(FindProcessByName(upper), 0u);  // names compare case-sensitively
  EXPECT_EQ(FindProcessByName(L"finder_"), 0u);
  EXPECT_EQ(FindProcessByName(L""), 0u);
}

}  // namespace
