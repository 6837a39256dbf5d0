// One window's skin resources, embedded by its UI manager: its own image, font and default
// attribute tables, its default font and its custom window attributes. Lookups fall back to
// the process-wide tables; registrations go there instead when asked to, or always while the
// shared-resources switch is on (drop-down windows that borrow another window's resources).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "skinui/font_entry.h"
#include "skinui/shared_resources.h"
#include "skinui/skin_image.h"
#include "skinui/string_map.h"
#include "skinui/ui_string.h"

namespace SkinUI {

class CResourceSet {
 public:
  // The first resource set of the process makes the process-wide default font.
  CResourceSet();
  CResourceSet(const CResourceSet&) = delete;
  CResourceSet& operator=(const CResourceSet&) = delete;

  // Empties this window's tables, default font and window attributes.
  void Clear();

  void SetSharedResources(bool shared) { shared_resources_ = shared; }
  bool UsesSharedResources() const { return shared_resources_; }
  // The window's device context; fonts registered while it is set get their metrics at once.
  void SetPaintDC(HDC dc) { paint_dc_ = dc; }

  // Decodes and stores under `name`, replacing an entry of that name; null (and nothing
  // replaced) when the image does not decode.
  TImageEntry* RegisterImage(const wchar_t* name, const wchar_t* type, uint32_t mask,
                             bool keep_pixels, bool shared);
  TImageEntry* LookupImage(const wchar_t* name);
  // The entry registered first under `name`, whatever type and mask it was loaded with.
  TImageEntry* AcquireImage(const wchar_t* name, const wchar_t* type, uint32_t mask,
                            bool keep_pixels);
  void RemoveAllImages();

  HFONT RegisterFont(int id, const wchar_t* face, int size, bool bold, bool underline,
                     bool italic, bool shared);
  HFONT FontById(int id);
  TFontEntry* FontInfoById(int id);
  HFONT FindFontHandle(const wchar_t* face, int size, bool bold, bool underline, bool italic);
  TFontEntry* FontInfoByHandle(HFONT font);
  void SetWindowDefaultFont(const wchar_t* face, int size, bool bold, bool underline,
                            bool italic, bool shared);
  TFontEntry* DefaultFontInfo();

  void RegisterDefaultAttributes(const wchar_t* class_name, const wchar_t* list, bool shared);
  const CUIString* DefaultAttributesFor(const wchar_t* class_name);

  // The first non-empty value given for a name is kept.
  void AddWindowAttribute(const wchar_t* name, const wchar_t* value);
  const CUIString* WindowAttribute(const wchar_t* name) const;

 private:
  TResourceTables& TargetTables(bool shared);
  TFontEntry* FindFontEntry(int id);
  TFontEntry* WithMetrics(TFontEntry* entry);

  TResourceTables own_;
  std::unique_ptr<TFontEntry> default_font_;  // null until the skin sets one
  CStringMap<CUIString> window_attributes_;
  bool shared_resources_ = false;
  HDC paint_dc_ = nullptr;
};

}  // namespace SkinUI
