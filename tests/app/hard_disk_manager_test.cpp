#include "app/hard_disk_manager.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/test_paths.h"

namespace {

TEST(HardDiskManagerTest, SystemDriveHasSizes) {
  Utils::HardDiskManager disk;
  ASSERT_TRUE(disk.CheckFreeSpace(L"C:"));
  EXPECT_GT(disk.total(), 0u);
  EXPECT_LE(disk.total_free(), disk.total());
  EXPECT_LE(disk.free_to_caller(), disk.total_free());
}

TEST(HardDiskManagerTest, MissingDriveFailsAndKeepsZeros) {
  const std::wstring missing = MissingDrive();
  ASSERT_FALSE(missing.empty());
  Utils::HardDiskManager disk;
  EXPECT_FALSE(disk.CheckFreeSpace(missing));
  EXPECT_EQ(disk.total(), 0u);
  EXPECT_EQ(disk.total_free(), 0u);
  EXPECT_EQ(disk.free_to_caller(), 0u);
}

}  // namespace
