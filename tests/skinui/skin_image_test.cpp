// Skin images: decoding, premultiplication, the mask colour, colour images, and the image
// tables of a window and of the process.
#include "skinui/skin_image.h"

#include <gtest/gtest.h>

#include <vector>

#include "skinui/resource_set.h"
#include "skinui/shared_resources.h"
#include "tests/skinui/skin_test_support.h"

namespace {

using SkinUI::CResourceSet;
using SkinUI::CResourceSettings;
using SkinUI::DecodeSkinImage;
using SkinUI::TImageEntry;

// res/mainWnd/bg1.png holds, as RGBA: red at alpha 128, opaque magenta, opaque green, and
// a fully transparent pixel.
constexpr wchar_t kPixels[] = L"res\\mainWnd\\bg1.png";

std::vector<uint32_t> PixelsOf(const TImageEntry& image) {
  return std::vector<uint32_t>(image.pixels, image.pixels + image.width * image.height);
}

class SkinImageTest : public skin_test::SkinSettingsTest {
 protected:
  void SetUp() override {
    SkinSettingsTest::SetUp();
    UseMemoryArchive(skin_test::ReadFixture(L"skin.7z"), true);
  }
  void TearDown() override {
    SkinUI::SharedResources().tables.Clear();
    SkinSettingsTest::TearDown();
  }
};

TEST_F(SkinImageTest, StoresPremultipliedTopDownPixels) {
  const auto image = DecodeSkinImage(kPixels, L"", 0);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->height, 2);
  EXPECT_TRUE(image->has_alpha);
  EXPECT_EQ(PixelsOf(*image), (std::vector<uint32_t>{0x80800000, 0xFFFF00FF, 0xFF00FF00, 0}));

  DIBSECTION section = {};
  ASSERT_EQ(::GetObjectW(image->bitmap.get(), sizeof(section), &section), sizeof(section));
  EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
  EXPECT_EQ(section.dsBm.bmBits, image->pixels);
  // Rows run top to bottom: GDI sees the first row at the top.
  SkinUI::ScopedMemoryDC dc(::CreateCompatibleDC(nullptr));
  SkinUI::ScopedSelectObject selection(dc.get(), image->bitmap.get());
  EXPECT_EQ(::GetPixel(dc.get(), 0, 0), RGB(128, 0, 0));
  EXPECT_EQ(::GetPixel(dc.get(), 0, 1), RGB(0, 255, 0));
}

TEST_F(SkinImageTest, TheMaskColourBecomesTransparent) {
  const auto image = DecodeSkinImage(kPixels, L"", 0xFFFF00FF);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(PixelsOf(*image), (std::vector<uint32_t>{0x80800000, 0, 0xFF00FF00, 0}));
  EXPECT_EQ(image->mask, 0xFFFF00FFu);

  // An opaque image becomes one with alpha once the mask clears a pixel.
  const unsigned char opaque[] = {255, 0, 255, 255, 0, 0, 255, 255};
  uint32_t out[2] = {};
  EXPECT_FALSE(SkinUI::ConvertImagePixels(opaque, 2, 0, out));
  EXPECT_TRUE(SkinUI::ConvertImagePixels(opaque, 2, 0xFFFF00FF, out));
  EXPECT_EQ(out[0], 0u);
  EXPECT_EQ(out[1], 0xFF0000FFu);
}

TEST_F(SkinImageTest, ColourImagesAreOnePixelOfTheNamedColour) {
  const struct {
    const wchar_t* name;
    uint32_t pixel;
    bool has_alpha;
  } cases[] = {{L"FF00FF00", 0xFF00FF00, false},
               {L"#FF00FF00", 0xFF00FF00, false},
               {L"80FF0000", 0x80800000, true}};
  for (const auto& c : cases) {
    const auto image = DecodeSkinImage(c.name, SkinUI::kColorImageType, 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 1);
    EXPECT_EQ(image->height, 1);
    EXPECT_EQ(image->pixels[0], c.pixel);
    EXPECT_EQ(image->has_alpha, c.has_alpha);
    EXPECT_EQ(image->type, SkinUI::kColorImageType);
  }
}

