// The installer executable carries its icon, skin archive and manifest as resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/scoped_handle.h"
#include "resources/resource_ids.h"
#include "tests/support/test_paths.h"

namespace {

std::string ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name) {
  HRSRC found = ::FindResourceW(module, name, type);
  if (!found) return {};
  HGLOBAL loaded = ::LoadResource(module, found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return {};
  return std::string(static_cast<const char*>(data), ::SizeofResource(module, found));
}

class ProductResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    product_.reset(::LoadLibraryExW(ToolPath(L"NimbrelSetup.exe").c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(product_.valid());
  }
  ScopedModule product_;
};

TEST_F(ProductResourcesTest, WindowIconIsResource145) {
  EXPECT_FALSE(ResourceBytes(product_.get(), RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_NIMBREL_ICON)).empty());
}

TEST_F(ProductResourcesTest, SkinArchiveIsA7zUnderZipres147) {
  const std::string archive =
      ResourceBytes(product_.get(), L"" SKIN_ARCHIVE_TYPE, MAKEINTRESOURCEW(IDR_SKIN_ARCHIVE));
  ASSERT_GE(archive.size(), 6u);
  EXPECT_EQ(archive.substr(0, 6), std::string("7z\xBC\xAF\x27\x1C", 6));
}

TEST_F(ProductResourcesTest, ManifestAsksForAdministratorRights) {
  const std::string manifest = ResourceBytes(product_.get(), RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
}

}  // namespace
