#include "skinui/resource_set.h"

namespace SkinUI {

namespace {

CUIString IdKey(int id) {
  return CUIString::Format(L"%d", id);
}

// Looks in the window's table first, then in the process's.
template <typename T>
T* FindInTables(TResourceTables& own, CStringMap<T> TResourceTables::*table,
                const wchar_t* key) {
  T* found = (own.*table).Find(key);
  return found ? found : (SharedResources().tables.*table).Find(key);
}

}  // namespace

CResourceSet::CResourceSet() {
  if (!SharedResources().default_font) SharedResources().default_font = CreateDefaultFontEntry();
}

void CResourceSet::Clear() {
  own_.Clear();
  default_font_.reset();
  window_attributes_.Empty();
}

TResourceTables& CResourceSet::TargetTables(bool shared) {
  return shared || shared_resources_ ? SharedResources().tables : own_;
}

TImageEntry* CResourceSet::RegisterImage(const wchar_t* name, const wchar_t* type,
                                         uint32_t mask, bool keep_pixels, bool shared) {
  std::unique_ptr<TImageEntry> entry = DecodeSkinImage(name, type, mask);
  if (!entry) return nullptr;
  if (keep_pixels) {
    const size_t count = static_cast<size_t>(entry->width) * static_cast<size_t>(entry->height);
    entry->kept_pixels.assign(entry->pixels, entry->pixels + count);
    entry->keep_pixels = true;
  }
  TImageEntry* stored = entry.get();
  TargetTables(shared).images.Set(name, std::move(entry));
  return stored;
}

TImageEntry* CResourceSet::LookupImage(const wchar_t* name) {
  std::unique_ptr<TImageEntry>* found = FindInTables(own_, &TResourceTables::images, name);
  return found ? found->get() : nullptr;
}

TImageEntry* CResourceSet::AcquireImage(const wchar_t* name, const wchar_t* type,
                                        uint32_t mask, bool keep_pixels) {
  TImageEntry* found = LookupImage(name);
  return found ? found : RegisterImage(name, type, mask, keep_pixels, false);
}

void CResourceSet::RemoveAllImages() {
  own_.images.Empty();
}

HFONT CResourceSet::RegisterFont(int id, const wchar_t* face, int size, bool bold,
                                 bool underline, bool italic, bool shared) {
  std::unique_ptr<TFontEntry> entry = CreateFontEntry(face, size, bold, underline, italic);
  if (!entry) return nullptr;
  if (paint_dc_) FillFontMetrics(entry.get(), paint_dc_);
  const HFONT font = entry->font.get();
  TargetTables(shared).fonts.Set(IdKey(id).GetData(), std::move(entry));
  return font;
}

TFontEntry* CResourceSet::FindFontEntry(int id) {
  if (id < 0) return nullptr;
  std::unique_ptr<TFontEntry>* found =
      FindInTables(own_, &TResourceTables::fonts, IdKey(id).GetData());
  return found ? found->get() : nullptr;
}

HFONT CResourceSet::FontById(int id) {
  TFontEntry* entry = FindFontEntry(id);
  if (!entry) entry = DefaultFontInfo();
  return entry ? entry->font.get() : nullptr;
}

TFontEntry* CResourceSet::FontInfoById(int id) {
  TFontEntry* entry = FindFontEntry(id);
  return entry ? WithMetrics(entry) : DefaultFontInfo();
}

HFONT CResourceSet::FindFontHandle(const wchar_t* face, int size, bool bold, bool underline,
                                   bool italic) {
  const auto same = [&](const std::unique_ptr<TFontEntry>& entry) {
    return entry->face == face && entry->size == size && entry->bold == bold &&
           entry->underline == underline && entry->italic == italic;
  };
  std::unique_ptr<TFontEntry>* found = own_.fonts.FindIf(same);
  if (!found) found = SharedResources().tables.fonts.FindIf(same);
  return found ? (*found)->font.get() : nullptr;
}

TFontEntry* CResourceSet::FontInfoByHandle(HFONT font) {
  const auto owns = [font](const std::unique_ptr<TFontEntry>& entry) {
    return entry->font.get() == font;
  };
  std::unique_ptr<TFontEntry>* found = own_.fonts.FindIf(owns);
  if (!found) found = SharedResources().tables.fonts.FindIf(owns);
  return found ? WithMetrics(found->get()) : DefaultFontInfo();
}

void CResourceSet::SetWindowDefaultFont(const wchar_t* face, int size, bool bold,
                                        bool underline, bool italic, bool shared) {
  std::unique_ptr<TFontEntry> entry = CreateFontEntry(face, size, bold, underline, italic);
  if (!entry) return;
  FillFontMetrics(entry.get(), paint_dc_);
  if (shared) {
    SharedResources().default_font = std::move(entry);
  } else {
    default_font_ = std::move(entry);
  }
}

TFontEntry* CResourceSet::DefaultFontInfo() {
  if (default_font_ && !default_font_->face.IsEmpty()) return default_font_.get();
  return SharedResources().default_font.get();
}

TFontEntry* CResourceSet::WithMetrics(TFontEntry* entry) {
  if (!entry->has_metrics) FillFontMetrics(entry, paint_dc_);
  return entry;
}

void CResourceSet::RegisterDefaultAttributes(const wchar_t* class_name, const wchar_t* list,
                                             bool shared) {
  TargetTables(shared).default_attributes.Set(class_name, CUIString(list));
}

const CUIString* CResourceSet::DefaultAttributesFor(const wchar_t* class_name) {
  return FindInTables(own_, &TResourceTables::default_attributes, class_name);
}

void CResourceSet::AddWindowAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !*name || !value || !*value) return;
  window_attributes_.Insert(name, CUIString(value));
}

const CUIString* CResourceSet::WindowAttribute(const wchar_t* name) const {
  return window_attributes_.Find(name);
}

}  // namespace SkinUI
