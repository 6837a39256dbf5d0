#include "app/folders.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace {

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

struct TreeCase {
  std::wstring relative;  // below the test's folder
  bool created;
  std::wstring made;  // a folder that exists afterwards
};

TEST(CreateFolderTreeTest, CreatesEveryLevel) {
  const TreeCase cases[] = {
      {L"a\\b\\c", true, L"a\\b\\c"},
      {L"d\\e\\", true, L"d\\e"},  // a trailing backslash
      {L"a\\b", true, L"a\\b"},    // exists already
      {L"f/g\\h", true, L"f\\g\\h"},
      {L"file.txt\\sub", false, L""},  // a file stands where a folder must go
  };
  for (const TreeCase& c : cases) {
    ScopedTempFolder root;
    ASSERT_TRUE(CreateFolderTree(root.path() + L"a\\b"));
    ASSERT_TRUE(WriteFileBytes(root.path() + L"file.txt", "x"));
    EXPECT_EQ(CreateFolderTree(root.path() + c.relative), c.created) << c.relative.c_str();
    if (!c.made.empty()) {
      EXPECT_TRUE(IsFolder(root.path() + c.made)) << c.relative.c_str();
    }
  }
}

TEST(CreateFolderTreeTest, RefusesPathsThatCannotBeFolders) {
  const std::wstring drive = MissingDrive();
  ASSERT_FALSE(drive.empty());
  ScopedTempFolder root;
  const std::wstring too_long = root.path() + std::wstring(261 - root.path().size(), L'x');
  EXPECT_FALSE(CreateFolderTree(drive + L"\\Nimbrel\\bin"));
  EXPECT_FALSE(CreateFolderTree(too_long));
  EXPECT_FALSE(IsFolder(too_long.substr(0, 250)));
  EXPECT_FALSE(CreateFolderTree(L""));
}

TEST(InstallerTempFolderTest, ExistsAndEndsWithTheInstallerName) {
  const std::wstring folder = GetInstallerTempFolder();
  const std::wstring name = L"\\~TolvarTemp.92482B06FB471E17\\";
  ASSERT_GT(folder.size(), name.size());
  EXPECT_EQ(folder.substr(folder.size() - name.size()), name);
  EXPECT_TRUE(IsFolder(folder));
  EXPECT_EQ(GetInstallerTempFolder(), folder);  // an existing folder is taken as it is
}

}  // namespace
