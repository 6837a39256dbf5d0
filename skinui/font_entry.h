// Fonts of the skin: every font starts from the system's default GUI font description, so
// that a skin naming only a face and a size still gets the system's quality settings.
#pragma once

#include <windows.h>

#include <memory>

#include "skinui/gdi_handles.h"
#include "skinui/ui_string.h"

namespace SkinUI {

struct TFontEntry {
  ScopedFont font;
  CUIString face;
  int size = 0;  // pixels
  bool bold = false;
  bool underline = false;
  bool italic = false;
  TEXTMETRICW metrics = {};
  bool has_metrics = false;
};

// The default GUI font with the default character set: the process-wide default font.
std::unique_ptr<TFontEntry> CreateDefaultFontEntry();

// A font of `face` (at most 31 characters are used) and height `size` pixels; bold adds 700
// to the default weight. Null when GDI cannot create it.
std::unique_ptr<TFontEntry> CreateFontEntry(const wchar_t* face, int size, bool bold,
                                            bool underline, bool italic);

// Reads the entry's text metrics through `dc`, or through a screen-compatible memory DC
// when `dc` is null.
void FillFontMetrics(TFontEntry* entry, HDC dc);

}  // namespace SkinUI
