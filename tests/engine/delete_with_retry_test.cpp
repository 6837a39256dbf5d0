#include "engine/delete_with_retry.h"

#include <gtest/gtest.h>

#include "app/scoped_handle.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

ScopedHandle OpenWithoutSharing(const std::wstring& path) {
  return ScopedHandle(
      ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

TEST(DeleteWithRetryTest, FileInUseIsDeletedOnceFreedAndMissingFileCountsAsGone) {
  ScopedTempFolder folder;
  const std::wstring path = folder.path() + L"package.exe";
  ASSERT_TRUE(WriteFileBytes(path, "bytes"));
  ScopedHandle holder = OpenWithoutSharing(path);
  ASSERT_TRUE(holder);
  int pauses = 0;
  const RetryPause release_on_third = [&](DWORD milliseconds) {
    EXPECT_EQ(milliseconds, 7u);
    if (++pauses == 3) holder.reset();
  };
  EXPECT_TRUE(DeleteFileWithRetry(path, 10, 7, release_on_third));
  EXPECT_EQ(pauses, 3);
  EXPECT_FALSE(FileExists(path));

  EXPECT_TRUE(DeleteFileWithRetry(path, 10, 7, [&](DWORD) { ++pauses; }));
  EXPECT_EQ(pauses, 3);
}

TEST(DeleteWithRetryTest, FileHeldThroughEveryAttemptIsReported) {
  ScopedTempFolder folder;
  const std::wstring path = folder.path() + L"package.exe";
  ASSERT_TRUE(WriteFileBytes(path, "bytes"));
  const ScopedHandle holder = OpenWithoutSharing(path);
  ASSERT_TRUE(holder);
  int pauses = 0;
  EXPECT_FALSE(DeleteFileWithRetry(path, 4, 1, [&](DWORD) { ++pauses; }));
  EXPECT_EQ(pauses, 3);
  EXPECT_TRUE(FileExists(path));
}

}  // namespace
