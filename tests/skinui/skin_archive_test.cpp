// Skin files by name from the skin folder and from 7z and zip archives, in a file or in
// memory, including damaged archives.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "skinui/resource_settings.h"
#include "skinui/skin_archive.h"
#include "skinui/skin_file_reader.h"
#include "skinui/xml_document.h"
#include "tests/skinui/skin_test_support.h"
#include "tests/skinui/xml_test_support.h"

namespace {

using SkinUI::ArchiveFormat;
using SkinUI::CResourceSettings;
using SkinUI::CXmlDocument;
using SkinUI::SkinFileStatus;
using skin_test::FixturePath;
using skin_test::ReadFixture;

class SkinArchiveTest : public skin_test::SkinSettingsTest {
 protected:
  // "" when the markup loads, else the loader's message.
  static std::wstring LoadError(const wchar_t* name) {
    CXmlDocument document;
    if (document.LoadFile(name)) return L"";
    // Read failures have no location in the markup.
    if (std::wstring(document.ErrorMessage()) != L"Expected start tag") {
      EXPECT_STREQ(document.ErrorLocation(), L"");
    }
    return document.ErrorMessage();
  }

  static bool Holds(const wchar_t* name) {
    std::vector<unsigned char> bytes;
    return SkinUI::ReadSkinFile(name, SIZE_MAX, &bytes) == SkinFileStatus::Ok;
  }
};

TEST_F(SkinArchiveTest, FindsFilesByTheirMarkupSpelling) {
  for (const bool seven_zip : {true, false}) {
    SCOPED_TRACE(seven_zip ? "7z" : "zip");
    const std::vector<unsigned char> bytes = ReadFixture(seven_zip ? L"skin.7z" : L"skin.zip");
    const auto archive = SkinUI::OpenSkinArchiveMemory(
        bytes.data(), bytes.size(), seven_zip ? ArchiveFormat::SevenZip : ArchiveFormat::Zip);
    ASSERT_NE(archive, nullptr);
    for (const wchar_t* name : {L"res\\mainWnd\\bg1.png", L"RES\\MAINWND\\BG1.PNG",
                                L"res/mainWnd/bg1.png", L"res\\mainWnd/BG1.png"}) {
      int index = -1;
      uint64_t size = 0;
      EXPECT_TRUE(archive->Find(name, &index, &size)) << testing::PrintToString(std::wstring(name));
      EXPECT_EQ(archive->EntryName(index), L"res/mainWnd/bg1.png");
      EXPECT_EQ(size, 80u);
    }
    for (const wchar_t* name : {L"res\\mainWnd", L"bg1.png", L"res\\mainWnd\\bg1.pn",
                                L"\\res\\mainWnd\\bg1.png", L""}) {
      int index = -1;
      uint64_t size = 0;
      EXPECT_FALSE(archive->Find(name, &index, &size)) << testing::PrintToString(std::wstring(name));
    }
  }
}

TEST_F(SkinArchiveTest, LoadsMarkupInEveryArchiveMode) {
  struct Mode {
    const char* name;
    std::function<void()> select;
    const wchar_t* missing_message;
  };
  const Mode modes[] = {
      {"folder", [&] { UseFolder(skin_test::SkinFolder()); }, L"Error opening file"},
      {"7z in memory", [&] { UseMemoryArchive(ReadFixture(L"skin.7z"), true); },
       L"Could not find ziped file"},
      {"7z file kept open", [&] { UseArchiveFile(L"skin.7z", true, true); },
       L"Could not find ziped file"},
      {"7z file per request", [&] { UseArchiveFile(L"skin.7z", true, false); },
       L"Could not find ziped file"},
      {"zip in memory", [&] { UseMemoryArchive(ReadFixture(L"skin.zip"), false); },
       L"Could not find ziped file"},
      {"zip file per request", [&] { UseArchiveFile(L"skin.zip", false, false); },
       L"Could not find ziped file"},
  };
  for (const Mode& mode : modes) {
    SCOPED_TRACE(mode.name);
    mode.select();
    CXmlDocument document;
    ASSERT_TRUE(document.LoadFile(L"MainWnd.xml"))
        << testing::PrintToString(std::wstring(document.ErrorMessage()));
    EXPECT_EQ(skin_test::DescribeTree(document),
              L"Window[size=600,400]{Label[name=title,text=尼布瑞尔]}");
    ASSERT_TRUE(document.LoadFile(L"list.xml"));
    int items = 0;
    for (auto node = document.Root().FirstChild(); node.IsValid(); node = node.NextSibling()) ++items;
    EXPECT_EQ(items, 60);
    EXPECT_EQ(LoadError(L"missing.xml"), mode.missing_message);
    EXPECT_EQ(LoadError(L"empty.xml"), L"File is empty");
    EXPECT_EQ(LoadError(L"res\\broken.png"), L"Expected start tag");
  }
}

TEST_F(SkinArchiveTest, ArchivedMarkupIsLimitedToFourMebibytes) {
  for (const bool seven_zip : {true, false}) {
    SCOPED_TRACE(seven_zip ? "7z" : "zip");
    UseMemoryArchive(ReadFixture(seven_zip ? L"skin.7z" : L"skin.zip"), seven_zip);
    EXPECT_EQ(LoadError(L"limit.xml"), L"");
    EXPECT_EQ(LoadError(L"over_limit.xml"), L"File too large");
  }
}

TEST_F(SkinArchiveTest, AnArchiveThatCannotBeOpenedIsReported) {
  UseArchiveFile(L"no such archive.7z", true, true);
  EXPECT_EQ(LoadError(L"MainWnd.xml"), L"Error opening zip file");
  UseArchiveFile(L"no such archive.7z", true, false);
  EXPECT_EQ(LoadError(L"MainWnd.xml"), L"Error opening zip file");
  // Not an archive at all: the 7z reader refuses it from a file as from memory.
  UseArchiveFile(L"big\\limit.xml", true, true);
  EXPECT_EQ(LoadError(L"MainWnd.xml"), L"Error opening zip file");

  for (const bool seven_zip : {true, false}) {
    SCOPED_TRACE(seven_zip ? "7z" : "zip");
    std::vector<unsigned char> truncated = ReadFixture(seven_zip ? L"skin.7z" : L"skin.zip");
    truncated.resize(truncated.size() / 2);
    UseMemoryArchive(truncated, seven_zip);
    EXPECT_EQ(CResourceSettings::CachedSkinArchive(), nullptr);
    EXPECT_EQ(LoadError(L"MainWnd.xml"), L"Error opening zip file");
  }
}

// Flips one byte inside the stored copy of `marker`'s file.
std::vector<unsigned char> Damaged(std::vector<unsigned char> archive, const std::string& marker) {
  const auto found = std::search(archive.begin(), archive.end(), marker.begin(), marker.end());
  EXPECT_NE(found, archive.end());
  if (found != archive.end()) *found ^= 0x20;
  return archive;
}

TEST_F(SkinArchiveTest, A7zFileThatFailsItsCrcEndsTheDecodedFiles) {
  // Stored one file per block, in the order empty.xml, list.xml, mainWnd.xml, res/broken.png,
  // res/mainWnd/bg1.png: the files before the damaged one stay readable.
  UseMemoryArchive(Damaged(ReadFixture(L"skin_stored.7z"), "garbage-that-is-no-png"), true);
  ASSERT_NE(CResourceSettings::CachedSkinArchive(), nullptr);
  EXPECT_TRUE(Holds(L"MainWnd.xml"));
  EXPECT_FALSE(Holds(L"res\\broken.png"));
  EXPECT_FALSE(Holds(L"res\\mainWnd\\bg1.png"));
  EXPECT_EQ(LoadError(L"res\\broken.png"), L"Could not find ziped file");
}

TEST_F(SkinArchiveTest, AZipFileThatFailsItsCrcCannotBeUnzipped) {
  UseMemoryArchive(Damaged(ReadFixture(L"skin_stored.zip"), "Window size"), false);
  EXPECT_EQ(LoadError(L"MainWnd.xml"), L"Could not unzip file");
  EXPECT_EQ(LoadError(L"list.xml"), L"");
}

TEST_F(SkinArchiveTest, TheFirstArchiveFromMemoryStaysForTheProcess) {
  UseMemoryArchive(ReadFixture(L"skin.7z"), true);
  const SkinUI::ISkinArchive* first = CResourceSettings::CachedSkinArchive();
  const std::vector<unsigned char> other = ReadFixture(L"skin_stored.7z");
  CResourceSettings::SetSkinArchiveFromMemory(other.data(), other.size());
  EXPECT_EQ(CResourceSettings::CachedSkinArchive(), first);
  EXPECT_TRUE(Holds(L"limit.xml"));  // only the first archive has it
}

TEST_F(SkinArchiveTest, ResourcePathAlwaysEndsWithASeparator) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\skin", L"C:\\skin\\"}, {L"C:\\skin\\", L"C:\\skin\\"},
      {L"C:/skin/", L"C:/skin/"},   {L"", L""}};
  for (const auto& c : cases) {
    CResourceSettings::SetResourcePath(c.first);
    EXPECT_EQ(CResourceSettings::GetResourcePath(), c.second);
  }
}

TEST_F(SkinArchiveTest, InstancePathIsTheModuleFolder) {
  CResourceSettings::SetInstance(nullptr);
  EXPECT_EQ(CResourceSettings::GetInstancePath(), L"");
  CResourceSettings::SetInstance(::GetModuleHandleW(nullptr));
  EXPECT_EQ(CResourceSettings::GetInstancePath().str(), ToolPath(L""));
  EXPECT_EQ(CResourceSettings::GetResourceInstance(), ::GetModuleHandleW(nullptr));
}

}  // namespace
