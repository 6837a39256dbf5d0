// The framework's string: a UTF-16 text that is always zero-terminated, with the small set of
// search and edit operations the controls and the markup code need. Positions and lengths are
// ints, as the Win32 text functions take them; -1 means "not found".
#pragma once

#include <string>

namespace SkinUI {

class CUIString {
 public:
  CUIString() = default;
  CUIString(const wchar_t* text);  // implicit: literals pass where a string is taken
  CUIString(const wchar_t* text, int length);
  explicit CUIString(std::wstring text);

  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  const wchar_t* GetData() const { return text_.c_str(); }
  const std::wstring& str() const { return text_; }
  void Empty() { text_.clear(); }

  // 0 outside the text, so scanners may look one character ahead without a length check.
  wchar_t GetAt(int index) const;
  void SetAt(int index, wchar_t ch);

  CUIString& operator+=(const CUIString& other);
  CUIString& operator+=(const wchar_t* text);
  CUIString& operator+=(wchar_t ch);

  bool operator==(const CUIString& other) const { return text_ == other.text_; }
  bool operator!=(const CUIString& other) const { return text_ != other.text_; }
  bool operator==(const wchar_t* text) const { return Compare(text) == 0; }
  bool operator!=(const wchar_t* text) const { return Compare(text) != 0; }

  // Ordinal comparison; CompareNoCase uses the system's locale-aware case-insensitive rules.
  int Compare(const wchar_t* text) const;
  int CompareNoCase(const wchar_t* text) const;

  CUIString Left(int count) const;
  CUIString Mid(int start, int count = -1) const;
  CUIString Right(int count) const;

  int Find(wchar_t ch, int start = 0) const;
  int Find(const wchar_t* text, int start = 0) const;
  int ReverseFind(wchar_t ch) const;

  // Replaces every occurrence of `from` (not empty) by `to`; returns how many were replaced.
  int Replace(const wchar_t* from, const wchar_t* to);

  void MakeUpper();
  void MakeLower();

  // printf-style with the C runtime's wide rules (%s takes a wide string).
  static CUIString Format(const wchar_t* format, ...);

 private:
  std::wstring text_;
};

CUIString operator+(const CUIString& left, const CUIString& right);
CUIString operator+(const CUIString& left, const wchar_t* right);
CUIString operator+(const wchar_t* left, const CUIString& right);

}  // namespace SkinUI
