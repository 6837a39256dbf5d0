#include "skinui/language_texts.h"

#include <climits>
#include <cwctype>

#include "skinui/shared_resources.h"

namespace SkinUI {

namespace {

CUIString IdKey(int id) {
  return CUIString::Format(L"%d", id);
}

// The token at `start` ("%{" digits "}"): its length and number; false when there is none.
// A number beyond int is no text id, so it keeps the token as written.
bool ReadToken(const CUIString& text, int start, int* length, int* id) {
  if (text.GetAt(start) != L'%' || text.GetAt(start + 1) != L'{') return false;
  int end = start + 2;
  long long number = 0;
  while (std::iswdigit(text.GetAt(end))) {
    if (number <= INT_MAX) number = number * 10 + (text.GetAt(end) - L'0');
    ++end;
  }
  if (end == start + 2 || text.GetAt(end) != L'}' || number > INT_MAX) return false;
  *length = end + 1 - start;
  *id = static_cast<int>(number);
  return true;
}

}  // namespace

void SetLanguageText(int id, const wchar_t* text) {
  SharedResources().language_texts.Set(IdKey(id).GetData(), CUIString(text));
}

const CUIString* LanguageText(int id) {
  return SharedResources().language_texts.Find(IdKey(id).GetData());
}

void ExpandLanguageTokens(CUIString& text) {
  if (text.Find(L'%') < 0) return;
  CUIString expanded;
  int position = 0;
  while (position < text.GetLength()) {
    int length = 0;
    int id = 0;
    const CUIString* translation =
        ReadToken(text, position, &length, &id) ? LanguageText(id) : nullptr;
    if (translation) {
      expanded += *translation;
      position += length;
    } else {
      expanded += text.GetAt(position++);
    }
  }
  text = expanded;
}

}  // namespace SkinUI
