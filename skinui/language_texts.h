// The process-wide table of translated texts and the %{N} tokens that stand for them in
// skin texts. UI thread only.
#pragma once

#include "skinui/ui_string.h"

namespace SkinUI {

// Stores a copy of `text` as translated text `id`, replacing an older one.
void SetLanguageText(int id, const wchar_t* text);
// Null when there is no text `id`.
const CUIString* LanguageText(int id);

// Replaces every %{N} token whose N has a translated text, each occurrence of it; tokens
// without a text stay as written. Translations are inserted as they are, not scanned again,
// so a translation that contains its own token cannot make the text grow without end.
void ExpandLanguageTokens(CUIString& text);

}  // namespace SkinUI
