// Owning wrappers for the GDI objects of the framework, and a selection into a device
// context that is undone when it goes out of scope.
#pragma once

#include <windows.h>

#include "app/scoped_handle.h"

namespace SkinUI {

template <typename T>
struct GdiObjectTraits {
  using Handle = T;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};
using ScopedBitmap = ScopedObject<GdiObjectTraits<HBITMAP>>;
using ScopedFont = ScopedObject<GdiObjectTraits<HFONT>>;

struct MemoryDCTraits {
  using Handle = HDC;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteDC(h); }
};
using ScopedMemoryDC = ScopedObject<MemoryDCTraits>;

class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~ScopedSelectObject() {
    if (previous_) ::SelectObject(dc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace SkinUI