TEST_F(SkinImageTest, ImagesComeFromResourcesAndPlainPathsToo) {
  CResourceSettings::SetInstance(::GetModuleHandleW(nullptr));
  for (const wchar_t* name : {L"1", L"PIXELS"}) {
    const auto image = DecodeSkinImage(name, L"PNG", 0);
    ASSERT_NE(image, nullptr) << testing::PrintToString(std::wstring(name));
    EXPECT_EQ(PixelsOf(*image)[1], 0xFFFF00FFu);
    EXPECT_EQ(image->type, L"PNG");
  }
  EXPECT_EQ(DecodeSkinImage(L"2", L"PNG", 0), nullptr);
  // Not in the archive: read as a path of its own.
  const std::wstring path = skin_test::SkinFolder() + kPixels;
  EXPECT_NE(DecodeSkinImage(path.c_str(), L"", 0), nullptr);
  CResourceSettings::SetInstance(nullptr);
}

TEST_F(SkinImageTest, MissingAndUndecodableImagesGiveNothing) {
  EXPECT_EQ(DecodeSkinImage(L"res\\broken.png", L"", 0), nullptr);
  EXPECT_EQ(DecodeSkinImage(L"res\\missing.png", L"", 0), nullptr);
  EXPECT_EQ(DecodeSkinImage(L"mainWnd.xml", L"", 0), nullptr);
  EXPECT_EQ(DecodeSkinImage(L"", L"", 0), nullptr);
  CResourceSet window;
  EXPECT_EQ(window.AcquireImage(L"res\\broken.png", L"", 0, false), nullptr);
  EXPECT_EQ(window.LookupImage(L"res\\broken.png"), nullptr);
}

TEST_F(SkinImageTest, AnImageNameKeepsTheEntryLoadedFirst) {
  CResourceSet window;
  TImageEntry* first = window.AcquireImage(kPixels, L"", 0, false);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(window.AcquireImage(kPixels, L"", 0xFFFF00FF, false), first);
  EXPECT_EQ(first->mask, 0u);
  EXPECT_TRUE(first->kept_pixels.empty());

  // Registering again replaces the entry and frees its bitmap.
  const HBITMAP old_bitmap = first->bitmap.get();
  TImageEntry* second = window.RegisterImage(kPixels, L"", 0xFFFF00FF, true, false);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(window.LookupImage(kPixels), second);
  EXPECT_EQ(::GetObjectType(old_bitmap), 0u);
  EXPECT_TRUE(second->keep_pixels);
  EXPECT_EQ(second->kept_pixels, PixelsOf(*second));
}

TEST_F(SkinImageTest, SharedImagesServeEveryWindow) {
  CResourceSet first;
  CResourceSet second;
  ASSERT_NE(first.RegisterImage(kPixels, L"", 0, false, true), nullptr);
  EXPECT_NE(second.LookupImage(kPixels), nullptr);

  // A drop-down borrowing resources registers into the process tables.
  second.SetSharedResources(true);
  TImageEntry* colour = second.AcquireImage(L"FF112233", SkinUI::kColorImageType, 0, false);
  ASSERT_NE(colour, nullptr);
  EXPECT_EQ(first.LookupImage(L"FF112233"), colour);

  // A window's own entry hides the shared one of the same name, and goes with the window.
  TImageEntry* own = first.RegisterImage(kPixels, L"", 0xFFFF00FF, false, false);
  EXPECT_EQ(first.LookupImage(kPixels), own);
  EXPECT_EQ(own->mask, 0xFFFF00FFu);
  first.Clear();
  ASSERT_NE(first.LookupImage(kPixels), nullptr);
  EXPECT_EQ(first.LookupImage(kPixels)->mask, 0u);
}

}  // namespace
