// The framework's string, arrays and string map.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "skinui/ptr_array.h"
#include "skinui/string_map.h"
#include "skinui/ui_string.h"
#include "skinui/value_array.h"

namespace {

using SkinUI::CPtrArray;
using SkinUI::CStringMap;
using SkinUI::CUIString;
using SkinUI::CValueArray;

TEST(UIStringTest, SearchesAndEdits) {
  CUIString text(L"res\\mainWnd\\bg1.png");
  EXPECT_EQ(text.GetLength(), 19);
  EXPECT_EQ(text.Find(L'\\'), 3);
  EXPECT_EQ(text.Find(L'\\', 4), 11);
  EXPECT_EQ(text.Find(L"png"), 16);
  EXPECT_EQ(text.Find(L"gif"), -1);
  EXPECT_EQ(text.ReverseFind(L'\\'), 11);
  EXPECT_EQ(text.Left(3), L"res");
  EXPECT_EQ(text.Mid(4, 7), L"mainWnd");
  EXPECT_EQ(text.Mid(12), L"bg1.png");
  EXPECT_EQ(text.Right(3), L"png");
  EXPECT_EQ(text.Mid(40), L"");
  EXPECT_EQ(text.GetAt(19), L'\0');
  EXPECT_EQ(text.GetAt(-1), L'\0');
  EXPECT_EQ(text.CompareNoCase(L"RES\\MAINWND\\BG1.PNG"), 0);
  EXPECT_NE(text.Compare(L"RES\\MAINWND\\BG1.PNG"), 0);

  EXPECT_EQ(text.Replace(L"\\", L"/"), 2);
  EXPECT_EQ(text, L"res/mainWnd/bg1.png");
  CUIString repeated(L"aaa");
  EXPECT_EQ(repeated.Replace(L"a", L"aa"), 3);  // replacements are not scanned again
  EXPECT_EQ(repeated, L"aaaaaa");
  EXPECT_EQ(repeated.Replace(L"", L"x"), 0);

  EXPECT_EQ(CUIString(L"a") + L"b" + CUIString(L"c"), L"abc");
  EXPECT_EQ(CUIString::Format(L"%s=%d", L"id", 42), L"id=42");
  EXPECT_EQ(CUIString(nullptr), L"");
}

TEST(StringMapTest, KeepsManyKeysInItsBuckets) {
  CStringMap<int> map;
  for (int i = 0; i < 1000; ++i) EXPECT_TRUE(map.Insert(std::to_wstring(i).c_str(), i));
  EXPECT_EQ(map.GetSize(), 1000);
  EXPECT_FALSE(map.Insert(L"7", 70));  // the first value stays
  for (int i = 0; i < 1000; ++i) {
    const int* found = map.Find(std::to_wstring(i).c_str());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, i);
  }
  EXPECT_EQ(map.Find(L"1000"), nullptr);
  EXPECT_TRUE(map.Remove(L"500"));
  EXPECT_FALSE(map.Remove(L"500"));
  EXPECT_EQ(map.Find(L"500"), nullptr);
  int visited = 0;
  map.ForEach([&](const CUIString&, int&) { ++visited; });
  EXPECT_EQ(visited, 999);
  map.Empty();
  EXPECT_TRUE(map.IsEmpty());
}

TEST(StringMapTest, KeysAreCaseSensitiveAndOwnedValuesAreFreed) {
  CStringMap<std::shared_ptr<int>> map;
  auto value = std::make_shared<int>(1);
  map.Set(L"Button", value);
  EXPECT_EQ(map.Find(L"button"), nullptr);
  map.Set(L"Button", std::make_shared<int>(2));  // the replaced value is released
  EXPECT_EQ(value.use_count(), 1);
  EXPECT_EQ(**map.Find(L"Button"), 2);
  EXPECT_NE(map.FindIf([](const std::shared_ptr<int>& v) { return *v == 2; }), nullptr);
  EXPECT_EQ(map.FindIf([](const std::shared_ptr<int>& v) { return *v == 1; }), nullptr);
}

TEST(ArraysTest, PositionsOutsideTheArrayAreRefused) {
  int a = 1, b = 2, c = 3;
  CPtrArray<int> pointers;
  pointers.Add(&a);
  pointers.Add(&c);
  EXPECT_TRUE(pointers.InsertAt(1, &b));
  EXPECT_TRUE(pointers.InsertAt(3, &a));
  EXPECT_FALSE(pointers.InsertAt(5, &a));
  EXPECT_EQ(pointers.GetSize(), 4);
  EXPECT_EQ(pointers[1], &b);
  EXPECT_EQ(pointers.Find(&c), 2);
  EXPECT_EQ(pointers.GetAt(4), nullptr);
  EXPECT_TRUE(pointers.Remove(0));
  EXPECT_FALSE(pointers.Remove(3));
  EXPECT_EQ(pointers.Find(&a), 2);
  EXPECT_FALSE(pointers.SetAt(-1, &a));

  CValueArray<RECT> rects;
  rects.Add(RECT{1, 2, 3, 4});
  ASSERT_NE(rects.GetAt(0), nullptr);
  EXPECT_EQ(rects.GetAt(0)->right, 3);
  EXPECT_EQ(rects.GetAt(1), nullptr);
  EXPECT_TRUE(rects.Remove(0));
  EXPECT_TRUE(rects.IsEmpty());
}

}  // namespace
