// Helpers shared by the skin framework tests: the fixture archives built beside the test
// program, and a test base that leaves the process resource settings as it found them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skinui/resource_settings.h"
#include "skinui/skin_file_reader.h"
#include "tests/support/test_paths.h"

namespace skin_test {

// A file made by the build from tests/skinui/fixtures, e.g. L"skin.7z" or L"big\\limit.xml".
inline std::wstring FixturePath(const std::wstring& name) {
  return ToolPath(L"skinui_fixtures\\" + name);
}

// The test skin's source folder (folder mode), with a trailing separator.
inline std::wstring SkinFolder() {
  return SourcePath(L"tests/skinui/fixtures/skin/");
}

inline std::vector<unsigned char> ReadFixture(const std::wstring& name) {
  std::vector<unsigned char> bytes;
  SkinUI::ReadFileBytes(FixturePath(name), SIZE_MAX, &bytes);
  return bytes;
}

// Every test starts and ends in folder mode with no path and the zip reader, the process's
// state before start-up configures it. Archives opened from memory read blocks owned here.
class SkinSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSettings(); }
  void TearDown() override { ResetSettings(); }

  static void ResetSettings() {
    SkinUI::CResourceSettings::SetSkinArchive(L"", false);
    SkinUI::CResourceSettings::SetResourcePath(L"");
    SkinUI::CResourceSettings::UseSevenZipArchives(false);
  }

  // Opens `bytes` as the in-memory archive, replacing any archive opened before.
  void UseMemoryArchive(std::vector<unsigned char> bytes, bool seven_zip) {
    ResetSettings();
    memory_archive_ = std::move(bytes);
    SkinUI::CResourceSettings::UseSevenZipArchives(seven_zip);
    SkinUI::CResourceSettings::SetSkinArchiveFromMemory(memory_archive_.data(),
                                                        memory_archive_.size());
  }

  void UseArchiveFile(const std::wstring& name, bool seven_zip, bool cached) {
    ResetSettings();
    SkinUI::CResourceSettings::UseSevenZipArchives(seven_zip);
    SkinUI::CResourceSettings::SetResourcePath(FixturePath(L"").c_str());
    SkinUI::CResourceSettings::SetSkinArchive(name.c_str(), cached);
  }

  void UseFolder(const std::wstring& folder) {
    ResetSettings();
    SkinUI::CResourceSettings::SetResourcePath(folder.c_str());
  }

  std::vector<unsigned char> memory_archive_;
};

}  // namespace skin_test
