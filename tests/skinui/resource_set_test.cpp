// A window's fonts, default attribute lists and window attributes, the process-wide
// fallbacks behind them, and the translated-text tokens.
#include "skinui/resource_set.h"

#include <gtest/gtest.h>

#include "skinui/language_texts.h"
#include "skinui/shared_resources.h"

namespace {

using SkinUI::CResourceSet;
using SkinUI::CUIString;
using SkinUI::SharedResources;
using SkinUI::TFontEntry;

class ResourceSetTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SharedResources().tables.Clear();
    SharedResources().language_texts.Empty();
  }
};

TEST_F(ResourceSetTest, TheProcessDefaultFontIsTheDefaultGuiFont) {
  CResourceSet window;
  const TFontEntry* font = window.DefaultFontInfo();
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font, SharedResources().default_font.get());
  EXPECT_FALSE(font->face.IsEmpty());
  EXPECT_GT(font->size, 0);
  EXPECT_TRUE(font->has_metrics);
  EXPECT_GT(font->metrics.tmHeight, 0);
  EXPECT_EQ(window.FontById(-1), font->font.get());
  EXPECT_EQ(window.FontById(42), font->font.get());
  EXPECT_EQ(window.FontInfoById(42), font);
}

TEST_F(ResourceSetTest, RegisteredFontsAreFoundByIdHandleAndDescription) {
  CResourceSet window;
  const HFONT font = window.RegisterFont(1, L"Arial", 14, true, false, true, false);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(window.FontById(1), font);
  EXPECT_EQ(window.FindFontHandle(L"Arial", 14, true, false, true), font);
  EXPECT_EQ(window.FindFontHandle(L"Arial", 14, true, true, true), nullptr);
  EXPECT_EQ(window.FindFontHandle(L"arial", 14, true, false, true), nullptr);

  TFontEntry* entry = window.FontInfoByHandle(font);
  ASSERT_EQ(entry, window.FontInfoById(1));
  EXPECT_EQ(entry->face, L"Arial");
  EXPECT_EQ(entry->size, 14);
  EXPECT_TRUE(entry->bold && entry->italic && !entry->underline);
  EXPECT_TRUE(entry->has_metrics);
  LOGFONTW description = {};
  ASSERT_NE(::GetObjectW(font, sizeof(description), &description), 0);
  EXPECT_EQ(description.lfHeight, -14);
  EXPECT_GE(description.lfWeight, FW_BOLD);
  EXPECT_EQ(description.lfCharSet, DEFAULT_CHARSET);

  EXPECT_EQ(window.FontInfoByHandle(nullptr), window.DefaultFontInfo());
}

TEST_F(ResourceSetTest, RegisteringAnIdAgainReplacesAndDeletesTheFont) {
  CResourceSet window;
  const HFONT old_font = window.RegisterFont(3, L"Arial", 12, false, false, false, false);
  const HFONT new_font = window.RegisterFont(3, L"Tahoma", 16, false, true, false, false);
  ASSERT_NE(new_font, nullptr);
  EXPECT_EQ(window.FontById(3), new_font);
  EXPECT_EQ(::GetObjectType(old_font), 0u);
  window.Clear();
  EXPECT_EQ(::GetObjectType(new_font), 0u);
  EXPECT_EQ(window.FontById(3), window.DefaultFontInfo()->font.get());
}

TEST_F(ResourceSetTest, SharedFontsServeEveryWindowBehindItsOwn) {
  CResourceSet first;
  CResourceSet second;
  const HFONT shared = first.RegisterFont(5, L"Arial", 12, false, false, false, true);
  EXPECT_EQ(second.FontById(5), shared);
  EXPECT_EQ(second.FindFontHandle(L"Arial", 12, false, false, false), shared);
  const HFONT own = second.RegisterFont(5, L"Arial", 20, false, false, false, false);
  EXPECT_EQ(second.FontById(5), own);
  EXPECT_EQ(first.FontById(5), shared);
}

