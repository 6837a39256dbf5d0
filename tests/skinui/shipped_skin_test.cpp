// The skin archive the build packs into every program as resource "ZIPRES" 147: this test
// program carries it too, and opens it from its own resources as the installer's windows do.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource_ids.h"
#include "skinui/resource_set.h"
#include "skinui/shared_resources.h"
#include "skinui/xml_document.h"
#include "tests/skinui/skin_test_support.h"

namespace {

using SkinUI::CResourceSettings;
using SkinUI::CXmlNode;

class ShippedSkinTest : public skin_test::SkinSettingsTest {
 protected:
  void SetUp() override {
    SkinSettingsTest::SetUp();
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_SKIN_ARCHIVE),
                                        L"" SKIN_ARCHIVE_TYPE);
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const unsigned char*>(::LockResource(::LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    UseMemoryArchive(std::vector<unsigned char>(bytes, bytes + ::SizeofResource(module, found)),
                     true);
    ASSERT_NE(CResourceSettings::CachedSkinArchive(), nullptr);
  }
};

// The file named by an image attribute: the bare name, or the value of file='...'.
std::wstring ImageFile(const std::wstring& value) {
  const size_t key = value.find(L"file='");
  if (key == std::wstring::npos) return value.find(L'=') == std::wstring::npos ? value : L"";
  const size_t start = key + 6;
  return value.substr(start, value.find(L'\'', start) - start);
}

void CollectImageFiles(CXmlNode node, std::vector<std::wstring>* files) {
  for (; node.IsValid(); node = node.NextSibling()) {
    for (int i = 0; i < node.AttributeCount(); ++i) {
      const std::wstring name = node.AttributeName(i);
      const bool names_image = name.size() >= 5 && name.compare(name.size() - 5, 5, L"image") == 0;
      if (names_image || (std::wstring(node.Name()) == L"Image" && name == L"name")) {
        files->push_back(ImageFile(node.AttributeValue(i)));
      }
    }
    CollectImageFiles(node.FirstChild(), files);
  }
}

TEST_F(ShippedSkinTest, TheMainWindowMarkupLoadsByItsMarkupSpelling) {
  SkinUI::CXmlDocument document;
  ASSERT_TRUE(document.LoadFile(L"MainWnd.xml"))
      << testing::PrintToString(std::wstring(document.ErrorMessage()));
  EXPECT_STREQ(document.Root().Name(), L"Window");
}

TEST_F(ShippedSkinTest, EveryImageTheMarkupNamesDecodesWithAlpha) {
  SkinUI::CXmlDocument document;
  ASSERT_TRUE(document.LoadFile(L"MainWnd.xml"));
  std::vector<std::wstring> files;
  CollectImageFiles(document.Root(), &files);
  ASSERT_GE(files.size(), 10u);
  SkinUI::CResourceSet window;
  for (const std::wstring& file : files) {
    const SkinUI::TImageEntry* image = window.AcquireImage(file.c_str(), L"", 0, false);
    ASSERT_NE(image, nullptr) << testing::PrintToString(file);
    EXPECT_TRUE(image->has_alpha) << testing::PrintToString(file);
  }
}

TEST_F(ShippedSkinTest, EveryArchivedImageDecodes) {
  const SkinUI::ISkinArchive* archive = CResourceSettings::CachedSkinArchive();
  int images = 0;
  for (int i = 0; i < archive->EntryCount(); ++i) {
    const std::wstring name = archive->EntryName(i);
    if (name.size() < 4 || name.compare(name.size() - 4, 4, L".png") != 0) continue;
    ++images;
    EXPECT_NE(SkinUI::DecodeSkinImage(name.c_str(), L"", 0), nullptr)
        << testing::PrintToString(name);
  }
  EXPECT_GT(images, 0);
}

}  // namespace
