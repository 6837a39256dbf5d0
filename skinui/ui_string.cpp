#include "skinui/ui_string.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cwctype>

namespace SkinUI {

namespace {

size_t ClampedStart(const std::wstring& text, int start) {
  if (start < 0) return 0;
  return static_cast<size_t>(start) > text.size() ? text.size() : static_cast<size_t>(start);
}

int ToPosition(size_t found) {
  return found == std::wstring::npos ? -1 : static_cast<int>(found);
}

}  // namespace

CUIString::CUIString(const wchar_t* text) : text_(text ? text : L"") {}

CUIString::CUIString(const wchar_t* text, int length) {
  if (text && length > 0) text_.assign(text, static_cast<size_t>(length));
}

CUIString::CUIString(std::wstring text) : text_(std::move(text)) {}

wchar_t CUIString::GetAt(int index) const {
  if (index < 0 || index >= GetLength()) return L'\0';
  return text_[static_cast<size_t>(index)];
}

void CUIString::SetAt(int index, wchar_t ch) {
  if (index >= 0 && index < GetLength()) text_[static_cast<size_t>(index)] = ch;
}

CUIString& CUIString::operator+=(const CUIString& other) {
  text_ += other.text_;
  return *this;
}

CUIString& CUIString::operator+=(const wchar_t* text) {
  if (text) text_ += text;
  return *this;
}

CUIString& CUIString::operator+=(wchar_t ch) {
  text_ += ch;
  return *this;
}

int CUIString::Compare(const wchar_t* text) const {
  return text_.compare(text ? text : L"");
}

int CUIString::CompareNoCase(const wchar_t* text) const {
  return ::lstrcmpiW(text_.c_str(), text ? text : L"");
}

CUIString CUIString::Left(int count) const {
  return Mid(0, count);
}

CUIString CUIString::Mid(int start, int count) const {
  const size_t from = ClampedStart(text_, start);
  const size_t length = count < 0 ? std::wstring::npos : static_cast<size_t>(count);
  return CUIString(text_.substr(from, length));
}

CUIString CUIString::Right(int count) const {
  if (count <= 0) return CUIString();
  return count >= GetLength() ? *this : Mid(GetLength() - count);
}

int CUIString::Find(wchar_t ch, int start) const {
  return ToPosition(text_.find(ch, ClampedStart(text_, start)));
}

int CUIString::Find(const wchar_t* text, int start) const {
  if (!text) return -1;
  return ToPosition(text_.find(text, ClampedStart(text_, start)));
}

int CUIString::ReverseFind(wchar_t ch) const {
  return ToPosition(text_.rfind(ch));
}

int CUIString::Replace(const wchar_t* from, const wchar_t* to) {
  if (!from || !*from) return 0;
  const std::wstring pattern(from);
  const std::wstring replacement(to ? to : L"");
  int count = 0;
  size_t position = text_.find(pattern);
  while (position != std::wstring::npos) {
    text_.replace(position, pattern.size(), replacement);
    ++count;
    position = text_.find(pattern, position + replacement.size());
  }
  return count;
}

void CUIString::MakeUpper() {
  for (wchar_t& ch : text_) ch = static_cast<wchar_t>(std::towupper(ch));
}

void CUIString::MakeLower() {
  for (wchar_t& ch : text_) ch = static_cast<wchar_t>(std::towlower(ch));
}

CUIString CUIString::Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  va_list counting;
  va_copy(counting, args);
  const int length = _vscwprintf(format, counting);
  va_end(counting);
  CUIString result;
  if (length > 0) {
    result.text_.resize(static_cast<size_t>(length) + 1);
    _vsnwprintf(&result.text_[0], result.text_.size(), format, args);
    result.text_.resize(static_cast<size_t>(length));
  }
  va_end(args);
  return result;
}

CUIString operator+(const CUIString& left, const CUIString& right) {
  CUIString result(left);
  result += right;
  return result;
}

CUIString operator+(const CUIString& left, const wchar_t* right) {
  CUIString result(left);
  result += right;
  return result;
}

CUIString operator+(const wchar_t* left, const CUIString& right) {
  CUIString result(left);
  result += right;
  return result;
}

}  // namespace SkinUI