TEST_F(ResourceSetTest, AWindowDefaultFontReplacesTheProcessDefaultForThatWindowOnly) {
  CResourceSet window;
  CResourceSet other;
  const TFontEntry* process_default = other.DefaultFontInfo();
  window.SetWindowDefaultFont(L"Arial", 20, false, false, false, false);
  ASSERT_EQ(window.DefaultFontInfo()->size, 20);
  EXPECT_EQ(window.FontById(-1), window.DefaultFontInfo()->font.get());
  EXPECT_TRUE(window.DefaultFontInfo()->has_metrics);
  EXPECT_EQ(other.DefaultFontInfo(), process_default);
  window.Clear();
  EXPECT_EQ(window.DefaultFontInfo(), process_default);
}

TEST_F(ResourceSetTest, DefaultAttributeListsByExactClassName) {
  CResourceSet window;
  CResourceSet other;
  window.RegisterDefaultAttributes(L"Button", L"height=\"30\"", false);
  other.RegisterDefaultAttributes(L"Button", L"height=\"40\"", true);
  other.RegisterDefaultAttributes(L"Label", L"width=\"1\"", true);
  ASSERT_NE(window.DefaultAttributesFor(L"Button"), nullptr);
  EXPECT_EQ(*window.DefaultAttributesFor(L"Button"), L"height=\"30\"");
  EXPECT_EQ(*other.DefaultAttributesFor(L"Button"), L"height=\"40\"");
  EXPECT_EQ(*window.DefaultAttributesFor(L"Label"), L"width=\"1\"");
  EXPECT_EQ(window.DefaultAttributesFor(L"button"), nullptr);
  window.RegisterDefaultAttributes(L"Button", L"height=\"31\"", false);
  EXPECT_EQ(*window.DefaultAttributesFor(L"Button"), L"height=\"31\"");
}

TEST_F(ResourceSetTest, WindowAttributesKeepTheFirstValue) {
  CResourceSet window;
  window.AddWindowAttribute(L"showshadow", L"true");
  window.AddWindowAttribute(L"showshadow", L"false");
  window.AddWindowAttribute(L"shadowsize", L"");
  window.AddWindowAttribute(L"", L"x");
  ASSERT_NE(window.WindowAttribute(L"showshadow"), nullptr);
  EXPECT_EQ(*window.WindowAttribute(L"showshadow"), L"true");
  EXPECT_EQ(window.WindowAttribute(L"shadowsize"), nullptr);
  EXPECT_EQ(window.WindowAttribute(L""), nullptr);
  window.Clear();
  EXPECT_EQ(window.WindowAttribute(L"showshadow"), nullptr);
}

TEST_F(ResourceSetTest, LanguageTokensBecomeTheirTranslatedTexts) {
  SkinUI::SetLanguageText(3, L"安装");
  SkinUI::SetLanguageText(4, L"old");
  SkinUI::SetLanguageText(4, L"Install");
  SkinUI::SetLanguageText(5, L"[%{5}]");
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"%{3}", L"安装"},
      {L"a %{3} b %{3}", L"a 安装 b 安装"},
      {L"%{3}%{4}", L"安装Install"},
      {L"%%{3}", L"%安装"},
      {L"%{x} %{99} %{} %{3 %{03", L"%{x} %{99} %{} %{3 %{03"},
      {L"%{03}", L"安装"},
      {L"%{99999999999}", L"%{99999999999}"},
      {L"%{5}", L"[%{5}]"},  // a translation is not expanded again
      {L"no tokens", L"no tokens"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    CUIString text(c.first);
    SkinUI::ExpandLanguageTokens(text);
    EXPECT_EQ(text, c.second) << testing::PrintToString(std::wstring(c.first));
  }
  ASSERT_NE(SkinUI::LanguageText(4), nullptr);
  EXPECT_EQ(*SkinUI::LanguageText(4), L"Install");
  EXPECT_EQ(SkinUI::LanguageText(6), nullptr);
}

}  // namespace
