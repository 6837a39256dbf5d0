// The resource tables that a window's UI manager keeps for itself and that the process keeps
// for every window: images, fonts and default attribute lists, plus the process-only parts
// (translated texts, the default font and the default text colours). UI thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "skinui/font_entry.h"
#include "skinui/skin_image.h"
#include "skinui/string_map.h"
#include "skinui/ui_string.h"

namespace SkinUI {

// Images by the name written in the markup, fonts by decimal id, attribute lists by the
// control class name as written in the markup. The tables own their entries.
struct TResourceTables {
  CStringMap<std::unique_ptr<TImageEntry>> images;
  CStringMap<std::unique_ptr<TFontEntry>> fonts;
  CStringMap<CUIString> default_attributes;

  void Clear();
};

// 0xAARRGGBB; every new UI manager starts with a copy.
struct TTextColors {
  uint32_t disabled = 0xFFA7A6AA;
  uint32_t text = 0xFF000000;
  uint32_t link = 0xFF0000FF;
  uint32_t link_hover = 0xFFD3215F;
  uint32_t selection = 0xFFBAE4FF;
};

struct TSharedResources {
  TResourceTables tables;
  CStringMap<CUIString> language_texts;  // by decimal id
  std::unique_ptr<TFontEntry> default_font;  // made when the first resource set is
  TTextColors default_colors;
};

TSharedResources& SharedResources();

}  // namespace SkinUI
